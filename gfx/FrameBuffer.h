#pragma once
#include "gfx/Sprite.h"
#include "platform/FrameSize.h"
#include "platform/Platform.h"

namespace vilmar {

// The one picture every frame is composed in, with the game's palette.
class FrameBuffer : public Sprite {
 public:
  FrameBuffer(Platform& platform, int width, int height);

  // Loads the palette on the first frame; until it could be loaded nothing
  // is drawn or shown, and the next frame tries again.
  void setUp();
  void draw(const Sprite& sprite, int x, int y);
  void present();

  bool isSetUp() const { return setUpDone_; }
  const Palette& palette() const { return palette_; }

 private:
  Platform& platform_;
  Palette palette_{};
  bool setUpDone_ = false;
};

}  // namespace vilmar
