#include "input/KeyboardInput.h"

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

void KeyboardInput::poll() {
  const bool left = keys_.pressed(Key::Left);
  const bool right = keys_.pressed(Key::Right);
  const bool up = keys_.pressed(Key::Up);
  const bool down = keys_.pressed(Key::Down);
  const bool space = keys_.pressed(Key::Space);

  // Events are decided against the levels of the previous poll: a key makes
  // one event per press. For events Left beats Right and Up beats Down.
  if (horizontalHeld == 0) {
    if (left) horizontalEvent = -1;
    else if (right) horizontalEvent = 1;
  }
  if (verticalHeld == 0) {
    if (up) verticalEvent = -1;
    else if (down) verticalEvent = 1;
  }
  if (fireHeld == 0 && space) fireEvent = 1;

  // For levels Right beats Left and Down beats Up.
  horizontalHeld = right ? 1 : left ? -1 : 0;
  verticalHeld = down ? 1 : up ? -1 : 0;
  fireHeld = space ? 1 : 0;
}

}  // namespace vilmar
