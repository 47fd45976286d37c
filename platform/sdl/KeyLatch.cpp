#include "platform/sdl/KeyLatch.h"

namespace vilmar::sdl {

void KeyLatch::press(Key key, Source source) {
  State& k = keys_[static_cast<std::size_t>(key)];
  k.down[static_cast<std::size_t>(source)] = true;
  k.pressedSince = true;
}

void KeyLatch::release(Key key, Source source) {
  keys_[static_cast<std::size_t>(key)].down[static_cast<std::size_t>(source)] = false;
}

void KeyLatch::releaseAll(Source source) {
  for (State& k : keys_) k.down[static_cast<std::size_t>(source)] = false;
}

std::uint16_t KeyLatch::read(Key key) {
  State& k = keys_[static_cast<std::size_t>(key)];
  const bool down = k.down[0] || k.down[1];
  const auto state = static_cast<std::uint16_t>((down ? KEY_DOWN : 0) | (k.pressedSince ? KEY_PRESSED_SINCE : 0));
  k.pressedSince = false;
  return state;
}

void KeyLatch::dropPresses() {
  for (State& k : keys_) k.pressedSince = false;
}

}  // namespace vilmar::sdl
