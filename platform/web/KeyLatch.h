#pragma once
// The keys as the page reports them: a key-down sets the key down and
// pressed-since, a key-up clears down, and a read clears pressed-since, so a
// tap between two ticks is still seen once, as on Windows.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/Platform.h"

namespace vilmar::web {

// The game's key for a KeyboardEvent.code; none for every other key.
std::optional<Key> keyFromCode(std::string_view code);

class KeyLatch {
 public:
  void press(Key key);
  void release(Key key);
  // The page lost the focus: no key stays down, taps not yet read are dropped.
  void releaseAll();
  // KEY_DOWN and KEY_PRESSED_SINCE; clears KEY_PRESSED_SINCE.
  std::uint16_t read(Key key);

 private:
  struct State {
    bool down = false;
    bool pressedSince = false;
  };
  std::array<State, KEY_COUNT> keys_{};
};

}  // namespace vilmar::web
