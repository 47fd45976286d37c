// The keys as the game reads them from SDL's events: taps shorter than a
// tick, keys held on the keyboard and a pad at once, focus loss and dialogs.

#include <gtest/gtest.h>

#include "platform/sdl/KeyLatch.h"

namespace vilmar::sdl {
namespace {

TEST(KeyLatch, ATapBetweenTwoReadsIsSeenOnceAsAPress) {
  KeyLatch keys;
  keys.press(Key::Space, Source::Keyboard);
  keys.release(Key::Space, Source::Keyboard);
  EXPECT_EQ(keys.read(Key::Space), KEY_PRESSED_SINCE);
  EXPECT_EQ(keys.read(Key::Space), 0);
  EXPECT_EQ(keys.read(Key::Up), 0);  // other keys untouched
}

TEST(KeyLatch, AHeldKeyStaysDownButIsPressedOnlyOnce) {
  KeyLatch keys;
  keys.press(Key::Down, Source::Keyboard);
  EXPECT_EQ(keys.read(Key::Down), KEY_DOWN | KEY_PRESSED_SINCE);
  EXPECT_EQ(keys.read(Key::Down), KEY_DOWN);
  keys.release(Key::Down, Source::Keyboard);
  EXPECT_EQ(keys.read(Key::Down), 0);
}

TEST(KeyLatch, KeyboardAndPadHoldTheSameKeyIndependently) {
  KeyLatch keys;
  keys.press(Key::Space, Source::Keyboard);
  keys.press(Key::Space, Source::Pad);
  keys.release(Key::Space, Source::Pad);
  EXPECT_EQ(keys.read(Key::Space), KEY_DOWN | KEY_PRESSED_SINCE);  // the keyboard still holds it
  keys.releaseAll(Source::Keyboard);                               // focus lost
  EXPECT_EQ(keys.read(Key::Space), 0);

  keys.press(Key::F1, Source::Pad);
  keys.releaseAll(Source::Keyboard);  // does not let go of the pad's
  EXPECT_EQ(keys.read(Key::F1), KEY_DOWN | KEY_PRESSED_SINCE);
  keys.releaseAll(Source::Pad);  // unplugged
  EXPECT_EQ(keys.read(Key::F1), 0);
}

TEST(KeyLatch, DroppedPressesAreForgottenButHeldKeysStayHeld) {
  KeyLatch keys;
  keys.press(Key::Space, Source::Keyboard);
  keys.release(Key::Space, Source::Keyboard);
  keys.press(Key::Up, Source::Pad);
  keys.dropPresses();
  EXPECT_EQ(keys.read(Key::Space), 0);
  EXPECT_EQ(keys.read(Key::Up), KEY_DOWN);
}

}  // namespace
}  // namespace vilmar::sdl
