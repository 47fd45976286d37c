#include "net/Windows1252.h"

#include <array>
#include <cstdint>

namespace vilmar {

namespace {

// Code points of bytes 0x80 to 0x9F; the rest of the code page is Latin-1.
// The undefined bytes map to the control character of their own number.
constexpr std::array<char32_t, 32> HIGH_CONTROLS = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t codePointOf(std::uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return HIGH_CONTROLS[byte - 0x80];
  return byte;
}

std::optional<std::uint8_t> byteOf(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<std::uint8_t>(cp);
  for (std::size_t i = 0; i < HIGH_CONTROLS.size(); ++i)
    if (HIGH_CONTROLS[i] == cp) return static_cast<std::uint8_t>(0x80 + i);
  return std::nullopt;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one character at text[i] and moves i past it; nothing for a byte
// sequence that is not well-formed UTF-8 (overlong forms and surrogates
// included), and then i moves one byte.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<std::uint8_t>(text[i++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) { extra = 1; cp = lead & 0x1F; minimum = 0x80; }
  else if ((lead & 0xF0) == 0xE0) { extra = 2; cp = lead & 0x0F; minimum = 0x800; }
  else if ((lead & 0xF8) == 0xF0) { extra = 3; cp = lead & 0x07; minimum = 0x10000; }
  else return std::nullopt;
  std::size_t j = i;
  for (int k = 0; k < extra; ++k, ++j) {
    if (j >= text.size()) return std::nullopt;
    const auto next = static_cast<std::uint8_t>(text[j]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  i = j;
  return cp;
}

}  // namespace

std::optional<std::string> utf8ToWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto cp = nextCodePoint(utf8, i);
    if (!cp) return std::nullopt;
    const auto byte = byteOf(*cp);
    if (!byte) return std::nullopt;
    out.push_back(static_cast<char>(*byte));
  }
  return out;
}

std::string windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) appendUtf8(out, codePointOf(static_cast<std::uint8_t>(c)));
  return out;
}

std::size_t utf8Length(std::string_view utf8) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < utf8.size(); ++count) nextCodePoint(utf8, i);
  return count;
}

std::string_view utf8Prefix(std::string_view utf8, std::size_t maxChars) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < maxChars && i < utf8.size(); ++n) nextCodePoint(utf8, i);
  return utf8.substr(0, i);
}

}  // namespace vilmar
