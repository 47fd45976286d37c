#pragma once
#include <cstdint>
#include <span>

#include "platform/Platform.h"

namespace vilmar {

inline constexpr int PALETTE_RESOURCE = 139;

// Reads the colour table of a BITMAP resource (an info header followed by its
// colours) into palette. Entries the bitmap does not hold stay black; a
// bitmap of more than 8 bits gives no colours. False when the bytes are not a
// bitmap at all.
bool paletteFromBitmap(std::span<const std::uint8_t> dib, Palette& palette);

}  // namespace vilmar
