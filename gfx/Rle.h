#pragma once
// The game's own run-length image format: "zpx/rle", width and height as
// big-endian 16-bit numbers, then a code stream in which 0xFF starts a run
// (0xFF, value, count) and any other byte is one pixel of that index.

#include <cstdint>
#include <span>
#include <vector>

namespace vilmar {

inline constexpr std::uint8_t TRANSPARENT_INDEX = 236;
inline constexpr std::uint8_t RLE_RUN = 0xFF;
inline constexpr std::size_t RLE_HEADER_SIZE = 11;
// No picture of the game is near this; a larger header is a broken resource.
inline constexpr std::size_t RLE_MAX_PIXELS = 4096u * 4096u;

// Decodes count pixels from a code stream into out (which holds count bytes).
// Never reads past the stream nor writes past out; pixels the stream does not
// reach are left transparent. Returns the number of pixels the stream produced.
std::size_t decodeRleStream(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out);

// Decodes a whole RLE image resource. False for a resource too short to hold
// the header or too large to be a picture; the outputs are then untouched.
bool decodeRleResource(std::span<const std::uint8_t> resource, int& width, int& height,
                       std::vector<std::uint8_t>& pixels);

// Encodes pixels the way the game's resources are written: runs of 4 to 255
// equal pixels, literals otherwise, index 255 always as a run, and a stream
// that ends exactly at the last pixel.
std::vector<std::uint8_t> encodeRle(int width, int height, std::span<const std::uint8_t> pixels);

}  // namespace vilmar
