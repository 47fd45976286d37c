#pragma once
// Where the 424 x 300 frame goes in a window of any size: whole-pixel
// scaling only, centred below the menu bar, black around it.

#include "platform/FrameSize.h"

namespace vilmar::sdl {

inline constexpr int MIN_SCALE = 1;
inline constexpr int MAX_SCALE = 8;

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The largest factor whose window (frame, menu bar and a margin for the
// desktop's panels and the window's frame) fits on a screen of the given
// usable size; 1 when even that does not fit.
int defaultScale(int screenWidth, int screenHeight, int menuHeight);

// The frame's place in a window area of width x height whose top menuHeight
// pixels hold the menu bar: the largest whole factor that fits (at least 1,
// so a tiny window shows the frame's top-left part), centred in what is left.
Rect frameRect(int width, int height, int menuHeight);

}  // namespace vilmar::sdl
