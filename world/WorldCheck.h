#pragma once
// The rules a world keeps between two ticks, checked from outside: every
// mug and guest in allActors and in exactly the one list of its bar that
// fits its state, no list holding anything twice or anything removed, the
// counters matching their checks, and everything on the bars inside its
// lane. Read-only; for the tests and the soak.

#include <string>
#include <vector>

namespace vilmar {

class BarGame;

// What is wrong with the world, one line per fault; empty when all is well.
std::vector<std::string> checkWorld(const BarGame& world);

}  // namespace vilmar
