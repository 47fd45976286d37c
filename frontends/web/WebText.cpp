#include "frontends/web/WebText.h"

namespace vilmar::web {

namespace {

// Length of the well-formed UTF-8 sequence at the start of text, or 1.
std::size_t sequenceLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 1;
  if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  else if (lead >= 0xE0) length = lead <= 0xEF ? 3 : 1;
  else if (lead >= 0xC2) length = 2;
  if (length > text.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

}  // namespace

std::string firstChars(std::string_view utf8, std::size_t maxChars) {
  std::size_t at = 0;
  for (std::size_t chars = 0; chars < maxChars && at < utf8.size(); ++chars) {
    at += sequenceLength(utf8.substr(at));
  }
  return std::string(utf8.substr(0, at));
}

}  // namespace vilmar::web
