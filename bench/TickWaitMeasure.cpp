// Measures the tick wait on the real clock: how late each tick begins
// against its due time, and how much processor time the waiting costs per
// second of game, for the sleeping wait and for a pure spin beside it.
// Run: build/default/bench/vilmar_tickwait [ticks]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "app/TickWait.h"
#include "platform/HttpTransport.h"
#include "platform/Platform.h"
#include "platform/posix/MonotonicClock.h"

using namespace vilmar;
using Clock = std::chrono::steady_clock;

namespace {

// How the clock waits: sleep then spin (the seam's default), spin only, or
// sleep on the absolute monotonic time to the due moment.
enum class Wait { Sleep, Spin, Monotonic };

// Just the clock of a real platform: milliseconds since start, sleep, spin.
class RealClock : public Platform {
 public:
  explicit RealClock(Wait wait) : wait_(wait) {}
  std::uint32_t milliseconds() override {
    if (wait_ == Wait::Monotonic) return monotonic_.milliseconds();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - origin_).count());
  }
  void sleep(std::uint32_t ms) override {
    if (wait_ != Wait::Spin) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  void spin() override {}
  void waitUntil(std::uint32_t start, std::uint32_t due) override {
    if (wait_ == Wait::Monotonic) monotonic_.waitUntil(start, due);
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
  // Made together, so the two origins agree to a few microseconds.
  Clock::time_point origin_ = Clock::now();
  MonotonicClock monotonic_;
};

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void measure(const char* name, Wait wait, int ticks) {
  RealClock clock(wait);
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
  measure("clock", Wait::Monotonic, ticks);
  return 0;
}
