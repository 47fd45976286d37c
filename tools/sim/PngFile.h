#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "platform/Platform.h"

namespace vilmar {

// Writes an 8-bit indexed PNG in the given palette.
bool writeIndexedPng(const std::string& path, int width, int height, std::span<const std::uint8_t> pixels,
                     const Palette& palette);
// Writes an RGB PNG (3 bytes a pixel).
bool writeRgbPng(const std::string& path, int width, int height, std::span<const std::uint8_t> rgb);

}  // namespace vilmar
