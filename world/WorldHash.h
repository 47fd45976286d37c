#pragma once
#include <cstdint>

namespace vilmar {

class BarGame;

// A 64-bit digest of everything in the world the rules carry from one tick
// to the next: counters, freeze, the bartender and his keys, every mug and
// guest with its position's exact bits, and which list of its bar holds it.
// Left out is what only drawing or the wall clock touches (the blink phase,
// the clock value the level started at), so the same keys give the same
// hash on every machine, whether or not a tick drew.
std::uint64_t worldHash(const BarGame& world);

}  // namespace vilmar
