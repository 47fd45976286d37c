#pragma once
#include <array>
#include <cstdint>

namespace vilmar {

class FrameBuffer;
class Sprite;

// Draws a number as decimal digit pictures or as a row of identical icons,
// one per unit.
class NumberDisplay {
 public:
  enum Alignment : std::int32_t { CENTRED = 0, FROM_X = 1, TO_X = 2 };

  NumberDisplay() = default;  // draws nothing
  NumberDisplay(const std::array<const Sprite*, 10>& digits, FrameBuffer* frameBuffer);
  NumberDisplay(const Sprite* icon, std::int32_t maxIcons, FrameBuffer* frameBuffer);

  void setPosition(std::int32_t x, std::int32_t y) {
    x_ = x;
    y_ = y;
  }
  // Negative values draw as 0.
  void draw(std::int32_t value) const;

  std::int32_t gap = 0;
  std::int32_t alignment = FROM_X;

 private:
  std::int32_t startX(std::int32_t total) const;

  std::int32_t maxIcons_ = 0;
  bool iconMode_ = false;
  std::int32_t x_ = 0;
  std::int32_t y_ = 0;
  std::array<const Sprite*, 10> digits_{};
  const Sprite* icon_ = nullptr;
  FrameBuffer* frameBuffer_ = nullptr;
};

}  // namespace vilmar
