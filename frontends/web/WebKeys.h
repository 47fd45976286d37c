#pragma once
// The browser's names of the game's keys.

#include <optional>
#include <string_view>

#include "ui/Settings.h"
#include "platform/Platform.h"

namespace vilmar::web {

// The game's key for a KeyboardEvent.code under the player's bindings; none
// for every other key.
std::optional<Key> keyFromCode(std::string_view code, const KeyBindings& bindings = {});

}  // namespace vilmar::web
