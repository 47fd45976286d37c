#include "frontends/sdl/Layout.h"

#include <algorithm>

namespace vilmar::sdl {

namespace {
// Room left on the screen for panels, the title bar and the window border.
constexpr int SCREEN_MARGIN_X = 32;
constexpr int SCREEN_MARGIN_Y = 96;
}  // namespace

int defaultScale(int screenWidth, int screenHeight, int menuHeight) {
  int best = MIN_SCALE;
  for (int s = MIN_SCALE; s <= MAX_SCALE; ++s) {
    const bool fits = FRAME_WIDTH * s + SCREEN_MARGIN_X <= screenWidth &&
                      FRAME_HEIGHT * s + menuHeight + SCREEN_MARGIN_Y <= screenHeight;
    if (fits) best = s;
  }
  return best;
}

Rect frameRect(int width, int height, int menuHeight) {
  const int areaHeight = std::max(0, height - menuHeight);
  const int scale = std::clamp(std::min(width / FRAME_WIDTH, areaHeight / FRAME_HEIGHT), MIN_SCALE, MAX_SCALE);
  const int w = FRAME_WIDTH * scale;
  const int h = FRAME_HEIGHT * scale;
  // A window smaller than the frame shows it from its top-left corner.
  const int x = std::max(0, (width - w) / 2);
  const int y = menuHeight + std::max(0, (areaHeight - h) / 2);
  return Rect{x, y, w, h};
}

}  // namespace vilmar::sdl
