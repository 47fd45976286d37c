// Pictures from the resources: the RLE header and code stream, the sprite
// built from them, and that sprite drawn onto the frame at awkward places.
// The same bytes also serve as pixels for a round trip through the encoder.

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "gfx/Rle.h"
#include "gfx/Sprite.h"

using namespace vilmar;

namespace {
// Headers may claim pictures of up to 16 million pixels; filling those would
// make every run slow. Pictures the size of the game's are decoded, small
// ones also drawn and checked pixel by pixel.
constexpr std::size_t DECODE_LIMIT = 32 * 1024;
constexpr std::size_t DRAW_LIMIT = 4 * 1024;
// A frame of odd size, smaller than the game's so that each run is quick;
// the blit's rules do not depend on the size.
constexpr int FW = 61;
constexpr int FH = 37;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  // Any pixels survive the encoder and the decoder unchanged.
  if (size > 0) {
    const int w = static_cast<int>(data[0] % 64) + 1;
    const auto picture = bytes.subspan(1);
    const int h = static_cast<int>(picture.size()) / w;
    const std::span<const std::uint8_t> used = picture.first(static_cast<std::size_t>(w * h));
    const std::vector<std::uint8_t> encoded = encodeRle(w, h, used);
    int w2 = 0, h2 = 0;
    std::vector<std::uint8_t> decoded;
    FUZZ_CHECK(decodeRleResource(encoded, w2, h2, decoded));
    FUZZ_CHECK(w2 == w && h2 == h);
    FUZZ_CHECK(std::equal(decoded.begin(), decoded.end(), used.begin(), used.end()));
  }

  int claimedWidth = 0, claimedHeight = 0;
  if (readRleHeader(bytes, claimedWidth, claimedHeight) &&
      static_cast<std::size_t>(claimedWidth) * static_cast<std::size_t>(claimedHeight) > DECODE_LIMIT)
    return 0;

  // Decoding as a resource: a refused header leaves the outputs alone.
  int width = -1, height = -1;
  std::vector<std::uint8_t> pixels;
  if (decodeRleResource(bytes, width, height, pixels)) {
    FUZZ_CHECK(width >= 0 && height >= 0);
    FUZZ_CHECK(pixels.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  } else {
    FUZZ_CHECK(width == -1 && height == -1 && pixels.empty());
  }

  // The sprite decodes the same pixels, whatever it notes for the blit.
  Sprite sprite;
  if (sprite.loadRle(bytes)) {
    FUZZ_CHECK(sprite.width() == width && sprite.height() == height);
    FUZZ_CHECK(std::equal(pixels.begin(), pixels.end(), sprite.pixels().begin(), sprite.pixels().end()));

    if (pixels.size() > DRAW_LIMIT) return 0;
    // Drawn onto a frame at the corners and beyond the edges, and checked
    // against the plain rule: every opaque pixel lands, nothing else changes.
    Sprite frame(FW, FH);
    std::vector<std::uint8_t> expected(static_cast<std::size_t>(FW) * FH);
    const int places[][2] = {{0, 0}, {-1, 0}, {-3, -5}, {FW - 7, FH - 3},
                             {-width + 1, 10}, {FW - 1, -height + 1}, {FW, 0}};
    std::uint8_t fill = 1;
    for (const auto& place : places) {
      std::memset(frame.pixels().data(), fill, frame.pixels().size());
      std::memset(expected.data(), fill, expected.size());
      ++fill;
      frame.pixelsChanged();
      frame.blit(sprite, place[0], place[1]);
      for (int r = 0; r < height; ++r) {
        const int fy = place[1] + r;
        if (fy < 0 || fy >= FH) continue;
        for (int c = 0; c < width; ++c) {
          const int fx = place[0] + c;
          if (fx < 0 || fx >= FW) continue;
          const std::uint8_t v = sprite.at(c, r);
          if (v != TRANSPARENT_INDEX) expected[static_cast<std::size_t>(fy * FW + fx)] = v;
        }
      }
      FUZZ_CHECK(std::memcmp(expected.data(), frame.pixels().data(), expected.size()) == 0);
    }
  }

  return 0;
}
