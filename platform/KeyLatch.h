#pragma once
// Key state for platforms that learn of keys by events (the browser, the
// simulator's script) but must answer as the Windows key query does: a
// key-down sets the key down and pressed-since, a key-up clears down, and a
// read clears pressed-since, so a tap between two ticks is seen exactly once.

#include <array>
#include <cstdint>

#include "platform/Platform.h"

namespace vilmar {

class KeyLatch {
 public:
  void press(Key key) {
    State& k = keys_[index(key)];
    k.down = true;
    k.pressedSince = true;
  }
  void release(Key key) { keys_[index(key)].down = false; }
  // Pressed and released before the next read.
  void tap(Key key) { keys_[index(key)].pressedSince = true; }
  // The focus went elsewhere: no key stays down, taps not yet read are dropped.
  void releaseAll() { keys_ = {}; }

  // KEY_DOWN and KEY_PRESSED_SINCE; clears KEY_PRESSED_SINCE.
  std::uint16_t read(Key key) {
    State& k = keys_[index(key)];
    const auto state = static_cast<std::uint16_t>((k.down ? KEY_DOWN : 0) | (k.pressedSince ? KEY_PRESSED_SINCE : 0));
    k.pressedSince = false;
    return state;
  }

 private:
  struct State {
    bool down = false;
    bool pressedSince = false;
  };
  static std::size_t index(Key key) { return static_cast<std::size_t>(key); }
  std::array<State, KEY_COUNT> keys_{};
};

}  // namespace vilmar
