// vilmar-sim: runs the game's real main-loop pass on the headless platform,
// with a virtual clock and scripted keys, and tells what happened.

#include <charconv>
#include <optional>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "Version.h"
#include "app/App.h"
#include "frontends/headless/HeadlessPlatform.h"
#include "frontends/headless/InputScript.h"
#include "frontends/posix/CurlTransport.h"
#include "tools/sim/PngFile.h"
#include "tools/sim/SpriteSheet.h"
#include "tools/sim/Trace.h"

using namespace vilmar;

namespace {

constexpr const char* USAGE =
    "usage: vilmar-sim [--passes N] [--input FILE] [--level L] [--trace]\n"
    "                  [--png-dir DIR --png-every K] [--dump-sprites DIR]\n"
    "                  [--signin EMAIL:PASSWORD] [--program-file FILE] [--version]\n";

struct Options {
  std::uint64_t passes = 1000;
  std::string input;
  std::int32_t level = 1;
  bool trace = false;
  std::string pngDir;
  std::uint64_t pngEvery = 1;
  std::string spriteDir;
  std::optional<HeadlessPlatform::SignInEntries> signIn;
  std::string programFile;
  bool version = false;
};

template <class T>
bool number(std::string_view text, T& out, T minimum) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && out >= minimum;
}

bool parseOptions(int argc, char** argv, Options& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&](std::string_view& v) {
      if (i + 1 >= argc) {
        error = std::string(arg) + " needs a value";
        return false;
      }
      v = argv[++i];
      return true;
    };
    std::string_view v;
    if (arg == "--trace") {
      o.trace = true;
    } else if (arg == "--passes") {
      if (!value(v) || !number<std::uint64_t>(v, o.passes, 0)) return error = "--passes needs a whole number", false;
    } else if (arg == "--level") {
      if (!value(v) || !number<std::int32_t>(v, o.level, 1)) return error = "--level needs a level of 1 or more", false;
    } else if (arg == "--png-every") {
      if (!value(v) || !number<std::uint64_t>(v, o.pngEvery, 1)) return error = "--png-every needs a number of 1 or more", false;
    } else if (arg == "--input") {
      if (!value(v)) return false;
      o.input = v;
    } else if (arg == "--png-dir") {
      if (!value(v)) return false;
      o.pngDir = v;
    } else if (arg == "--signin") {
      if (!value(v)) return false;
      const std::size_t colon = v.find(':');
      if (colon == std::string_view::npos || colon == 0 || colon + 1 == v.size())
        return error = "--signin needs EMAIL:PASSWORD", false;
      o.signIn = HeadlessPlatform::SignInEntries{std::string(v.substr(0, colon)), std::string(v.substr(colon + 1))};
    } else if (arg == "--program-file") {
      if (!value(v)) return false;
      o.programFile = v;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--dump-sprites") {
      if (!value(v)) return false;
      o.spriteDir = v;
    } else {
      error = "unknown option " + std::string(arg);
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!parseOptions(argc, argv, options, error)) {
    std::cerr << "vilmar-sim: " << error << "\n" << USAGE;
    return 2;
  }
  if (options.version) {
    std::cout << "vilmar-sim " << VERSION << '\n';
    return 0;
  }
  InputScript script;
  if (!options.input.empty()) {
    std::ifstream in(options.input);
    if (!in) {
      std::cerr << "vilmar-sim: cannot read " << options.input << "\n";
      return 2;
    }
    if (!script.parse(in, options.input, error)) {
      std::cerr << "vilmar-sim: " << error << "\n";
      return 2;
    }
  }
  if (!options.pngDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(options.pngDir, ec);
  }

  HeadlessPlatform platform;
  platform.programFile = options.programFile;
  if (options.signIn) {
    // Sign-ins really go to the service host this simulator was built for.
    platform.signIn = options.signIn;
    platform.useTransport(std::make_unique<CurlTransport>());
  }
  App app(platform, options.level);
  if (!options.spriteDir.empty()) {
    if (!dumpSprites(*app.gameSession->world, options.spriteDir, error)) {
      std::cerr << "vilmar-sim: " << error << "\n";
      return 1;
    }
  }

  std::uint64_t drawnFrames = 0;
  std::string out;
  for (std::uint64_t pass = 0; pass < options.passes; ++pass) {
    script.apply(pass, platform);
    platform.beginPass();
    app.pass();
    const GameSession* session = app.gameSession.get();
    if (options.trace) {
      out = traceLine(pass, app, platform);
      out += '\n';
      std::fwrite(out.data(), 1, out.size(), stdout);
    }
    if (session != nullptr && session->lastTickDrew) {
      if (!options.pngDir.empty() && drawnFrames % options.pngEvery == 0) {
        char name[32];
        std::snprintf(name, sizeof name, "/pass-%06llu.png", static_cast<unsigned long long>(pass));
        const FrameBuffer& frame = *session->world->frameBuffer;
        if (!writeIndexedPng(options.pngDir + name, frame.width(), frame.height(), frame.pixels(), frame.palette())) {
          std::cerr << "vilmar-sim: cannot write " << options.pngDir << name << "\n";
          return 1;
        }
      }
      ++drawnFrames;
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
