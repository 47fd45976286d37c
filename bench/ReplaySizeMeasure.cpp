// How many bytes a minute of play takes as a recorded game, for three kinds
// of player on a clock that wobbles like a real one: a random key-masher, a
// bot that plays like a person (looks every quarter second or so, walks to
// the bar that needs him, holds each key a tenth of a second, now and then
// slips) and the same bot at machine speed, which plays long games. Prints per player the median and the largest bytes per minute,
// over games of at least a minute and over all.
//
//   vilmar-replay-size [--games N] [--seed S] [--write DIR]
//
// --write keeps every game as DIR/<player>-<n>.vpr.

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "actors/Bartender.h"
#include "actors/Customer.h"
#include "actors/Mug.h"
#include "app/App.h"
#include "input/Replay.h"
#include "frontends/headless/HeadlessPlatform.h"

using namespace vilmar;

namespace {

// Waits that overshoot by up to two milliseconds, frames not kept.
class WobblyPlatform : public HeadlessPlatform {
 public:
  explicit WobblyPlatform(std::uint32_t seed) : random_(seed) {}
  void present(std::span<const std::uint8_t>, int, int, const Palette&) override {}
  void spin() override { now += 1 + (random_() % 4 == 0 ? static_cast<std::uint32_t>(random_() % 2) : 0u); }

 private:
  std::mt19937 random_;
};

struct Player {
  virtual ~Player() = default;
  virtual void play(std::uint64_t pass, App& app, HeadlessPlatform& platform) = 0;
};

class Masher : public Player {
 public:
  explicit Masher(std::uint32_t seed) : random_(seed) {}
  void play(std::uint64_t, App&, HeadlessPlatform& p) override {
    if (random_() % 8 == 0) p.keyTap(random_() % 2 == 0 ? Key::Up : Key::Down);
    if (random_() % 6 == 0) p.keyTap(Key::Space);
    if (random_() % 300 == 0) p.keyDown(Key::Space);
    if (random_() % 20 == 0) p.keyUp(Key::Space);
  }

 private:
  std::mt19937 random_;
};

class Person : public Player {
 public:
  // How often he looks (ticks: least, plus up to spread), how long he holds a
  // key (ticks: least, plus up to spread), one slip in how many looks.
  struct Habits {
    std::uint64_t look, lookSpread, hold, holdSpread, slipEvery;
  };
  Person(std::uint32_t seed, Habits habits) : random_(seed), habits_(habits) {}
  void play(std::uint64_t pass, App& app, HeadlessPlatform& p) override {
    for (auto& [key, at] : held_) {
      if (at != 0 && pass >= at) {
        p.keyUp(key);
        at = 0;
      }
    }
    if (pass < nextLook_) return;
    nextLook_ = pass + habits_.look + random_() % (habits_.lookSpread + 1);
    const BarGame& w = *app.gameSession->world;
    if (w.gameOver() || w.freezeTicks() != 0) return;
    const int lane = w.bartender().lane;
    const int target = wanted(w);
    if (target < 0) return;
    if (habits_.slipEvery != 0 && random_() % habits_.slipEvery == 0)
      return press(pass, p, random_() % 2 == 0 ? Key::Up : Key::Down);
    if (target != lane) {
      const int down = (target - lane + LANES) % LANES;
      return press(pass, p, down <= 2 ? Key::Down : Key::Up);
    }
    if (serveWanted_ && !w.bartender().serving) press(pass, p, Key::Space);
  }

 private:
  void press(std::uint64_t pass, HeadlessPlatform& p, Key key) {
    for (const auto& [k, at] : held_) if (k == key && at != 0) return;
    p.keyDown(key);
    held_.push_back({key, pass + habits_.hold + random_() % (habits_.holdSpread + 1)});
    std::erase_if(held_, [](const auto& h) { return h.second == 0; });
  }

  // The bar that needs him most: an empty mug about to come off, else the
  // guest nearest his end who has no full mug coming.
  int wanted(const BarGame& w) {
    float soonestMug = 1e9f, nearestGuest = 1e9f;
    int mugLane = -1, guestLane = -1;
    std::array<int, LANES> fullMugs{}, waiting{};
    w.allActors().forEach([&](const ListItem* item) {
      if (const auto* m = dynamic_cast<const Mug*>(item)) {
        if (m->empty && !m->falling && !m->broken) {
          const float ticks = (Mug::END_X[m->laneIndex()] - m->x) / Mug::EMPTY_STEP;
          if (ticks < soonestMug) soonestMug = ticks, mugLane = m->lane;
        } else if (!m->empty && !m->held) {
          ++fullMugs[m->laneIndex()];
        }
      } else if (const auto* c = dynamic_cast<const Customer*>(item)) {
        if (c->mug == nullptr) ++waiting[c->laneIndex()];
      }
    });
    w.allActors().forEach([&](const ListItem* item) {
      const auto* c = dynamic_cast<const Customer*>(item);
      if (c == nullptr || c->mug != nullptr || waiting[c->laneIndex()] <= fullMugs[c->laneIndex()]) return;
      const float ticks = (Customer::END_X[c->laneIndex()] - c->x) / Customer::WALK_STEP;
      if (ticks < nearestGuest) nearestGuest = ticks, guestLane = c->lane;
    });
    serveWanted_ = !(mugLane >= 0 && soonestMug < 40) && guestLane >= 0;
    return serveWanted_ ? guestLane : mugLane;
  }

  std::mt19937 random_;
  Habits habits_;
  std::uint64_t nextLook_ = 0;
  bool serveWanted_ = false;
  std::vector<std::pair<Key, std::uint64_t>> held_;
};

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void measure(const char* name, Player& player, std::uint32_t seed, int games, const std::string& writeDir) {
  WobblyPlatform platform(seed);
  App app(platform);
  std::vector<double> all, long1;
  std::uint64_t pass = 0;
  std::uint32_t seen = 0;
  std::uint64_t overAt = 0;
  double longest = 0;
  std::size_t biggest = 0;
  platform.keyTap(Key::F1);
  while (static_cast<int>(all.size()) < games && pass < 50'000'000) {
    player.play(pass, app, platform);
    platform.beginPass();
    app.pass();
    ++pass;
    GameSession& s = *app.gameSession;
    if (s.finishedGames != seen) {
      seen = s.finishedGames;
      if (s.lastGame) {
        const std::vector<std::uint8_t> bytes = encodeReplay(*s.lastGame);
        const double minutes = s.lastGame->ticks * 40.0 / 60000.0;
        all.push_back(static_cast<double>(bytes.size()) / minutes);
        if (minutes >= 1.0) long1.push_back(all.back());
        longest = std::max(longest, minutes);
        biggest = std::max(biggest, bytes.size());
        if (!writeDir.empty()) {
          std::ofstream out(writeDir + "/" + name + "-" + std::to_string(all.size()) + ".vpr", std::ios::binary);
          out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
      }
    }
    // A moment to look at the result, then F1, once per game over.
    constexpr std::uint64_t ASKED = UINT64_MAX;
    if (!s.gameOverSeen) {
      overAt = 0;
    } else if (overAt == 0) {
      overAt = pass;
    } else if (overAt != ASKED && pass > overAt + 40) {
      platform.keyTap(Key::F1);
      overAt = ASKED;
    }
  }
  std::printf("%-7s %3zu games (longest %.1f min, largest %zu bytes): bytes per minute median %.0f, max %.0f;"
              " games of a minute or more: %zu, median %.0f, max %.0f\n",
              name, all.size(), longest, biggest, median(all), all.empty() ? 0 : *std::max_element(all.begin(), all.end()),
              long1.size(), median(long1), long1.empty() ? 0 : *std::max_element(long1.begin(), long1.end()));
}

}  // namespace

int main(int argc, char** argv) {
  int games = 20;
  std::uint32_t seed = 1;
  std::string writeDir;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view arg = argv[i], value = argv[i + 1];
    if (arg == "--games") std::from_chars(value.data(), value.data() + value.size(), games);
    else if (arg == "--seed") std::from_chars(value.data(), value.data() + value.size(), seed);
    else if (arg == "--write") writeDir = value;
  }
  Masher masher(seed);
  // A person: looks every 200 to 360 ms, holds a key 80 to 160 ms, slips
  // one look in twenty. A bot: looks every other tick, taps for one tick,
  // never slips, and so plays long games.
  Person person(seed, {5, 4, 2, 2, 20});
  Person bot(seed, {2, 0, 1, 0, 0});
  // Between the two: looks every 120 to 200 ms, never slips; long games.
  Person steady(seed, {3, 2, 2, 1, 0});
  measure("masher", masher, seed, games, writeDir);
  measure("person", person, seed, games, writeDir);
  measure("bot", bot, seed, games, writeDir);
  measure("steady", steady, seed, games, writeDir);
  return 0;
}
