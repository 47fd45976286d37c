#include <gtest/gtest.h>

#include "tests/TestSupport.h"

namespace vilmar {
namespace {

using test::Game;

TEST(Figure, IsPlacedByItsCentreWithTruncation) {
  Game game;
  FrameBuffer& frame = *game.w().frame();
  frame.setUp();
  Sprite dot(75, 1);
  std::fill(dot.pixels().begin(), dot.pixels().end(), std::uint8_t{9});
  Figure f(&dot, &frame);
  EXPECT_FLOAT_EQ(f.ax, 37.5f);
  f.setPosition(315.0f, 10.5f, 0);  // left 277.5 and top 10 truncate to 277 and 10
  f.draw();
  EXPECT_EQ(frame.at(277, 10), 9);
  EXPECT_EQ(frame.at(276, 10), 0);
  EXPECT_EQ(frame.at(351, 10), 9);
  EXPECT_EQ(frame.at(352, 10), 0);
  f.setPosition(36.75f, 20.5f, 0);  // left -0.75 truncates to 0, not -1
  f.draw();
  EXPECT_EQ(frame.at(74, 20), 9);
  EXPECT_EQ(frame.at(75, 20), 0);
  f.removed = true;  // marked for the purge: no longer drawn
  f.setPosition(200, 200, 0);
  f.draw();
  EXPECT_EQ(frame.at(200, 200), 0);
}

TEST(Actor, BlinkingDrawsEverySecondCall) {
  Game game;
  auto& b = game.bartender();
  b.blinking = true;
  std::vector<bool> phases;
  for (int i = 0; i < 4; ++i) {
    b.draw();
    phases.push_back(b.blinkPhase);
  }
  EXPECT_EQ(phases, (std::vector<bool>{true, false, true, false}));  // painted on calls 2 and 4
  b.blinking = false;
  b.draw();
  EXPECT_FALSE(b.blinkPhase);
}

struct ServeRecord {
  int picture;
  float x, y;
  std::vector<int> sounds;
};

std::vector<ServeRecord> serve(Game& game, int ticks) {
  std::vector<ServeRecord> out;
  for (int i = 0; i < ticks; ++i) {
    game.platform.sounds.clear();
    game.ticks(1);
    auto& b = game.bartender();
    out.push_back({b.picture->resourceId(), b.x, b.y, game.platform.sounds});
  }
  return out;
}

TEST(Bartender, ATappedServePoursThreeTicksPushesThreeAndLaunches) {
  Game game;
    game.bartender().lane = 2;
  game.platform.keyTap(Key::Space);
  const auto r = serve(game, 7);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(r[i].picture, 238) << i;
    EXPECT_EQ(r[i].x, 348.0f);
    EXPECT_EQ(r[i].y, 164.0f);
  }
  for (int i = 3; i < 6; ++i) {
    EXPECT_EQ(r[i].picture, 239) << i;
    EXPECT_EQ(r[i].x, 327.0f);
  }
  EXPECT_EQ(r[5].sounds, std::vector<int>{230});
  EXPECT_EQ(r[6].picture, 242);
  ASSERT_EQ(game.mugs().size(), 1u);
  EXPECT_EQ(game.mugs()[0]->lane, 2);
}

TEST(Bartender, HoldingSpaceKeepsTheMugAtTheTap) {
  Game game;
    game.platform.keyDown(Key::Space);
  const auto held = serve(game, 25);
  for (const auto& r : held) EXPECT_EQ(r.picture, 238);
  game.platform.keyUp(Key::Space);
  const auto after = serve(game, 5);
  EXPECT_EQ(after[4].sounds, std::vector<int>{230});  // four ticks after the first one released
  EXPECT_TRUE(after[3].sounds.empty());
}

TEST(Bartender, SwitchesBarsWithWrapAndNotDuringAServe) {
  Game game;
    auto& b = game.bartender();
  game.platform.keyTap(Key::Up);
  game.ticks(1);
  EXPECT_EQ(b.lane, 3);
  game.ticks(1);  // the tap was still held for that poll: the axis must rest once
  game.platform.keyTap(Key::Down);
  game.ticks(1);
  EXPECT_EQ(b.lane, 0);
  // Down during a serve on lane 1: the mug goes down lane 1, he moves after.
  b.lane = 1;
  game.platform.keyTap(Key::Space);
  game.ticks(1);
  game.platform.keyTap(Key::Down);
  game.ticks(5);
  EXPECT_EQ(b.lane, 2);
  ASSERT_EQ(game.mugs().size(), 1u);
  EXPECT_EQ(game.mugs()[0]->lane, 1);
  game.ticks(1);
  EXPECT_EQ(b.y, 162.0f);
}

TEST(Mug, AFullMugNobodyTakesBreaksAtTheWall) {
  Game game;
  game.emptyBars();
  Mug* mug = game.launchMug(0);
  int steps = 0;
  while (!mug->broken && steps < 100) {
    game.platform.sounds.clear();
    game.ticks(1);
    ++steps;
  }
  EXPECT_EQ(steps, 59);
  EXPECT_EQ(mug->x, 64.0f);
  EXPECT_EQ(game.platform.sounds, std::vector<int>{229});
  EXPECT_EQ(game.w().freezeTicks(), 40);
  EXPECT_TRUE(game.bartender().missed);
  EXPECT_EQ(mug->picture->resourceId(), 249);
}

TEST(Mug, AnEmptyMugIsCaughtInTheWindowOnlyAtItsBar) {
  Game game;
  game.emptyBars();
  Mug* mug = game.launchMug(2);
  mug->empty = true;
  mug->x = 294.0f;
  game.bartender().lane = 2;
  mug->interact();
  EXPECT_FALSE(mug->removed);  // not yet in the window
  mug->x = 296.0f;
  mug->interact();
  EXPECT_TRUE(mug->removed);
}

TEST(Mug, AnUncaughtEmptyMugFallsNineDropsAndBreaksOnce) {
  Game game;
  game.emptyBars();
  Mug* mug = game.launchMug(3);
  mug->empty = true;
  mug->x = 319.0f;  // the next step takes it past 320
  game.bartender().lane = 1;
  int interacts = 0;
  game.ticks(1);
  ASSERT_TRUE(mug->falling);
  ++interacts;
  const float startY = mug->y;
  game.bartender().lane = 3;  // too late to save it
  while (!mug->broken) {
    game.ticks(1);
    ++interacts;
  }
  EXPECT_EQ(interacts, 10);
  EXPECT_EQ(mug->y - startY, 36.0f);
  EXPECT_EQ(mug->picture->resourceId(), 250);
  game.platform.sounds.clear();
  game.ticks(3);
  EXPECT_TRUE(game.platform.sounds.empty());  // the miss is reported once
}

TEST(Customer, StartsInItsQueuePlace) {
  Game game;
  Customer c(game.w(), game.w().pictures().customers, 5, 2);
  EXPECT_EQ(c.lane, 1);
  EXPECT_EQ(c.x, 100.0f);
  EXPECT_EQ(c.y, 91.0f);
  EXPECT_EQ(c.animStep, 1);
  EXPECT_FALSE(c.walkFrame);
  c.step();
  EXPECT_EQ(c.picture->resourceId(), 262);  // second walking picture of kind 2
}

TEST(Customer, ShowsItsOwnPersonBeforeTheFirstStep) {
  // A guest drawn before his first step (the frame a new level starts on)
  // must already be himself, not the first picture set's guest.
  Game game;
  const int firstWalking[] = {267, 258, 261, 264, 254};
  for (std::int32_t kind = 0; kind < 5; ++kind) {
    Customer c(game.w(), game.w().pictures().customers, 0, kind);
    EXPECT_EQ(c.picture->resourceId(), firstWalking[kind]) << "kind " << kind;
  }
}

TEST(Customer, PointsShrinkWithTimeAndNeverDivideByZero) {
  EXPECT_EQ(BarGame::pointsForLeaving(3602), 25);
  EXPECT_EQ(BarGame::pointsForLeaving(5402), 20);
  EXPECT_EQ(BarGame::pointsForLeaving(60000), 10);
  for (std::uint32_t t : {0u, 1u, 2u}) EXPECT_EQ(BarGame::pointsForLeaving(t), 10) << t;
  EXPECT_EQ(BarGame::pointsForLeaving(3), 54010);
}

TEST(Customer, TakesAFullMugWithinReachAndIsPushedBack) {
  Game game;
  auto* c = game.customers().at(0);  // level 1: one customer on lane 0 at x 80
  c->x = 150.0f;
  Mug* far = game.launchMug(0);
  far->x = 154.0f;  // 4 pixels: out of reach
  c->interact();
  EXPECT_EQ(c->mug, nullptr);
  far->x = 153.5f;  // 3.5 truncates to 3
  c->interact();
  EXPECT_EQ(c->mug, far);
  EXPECT_TRUE(far->held);
  EXPECT_EQ(game.w().drinkingCustomers(0).count(), 1);
  EXPECT_EQ(game.w().waitingCustomers(0).count(), 0);
  c->step();
  EXPECT_EQ(c->x, 149.0f);
}

TEST(Customer, PutsTheEmptyMugBackAfterSixtyOneTicks) {
  Game game;
  auto* c = game.customers().at(0);
  c->x = 200.0f;
  Mug* mug = game.launchMug(0);
  mug->x = 200.0f;
  c->interact();  // takes it
  for (int i = 0; i < 60; ++i) c->interact();
  EXPECT_EQ(c->mug, mug);
  c->interact();
  EXPECT_EQ(c->mug, nullptr);
  EXPECT_TRUE(mug->empty);
  EXPECT_EQ(mug->x, 207.0f);
  EXPECT_EQ(game.w().waitingCustomers(0).count(), 1);
}

TEST(Customer, LeavingWithAMugScoresAndTakesItAlong) {
  Game game;
  auto* c = game.customers().at(0);
  Mug* mug = game.launchMug(0);
  mug->x = c->x;
  c->interact();
  game.platform.now = static_cast<std::uint32_t>(game.w().levelStart().get()) + 3602;
  c->x = 79.0f;
  c->interact();
  EXPECT_TRUE(c->removed);
  EXPECT_TRUE(mug->removed);
  EXPECT_EQ(game.w().score().get(), 25);
}

TEST(Customer, ReachingTheEndIsOneMissAndBlinks) {
  Game game(29);  // customer 28 starts past the end of lane 0
  game.platform.sounds.clear();
  game.ticks(1);
  EXPECT_EQ(game.platform.sounds, std::vector<int>{229});
  EXPECT_TRUE(game.bartender().missed);
  game.platform.sounds.clear();
  game.ticks(5);
  EXPECT_TRUE(game.platform.sounds.empty());
}

}  // namespace
}  // namespace vilmar
