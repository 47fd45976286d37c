#pragma once
#include <cstdint>

#include "platform/Platform.h"

namespace vilmar {

// Waits until platform.milliseconds() - start >= due (unsigned arithmetic,
// so the clock may wrap), with the platform's own wait: a timer to the due
// moment where it has one, else sleep and a short spin at the end.
void waitUntilDue(Platform& platform, std::uint32_t start, std::uint32_t due);

}  // namespace vilmar
