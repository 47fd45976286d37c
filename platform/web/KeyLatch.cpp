#include "platform/web/KeyLatch.h"

namespace vilmar::web {

std::optional<Key> keyFromCode(std::string_view code) {
  if (code == "ArrowLeft") return Key::Left;
  if (code == "ArrowRight") return Key::Right;
  if (code == "ArrowUp") return Key::Up;
  if (code == "ArrowDown") return Key::Down;
  if (code == "Space") return Key::Space;
  if (code == "F1") return Key::F1;
  return std::nullopt;
}

void KeyLatch::press(Key key) {
  State& k = keys_[static_cast<std::size_t>(key)];
  k.down = true;
  k.pressedSince = true;
}

void KeyLatch::release(Key key) { keys_[static_cast<std::size_t>(key)].down = false; }

void KeyLatch::releaseAll() { keys_ = {}; }

std::uint16_t KeyLatch::read(Key key) {
  State& k = keys_[static_cast<std::size_t>(key)];
  const auto state = static_cast<std::uint16_t>((k.down ? KEY_DOWN : 0) | (k.pressedSince ? KEY_PRESSED_SINCE : 0));
  k.pressedSince = false;
  return state;
}

}  // namespace vilmar::web
