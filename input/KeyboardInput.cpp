#include "input/KeyboardInput.h"

#include "input/InputTape.h"
#include "input/KeyReader.h"

namespace vilmar {

void KeyboardInput::poll() {
  // Left and Right steer nothing, so they are neither recorded nor played.
  const bool playing = tape_ != nullptr && tape_->playing();
  const bool left = !playing && keys_.pressed(Key::Left);
  const bool right = !playing && keys_.pressed(Key::Right);
  std::uint8_t played = 0;
  if (playing) {
    played = tape_->keys(0);
  } else {
    const bool upLive = keys_.pressed(Key::Up);
    const bool downLive = keys_.pressed(Key::Down);
    const bool spaceLive = keys_.pressed(Key::Space);
    const auto live = static_cast<std::uint8_t>((upLive ? TAPE_UP : 0) | (downLive ? TAPE_DOWN : 0) | (spaceLive ? TAPE_SPACE : 0));
    played = tape_ != nullptr ? tape_->keys(live) : live;
  }
  const bool up = (played & TAPE_UP) != 0;
  const bool down = (played & TAPE_DOWN) != 0;
  const bool space = (played & TAPE_SPACE) != 0;

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
