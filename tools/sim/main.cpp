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
#include <vector>

#include "Version.h"
#include "app/App.h"
#include "ui/GameSpeed.h"
#include "app/ReplayCheck.h"
#include "frontends/headless/HeadlessPlatform.h"
#include "frontends/headless/InputScript.h"
#include "frontends/posix/CurlTransport.h"
#include "input/Replay.h"
#include "net/ServiceEndpoint.h"
#include "tools/sim/PngFile.h"
#include "tools/sim/SpriteSheet.h"
#include "tools/sim/Trace.h"

using namespace vilmar;

namespace {

constexpr const char* USAGE =
    "usage: vilmar-sim [--passes N] [--input FILE] [--level L] [--trace]\n"
    "                  [--png-dir DIR --png-every K] [--dump-sprites DIR]\n"
    "                  [--signin EMAIL:PASSWORD] [--program-file FILE] [--version]\n"
    "                  [--record DIR] [--replay FILE] [--verify FILE]\n"
    "                  [--service http://HOST:PORT] [--speed 100|75|50]\n";

struct Options {
  std::uint64_t passes = 1000;
  std::string input;
  std::int32_t level = 1;
  GameSpeed speed = GameSpeed::Full;
  bool trace = false;
  std::string pngDir;
  std::uint64_t pngEvery = 1;
  std::string spriteDir;
  std::optional<HeadlessPlatform::SignInEntries> signIn;
  std::string programFile;
  bool version = false;
  std::string recordDir;
  std::string replayFile;
  std::string verifyFile;
  ServiceEndpoint service = serviceEndpoint();
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
      // Level n spawns n customers at once: a level of a million would never
      // finish building, and no game gets past 29 anyway.
      if (!value(v) || !number<std::int32_t>(v, o.level, 1) || o.level > REPLAY_MAX_FIRST_LEVEL)
        return error = "--level needs a level from 1 to 100", false;
    } else if (arg == "--speed") {
      long percent = 0;
      if (!value(v) || !number<long>(v, percent, 0) || !speedFromPercent(percent, o.speed))
        return error = "--speed needs 100, 75 or 50", false;
    } else if (arg == "--png-every") {
      if (!value(v) || !number<std::uint64_t>(v, o.pngEvery, 1)) return error = "--png-every needs a number of 1 or more", false;
    } else if (arg == "--input") {
      if (!value(v)) return false;
      o.input = v;
    } else if (arg == "--png-dir") {
      if (!value(v)) return false;
      o.pngDir = v;
    } else if (arg == "--service") {
      if (!value(v)) return false;
      const auto service = parseServiceAddress(v);
      if (!service) return error = "--service needs an address such as http://127.0.0.1:8080", false;
      o.service = *service;
    } else if (arg == "--signin") {
      if (!value(v)) return false;
      const std::size_t colon = v.find(':');
      if (colon == std::string_view::npos || colon == 0 || colon + 1 == v.size())
        return error = "--signin needs EMAIL:PASSWORD", false;
      o.signIn = HeadlessPlatform::SignInEntries{std::string(v.substr(0, colon)), std::string(v.substr(colon + 1))};
    } else if (arg == "--program-file") {
      if (!value(v)) return false;
      o.programFile = v;
    } else if (arg == "--record") {
      if (!value(v)) return false;
      o.recordDir = v;
    } else if (arg == "--replay") {
      if (!value(v)) return false;
      o.replayFile = v;
    } else if (arg == "--verify") {
      if (!value(v)) return false;
      o.verifyFile = v;
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

bool writeReplay(const std::string& path, const Replay& replay) {
  const std::vector<std::uint8_t> bytes = encodeReplay(replay);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

std::string hex64(std::uint64_t v) {
  char text[20];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

// --verify: the rules alone re-play the file; exit 0 only when the score,
// the tick count and the final hash are the header's.
int verify(const std::string& path) {
  Replay replay;
  std::string error;
  if (!loadReplay(path, replay, error)) {
    std::cerr << "vilmar-sim: " << error << "\n";
    return 2;
  }
  HeadlessPlatform platform;
  ReplayOutcome outcome;
  const ReplayVerdict verdict = checkReplay(platform, replay, &outcome);
  std::cout << "score " << outcome.score << " ticks " << outcome.ticks << " hash " << hex64(outcome.hash) << '\n';
  std::cout << "header score " << replay.score << " ticks " << replay.ticks << " hash " << hex64(replay.finalHash)
            << (replay.gameOver ? " game-over" : " cut-short") << '\n';
  std::cout << replayVerdictName(verdict) << '\n';
  return verdict == ReplayVerdict::Verified ? 0 : 1;
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
  if (!options.verifyFile.empty()) return verify(options.verifyFile);
  Replay playback;
  if (!options.replayFile.empty()) {
    if (!loadReplay(options.replayFile, playback, error) || !playableHere(playback, error)) {
      std::cerr << "vilmar-sim: " << error << "\n";
      return 2;
    }
    // Exactly the replay's ticks, one per pass.
    options.passes = playback.ticks;
  }
  if (!options.recordDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(options.recordDir, ec);
    if (ec) {
      std::cerr << "vilmar-sim: cannot make " << options.recordDir << "\n";
      return 2;
    }
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
    // Sign-ins really go to the service: the one this simulator was built
    // for, or the one --service names.
    platform.signIn = options.signIn;
    platform.useTransport(std::make_unique<CurlTransport>());
  }
  App app(platform, options.level, options.service);
  app.gameSession->setSpeed(options.speed);
  if (!options.spriteDir.empty()) {
    if (!dumpSprites(platform, *app.gameSession->world, options.spriteDir, error)) {
      std::cerr << "vilmar-sim: " << error << "\n";
      return 1;
    }
  }

  if (!options.replayFile.empty()) app.gameSession->playBack(playback);

  // Every game that ends is written as it ends, numbered from 1; the game
  // still in play when the run ends is written last, cut short.
  std::uint32_t written = 0;
  std::uint32_t gamesSeen = 0;
  auto record = [&](const std::optional<Replay>& game) {
    if (options.recordDir.empty()) return true;
    const std::string name = options.recordDir + "/game-" + std::to_string(++written) + ".vpr";
    if (!game) return true;  // too long for a file: numbered, not written
    if (writeReplay(name, *game)) return true;
    std::cerr << "vilmar-sim: cannot write " << name << "\n";
    return false;
  };

  std::uint64_t drawnFrames = 0;
  std::string out;
  for (std::uint64_t pass = 0; pass < options.passes; ++pass) {
    script.apply(pass, platform);
    platform.beginPass();
    app.pass();
    const GameSession* session = app.gameSession.get();
    if (session != nullptr && session->finishedGames != gamesSeen) {
      gamesSeen = session->finishedGames;
      if (!record(session->lastGame)) return 1;
    }
    if (options.trace) {
      out = traceLine(pass, app, platform);
      out += '\n';
      std::fwrite(out.data(), 1, out.size(), stdout);
    }
    if (session != nullptr && session->lastTickDrew) {
      if (!options.pngDir.empty() && drawnFrames % options.pngEvery == 0) {
        char name[32];
        std::snprintf(name, sizeof name, "/pass-%06llu.png", static_cast<unsigned long long>(pass));
        const FrameBuffer& frame = session->world->frameBuffer();
        if (!writeIndexedPng(options.pngDir + name, frame.width(), frame.height(), frame.pixels(), frame.palette())) {
          std::cerr << "vilmar-sim: cannot write " << options.pngDir << name << "\n";
          return 1;
        }
      }
      ++drawnFrames;
    }
  }
  if (app.gameSession != nullptr) {
    if (const std::optional<Replay> game = app.gameSession->currentGame(); game && !record(game)) return 1;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
