#include "gfx/Rle.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vilmar {

namespace {

// Eight pixels at a time: the decoder looks for the next run marker and for
// transparent pixels in a whole 64-bit word at once.
constexpr std::uint64_t ONES = 0x0101010101010101ull;
constexpr std::uint64_t LOW7 = 0x7F7F7F7F7F7F7F7Full;
constexpr std::uint64_t HIGHS = 0x8080808080808080ull;
constexpr std::size_t WORD = 8;
// The fast loop writes whole words, up to a run's length rounded up.
constexpr std::size_t FAST_ROOM = 256 + 64;

// The high bit of every byte of x that is zero, and of no other byte.
constexpr std::uint64_t zeroBytes(std::uint64_t x) { return ~(((x & LOW7) + LOW7) | x | LOW7); }

// Index, in memory order, of the first byte flagged in m (m != 0).
unsigned firstFlagged(std::uint64_t m) {
  if constexpr (std::endian::native == std::endian::little) return static_cast<unsigned>(std::countr_zero(m)) / 8;
  else return static_cast<unsigned>(std::countl_zero(m)) / 8;
}

// Flags for the first n bytes in memory order (n < 8).
std::uint64_t firstBytes(unsigned n) {
  if constexpr (std::endian::native == std::endian::little) return (std::uint64_t{1} << (8 * n)) - 1;
  else return n == 0 ? 0 : ~(~std::uint64_t{0} >> (8 * n));
}

constexpr std::size_t SHORT_RUN = 4;    // the shortest run the format allows
constexpr std::size_t WORTHY_RUN = 12;  // shorter runs of a colour decode faster as literals

}  // namespace

std::size_t decodeRleStream(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                            RleDecodeNotes* notes) {
  const std::uint8_t* in = stream.data();
  const std::uint8_t* const inEnd = in + stream.size();
  std::uint8_t* const begin = out.data();
  std::uint8_t* dst = begin;
  std::uint8_t* const dstEnd = dst + out.size();
  bool transparent = false;
  auto noteRun = [&](std::uint8_t value, std::size_t count) {
    if (value != TRANSPARENT_INDEX || count == 0) return;
    transparent = true;
    if (notes != nullptr) notes->transparentRuns.emplace_back(static_cast<std::size_t>(dst - begin), count);
  };

  // Fast loop, while two words can be read and a whole run written. Each
  // turn copies literals up to the next run marker, then writes that run,
  // so the turn does not have to guess which of the two comes next.
  while (static_cast<std::size_t>(inEnd - in) >= 2 * WORD && static_cast<std::size_t>(dstEnd - dst) >= FAST_ROOM) {
    std::uint64_t w[2];
    std::memcpy(w, in, 2 * WORD);
    std::memcpy(dst, in, 2 * WORD);  // bytes past the literals are overwritten next
    const std::uint64_t markers0 = zeroBytes(~w[0]);
    const std::uint64_t markers1 = zeroBytes(~w[1]);
    std::uint64_t clear0 = zeroBytes(w[0] ^ (ONES * TRANSPARENT_INDEX)) & HIGHS;
    std::uint64_t clear1 = zeroBytes(w[1] ^ (ONES * TRANSPARENT_INDEX)) & HIGHS;
    if ((markers0 | markers1) == 0) {
      transparent |= (clear0 | clear1) != 0;
      dst += 2 * WORD;
      in += 2 * WORD;
      continue;
    }
    unsigned literals;
    if (markers0 != 0) {
      literals = firstFlagged(markers0);
      clear0 &= firstBytes(literals);
      clear1 = 0;
    } else {
      literals = static_cast<unsigned>(WORD) + firstFlagged(markers1);
      clear1 &= firstBytes(literals - static_cast<unsigned>(WORD));
    }
    transparent |= (clear0 | clear1) != 0;
    dst += literals;
    in += literals;
    if (inEnd - in < 3) break;  // a run cut off by the end of the resource
    const std::uint8_t value = in[1];
    const std::size_t count = in[2];
    noteRun(value, count);
    std::uint64_t pattern[4];
    pattern[0] = pattern[1] = pattern[2] = pattern[3] = ONES * value;
    std::memcpy(dst, pattern, sizeof pattern);
    std::memcpy(dst + sizeof pattern, pattern, sizeof pattern);
    for (std::size_t k = 2 * sizeof pattern; k < count; k += sizeof pattern) std::memcpy(dst + k, pattern, sizeof pattern);
    dst += count;
    in += 3;
  }

  // Careful loop for the last bytes of the stream or of the picture.
  while (dst < dstEnd && in < inEnd) {
    if (*in != RLE_RUN) {
      if (*in == TRANSPARENT_INDEX) transparent = true;
      *dst++ = *in++;
      continue;
    }
    if (inEnd - in < 3) break;  // a run cut off by the end of the resource
    const std::size_t count = std::min<std::size_t>(in[2], static_cast<std::size_t>(dstEnd - dst));
    noteRun(in[1], count);
    std::memset(dst, in[1], count);
    dst += count;
    in += 3;
  }

  const auto produced = static_cast<std::size_t>(dst - begin);
  if (dst != dstEnd) {
    std::memset(dst, TRANSPARENT_INDEX, static_cast<std::size_t>(dstEnd - dst));
    noteRun(TRANSPARENT_INDEX, static_cast<std::size_t>(dstEnd - dst));
  }
  if (notes != nullptr) notes->transparent = transparent;
  return produced;
}

bool readRleHeader(std::span<const std::uint8_t> resource, int& width, int& height) {
  if (resource.size() < RLE_HEADER_SIZE) return false;
  const int w = (resource[7] << 8) | resource[8];
  const int h = (resource[9] << 8) | resource[10];
  if (static_cast<std::size_t>(w) * static_cast<std::size_t>(h) > RLE_MAX_PIXELS) return false;
  width = w;
  height = h;
  return true;
}

bool decodeRleResource(std::span<const std::uint8_t> resource, int& width, int& height,
                       std::vector<std::uint8_t>& pixels) {
  int w = 0, h = 0;
  if (!readRleHeader(resource, w, h)) return false;
  width = w;
  height = h;
  pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  decodeRleStream(resource.subspan(RLE_HEADER_SIZE), pixels);
  return true;
}

std::vector<std::uint8_t> encodeRle(int width, int height, std::span<const std::uint8_t> pixels) {
  std::vector<std::uint8_t> out = {'z', 'p', 'x', '/', 'r', 'l', 'e',
                                   static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width),
                                   static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height)};
  const std::size_t n = std::min(pixels.size(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  std::size_t i = 0;
  while (i < n) {
    const std::uint8_t v = pixels[i];
    std::size_t run = 1;
    while (i + run < n && run < 255 && pixels[i + run] == v) ++run;
    const std::size_t worthy = v == TRANSPARENT_INDEX ? SHORT_RUN : WORTHY_RUN;
    if (run >= worthy || v == RLE_RUN) {
      // Index 255 can only travel as a run, however short.
      out.insert(out.end(), {RLE_RUN, v, static_cast<std::uint8_t>(run)});
    } else {
      out.insert(out.end(), pixels.begin() + static_cast<std::ptrdiff_t>(i),
                 pixels.begin() + static_cast<std::ptrdiff_t>(i + run));
    }
    i += run;
  }
  return out;
}

}  // namespace vilmar
