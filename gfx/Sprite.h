#pragma once
// A picture of 8-bit palette indices, row-major, top row first.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace vilmar {

class Platform;

class Sprite {
 public:
  Sprite() = default;
  Sprite(int width, int height);
  // A picture from the game's resources: an RLE image (RCDATA) or an 8-bit
  // bitmap (BITMAP) of that id. A picture that cannot be loaded stays the
  // 16 x 16 "missing picture" mark, so the game still runs and shows where.
  Sprite(Platform& platform, int resourceId);
  virtual ~Sprite() = default;

  Sprite(const Sprite&) = delete;
  Sprite& operator=(const Sprite&) = delete;
  Sprite(Sprite&&) noexcept = default;
  Sprite& operator=(Sprite&&) noexcept = default;

  bool load(Platform& platform, int resourceId);
  bool loadRle(std::span<const std::uint8_t> resource);
  bool loadBitmap(std::span<const std::uint8_t> dib);
  void resize(int width, int height);

  // Draws source with its top-left corner at (x, y), clipped on all four
  // sides; the transparent index leaves this picture's pixel as it was.
  void blit(const Sprite& source, int x, int y);

  int width() const { return width_; }
  int height() const { return height_; }
  int resourceId() const { return resourceId_; }
  std::span<std::uint8_t> pixels() { return {pixels_.get(), size()}; }
  std::span<const std::uint8_t> pixels() const { return {pixels_.get(), size()}; }
  std::uint8_t at(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }

  // Call after changing pixels through pixels(): forgets what the blit
  // knew about where the picture is transparent.
  void pixelsChanged();

 private:

  std::size_t size() const { return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_); }
  void allocate(int width, int height);
  void makeMissingMark();
  void noteTransparentRuns(const std::vector<std::pair<std::size_t, std::size_t>>& runs);

  int height_ = 0;
  int width_ = 0;
  std::unique_ptr<std::uint8_t[]> pixels_;
  int resourceId_ = 0;
  bool opaque_ = false;             // no transparent pixel: rows can be copied whole
  // Per row, first and end column of the part that may hold opaque pixels
  // (outside it all is transparent); empty: any pixel may be opaque.
  std::vector<std::uint16_t> rowSpans_;
};

}  // namespace vilmar
