#pragma once
// The six keys as the game reads them, fed by SDL's key and game-controller
// events: a key is down while the keyboard or a pad holds it, and its
// pressed-since bit stays set from a press until the next read, so that a
// tap shorter than a tick is still seen (as the Windows call reports it).

#include <array>
#include <cstdint>

#include "platform/Platform.h"

namespace vilmar::sdl {

enum class Source { Keyboard, Pad };

class KeyLatch {
 public:
  void press(Key key, Source source);
  void release(Key key, Source source);
  // Everything one source holds is let go (focus lost, pad unplugged).
  void releaseAll(Source source);
  // KEY_DOWN and KEY_PRESSED_SINCE; clears the pressed-since bit.
  std::uint16_t read(Key key);
  // Forgets every press not yet read; what is held stays held.
  void dropPresses();

 private:
  struct State {
    std::array<bool, 2> down{};
    bool pressedSince = false;
  };
  std::array<State, KEY_COUNT> keys_{};
};

}  // namespace vilmar::sdl
