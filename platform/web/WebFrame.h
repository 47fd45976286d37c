#pragma once
// The game's 8-bit frame as the RGBA pixels a canvas takes.

#include <cstdint>
#include <span>

#include "platform/Platform.h"

namespace vilmar::web {

inline constexpr int FRAME_WIDTH = 424;
inline constexpr int FRAME_HEIGHT = 300;

// Writes one opaque RGBA pixel per palette index; out must hold four bytes
// per pixel. Returns false (and writes nothing) when it does not.
bool toRgba(std::span<const std::uint8_t> pixels, const Palette& palette, std::span<std::uint8_t> out);

}  // namespace vilmar::web
