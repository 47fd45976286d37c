#include "app/TickWait.h"

#include "platform/Platform.h"

namespace vilmar {

void waitUntilDue(Platform& platform, std::uint32_t start, std::uint32_t due) {
  platform.waitUntil(start, due);
}

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
