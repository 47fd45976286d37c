#pragma once
// A picture of 8-bit palette indices, row-major, top row first.

#include <cstdint>
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

  Sprite(const Sprite&) = default;
  Sprite& operator=(const Sprite&) = default;
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
  std::span<std::uint8_t> pixels() { return pixels_; }
  std::span<const std::uint8_t> pixels() const { return pixels_; }
  std::uint8_t at(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }

 private:
  void makeMissingMark();
  void noteTransparency();

  int height_ = 0;
  int width_ = 0;
  std::vector<std::uint8_t> pixels_;
  int resourceId_ = 0;
  bool opaque_ = false;  // no transparent pixel: rows can be copied whole
};

}  // namespace vilmar
