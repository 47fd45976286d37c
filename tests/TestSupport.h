#pragma once
// A world on the headless platform for the tests: no compiled artwork, so
// no rule can come to depend on it, and a plain palette so frames are drawn.

#include <memory>
#include <vector>

#include "actors/Bartender.h"
#include "actors/Customer.h"
#include "actors/Mug.h"
#include "input/KeyReader.h"
#include "input/KeyboardInput.h"
#include "frontends/headless/HeadlessPlatform.h"
#include "world/BarGame.h"

namespace vilmar {

// The tests' door into a world: what they set up or break on purpose.
struct WorldProbe {
  static Counter& score(BarGame& w) { return w.score_; }
  static Counter& lives(BarGame& w) { return w.lives_; }
  static Counter& extraLives(BarGame& w) { return w.extraLives_; }
  static std::int32_t& freezeTicks(BarGame& w) { return w.freezeTicks_; }
  static ActorList& allActors(BarGame& w) { return w.allActors_; }
  static ActorList& waitingCustomers(BarGame& w, std::size_t lane) { return w.waitingCustomers_[lane]; }
  static Bartender& bartender(BarGame& w) { return *w.bartender_; }
  static std::vector<Sprite>& pictures(BarGame& w) { return w.pictures_.all; }
  static void addActor(BarGame& w, int kind, Actor* actor, int lane) { w.addActor(kind, actor, lane); }
  static void clearLanes(BarGame& w) { w.clearLanes(); }
};

namespace test {

// A BITMAP resource: a 1 x 1 8-bit bitmap whose colour i is (i, 255 - i, 7).
inline std::vector<std::uint8_t> testPaletteBitmap() {
  std::vector<std::uint8_t> dib(40 + 256 * 4 + 4, 0);
  dib[0] = 40;
  dib[4] = 1;
  dib[8] = 1;
  dib[12] = 1;
  dib[14] = 8;
  dib[33] = 1;  // 256 colours used
  for (int i = 0; i < 256; ++i) {
    dib[static_cast<std::size_t>(40 + i * 4)] = 7;
    dib[static_cast<std::size_t>(41 + i * 4)] = static_cast<std::uint8_t>(255 - i);
    dib[static_cast<std::size_t>(42 + i * 4)] = static_cast<std::uint8_t>(i);
  }
  return dib;
}

struct Game {
  HeadlessPlatform platform{1000};
  KeyReader keys{platform};
  KeyboardInput keyboard{keys};
  std::unique_ptr<BarGame> world;

  explicit Game(std::int32_t level = 1) {
    platform.useCompiledResources(false);
    platform.setResource(ResourceType::Bitmap, 139, testPaletteBitmap());
    world = std::make_unique<BarGame>(platform, keyboard, level);
  }
  BarGame& w() { return *world; }
  Bartender& bartender() { return WorldProbe::bartender(*world); }

  // Runs ticks of the rules; the clock moves as it would in play.
  void ticks(int n) {
    for (int i = 0; i < n; ++i) {
      platform.now += 40;
      world->update();
    }
  }
  Mug* launchMug(int lane) {
    auto* mug = new Mug(*world, &world->pictures().bartender[5], lane);
    WorldProbe::addActor(*world, ACTOR_MUG, mug, lane);
    return mug;
  }
  std::vector<Customer*> customers() {
    std::vector<Customer*> out;
    world->allActors().forEach([&](ListItem* item) {
      if (auto* c = dynamic_cast<Customer*>(item)) out.push_back(c);
    });
    return out;
  }
  std::vector<Mug*> mugs() {
    std::vector<Mug*> out;
    world->allActors().forEach([&](ListItem* item) {
      if (auto* m = dynamic_cast<Mug*>(item)) out.push_back(m);
    });
    return out;
  }
  // Takes every customer off the bars (they leave no trace and no points).
  void emptyBars() {
    WorldProbe::clearLanes(*world);
  }
};

}  // namespace test
}  // namespace vilmar
