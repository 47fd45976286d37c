#include "input/KeyReader.h"

namespace vilmar {

bool KeyReader::pressed(Key key) {
  const auto index = static_cast<std::size_t>(key);
  // Always read, so that a press made elsewhere does not linger in the
  // pressed-since bit until the window comes back.
  const std::uint16_t state = platform_.keyState(key);
  if (!platform_.hasFocus()) {
    forgetPresses();
    return false;
  }
  if (blocked_[index]) {
    if ((state & KEY_DOWN) != 0) return false;
    blocked_[index] = false;
    return false;
  }
  return state != 0;
}

void KeyReader::forgetPresses() { blocked_.fill(true); }

}  // namespace vilmar
