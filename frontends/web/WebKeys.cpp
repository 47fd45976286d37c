#include "frontends/web/WebKeys.h"

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

}  // namespace vilmar::web
