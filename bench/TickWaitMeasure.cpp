// Measures the tick wait on the real clock: how late each tick begins
// against its due time, and how much processor time the waiting costs per
// second of game, for the platform's own waits and for a pure spin beside
// them. Built natively (the monotonic clock) and for the Windows program
// (its high-resolution timer and the 1 ms timer period; run under Wine here).
// Run: build/default/bench/vilmar_tickwait [ticks]
//      wine build/mingw/frontends/win32/vilmar-tickwait.exe [ticks]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "app/TickWait.h"
#include "platform/HttpTransport.h"
#include "platform/Platform.h"

#ifdef _WIN32
#include "frontends/win32/TickTimer.h"
#else
#include <ctime>

#include "frontends/posix/MonotonicClock.h"
#endif

using namespace vilmar;
using Clock = std::chrono::steady_clock;

namespace {

// How the clock waits: sleep then spin (the seam's default), spin only, or
// the platform's own wait to the due moment: the monotonic clock on Linux;
// on Windows the high-resolution timer, or the 1 ms period where there is none.
enum class Wait { Sleep, Spin, Native, NativeFallback };

#ifdef _WIN32
class NativeClock {
 public:
  explicit NativeClock(bool fallback)
      : timer_(fallback ? win32::TickTimer::Mode::TimerPeriod : win32::TickTimer::Mode::HighResolution) {}
  std::uint32_t milliseconds() const { return win32::TickTimer::milliseconds(); }
  void waitUntil(std::uint32_t start, std::uint32_t due) { timer_.waitUntil(start, due); }
  bool available(bool fallback) const {
    return fallback || timer_.mode() == win32::TickTimer::Mode::HighResolution;
  }

 private:
  win32::TickTimer timer_;
};

double cpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}
#else
class NativeClock {
 public:
  explicit NativeClock(bool) {}
  std::uint32_t milliseconds() const { return clock_.milliseconds(); }
  void waitUntil(std::uint32_t start, std::uint32_t due) const { clock_.waitUntil(start, due); }
  bool available(bool fallback) const { return !fallback; }

 private:
  MonotonicClock clock_;
};

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
#endif

// Just the clock of a real platform: milliseconds since start, sleep, spin.
class RealClock : public Platform {
 public:
  explicit RealClock(Wait wait) : wait_(wait), native_(wait == Wait::NativeFallback) { alignOrigins(); }
  bool available() const {
    return wait_ == Wait::Sleep || wait_ == Wait::Spin || native_.available(wait_ == Wait::NativeFallback);
  }
  std::uint32_t milliseconds() override {
    if (wait_ == Wait::Native || wait_ == Wait::NativeFallback) return native_.milliseconds() - nativeOrigin_;
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - origin_).count());
  }
  void sleep(std::uint32_t ms) override {
    if (wait_ != Wait::Spin) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  void spin() override {}
  void waitUntil(std::uint32_t start, std::uint32_t due) override {
    if (wait_ == Wait::Native || wait_ == Wait::NativeFallback) native_.waitUntil(start + nativeOrigin_, due);
    else Platform::waitUntil(start, due);
  }
  // Exact milliseconds since the clock's origin, for judging its readings.
  double exactMs() const { return std::chrono::duration<double, std::milli>(Clock::now() - origin_).count(); }
  std::span<const std::uint8_t> resource(ResourceType, int) override { return {}; }
  void present(std::span<const std::uint8_t>, int, int, const Palette&) override {}
  std::uint16_t keyState(Key) override { return 0; }
  bool hasFocus() override { return true; }
  void playSound(int) override {}
  void runDialog(Dialog&) override {}
  void openUrl(std::string_view) override {}
  HttpTransport& http() override { std::abort(); }
  int processorType() override { return 0; }
  std::uint32_t secondsOfDay() override { return 0; }
  bool readProgramFile(std::string&) override { return false; }
  void debugOutput(std::string_view) override {}

 private:
  Wait wait_;
  NativeClock native_;
  // Taken together at the start of a whole millisecond of the native clock,
  // so the two agree to the time of one clock reading.
  std::uint32_t nativeOrigin_ = 0;
  Clock::time_point origin_;

  // A reading that took long (the thread was put aside in the middle of
  // it) would shift every figure; such an edge is skipped for the next.
  void alignOrigins() {
    for (;;) {
      const std::uint32_t first = native_.milliseconds();
      for (;;) {
        const Clock::time_point before = Clock::now();
        const std::uint32_t now = native_.milliseconds();
        const Clock::time_point after = Clock::now();
        if (now == first) continue;
        if (after - before < std::chrono::microseconds(20)) {
          nativeOrigin_ = now;
          origin_ = before;
          return;
        }
        break;
      }
    }
  }
};

void measure(const char* name, Wait wait, int ticks) {
  RealClock clock(wait);
  if (!clock.available()) {
    std::printf("%-6s not available on this system\n", name);
    return;
  }
  const std::uint32_t start = clock.milliseconds();
  std::vector<double> lateMs;
  const double cpu0 = cpuSeconds();
  for (int n = 1; n <= ticks; ++n) {
    waitUntilDue(clock, start, 40u * static_cast<std::uint32_t>(n));
    // Due the moment the millisecond clock reaches start + 40 n.
    lateMs.push_back(clock.exactMs() - (start + 40.0 * n));
  }
  const double cpu = cpuSeconds() - cpu0;
  std::sort(lateMs.begin(), lateMs.end());
  const double gameSeconds = ticks * 0.040;
  std::printf("%-6s ticks %d  start error ms: median %.3f  p99 %.3f  max %.3f  cpu per game second %.1f ms\n", name,
              ticks, lateMs[lateMs.size() / 2], lateMs[lateMs.size() * 99 / 100], lateMs.back(),
              1000.0 * cpu / gameSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  const int ticks = argc > 1 ? std::max(10, std::atoi(argv[1])) : 250;
  measure("sleep", Wait::Sleep, ticks);
  measure("spin", Wait::Spin, ticks);
#ifdef _WIN32
  measure("timer", Wait::Native, ticks);
  measure("period", Wait::NativeFallback, ticks);
#else
  measure("clock", Wait::Native, ticks);
#endif
  return 0;
}
