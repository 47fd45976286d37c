#pragma once
#include <string_view>

namespace vilmar {

// The information dialog's three texts (UTF-8, CR LF line ends): 0 the rules
// of play, 1 the competition rules, 2 about the game service. Empty for any
// other index.
std::string_view infoText(int index);

}  // namespace vilmar
