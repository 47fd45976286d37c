#include "gfx/Sprite.h"

#include <algorithm>
#include <cstring>

#include "gfx/BitmapHeader.h"
#include "gfx/Rle.h"
#include "platform/Platform.h"

namespace vilmar {

namespace {
constexpr int MISSING_SIZE = 16;
constexpr std::uint8_t MISSING_EDGE = 0;    // white
constexpr std::uint8_t MISSING_FILL = 233;  // darkest colour
constexpr int BLOCK = 32;                   // pixels blended at a time

}  // namespace

Sprite::Sprite(int width, int height) { resize(width, height); }

Sprite::Sprite(Platform& platform, int resourceId) : resourceId_(resourceId) {
  if (!load(platform, resourceId)) makeMissingMark();
}

void Sprite::allocate(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  // Left uninitialised, as every caller writes all of it (spelled out, since
  // the browser build's library has no make_unique_for_overwrite).
  pixels_.reset(new std::uint8_t[size()]);
  opaque_ = false;
  rowSpans_.clear();
}

void Sprite::resize(int width, int height) {
  allocate(width, height);
  std::fill_n(pixels_.get(), size(), TRANSPARENT_INDEX);
}

void Sprite::pixelsChanged() {
  opaque_ = std::memchr(pixels_.get(), TRANSPARENT_INDEX, size()) == nullptr;
  rowSpans_.clear();
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
  if (!readRleHeader(resource, w, h)) return false;
  allocate(w, h);
  // One set of notes for every picture, so that building a world does not
  // grow a fresh list for each of them.
  static thread_local RleDecodeNotes notes;
  notes.transparentRuns.clear();
  decodeRleStream(resource.subspan(RLE_HEADER_SIZE), pixels(), &notes);
  opaque_ = !notes.transparent;
  if (notes.transparent) noteTransparentRuns(notes.transparentRuns);
  return true;
}

// Transparent runs at the ends of rows are margins the blit can skip. Only
// what a run proves transparent narrows a row, so the spans stay safe.
void Sprite::noteTransparentRuns(const std::vector<std::pair<std::size_t, std::size_t>>& runs) {
  if (width_ == 0 || height_ == 0 || width_ > 0xFFFF) return;
  const auto w = static_cast<std::size_t>(width_);
  const auto h = static_cast<std::size_t>(height_);
  rowSpans_.resize(2 * h);
  for (std::size_t r = 0; r < h; ++r) {
    rowSpans_[2 * r] = 0;
    rowSpans_[2 * r + 1] = static_cast<std::uint16_t>(width_);
  }
  // The runs come in picture order, so the row is followed without dividing.
  std::size_t row = 0, rowStart = 0;
  for (const auto& [start, count] : runs) {
    while (start >= rowStart + w) {
      ++row;
      rowStart += w;
    }
    const std::size_t end = start + count;  // one past the run
    if (start == rowStart && end >= rowStart + w) {
      rowSpans_[2 * row] = rowSpans_[2 * row + 1] = 0;  // the whole row is clear
    } else if (start == rowStart) {
      rowSpans_[2 * row] = std::max(rowSpans_[2 * row], static_cast<std::uint16_t>(end - rowStart));
    } else if (end >= rowStart + w) {
      rowSpans_[2 * row + 1] = std::min(rowSpans_[2 * row + 1], static_cast<std::uint16_t>(start - rowStart));
    }
    // Rows the run covers whole, and the row where it ends.
    while (end >= rowStart + 2 * w && row + 1 < h) {
      ++row;
      rowStart += w;
      rowSpans_[2 * row] = rowSpans_[2 * row + 1] = 0;
    }
    if (end > rowStart + w && row + 1 < h) {
      ++row;
      rowStart += w;
      rowSpans_[2 * row] = std::max(rowSpans_[2 * row], static_cast<std::uint16_t>(end - rowStart));
    }
  }
  // Widen each span into its transparent margins to whole blocks, so that
  // no pixel is left for a slow tail; the margins change nothing where they fall.
  for (std::size_t i = 0; i < rowSpans_.size(); i += 2) {
    std::uint16_t& first = rowSpans_[i];
    std::uint16_t& end = rowSpans_[i + 1];
    if (first >= end) {
      first = end = 0;
      continue;
    }
    int extra = (BLOCK - (end - first) % BLOCK) % BLOCK;
    const int right = std::min(extra, width_ - end);
    end = static_cast<std::uint16_t>(end + right);
    extra -= right;
    first = static_cast<std::uint16_t>(first - std::min(extra, static_cast<int>(first)));
  }
}

// An 8-bit bitmap as a BITMAP resource holds it: the info header, the
// colour table, then bottom-up rows padded to four bytes. Its colours are
// ignored; its indices are the game's palette indices.
bool Sprite::loadBitmap(std::span<const std::uint8_t> dib) {
  const auto header = readBitmapHeader(dib);
  if (!header) return false;
  const std::uint32_t headerSize = header->size;
  const std::int32_t w = header->width;
  const std::int32_t h = header->height;
  const std::uint16_t bits = header->bitCount;
  const std::uint32_t used = header->coloursUsed;
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
  pixelsChanged();
  return true;
}

namespace {

// Draws rows of a picture that has transparent pixels: the frame keeps its
// pixel wherever the picture is transparent. Whole blocks of pixels at a
// time, with the widest vectors the processor has where the compiler can
// choose at run time.
#if defined(__GNUC__) && defined(__x86_64__) && defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void blendRows(std::uint8_t* __restrict dst, std::ptrdiff_t dstStride, const std::uint8_t* __restrict src,
               std::ptrdiff_t srcStride, const std::uint16_t* spans, int rows) {
  for (int r = 0; r < rows; ++r, dst += dstStride, src += srcStride) {
    const std::size_t c0 = spans[2 * r], c1 = spans[2 * r + 1];
    std::size_t c = c0;
#if defined(__GNUC__)
    using Block = std::uint8_t __attribute__((vector_size(BLOCK)));
    for (; c + BLOCK <= c1; c += BLOCK) {
      Block s, d;
      std::memcpy(&s, src + c, BLOCK);
      std::memcpy(&d, dst + c, BLOCK);
      const auto keep = reinterpret_cast<Block>(s == TRANSPARENT_INDEX);
      d = (d & keep) | (s & ~keep);
      std::memcpy(dst + c, &d, BLOCK);
    }
#endif
    for (; c < c1; ++c) {
      const std::uint8_t v = src[c];
      dst[c] = v == TRANSPARENT_INDEX ? dst[c] : v;
    }
  }
}

}  // namespace

void Sprite::blit(const Sprite& source, int x, int y) {
  if (y >= height_ || x >= width_ || y + source.height_ < 0 || x + source.width_ < 0) return;
  const int firstCol = x < 0 ? -x : 0;
  const int endCol = x + source.width_ > width_ ? width_ - x : source.width_;
  const int firstRow = y < 0 ? -y : 0;
  const int endRow = y + source.height_ > height_ ? height_ - y : source.height_;
  if (firstRow >= endRow || firstCol >= endCol) return;
  // Both pointers start at the first column drawn, which is inside both
  // pictures: a pointer to where column 0 would be may lie before the frame.
  const std::uint8_t* src = &source.pixels_[static_cast<std::size_t>(firstRow) * static_cast<std::size_t>(source.width_) +
                                            static_cast<std::size_t>(firstCol)];
  std::uint8_t* dst = &pixels_[static_cast<std::size_t>(y + firstRow) * static_cast<std::size_t>(width_) +
                               static_cast<std::size_t>(x + firstCol)];
  const int rows = endRow - firstRow;
  if (source.opaque_) {
    for (int r = 0; r < rows; ++r, src += source.width_, dst += width_)
      std::memcpy(dst, src, static_cast<std::size_t>(endCol - firstCol));
    return;
  }
  if (!source.rowSpans_.empty() && firstCol == 0 && endCol == source.width_) {
    // Unclipped: the spans worked out when the picture was loaded serve as they are.
    blendRows(dst, width_, src, source.width_, &source.rowSpans_[2 * static_cast<std::size_t>(firstRow)], rows);
    return;
  }
  // Clipped, or without spans: per row, the clipped columns, narrowed to
  // where the picture may be opaque, counted from the first column drawn.
  std::uint16_t spans[2 * 256];
  for (int done = 0; done < rows;) {
    const int batch = std::min(rows - done, 256);
    for (int i = 0; i < batch; ++i) {
      int c0 = firstCol, c1 = endCol;
      if (!source.rowSpans_.empty()) {
        const auto row = 2 * static_cast<std::size_t>(firstRow + done + i);
        c0 = std::max(c0, static_cast<int>(source.rowSpans_[row]));
        c1 = std::max(c0, std::min(c1, static_cast<int>(source.rowSpans_[row + 1])));
      }
      spans[2 * i] = static_cast<std::uint16_t>(c0 - firstCol);
      spans[2 * i + 1] = static_cast<std::uint16_t>(c1 - firstCol);
    }
    blendRows(dst, width_, src, source.width_, spans, batch);
    done += batch;
    src += static_cast<std::ptrdiff_t>(batch) * source.width_;
    dst += static_cast<std::ptrdiff_t>(batch) * width_;
  }
}

}  // namespace vilmar
