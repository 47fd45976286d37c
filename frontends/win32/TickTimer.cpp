#include "frontends/win32/TickTimer.h"

#include <mmsystem.h>

#include <algorithm>

namespace vilmar::win32 {

namespace {

// Older headers lack the flag; systems before Windows 10 1803 refuse it,
// which is how the fallback is chosen.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr DWORD CREATE_WAITABLE_TIMER_HIGH_RESOLUTION = 0x00000002;
#endif

constexpr std::int64_t TIMER_UNITS_PER_SECOND = 10'000'000;  // the waitable timer counts 100 ns

}  // namespace

TickTimer::TickTimer(Mode wanted) {
  // The clock reads in whole milliseconds only with the 1 ms period, and
  // Sleep keeps to it only then.
  periodSet_ = timeBeginPeriod(1) == TIMERR_NOERROR;
  if (wanted == Mode::HighResolution) {
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
  }
  LARGE_INTEGER frequency;
  if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) frequency_ = frequency.QuadPart;
  overshoot_ = frequency_ / 2000;  // half a millisecond until the first sleeps tell
}

TickTimer::~TickTimer() {
  if (timer_ != nullptr) CloseHandle(timer_);
  if (periodSet_) timeEndPeriod(1);
}

std::uint32_t TickTimer::milliseconds() { return timeGetTime(); }

std::int64_t TickTimer::counter() const {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

std::int64_t TickTimer::sleepFor(std::int64_t units) {
  if (timer_ != nullptr) {
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = -std::max<std::int64_t>(1, units * TIMER_UNITS_PER_SECOND / frequency_);  // negative: from now
    const bool slept = SetWaitableTimer(timer_, &dueTime, 0, nullptr, nullptr, FALSE) &&
                       WaitForSingleObject(timer_, INFINITE) == WAIT_OBJECT_0;
    return slept ? units : 0;
  }
  const std::int64_t ms = units * 1000 / frequency_;  // Sleep takes whole milliseconds
  if (ms < 1) return 0;
  Sleep(static_cast<DWORD>(ms));
  return ms * frequency_ / 1000;
}

void TickTimer::spinToNextMillisecond(std::uint32_t shown) {
  std::uint32_t now = milliseconds();
  while (now == shown) {
    YieldProcessor();
    now = milliseconds();
  }
  edgeKnown_ = true;
  edgeMs_ = now;
  edgeCounter_ = counter();
}

void TickTimer::waitUntil(std::uint32_t start, std::uint32_t due) {
  // The last stretch is spun: long enough for a sleep that wakes a little
  // early, short enough to cost next to nothing.
  const std::int64_t spinMargin = frequency_ / 10'000;  // 0.1 ms
  const std::int64_t perMs = frequency_ / 1000;
  const std::int64_t lateBudget = frequency_ / 2500;  // 0.4 ms
  for (;;) {
    const std::uint32_t shown = milliseconds();
    const std::uint32_t elapsed = shown - start;
    if (elapsed >= due) return;
    const std::int64_t now = counter();
    // The clock shows elapsed, so the due moment is between left - 1 and
    // left milliseconds away; where within that the last change of the
    // clock says, when one has been seen.
    const std::int64_t left = due - elapsed;
    std::int64_t until = (left - 1) * perMs;  // the soonest it can be
    if (edgeKnown_) {
      const auto msFromEdge = static_cast<std::int32_t>(start + due - edgeMs_);
      const std::int64_t estimate = edgeCounter_ + std::int64_t{msFromEdge} * perMs - now;
      until = std::clamp(estimate, (left - 1) * perMs, left * perMs);
    }
    std::int64_t sleep = until - overshoot_ - spinMargin;
    // Sleep ends only on whole milliseconds: the last part of one is either
    // spun or slept past. Slept past when a millisecond's sleep, as late as
    // sleeps have been waking, ends within lateBudget after the due moment.
    if (timer_ == nullptr && sleep < perMs && perMs + overshoot_ - until <= lateBudget) sleep = perMs;
    if (sleep > spinMargin) {
      const std::int64_t before = counter();
      if (const std::int64_t asked = sleepFor(sleep); asked > 0) {
        // How late it woke, averaged; a long stall (another program, the
        // machine busy) counts only as two milliseconds.
        const std::int64_t late = std::clamp<std::int64_t>(counter() - before - asked, 0, 2 * perMs);
        overshoot_ += (late - overshoot_) / 8;
        continue;
      }
    }
    spinToNextMillisecond(shown);
  }
}

}  // namespace vilmar::win32
