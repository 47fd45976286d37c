// The keys as the game reads them from SDL's events: taps shorter than a
// tick, keys held on the keyboard and a pad at once, focus loss.

#include <gtest/gtest.h>

#include "platform/KeyLatch.h"

namespace vilmar {
namespace {

TEST(KeyLatch, ATapBetweenTwoReadsIsSeenOnceAsAPress) {
  KeyLatch keys;
  keys.press(Key::Space, KeySource::Keyboard);
  keys.release(Key::Space, KeySource::Keyboard);
  EXPECT_EQ(keys.read(Key::Space), KEY_PRESSED_SINCE);
  EXPECT_EQ(keys.read(Key::Space), 0);
  EXPECT_EQ(keys.read(Key::Up), 0);  // other keys untouched
}

TEST(KeyLatch, AHeldKeyStaysDownButIsPressedOnlyOnce) {
  KeyLatch keys;
  keys.press(Key::Down, KeySource::Keyboard);
  EXPECT_EQ(keys.read(Key::Down), KEY_DOWN | KEY_PRESSED_SINCE);
  EXPECT_EQ(keys.read(Key::Down), KEY_DOWN);
  keys.release(Key::Down, KeySource::Keyboard);
  EXPECT_EQ(keys.read(Key::Down), 0);
}

TEST(KeyLatch, KeyboardAndPadHoldTheSameKeyIndependently) {
  KeyLatch keys;
  keys.press(Key::Space, KeySource::Keyboard);
  keys.press(Key::Space, KeySource::Pad);
  keys.release(Key::Space, KeySource::Pad);
  EXPECT_EQ(keys.read(Key::Space), KEY_DOWN | KEY_PRESSED_SINCE);  // the keyboard still holds it
  keys.releaseAll(KeySource::Keyboard);                               // focus lost
  EXPECT_EQ(keys.read(Key::Space), 0);

  keys.press(Key::F1, KeySource::Pad);
  keys.releaseAll(KeySource::Keyboard);  // does not let go of the pad's
  EXPECT_EQ(keys.read(Key::F1), KEY_DOWN | KEY_PRESSED_SINCE);
  keys.releaseAll(KeySource::Pad);  // unplugged
  EXPECT_EQ(keys.read(Key::F1), 0);
}

}  // namespace
}  // namespace vilmar
