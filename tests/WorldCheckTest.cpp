#include <gtest/gtest.h>

#include <string>

#include "tests/TestSupport.h"
#include "world/WorldCheck.h"

namespace vilmar {
namespace {

using test::Game;

// True when one of the faults mentions every given piece of text.
::testing::AssertionResult reports(const std::vector<std::string>& faults, std::initializer_list<const char*> pieces) {
  for (const std::string& fault : faults) {
    bool all = true;
    for (const char* piece : pieces) all = all && fault.find(piece) != std::string::npos;
    if (all) return ::testing::AssertionSuccess();
  }
  std::string listed;
  for (const std::string& fault : faults) listed += "\n  " + fault;
  return ::testing::AssertionFailure() << "no such fault among:" << (listed.empty() ? " none" : listed);
}

TEST(WorldCheck, PlayedWorldsOfEveryKindOfLevelAreSound) {
  // The first level, a flag level, a long queue and one whose last guests
  // are spawned beyond the end of their bar.
  for (const std::int32_t level : {1, 9, 20, 33}) {
    Game game(level);
    EXPECT_TRUE(checkWorld(game.w()).empty()) << "level " << level;
    game.launchMug(0);
    game.launchMug(1);
    for (int t = 0; t < 400; ++t) {
      game.ticks(1);
      const auto faults = checkWorld(game.w());
      ASSERT_TRUE(faults.empty()) << "level " << level << " tick " << t << ": " << faults.front();
    }
  }
}

TEST(WorldCheck, FindsActorsInTheWrongLists) {
  {
    Game game(2);
    Customer* guest = game.customers()[0];
    WorldProbe::waitingCustomers(game.w(), 1).insertAt(guest, 0);  // in a second bar's list
    EXPECT_TRUE(reports(checkWorld(game.w()), {"lane 0", "but is in", "waitingCustomers[1]"}));
  }
  {
    Game game;
    Customer* guest = game.customers()[0];
    WorldProbe::waitingCustomers(game.w(), 0).insertAt(guest, 1);  // twice in his own
    EXPECT_TRUE(reports(checkWorld(game.w()), {"waitingCustomers[0] holds an item twice"}));
  }
  {
    Game game;
    Mug* mug = game.launchMug(2);
    WorldProbe::allActors(game.w()).remove(mug);  // on its bar but never acting
    EXPECT_TRUE(reports(checkWorld(game.w()), {"mug of lane 2", "laneMugs[2]"}));
  }
  {
    Game game;
    Customer* guest = game.customers()[0];
    Mug* mug = game.launchMug(0);
    guest->mug = mug;  // drinking, but still in the waiting list and the mug not held
    const auto faults = checkWorld(game.w());
    EXPECT_TRUE(reports(faults, {"belongs in allActors and drinkingCustomers[0]"}));
    EXPECT_TRUE(reports(faults, {"not his full mug"}));
    guest->mug = nullptr;
  }
  {
    Game game;
    Mug* mug = game.launchMug(1);
    mug->held = true;  // held by nobody
    EXPECT_TRUE(reports(checkWorld(game.w()), {"held mug of lane 1 has 0 guests"}));
  }
  {
    Game game;
    game.customers()[0]->removed = true;  // the purge of the tick never came
    EXPECT_TRUE(reports(checkWorld(game.w()), {"still holds a removed item"}));
    game.customers()[0]->removed = false;
  }
}

TEST(WorldCheck, FindsActorsOffTheirBars) {
  Game game(5);
  Customer* guest = game.customers()[0];
  guest->x = Customer::START_X[0] - 1.0f;  // through the door, yet not gone
  EXPECT_TRUE(reports(checkWorld(game.w()), {"guest of lane 0 stands outside", "x 79"}));
  guest->x = Customer::END_X[0] + 1.0f;  // beyond the end: the walk stops at the miss
  EXPECT_TRUE(reports(checkWorld(game.w()), {"guest of lane 0 stands outside"}));
  guest->x = Customer::END_X[0];
  guest->y += 1.0f;
  EXPECT_TRUE(reports(checkWorld(game.w()), {"guest of lane 0 left his bar"}));
  guest->y -= 1.0f;
  EXPECT_TRUE(checkWorld(game.w()).empty());

  Mug* mug = game.launchMug(3);
  mug->y = Mug::LAUNCH_Y[3] + Mug::FALL_STEP * Mug::FALL_TICKS + 1.0f;  // fell further than a fall goes
  EXPECT_TRUE(reports(checkWorld(game.w()), {"mug of lane 3 left its bar"}));
  mug->y = Mug::LAUNCH_Y[3];
  mug->x = Mug::WALL_X[3] - Mug::FULL_STEP - 1.0f;  // through the wall
  EXPECT_TRUE(reports(checkWorld(game.w()), {"mug of lane 3 is off its bar"}));
  mug->x = Mug::LAUNCH_X[3];
  mug->falling = true;
  EXPECT_TRUE(reports(checkWorld(game.w()), {"full mug of lane 3 is falling"}));
}

TEST(WorldCheck, FindsCountersThatNoLongerMatchTheirChecks) {
  Game game;
  EXPECT_TRUE(checkWorld(game.w()).empty());
  // Poke the score's stored bytes as a memory editor would.
  auto* bytes = reinterpret_cast<unsigned char*>(&WorldProbe::score(game.w()));
  bytes[sizeof(Counter) - 1] ^= 0x40;
  const auto faults = checkWorld(game.w());
  EXPECT_TRUE(reports(faults, {"counter score"}));
  EXPECT_FALSE(Counter::tamperFlag()) << "the check itself must not raise the flag";
  bytes[sizeof(Counter) - 1] ^= 0x40;

  WorldProbe::extraLives(game.w()).set(1);  // an extra life without the points for it
  EXPECT_TRUE(reports(checkWorld(game.w()), {"1 extra lives for a score of 0"}));
  WorldProbe::extraLives(game.w()).set(0);
  WorldProbe::freezeTicks(game.w()) = FREEZE_TICKS + 1;
  EXPECT_TRUE(reports(checkWorld(game.w()), {"freezeTicks out of range"}));
}

}  // namespace
}  // namespace vilmar
