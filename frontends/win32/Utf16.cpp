#include "frontends/win32/Utf16.h"

#include <cstdint>

namespace vilmar::win32 {

namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;

bool isContinuation(unsigned char byte) { return (byte & 0xC0u) == 0x80u; }

void appendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t c = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    } else if ((lead & 0xE0u) == 0xC0u) {
      length = 2;
      c = lead & 0x1Fu;
      smallest = 0x80;
    } else if ((lead & 0xF0u) == 0xE0u) {
      length = 3;
      c = lead & 0x0Fu;
      smallest = 0x800;
    } else if ((lead & 0xF8u) == 0xF0u) {
      length = 4;
      c = lead & 0x07u;
      smallest = 0x10000;
    } else {
      out.push_back(REPLACEMENT);  // a stray continuation byte or 0xF8..0xFF
      ++i;
      continue;
    }
    std::size_t taken = 1;
    while (taken < length && i + taken < text.size() &&
           isContinuation(static_cast<unsigned char>(text[i + taken]))) {
      c = (c << 6) | (static_cast<unsigned char>(text[i + taken]) & 0x3Fu);
      ++taken;
    }
    i += taken;
    if (taken < length || c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(REPLACEMENT);
    } else {
      appendUtf16(out, c);
    }
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      const char32_t c = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                         (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      appendUtf8(out, c);
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      appendUtf8(out, REPLACEMENT);
    } else {
      appendUtf8(out, unit);
    }
  }
  return out;
}

std::u16string_view firstChars(std::u16string_view text, std::size_t maxChars) {
  std::size_t i = 0;
  std::size_t chars = 0;
  while (i < text.size() && chars < maxChars) {
    const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                      text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    i += pair ? 2 : 1;
    ++chars;
  }
  return text.substr(0, i);
}

}  // namespace vilmar::win32
