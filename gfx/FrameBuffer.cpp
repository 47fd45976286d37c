#include "gfx/FrameBuffer.h"

#include "gfx/Palette.h"

namespace vilmar {

FrameBuffer::FrameBuffer(Platform& platform, int width, int height)
    : Sprite(width, height), platform_(platform) {
  std::fill(pixels().begin(), pixels().end(), std::uint8_t{0});
}

void FrameBuffer::setUp() {
  if (setUpDone_) return;
  setUpDone_ = paletteFromBitmap(platform_.resource(ResourceType::Bitmap, PALETTE_RESOURCE), palette_);
}

void FrameBuffer::draw(const Sprite& sprite, int x, int y) {
  if (setUpDone_) blit(sprite, x, y);
}

void FrameBuffer::present() {
  if (setUpDone_) platform_.present(pixels(), width(), height(), palette_);
}

}  // namespace vilmar
