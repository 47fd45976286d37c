// Checks the Windows program's tick wait under Wine: with the
// high-resolution timer (where the system has one) and with the 1 ms timer
// period, a wait never returns before the clock shows its due time, a tick
// that is already due does not wait, and a start time ahead of the clock
// counts as long past (the clock wraps). Prints one line per way of waiting
// and exits with 1 when a check failed.

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "frontends/win32/TickTimer.h"

using vilmar::win32::TickTimer;

namespace {

double nowMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool check(TickTimer::Mode mode, const char* name) {
  TickTimer timer(mode);
  if (timer.mode() != mode) {
    std::printf("%s: not available on this system\n", name);
    return true;
  }
  bool ok = true;
  const std::uint32_t start = TickTimer::milliseconds();
  std::uint32_t worstLate = 0;
  for (std::uint32_t n = 1; n <= 50; ++n) {
    timer.waitUntil(start, 40 * n);
    const std::uint32_t elapsed = TickTimer::milliseconds() - start;
    if (elapsed < 40 * n) {
      std::printf("%s: tick %u returned at %u ms, before its due time %u ms\n", name, n, elapsed, 40 * n);
      ok = false;
    } else if (elapsed - 40 * n > worstLate) {
      worstLate = elapsed - 40 * n;
    }
  }
  // Already due, and due "in the future" of a start ahead of the clock: no wait.
  const double before = nowMs();
  timer.waitUntil(TickTimer::milliseconds() - 100, 40);
  timer.waitUntil(TickTimer::milliseconds() + 16, 40);
  const double waited = nowMs() - before;
  if (waited > 30.0) {
    std::printf("%s: waits that were already due took %.1f ms\n", name, waited);
    ok = false;
  }
  std::printf("%s: 50 ticks, none early, latest %u ms after its due time%s\n", name, worstLate, ok ? "" : "; FAILED");
  return ok;
}

}  // namespace

int main() {
  const bool timer = check(TickTimer::Mode::HighResolution, "high-resolution timer");
  const bool period = check(TickTimer::Mode::TimerPeriod, "1 ms timer period");
  return timer && period ? 0 : 1;
}
