#pragma once
// The fields of a bitmap's info header that the game reads, as a BITMAP
// resource holds it (little-endian, the colour table right after it).

#include <cstdint>
#include <optional>
#include <span>

namespace vilmar {

struct BitmapHeader {
  std::uint32_t size;   // of the header itself; the colour table follows
  std::int32_t width;
  std::int32_t height;  // negative: rows run top-down
  std::uint16_t bitCount;
  std::uint32_t coloursUsed;
};

// None when the bytes cannot hold an info header.
inline std::optional<BitmapHeader> readBitmapHeader(std::span<const std::uint8_t> dib) {
  if (dib.size() < 40) return std::nullopt;
  auto le32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(dib[at]) | static_cast<std::uint32_t>(dib[at + 1]) << 8 |
           static_cast<std::uint32_t>(dib[at + 2]) << 16 | static_cast<std::uint32_t>(dib[at + 3]) << 24;
  };
  return BitmapHeader{le32(0), static_cast<std::int32_t>(le32(4)), static_cast<std::int32_t>(le32(8)),
                      static_cast<std::uint16_t>(dib[14] | dib[15] << 8), le32(32)};
}

}  // namespace vilmar
