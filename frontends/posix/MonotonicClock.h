#pragma once
// The game's millisecond clock on Linux and other POSIX systems, and a wait
// for a tick's due time that sleeps on the absolute monotonic time instead of
// spinning: the tick starts a fraction of a millisecond after it is due and
// the waiting costs next to no processor time.

#include <cstdint>
#include <ctime>

namespace vilmar {

class MonotonicClock {
 public:
  MonotonicClock();

  // Milliseconds since the clock was made, wrapping at 2^32 like the
  // Windows clock the rules were written for.
  std::uint32_t milliseconds() const;
  // Sleeps about ms milliseconds.
  static void sleep(std::uint32_t ms);
  // Returns once milliseconds() - start >= due, sleeping to that moment.
  void waitUntil(std::uint32_t start, std::uint32_t due) const;
  // Nanoseconds since the clock was made, unwrapped (for measuring waits).
  std::int64_t elapsedNanoseconds() const;

 private:
  timespec origin_{};
};

}  // namespace vilmar
