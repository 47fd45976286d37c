#pragma once
// The form carries one byte a character in the Windows-1252 code page, as the
// game has always sent its entries; the dialogs and the service's pages work
// in UTF-8. These are the two directions, for the game and the service alike.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vilmar {

// UTF-8 to Windows-1252, one byte a character. Nothing when the text is not
// valid UTF-8 or holds a character the code page lacks (it would go out
// mangled, and no password could match it).
std::optional<std::string> utf8ToWindows1252(std::string_view utf8);

// Windows-1252 to UTF-8. Never fails: the five bytes the code page leaves
// undefined become the control characters of the same number, so every byte
// string comes back unchanged through utf8ToWindows1252.
std::string windows1252ToUtf8(std::string_view bytes);

// Characters (code points) in valid UTF-8; bytes that start no character are
// counted one each, so a broken text is never counted short.
std::size_t utf8Length(std::string_view utf8);

// The first maxChars characters of a UTF-8 text, never splitting one.
std::string_view utf8Prefix(std::string_view utf8, std::size_t maxChars);

}  // namespace vilmar
