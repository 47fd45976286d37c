#pragma once
// UTF-8 game texts to and from the wide strings of the Windows functions.

#include <string>
#include <string_view>

#include "frontends/win32/Utf16.h"

namespace vilmar::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide strings are UTF-16");

inline std::wstring toWide(std::string_view text) {
  const std::u16string utf16 = utf8ToUtf16(text);
  return std::wstring(utf16.begin(), utf16.end());
}

inline std::u16string fromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace vilmar::win32
