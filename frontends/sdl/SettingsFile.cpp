#include "frontends/sdl/SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace vilmar::sdl {

std::optional<std::filesystem::path> settingsPath(const char* xdgConfigHome, const char* home) {
  std::filesystem::path base;
  // A relative XDG_CONFIG_HOME is invalid and ignored.
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') base = xdgConfigHome;
  else if (home != nullptr && home[0] == '/') base = std::filesystem::path(home) / ".config";
  else return std::nullopt;
  return base / "vilmar-pintkeeper" / "settings.ini";
}

Settings loadSettings(const std::filesystem::path& file, std::string& report) {
  report.clear();
  std::error_code ec;
  if (!std::filesystem::exists(file, ec) && !ec) return Settings{};
  std::ifstream in(file, std::ios::binary);
  std::string text;
  if (in) {
    // Read one byte past the limit, so a huge file is not read whole.
    text.resize(SETTINGS_MAX_BYTES + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
  }
  if (!in && !in.eof()) {
    report = "cannot read " + file.string() + "; using the default settings";
    return Settings{};
  }
  Settings settings;
  std::string problem;
  if (parseSettings(text, settings, problem)) return settings;
  report = file.string() + " is damaged (" + problem + "); replaced by the default settings";
  std::string error;
  if (!saveSettings(file, settings, error)) report += " (" + error + ")";
  return settings;
}

bool saveSettings(const std::filesystem::path& file, const Settings& settings, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  if (ec) {
    error = "cannot make " + file.parent_path().string() + ": " + ec.message();
    return false;
  }
  const std::string text = formatSettings(settings);
  const std::filesystem::path temp = file.string() + ".tmp-" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot write " + temp.string() + ": " + std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  int failure = 0;  // the errno of the first step that failed
  while (failure == 0 && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) failure = n < 0 ? errno : ENOSPC;
    else done += static_cast<std::size_t>(n);
  }
  if (failure == 0 && ::fsync(fd) != 0) failure = errno;
  if (::close(fd) != 0 && failure == 0) failure = errno;
  if (failure == 0 && ::rename(temp.c_str(), file.c_str()) == 0) return true;
  if (failure == 0) failure = errno;
  error = "cannot write " + file.string() + ": " + std::strerror(failure);
  ::unlink(temp.c_str());
  return false;
}

}  // namespace vilmar::sdl
