#include "gfx/Palette.h"

#include <algorithm>

namespace vilmar {

bool paletteFromBitmap(std::span<const std::uint8_t> dib, Palette& palette) {
  if (dib.size() < 40) return false;
  auto le32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(dib[at]) | static_cast<std::uint32_t>(dib[at + 1]) << 8 |
           static_cast<std::uint32_t>(dib[at + 2]) << 16 | static_cast<std::uint32_t>(dib[at + 3]) << 24;
  };
  const std::uint32_t headerSize = le32(0);
  const unsigned bits = static_cast<unsigned>(dib[14] | dib[15] << 8);
  if (headerSize < 40) return false;
  palette.fill(Rgb{});
  if (bits > 8) return true;
  const std::uint32_t used = le32(32);
  std::size_t count = used != 0 ? used : (std::size_t{1} << bits);
  count = std::min<std::size_t>(count, palette.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = headerSize + i * 4;
    if (at + 3 > dib.size()) break;  // a table cut short: the rest stays black
    palette[i] = Rgb{dib[at + 2], dib[at + 1], dib[at]};
  }
  return true;
}

}  // namespace vilmar
