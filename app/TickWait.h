#pragma once
#include <cstdint>

namespace vilmar {

class Platform;

// How close to a due time the wait stops sleeping and spins: sleeping is
// only accurate to a millisecond or two, spinning to the clock's tick.
inline constexpr std::uint32_t SPIN_MARGIN_MS = 2;

// Waits until platform.milliseconds() - start >= due (unsigned arithmetic,
// so the clock may wrap). Sleeps through most of the time left and spins
// only the last moment, instead of keeping a processor busy all along.
void waitUntilDue(Platform& platform, std::uint32_t start, std::uint32_t due);

}  // namespace vilmar
