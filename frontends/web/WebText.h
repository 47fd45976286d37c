#pragma once
// Text between the page (UTF-8 from JavaScript strings) and the game.

#include <cstddef>
#include <string>
#include <string_view>

namespace vilmar::web {

// The first maxChars characters (code points) of UTF-8 text. A broken
// sequence counts as one character per byte and is kept as it is, so the cut
// never splits a character and never reads past the end.
std::string firstChars(std::string_view utf8, std::size_t maxChars);

}  // namespace vilmar::web
