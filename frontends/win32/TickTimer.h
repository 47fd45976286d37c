#pragma once
// The Windows program's wait for a tick's due time on the winmm clock
// (timeGetTime). It sleeps to just before the due moment and spins only the
// last fraction of a millisecond: on a high-resolution waitable timer where
// the system has one, else with Sleep and the 1 ms timer period (which may
// sleep up to 0.4 ms past the due moment rather than spin most of one). The clock
// shows whole milliseconds; where within one the next tick falls is learnt
// from the performance counter at each change of the clock seen while
// spinning, and how late the sleeps wake is learnt from each sleep.

#include <windows.h>

#include <cstdint>

namespace vilmar::win32 {

class TickTimer {
 public:
  enum class Mode { HighResolution, TimerPeriod };

  // HighResolution when asked for and the system offers it; TimerPeriod
  // always works.
  explicit TickTimer(Mode wanted = Mode::HighResolution);
  ~TickTimer();
  TickTimer(const TickTimer&) = delete;
  TickTimer& operator=(const TickTimer&) = delete;

  Mode mode() const { return timer_ != nullptr ? Mode::HighResolution : Mode::TimerPeriod; }

  // The clock the game runs on, in milliseconds; wraps at 2^32.
  static std::uint32_t milliseconds();
  // Returns once milliseconds() - start >= due (unsigned, so the clock may wrap).
  void waitUntil(std::uint32_t start, std::uint32_t due);

 private:
  std::int64_t counter() const;
  // Sleeps for about the given counter units; answers the units it asked
  // the system for (Sleep: whole milliseconds), 0 when it could not sleep.
  std::int64_t sleepFor(std::int64_t units);
  // Spins until the clock moves on from shown, and remembers that moment.
  void spinToNextMillisecond(std::uint32_t shown);

  HANDLE timer_ = nullptr;
  bool periodSet_ = false;
  std::int64_t frequency_ = 1;      // counter units per second
  // The last change of the clock seen: its new reading and the counter then.
  bool edgeKnown_ = false;
  std::uint32_t edgeMs_ = 0;
  std::int64_t edgeCounter_ = 0;
  std::int64_t overshoot_ = 0;      // how late sleeps wake, on average, in counter units
};

}  // namespace vilmar::win32
