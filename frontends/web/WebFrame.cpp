#include "frontends/web/WebFrame.h"

#include <algorithm>
#include <cstring>

namespace vilmar::web {

FrameArea changedArea(std::span<const std::uint8_t> previous, std::span<const std::uint8_t> next, int width,
                      int height) {
  if (width <= 0 || height <= 0) return {};
  const auto w = static_cast<std::size_t>(width);
  const auto h = static_cast<std::size_t>(height);
  if (previous.size() != w * h || next.size() != w * h) return {0, 0, width, height};
  const auto rowDiffers = [&](std::size_t y) { return std::memcmp(&previous[y * w], &next[y * w], w) != 0; };
  std::size_t top = 0;
  while (top < h && !rowDiffers(top)) ++top;
  if (top == h) return {};
  std::size_t bottom = h - 1;
  while (!rowDiffers(bottom)) --bottom;
  std::size_t left = w;
  std::size_t right = 0;
  for (std::size_t y = top; y <= bottom; ++y) {
    const std::uint8_t* a = &previous[y * w];
    const std::uint8_t* b = &next[y * w];
    std::size_t x = 0;
    while (x < left && a[x] == b[x]) ++x;
    left = std::min(left, x);
    std::size_t r = w;
    while (r > right + 1 && a[r - 1] == b[r - 1]) --r;
    if (r > 0) right = std::max(right, r - 1);
  }
  return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left + 1),
          static_cast<int>(bottom - top + 1)};
}

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
