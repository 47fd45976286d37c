#include <gtest/gtest.h>

#include "input/KeyReader.h"
#include "input/KeyboardInput.h"
#include "frontends/headless/HeadlessPlatform.h"

namespace vilmar {
namespace {

struct Keys {
  HeadlessPlatform platform;
  KeyReader reader{platform};
  KeyboardInput keyboard{reader};
};

TEST(Keyboard, AHeldKeyMakesOneEventAndALevelEveryPoll) {
  Keys k;
  k.platform.keyDown(Key::Down);
  for (int i = 0; i < 5; ++i) {
    k.keyboard.poll();
    EXPECT_EQ(k.keyboard.verticalHeld, 1);
    EXPECT_EQ(k.keyboard.verticalEvent, i == 0 ? 1 : 0);  // a held key does not bring its event back
    k.keyboard.clearEvents();
  }
  k.platform.keyUp(Key::Down);
  k.keyboard.poll();
  EXPECT_EQ(k.keyboard.verticalHeld, 0);
  k.platform.keyDown(Key::Down);
  k.keyboard.poll();
  EXPECT_EQ(k.keyboard.verticalEvent, 1);  // after a poll at rest it does
}

TEST(Keyboard, ASecondKeyOnABusyAxisMakesNoEvent) {
  Keys k;
  k.platform.keyDown(Key::Up);
  k.keyboard.poll();
  k.keyboard.clearEvents();
  k.platform.keyDown(Key::Down);
  k.keyboard.poll();
  EXPECT_EQ(k.keyboard.verticalEvent, 0);
  EXPECT_EQ(k.keyboard.verticalHeld, 1);  // for levels Down wins
}

TEST(Keyboard, EventsPreferLeftAndUpWhileLevelsPreferRightAndDown) {
  Keys k;
  for (Key key : {Key::Left, Key::Right, Key::Up, Key::Down}) k.platform.keyDown(key);
  k.keyboard.poll();
  EXPECT_EQ(k.keyboard.horizontalEvent, -1);
  EXPECT_EQ(k.keyboard.horizontalHeld, 1);
  EXPECT_EQ(k.keyboard.verticalEvent, -1);
  EXPECT_EQ(k.keyboard.verticalHeld, 1);
}

TEST(Keyboard, ATapBetweenTwoPollsIsStillSeen) {
  Keys k;
  k.platform.keyTap(Key::Space);
  k.keyboard.poll();
  EXPECT_EQ(k.keyboard.fireEvent, 1);
  EXPECT_EQ(k.keyboard.fireHeld, 1);
  k.keyboard.poll();
  EXPECT_EQ(k.keyboard.fireHeld, 0);
  EXPECT_EQ(k.keyboard.fireEvent, 1);  // latched until cleared
}

TEST(KeyReader, KeysCountOnlyWhileTheWindowHasTheFocus) {
  Keys k;
  k.platform.focus = false;
  k.platform.keyTap(Key::F1);  // typed into another program
  EXPECT_FALSE(k.reader.pressed(Key::F1));
  k.platform.focus = true;
  EXPECT_FALSE(k.reader.pressed(Key::F1));

  // Held while the window comes back: nothing until it is released.
  k.platform.focus = false;
  k.platform.keyDown(Key::Space);
  EXPECT_FALSE(k.reader.pressed(Key::Space));
  k.platform.focus = true;
  EXPECT_FALSE(k.reader.pressed(Key::Space));
  EXPECT_FALSE(k.reader.pressed(Key::Space));
  k.platform.keyUp(Key::Space);
  EXPECT_FALSE(k.reader.pressed(Key::Space));
  k.platform.keyDown(Key::Space);
  EXPECT_TRUE(k.reader.pressed(Key::Space));
}

}  // namespace
}  // namespace vilmar
