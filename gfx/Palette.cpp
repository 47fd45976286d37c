#include "gfx/Palette.h"

#include <algorithm>

#include "gfx/BitmapHeader.h"

namespace vilmar {

bool paletteFromBitmap(std::span<const std::uint8_t> dib, Palette& palette) {
  const auto header = readBitmapHeader(dib);
  if (!header || header->size < 40) return false;
  const std::uint32_t headerSize = header->size;
  const unsigned bits = header->bitCount;
  palette.fill(Rgb{});
  if (bits > 8) return true;
  const std::uint32_t used = header->coloursUsed;
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
