#include <gtest/gtest.h>

#include "tests/TestSupport.h"

namespace vilmar {
namespace {

using test::Game;

std::vector<int> kindsOfLevel(int level) {
  Game game(level);
  std::vector<int> kinds;
  for (auto* c : game.customers()) kinds.push_back(c->kind);
  return kinds;
}

TEST(World, EachLevelBringsTheSameKindsEveryTime) {
  EXPECT_EQ(kindsOfLevel(1), (std::vector<int>{1}));
  EXPECT_EQ(kindsOfLevel(2), (std::vector<int>{1, 1}));
  EXPECT_EQ(kindsOfLevel(3), (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(kindsOfLevel(4), (std::vector<int>{3, 2, 1, 2}));
  EXPECT_EQ(kindsOfLevel(5), (std::vector<int>{2, 2, 1, 2, 0}));
  EXPECT_EQ(kindsOfLevel(9), (std::vector<int>{0, 4, 4, 3, 4, 4, 2, 4, 4}));
  EXPECT_EQ(kindsOfLevel(10), (std::vector<int>{3, 0, 2, 2, 0, 2, 3, 3, 2, 2}));
  EXPECT_EQ(kindsOfLevel(15), (std::vector<int>{0, 4, 4, 3, 4, 4, 2, 4, 4, 1, 4, 4, 0, 4, 4}));
}

TEST(World, ANewGameStartsWithOneCustomerThreeLivesAndNoPoints) {
  Game game;
  EXPECT_EQ(game.w().level().get(), 1);
  EXPECT_EQ(game.w().lives().get(), 3);
  EXPECT_EQ(game.w().score().get(), 0);
  ASSERT_EQ(game.customers().size(), 1u);
  EXPECT_EQ(game.customers()[0]->lane, 0);
  EXPECT_EQ(game.w().waitingCustomers(0).count(), 1);
}

TEST(World, AClearedLevelPaysFreezesAndBringsTheNextLevel) {
  Game game;
  game.customers()[0]->removed = true;  // as if served out through the door
  game.platform.sounds.clear();
  game.ticks(1);  // tick T
  EXPECT_EQ(game.platform.sounds, std::vector<int>{228});
  EXPECT_EQ(game.w().score().get(), 100);
  EXPECT_EQ(game.w().freezeTicks(), 40);
  EXPECT_TRUE(game.bartender().barCleared);
  game.ticks(1);  // he cheers from the next tick's interact on
  EXPECT_EQ(game.bartender().picture->resourceId(), 241);
  game.ticks(38);
  EXPECT_EQ(game.w().level().get(), 1);
  game.ticks(1);  // T + 40
  EXPECT_EQ(game.w().level().get(), 2);
  EXPECT_EQ(game.w().freezeTicks(), 0);
  ASSERT_EQ(game.customers().size(), 2u);
  EXPECT_EQ(game.customers()[1]->lane, 1);
  EXPECT_FALSE(game.bartender().barCleared);
}

// Breaks a full mug on lane 3 and waits out the freeze.
void miss(Game& game) {
  Mug* mug = game.launchMug(3);
  mug->x = 20.0f;
  game.ticks(1);
  ASSERT_EQ(game.w().freezeTicks(), 40);
  game.ticks(40);
}

TEST(World, MissesCostLivesAndTheFourthEndsTheGame) {
  Game game(4);
  for (int lives = 2; lives >= 0; --lives) {
    miss(game);
    EXPECT_EQ(game.w().lives().get(), lives);
    EXPECT_FALSE(game.w().gameOver());
    EXPECT_EQ(game.customers().size(), 4u);  // the same level again, from its start
    EXPECT_EQ(game.customers()[0]->x, 80.0f);
  }
  miss(game);
  EXPECT_TRUE(game.w().gameOver());
  EXPECT_EQ(game.w().lives().get(), 0);
  EXPECT_EQ(game.mugs().size(), 1u);  // the actors of that moment stay
  const float x = game.customers()[0]->x;
  game.ticks(10);
  EXPECT_EQ(game.customers()[0]->x, x);  // a finished game changes nothing
}

TEST(World, ASecondMissDuringTheFreezeRestartsItAndCostsOneLife) {
  Game game;
  Mug* first = game.launchMug(3);
  first->x = 20.0f;
  game.ticks(20);
  Mug* second = game.launchMug(2);
  second->x = 20.0f;
  game.ticks(1);
  EXPECT_EQ(game.w().freezeTicks(), 40);
  game.ticks(40);
  EXPECT_EQ(game.w().lives().get(), 2);
}

TEST(World, ExtraLivesComeEveryTenThousandPointsOnePerTick) {
  Game game;
  WorldProbe::score(game.w()).set(10000);
  game.ticks(1);
  EXPECT_EQ(game.w().lives().get(), 3);
  WorldProbe::score(game.w()).set(10001);
  game.ticks(1);
  EXPECT_EQ(game.w().lives().get(), 4);
  WorldProbe::score(game.w()).set(20010);
  game.ticks(1);
  EXPECT_EQ(game.w().lives().get(), 5);
  EXPECT_EQ(game.w().extraLives().get(), 2);
}

TEST(World, ANewWorldStartsWithEmptyListsButItsFirstCustomer) {
  Game game(20);
  for (int i = 0; i < 6; ++i) game.launchMug(i % 4);
  game.world.reset();
  game.world = std::make_unique<BarGame>(game.platform, game.keyboard);
  EXPECT_EQ(game.w().allActors().count(), 1);
  int held = 0;
  for (std::size_t l = 0; l < LANES; ++l)
    held += game.w().waitingCustomers(l).count() + game.w().drinkingCustomers(l).count() +
            game.w().mugs(l).count();
  EXPECT_EQ(held, 1);
}

// Draws a frame with pictures that each fill their rectangle with one index,
// so the frame tells which picture lies on top where.
struct PaintedGame : Game {
  explicit PaintedGame(int level) : Game(level) {
    const_cast<Sprite*>(w().pictures().background)->resize(FRAME_WIDTH, FRAME_HEIGHT);
    for (Sprite& s : WorldProbe::pictures(w())) {
      const auto v = static_cast<std::uint8_t>(s.resourceId() - 200);
      std::fill(s.pixels().begin(), s.pixels().end(), v);
      s.pixelsChanged();
    }
  }
  std::uint8_t at(int x, int y) { return w().frame()->at(x, y); }
};

TEST(World, FramesShowTheDecorationsOfTheirLevel) {
  {
    PaintedGame g(1);  // greeting set; the 16 x 16 stand-ins sit at their corners
    g.w().render();
    EXPECT_EQ(g.at(0, 0), 253 - 200);
    EXPECT_EQ(g.at(352, 0), 252 - 200);
    EXPECT_EQ(g.at(100, 227), 251 - 200);
    EXPECT_EQ(g.at(400, 150), 256 - 200);  // the background elsewhere
  }
  {
    PaintedGame g(9);  // flags, the left garland one pixel off the edge
    g.w().render();
    EXPECT_EQ(g.at(0, 0), 245 - 200);
    EXPECT_EQ(g.at(15, 0), 256 - 200);
    EXPECT_EQ(g.at(10, 227), 243 - 200);
  }
  {
    PaintedGame g(2);
    g.w().render();
    EXPECT_EQ(g.at(0, 0), 256 - 200);
    EXPECT_EQ(g.at(100, 227), 256 - 200);
  }
}

TEST(World, AFinishedGameShowsGameOverAndNoActors) {
  PaintedGame g(5);
  g.w().finish();
  WorldProbe::lives(g.w()).set(8);
  g.w().render();
  EXPECT_EQ(g.at(150, 120), 246 - 200);
  EXPECT_EQ(g.at(80, 52), 256 - 200);  // no customer where the first one stands
  for (int k = 0; k < 6; ++k) EXPECT_EQ(g.at(328 + 16 * k, 276), 257 - 200) << k;  // six marks at most
  EXPECT_EQ(g.platform.presentCount, 1);
}

}  // namespace
}  // namespace vilmar
