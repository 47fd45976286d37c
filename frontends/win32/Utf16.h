#pragma once
// The game keeps its texts in UTF-8; Windows wants UTF-16 for the wide
// functions. These conversions are plain code so they are tested natively.

#include <cstddef>
#include <string>
#include <string_view>

namespace vilmar::win32 {

// Broken UTF-8 (stray continuation bytes, overlong forms, surrogates, values
// past U+10FFFF, sequences cut short) becomes U+FFFD, one per bad sequence.
std::u16string utf8ToUtf16(std::string_view text);

// A lone surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

// The first maxChars characters; a surrogate pair counts as one character
// and is never split.
std::u16string_view firstChars(std::u16string_view text, std::size_t maxChars);

}  // namespace vilmar::win32
