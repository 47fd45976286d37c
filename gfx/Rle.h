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

// What decoding saw besides the pixels: whether any pixel is transparent,
// and where the runs of transparent pixels lie (first pixel, count), which
// tells the blit what it may skip.
struct RleDecodeNotes {
  bool transparent = false;
  std::vector<std::pair<std::size_t, std::size_t>> transparentRuns;
};

// Decodes out.size() pixels from a code stream. Never reads past the stream
// nor writes past out; pixels the stream does not reach are left
// transparent. Returns the number of pixels the stream produced.
std::size_t decodeRleStream(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                            RleDecodeNotes* notes = nullptr);

// Reads the header of an RLE image resource. False for a resource too short
// to hold one or too large to be a picture.
bool readRleHeader(std::span<const std::uint8_t> resource, int& width, int& height);

// Decodes a whole RLE image resource; false (outputs untouched) when
// readRleHeader refuses it.
bool decodeRleResource(std::span<const std::uint8_t> resource, int& width, int& height,
                       std::vector<std::uint8_t>& pixels);

// Encodes pixels the way the game's resources are written: runs of 4 to 255
// equal pixels, literals otherwise, index 255 always as a run, and a stream
// that ends exactly at the last pixel. Short runs of a colour are written as
// literal pixels, which decode faster; transparent runs are always runs.
std::vector<std::uint8_t> encodeRle(int width, int height, std::span<const std::uint8_t> pixels);

}  // namespace vilmar
