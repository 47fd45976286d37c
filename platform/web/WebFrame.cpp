#include "platform/web/WebFrame.h"

namespace vilmar::web {

bool toRgba(std::span<const std::uint8_t> pixels, const Palette& palette, std::span<std::uint8_t> out) {
  if (out.size() / 4 < pixels.size()) return false;
  std::uint8_t* o = out.data();
  for (const std::uint8_t index : pixels) {
    const Rgb c = palette[index];
    o[0] = c.r;
    o[1] = c.g;
    o[2] = c.b;
    o[3] = 0xFF;
    o += 4;
  }
  return true;
}

}  // namespace vilmar::web
