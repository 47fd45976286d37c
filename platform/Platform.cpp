#include "platform/Platform.h"

namespace vilmar {

// The seam's own wait, for platforms without a finer timer. Here, beside the
// interface, so that every library that uses the seam also has its type.
void Platform::waitUntil(std::uint32_t start, std::uint32_t due) {
  for (;;) {
    const std::uint32_t elapsed = milliseconds() - start;
    if (elapsed >= due) return;
    const std::uint32_t left = due - elapsed;
    if (left > SPIN_MARGIN_MS) sleep(left - SPIN_MARGIN_MS);
    else spin();
  }
}

}  // namespace vilmar
