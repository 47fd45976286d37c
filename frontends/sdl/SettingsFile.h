#pragma once
// The native game's settings on disk: settings.ini in
// $XDG_CONFIG_HOME/vilmar-pintkeeper/ (or ~/.config/vilmar-pintkeeper/).

#include <filesystem>
#include <optional>
#include <string>

#include "ui/Settings.h"

namespace vilmar::sdl {

// Where the file is, from the two environment values (either may be null);
// nothing when neither names an absolute folder.
std::optional<std::filesystem::path> settingsPath(const char* xdgConfigHome, const char* home);

// Reads the file. A missing file gives the defaults quietly. A damaged one
// gives the defaults, is replaced by them at once (so it is reported only
// this once) and `report` says so; an unreadable one gives the defaults and
// a report and is left alone.
Settings loadSettings(const std::filesystem::path& file, std::string& report);

// Writes the file whole or not at all: a temporary file beside it, flushed
// to disk, then renamed over it; the folder is made when missing. On
// failure the old file stands and `error` says why.
bool saveSettings(const std::filesystem::path& file, const Settings& settings, std::string& error);

}  // namespace vilmar::sdl
