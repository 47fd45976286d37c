#include "actors/Figure.h"

#include "gfx/FrameBuffer.h"

namespace vilmar {

Figure::Figure(const Sprite* sprite, FrameBuffer* frameBuffer) : target(frameBuffer) {
  setPicture(sprite);
}

void Figure::setPicture(const Sprite* sprite) {
  picture = sprite;
  ax = static_cast<float>(sprite->width()) * 0.5f;
  ay = static_cast<float>(sprite->height()) * 0.5f;
  az = 0.0f;
}

void Figure::draw() {
  if (!visible || target == nullptr || removed) return;
  // Truncation towards zero, as the corner of a picture has always been found.
  const auto left = static_cast<std::int32_t>(x - ax);
  const auto top = static_cast<std::int32_t>(y - ay);
  target->draw(*picture, left, top);
}

}  // namespace vilmar
