#pragma once
// The native program's command line.

#include <optional>
#include <string>
#include <vector>

#include "ui/GameSpeed.h"
#include "net/ServiceEndpoint.h"

namespace vilmar::sdl {

struct Options {
  int scale = 0;  // 0: the largest that fits the screen
  bool fullscreen = false;
  bool showVersion = false;
  bool showHelp = false;
  std::string tickLog;  // where each tick's start error goes at exit, if anywhere
  std::optional<GameSpeed> speed;  // 100, 75 or 50 %; below 100 a practice game
  std::string replay;   // a recorded game to show first, if any
  ServiceEndpoint service = serviceEndpoint();  // where scores go and the service's pages are
};

// Parses the arguments after the program name. On a bad argument returns
// nothing and sets error to a line for the user.
std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error);

// The usage text for --help.
std::string usageText();

}  // namespace vilmar::sdl
