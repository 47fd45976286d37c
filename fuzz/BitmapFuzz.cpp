// The palette bitmap and pictures kept as 8-bit bitmaps: the info header,
// the colour table and the bottom-up rows, from any bytes at all.

#include <cstdint>
#include <span>

#include "fuzz/FuzzSupport.h"
#include "gfx/BitmapHeader.h"
#include "gfx/Palette.h"
#include "gfx/Rle.h"
#include "gfx/Sprite.h"

using namespace vilmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const auto header = readBitmapHeader(bytes);
  FUZZ_CHECK(header.has_value() == (size >= 40));

  Palette palette;
  palette.fill(Rgb{1, 2, 3});
  const bool read = paletteFromBitmap(bytes, palette);
  FUZZ_CHECK(read == (header && header->size >= 40));
  if (read && header->bitCount > 8) {
    for (const Rgb& colour : palette) FUZZ_CHECK(colour == Rgb{});
  }

  // Headers may claim millions of pixels; the game's pictures are far
  // smaller, and filling such sprites would make every run slow.
  if (header && static_cast<std::int64_t>(header->width) * header->height > 32 * 1024) return 0;
  if (header && static_cast<std::int64_t>(header->width) * header->height < -32 * 1024) return 0;
  Sprite sprite;
  if (sprite.loadBitmap(bytes)) {
    FUZZ_CHECK(sprite.width() > 0 && sprite.height() > 0);
    FUZZ_CHECK(static_cast<std::size_t>(sprite.width()) * static_cast<std::size_t>(sprite.height()) <=
               RLE_MAX_PIXELS);
    FUZZ_CHECK(sprite.width() == header->width);
    Sprite frame(61, 37);
    frame.blit(sprite, -1, -1);
    frame.blit(sprite, 59, 35);
  }
  return 0;
}
