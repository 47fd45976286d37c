#pragma once
// The browser's names of the game's keys.

#include <optional>
#include <string_view>

#include "platform/Platform.h"

namespace vilmar::web {

// The game's key for a KeyboardEvent.code; none for every other key.
std::optional<Key> keyFromCode(std::string_view code);

}  // namespace vilmar::web
