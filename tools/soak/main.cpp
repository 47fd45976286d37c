// vilmar-soak: random play on the headless platform, the real main-loop
// pass, with the world's rules checked after every tick. Games begin at
// every level in turn through the level option, and the keys, restarts,
// menu commands and lost focus come from a seeded generator, so a run that
// finds a fault can be repeated exactly.
//
//   vilmar-soak [--ticks N] [--seed S] [--levels L]
//
// Exit status 0 when every tick passed the check, 1 at the first tick that
// did not (its faults are printed), 2 for a bad command line.

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <string_view>

#include "app/App.h"
#include "frontends/headless/HeadlessPlatform.h"
#include "world/WorldCheck.h"

using namespace vilmar;

namespace {

constexpr const char* USAGE = "usage: vilmar-soak [--ticks N] [--seed S] [--levels L]\n";

struct Options {
  std::uint64_t ticks = 1'000'000;
  std::uint64_t seed = 1;
  std::int32_t levels = 30;  // games begin at levels 1 to this, in turn
};

template <class T>
bool number(std::string_view text, T& out, T minimum) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && out >= minimum;
}

bool parseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (i + 1 >= argc) return false;
    const std::string_view value = argv[++i];
    if (arg == "--ticks") {
      if (!number<std::uint64_t>(value, o.ticks, 1)) return false;
    } else if (arg == "--seed") {
      if (!number<std::uint64_t>(value, o.seed, 0)) return false;
    } else if (arg == "--levels") {
      if (!number<std::int32_t>(value, o.levels, 1)) return false;
    } else {
      return false;
    }
  }
  return true;
}

// The headless platform without keeping each frame: the soak looks at the
// world, and copying 127 200 pixels a tick would be most of its work.
class SoakPlatform : public HeadlessPlatform {
 public:
  void present(std::span<const std::uint8_t>, int, int, const Palette&) override { ++presentCount; }
};

// A player who knows nothing: mostly switching bars and serving, now and
// then holding Space, starting over, opening a page of the menu or looking
// at another window.
class RandomPlayer {
 public:
  explicit RandomPlayer(std::uint64_t seed) : random_(seed) {}

  void play(App& app, SoakPlatform& platform) {
    if (chance(8)) platform.keyTap(chance(2) ? Key::Up : Key::Down);
    if (chance(6)) platform.keyTap(Key::Space);
    if (!spaceHeld_ && chance(300)) {
      platform.keyDown(Key::Space);
      spaceHeld_ = true;
    } else if (spaceHeld_ && chance(40)) {
      platform.keyUp(Key::Space);
      spaceHeld_ = false;
    }
    if (chance(60)) platform.keyTap(chance(2) ? Key::Left : Key::Right);
    const bool over = app.gameSession->world->gameOver();
    if (chance(over ? 50 : 25000)) platform.keyTap(Key::F1);
    if (chance(60000)) app.menuCommand(CMD_NEW_GAME);
    if (chance(200000)) app.menuCommand(CMD_RULES);
    if (platform.focus && chance(40000)) platform.focus = false;
    else if (!platform.focus && chance(100)) platform.focus = true;
  }

  std::uint64_t below(std::uint64_t n) { return random_() % n; }

 private:
  bool chance(std::uint64_t oneIn) { return random_() % oneIn == 0; }

  std::mt19937_64 random_;
  bool spaceHeld_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  const auto began = std::chrono::steady_clock::now();
  RandomPlayer player(options.seed);
  std::set<std::int32_t> levelsPlayed;
  std::uint64_t tick = 0, sessions = 0, worlds = 0, gameOvers = 0, misses = 0;

  while (tick < options.ticks) {
    // A run of the program that begins its games at the next level in turn.
    const auto firstLevel = static_cast<std::int32_t>(1 + sessions % static_cast<std::uint64_t>(options.levels));
    ++sessions;
    SoakPlatform platform;
    App app(platform, firstLevel);
    platform.keyTap(Key::F1);
    const std::uint64_t length = 2000 + player.below(20000);
    std::uint32_t lastTickCount = 0;
    std::int32_t lastLives = 0;
    bool lastOver = true;  // the program opens on a finished game
    for (std::uint64_t n = 0; n < length && tick < options.ticks; ++n, ++tick) {
      player.play(app, platform);
      platform.beginPass();
      app.pass();
      const BarGame& world = *app.gameSession->world;
      const std::vector<std::string> faults = checkWorld(world);
      if (!faults.empty()) {
        std::printf("vilmar-soak: tick %llu (seed %llu, run %llu from level %d, level %d) broke the rules:\n",
                    static_cast<unsigned long long>(tick), static_cast<unsigned long long>(options.seed),
                    static_cast<unsigned long long>(sessions), firstLevel, world.level().get());
        for (const std::string& fault : faults) std::printf("  %s\n", fault.c_str());
        return 1;
      }
      // A restart builds a new world and counts its ticks from 0 again.
      if (app.gameSession->tickCount < lastTickCount) {
        ++worlds;
        lastLives = world.lives().get();
        lastOver = world.gameOver();
      }
      lastTickCount = app.gameSession->tickCount;
      levelsPlayed.insert(world.level().get());
      const std::int32_t lives = world.lives().get();
      if (lives < lastLives) ++misses;
      lastLives = lives;
      if (world.gameOver() && !lastOver) ++gameOvers;
      lastOver = world.gameOver();
      if ((tick + 1) % 1'000'000 == 0) {
        const double soFar = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        std::printf("vilmar-soak: %llu ticks clean so far, %.0f s\n", static_cast<unsigned long long>(tick + 1), soFar);
        std::fflush(stdout);
      }
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::printf("vilmar-soak: %llu ticks clean (seed %llu): %llu program runs, %llu games, %llu lives lost, "
              "%llu game overs, levels %d to %d played, %.1f s\n",
              static_cast<unsigned long long>(tick), static_cast<unsigned long long>(options.seed),
              static_cast<unsigned long long>(sessions), static_cast<unsigned long long>(worlds),
              static_cast<unsigned long long>(misses), static_cast<unsigned long long>(gameOvers),
              *levelsPlayed.begin(), *levelsPlayed.rbegin(), seconds);
  return 0;
}
