#include "frontends/sdl/Options.h"

#include <charconv>

#include "frontends/sdl/Layout.h"

namespace vilmar::sdl {

std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (arg == "--scale") {
      int n = 0;
      const bool present = value(v);
      const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
      if (!present || ec != std::errc{} || end != v.data() + v.size() || n < MIN_SCALE || n > MAX_SCALE) {
        error = "--scale needs a whole number from 1 to 8";
        return std::nullopt;
      }
      options.scale = n;
    } else if (arg == "--fullscreen") {
      options.fullscreen = true;
    } else if (arg == "--tick-log") {
      if (!value(v) || v.empty()) {
        error = "--tick-log needs a file name";
        return std::nullopt;
      }
      options.tickLog = v;
    } else if (arg == "--speed") {
      long percent = 0;
      const bool present = value(v);
      const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), percent);
      GameSpeed speed{};
      if (!present || ec != std::errc{} || end != v.data() + v.size() || !speedFromPercent(percent, speed)) {
        error = "--speed needs 100, 75 or 50";
        return std::nullopt;
      }
      options.speed = speed;
    } else if (arg == "--replay") {
      if (!value(v) || v.empty()) {
        error = "--replay needs a file name";
        return std::nullopt;
      }
      options.replay = v;
    } else if (arg == "--service") {
      const bool present = value(v);
      const auto service = parseServiceAddress(v);
      if (!present || !service) {
        error = "--service needs an address such as http://127.0.0.1:8080";
        return std::nullopt;
      }
      options.service = *service;
    } else if (arg == "--version") {
      options.showVersion = true;
    } else if (arg == "--help" || arg == "-h") {
      options.showHelp = true;
    } else {
      error = "unknown argument: " + arg;
      return std::nullopt;
    }
  }
  return options;
}

std::string usageText() {
  return "Usage: vilmar-pintkeeper [--scale N] [--fullscreen] [--tick-log FILE] [--replay FILE]\n"
         "                         [--speed 100|75|50] [--service http://HOST:PORT] [--version]\n"
         "  --scale N        window size, 1 to 8 times the 424 x 300 picture\n"
         "                   (default: the largest that fits the screen)\n"
         "  --fullscreen     start on the whole screen (F11 or Alt+Enter toggles)\n"
         "  --tick-log FILE  at exit, write how late each tick started (microseconds)\n"
         "  --replay FILE    play a recorded game (.vpr) first; F1 then starts your own\n"
         "  --speed PERCENT  game speed: 100, or 75 and 50 for practice (\"Övningsläge\":\n"
         "                   the same rules on a longer tick; never sent as a score)\n"
         "  --service URL    the game service to send scores to and open pages of\n"
         "                   (default: " + serviceUrl(serviceEndpoint(), "") + ")\n"
         "  --version        print the version and exit\n"
         "Keys: Up/Down switch bars, Space serves, F1 starts a new game.\n"
         "Gamepad: D-pad up/down switch bars, A (south) serves, Start starts a new game.\n";
}

}  // namespace vilmar::sdl
