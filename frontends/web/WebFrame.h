#pragma once
// The game's 8-bit frame as the RGBA pixels a canvas takes.

#include <cstdint>
#include <span>

#include "platform/FrameSize.h"
#include "platform/Platform.h"

namespace vilmar::web {


// The part of a frame that changed: x, y, width, height; empty when none.
struct FrameArea {
  int x = 0, y = 0, width = 0, height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
  friend bool operator==(const FrameArea&, const FrameArea&) = default;
};

// The smallest rectangle that holds every pixel in which next differs from
// previous (both width x height, row by row). Frames of another size than
// width x height count as wholly changed.
FrameArea changedArea(std::span<const std::uint8_t> previous, std::span<const std::uint8_t> next, int width,
                      int height);

// Writes one opaque RGBA pixel per palette index; out must hold four bytes
// per pixel. Returns false (and writes nothing) when it does not.
bool toRgba(std::span<const std::uint8_t> pixels, const Palette& palette, std::span<std::uint8_t> out);

}  // namespace vilmar::web
