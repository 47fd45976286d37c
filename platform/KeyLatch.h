#pragma once
// Key state for platforms that learn of keys by events (SDL, the browser, the
// simulator's script) but must answer as the Windows key query does: a
// key-down sets the key down and pressed-since, a key-up clears down, and a
// read clears pressed-since, so a tap between two ticks is seen exactly once.
// A key may be held by the keyboard and a gamepad at once; it is down while
// either holds it.

#include <array>
#include <cstdint>

#include "platform/Platform.h"

namespace vilmar {

enum class KeySource { Keyboard, Pad };

class KeyLatch {
 public:
  void press(Key key, KeySource source = KeySource::Keyboard) {
    State& k = keys_[index(key)];
    k.down[sourceIndex(source)] = true;
    k.pressedSince = true;
  }
  void release(Key key, KeySource source = KeySource::Keyboard) {
    keys_[index(key)].down[sourceIndex(source)] = false;
  }
  // Pressed and released before the next read.
  void tap(Key key) { keys_[index(key)].pressedSince = true; }
  // The focus went elsewhere: no key stays down, taps not yet read are dropped.
  void releaseAll() { keys_ = {}; }
  // One device lets go of all it holds (a pad unplugged); presses stay.
  void releaseAll(KeySource source) {
    for (State& k : keys_) k.down[sourceIndex(source)] = false;
  }

  // KEY_DOWN and KEY_PRESSED_SINCE; clears KEY_PRESSED_SINCE.
  std::uint16_t read(Key key) {
    State& k = keys_[index(key)];
    const bool down = k.down[0] || k.down[1];
    const auto state = static_cast<std::uint16_t>((down ? KEY_DOWN : 0) | (k.pressedSince ? KEY_PRESSED_SINCE : 0));
    k.pressedSince = false;
    return state;
  }

 private:
  struct State {
    std::array<bool, 2> down{};
    bool pressedSince = false;
  };
  static std::size_t index(Key key) { return static_cast<std::size_t>(key); }
  static std::size_t sourceIndex(KeySource source) { return static_cast<std::size_t>(source); }
  std::array<State, KEY_COUNT> keys_{};
};

}  // namespace vilmar
