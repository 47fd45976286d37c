#include "gfx/Sprite.h"

#include <algorithm>
#include <cstring>

#include "gfx/Rle.h"
#include "platform/Platform.h"

namespace vilmar {

namespace {
constexpr int MISSING_SIZE = 16;
constexpr std::uint8_t MISSING_EDGE = 0;    // white
constexpr std::uint8_t MISSING_FILL = 233;  // darkest colour

std::uint32_t readLe32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t readLe16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
}  // namespace

Sprite::Sprite(int width, int height) { resize(width, height); }

Sprite::Sprite(Platform& platform, int resourceId) : resourceId_(resourceId) {
  makeMissingMark();
  load(platform, resourceId);
}

void Sprite::resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), TRANSPARENT_INDEX);
  opaque_ = false;
}

void Sprite::makeMissingMark() {
  resize(MISSING_SIZE, MISSING_SIZE);
  for (int y = 0; y < MISSING_SIZE; ++y) {
    for (int x = 0; x < MISSING_SIZE; ++x) {
      const bool edge = x == 0 || y == 0 || x == MISSING_SIZE - 1 || y == MISSING_SIZE - 1 || x == y;
      pixels_[static_cast<std::size_t>(y * MISSING_SIZE + x)] = edge ? MISSING_EDGE : MISSING_FILL;
    }
  }
  opaque_ = true;
}

bool Sprite::load(Platform& platform, int resourceId) {
  resourceId_ = resourceId;
  if (loadRle(platform.resource(ResourceType::RcData, resourceId))) return true;
  return loadBitmap(platform.resource(ResourceType::Bitmap, resourceId));
}

bool Sprite::loadRle(std::span<const std::uint8_t> resource) {
  int w = 0;
  int h = 0;
  std::vector<std::uint8_t> decoded;
  if (!decodeRleResource(resource, w, h, decoded)) return false;
  width_ = w;
  height_ = h;
  pixels_ = std::move(decoded);
  noteTransparency();
  return true;
}

// An 8-bit bitmap as a BITMAP resource holds it: the info header, the
// colour table, then bottom-up rows padded to four bytes. Its colours are
// ignored; its indices are the game's palette indices.
bool Sprite::loadBitmap(std::span<const std::uint8_t> dib) {
  if (dib.size() < 40) return false;
  const std::uint32_t headerSize = readLe32(dib, 0);
  const auto w = static_cast<std::int32_t>(readLe32(dib, 4));
  const auto h = static_cast<std::int32_t>(readLe32(dib, 8));
  const std::uint16_t bits = readLe16(dib, 14);
  const std::uint32_t used = readLe32(dib, 32);
  if (headerSize < 40 || headerSize > dib.size() || w <= 0 || h == 0 || h == INT32_MIN) return false;
  const std::int64_t rows = h < 0 ? -static_cast<std::int64_t>(h) : h;
  if (static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(rows) > RLE_MAX_PIXELS) return false;
  resize(w, static_cast<int>(rows));
  if (bits != 8) return true;  // another depth: the size is known, the pixels are not
  const std::size_t colours = used != 0 && used <= 256 ? used : 256;
  const std::size_t stride = (static_cast<std::size_t>(w) + 3) & ~std::size_t{3};
  const std::size_t start = headerSize + colours * 4;
  for (std::int64_t r = 0; r < rows; ++r) {
    const std::size_t at = start + static_cast<std::size_t>(r) * stride;
    if (at + static_cast<std::size_t>(w) > dib.size()) break;  // short file: rest stays transparent
    const std::int64_t row = h > 0 ? rows - 1 - r : r;
    std::memcpy(&pixels_[static_cast<std::size_t>(row) * static_cast<std::size_t>(w)], &dib[at],
                static_cast<std::size_t>(w));
  }
  noteTransparency();
  return true;
}

void Sprite::noteTransparency() {
  opaque_ = std::memchr(pixels_.data(), TRANSPARENT_INDEX, pixels_.size()) == nullptr;
}

void Sprite::blit(const Sprite& source, int x, int y) {
  if (y >= height_ || x >= width_ || y + source.height_ < 0 || x + source.width_ < 0) return;
  const int firstCol = x < 0 ? -x : 0;
  const int endCol = x + source.width_ > width_ ? width_ - x : source.width_;
  const int firstRow = y < 0 ? -y : 0;
  const int endRow = y + source.height_ > height_ ? height_ - y : source.height_;
  if (firstRow >= endRow || firstCol >= endCol) return;
  const auto span = static_cast<std::size_t>(endCol - firstCol);
  for (int r = firstRow; r < endRow; ++r) {
    const std::uint8_t* src = &source.pixels_[static_cast<std::size_t>(r * source.width_ + firstCol)];
    std::uint8_t* dst = &pixels_[static_cast<std::size_t>((y + r) * width_ + x + firstCol)];
    if (source.opaque_) {
      std::memcpy(dst, src, span);
      continue;
    }
    // Branch-free so the compiler can do many pixels at once.
    for (std::size_t c = 0; c < span; ++c) {
      const std::uint8_t v = src[c];
      dst[c] = v == TRANSPARENT_INDEX ? dst[c] : v;
    }
  }
}

}  // namespace vilmar
