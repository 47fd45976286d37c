#pragma once
#include <cstdint>

namespace vilmar {

// The version of the game's rules. A recorded game re-plays only under the
// rules it was recorded with, so this goes up with every change that can
// change what a game's keys lead to (a point, a step, a tick), and never
// for drawing, sound or the program around the game.
inline constexpr std::uint16_t RULES_VERSION = 1;

}  // namespace vilmar
