#include "gfx/Rle.h"

#include <algorithm>
#include <cstring>

namespace vilmar {

std::size_t decodeRleStream(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out) {
  const std::uint8_t* in = stream.data();
  const std::uint8_t* const inEnd = in + stream.size();
  std::uint8_t* dst = out.data();
  std::uint8_t* const dstEnd = dst + out.size();
  while (dst < dstEnd && in < inEnd) {
    if (*in != RLE_RUN) {
      // A stretch of literal pixels: find the next run marker in one sweep.
      const std::size_t room = static_cast<std::size_t>(dstEnd - dst);
      const std::size_t avail = std::min(room, static_cast<std::size_t>(inEnd - in));
      const void* marker = std::memchr(in, RLE_RUN, avail);
      const std::size_t n =
          marker ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(marker) - in) : avail;
      std::memcpy(dst, in, n);
      dst += n;
      in += n;
      continue;
    }
    if (inEnd - in < 3) break;  // a run cut off by the end of the resource
    const std::size_t count =
        std::min<std::size_t>(in[2], static_cast<std::size_t>(dstEnd - dst));
    std::memset(dst, in[1], count);
    dst += count;
    in += 3;
  }
  const auto produced = static_cast<std::size_t>(dst - out.data());
  if (dst != dstEnd) std::memset(dst, TRANSPARENT_INDEX, static_cast<std::size_t>(dstEnd - dst));
  return produced;
}

bool decodeRleResource(std::span<const std::uint8_t> resource, int& width, int& height,
                       std::vector<std::uint8_t>& pixels) {
  if (resource.size() < RLE_HEADER_SIZE) return false;
  const int w = (resource[7] << 8) | resource[8];
  const int h = (resource[9] << 8) | resource[10];
  const auto count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  if (count > RLE_MAX_PIXELS) return false;
  width = w;
  height = h;
  pixels.resize(count);
  decodeRleStream(resource.subspan(RLE_HEADER_SIZE), pixels);
  return true;
}

std::vector<std::uint8_t> encodeRle(int width, int height, std::span<const std::uint8_t> pixels) {
  std::vector<std::uint8_t> out = {'z', 'p', 'x', '/', 'r', 'l', 'e',
                                   static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width),
                                   static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height)};
  const std::size_t n = std::min(pixels.size(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  std::size_t i = 0;
  while (i < n) {
    const std::uint8_t v = pixels[i];
    std::size_t run = 1;
    while (i + run < n && run < 255 && pixels[i + run] == v) ++run;
    if (run >= 4) {
      out.insert(out.end(), {RLE_RUN, v, static_cast<std::uint8_t>(run)});
      i += run;
    } else if (v == RLE_RUN) {
      // Index 255 can only travel as a run; a short one borrows neighbours
      // it cannot have, so it is the one place a run may be shorter than 4.
      out.insert(out.end(), {RLE_RUN, v, static_cast<std::uint8_t>(run)});
      i += run;
    } else {
      out.insert(out.end(), pixels.begin() + static_cast<std::ptrdiff_t>(i),
                 pixels.begin() + static_cast<std::ptrdiff_t>(i + run));
      i += run;
    }
  }
  return out;
}

}  // namespace vilmar
