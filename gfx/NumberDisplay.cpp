#include "gfx/NumberDisplay.h"

#include <algorithm>
#include <charconv>

#include "gfx/FrameBuffer.h"

namespace vilmar {

NumberDisplay::NumberDisplay(const std::array<const Sprite*, 10>& digits, FrameBuffer* frameBuffer)
    : digits_(digits), frameBuffer_(frameBuffer) {}

NumberDisplay::NumberDisplay(const Sprite* icon, std::int32_t maxIcons, FrameBuffer* frameBuffer)
    : gap(3), maxIcons_(maxIcons), iconMode_(true), icon_(icon), frameBuffer_(frameBuffer) {}

std::int32_t NumberDisplay::startX(std::int32_t total) const {
  switch (alignment) {
    case CENTRED: return x_ - total / 2;
    case TO_X: return x_ - total;
    default: return x_;
  }
}

void NumberDisplay::draw(std::int32_t number) const {
  if (frameBuffer_ == nullptr) return;
  const std::int32_t value = std::max(number, 0);
  if (iconMode_) {
    if (icon_ == nullptr) return;
    const std::int32_t n = std::min(value, maxIcons_);
    const std::int32_t step = icon_->width() + gap;
    const std::int32_t left = startX(step * n);
    for (std::int32_t k = 0; k < n; ++k) frameBuffer_->draw(*icon_, left + k * step, y_);
    return;
  }
  if (digits_[0] == nullptr) return;
  char text[16];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  const auto length = static_cast<std::int32_t>(end - text);
  const std::int32_t step = digits_[0]->width() + gap;  // every digit is spaced like "0"
  const std::int32_t left = startX(step * length);
  for (std::int32_t k = 0; k < length; ++k) {
    const Sprite* digit = digits_[static_cast<std::size_t>(text[k] - '0')];
    if (digit != nullptr) frameBuffer_->draw(*digit, left + k * step, y_);
  }
}

}  // namespace vilmar
