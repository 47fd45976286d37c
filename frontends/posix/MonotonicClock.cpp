#include "frontends/posix/MonotonicClock.h"

#include <cerrno>

namespace vilmar {

namespace {

constexpr std::int64_t NS_PER_MS = 1'000'000;
constexpr std::int64_t NS_PER_S = 1'000'000'000;

std::int64_t nanoseconds(const timespec& t) { return std::int64_t{t.tv_sec} * NS_PER_S + t.tv_nsec; }

timespec nowMonotonic() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t;
}

}  // namespace

MonotonicClock::MonotonicClock() : origin_(nowMonotonic()) {}

std::uint32_t MonotonicClock::milliseconds() const {
  const std::int64_t ms = (nanoseconds(nowMonotonic()) - nanoseconds(origin_)) / NS_PER_MS;
  return static_cast<std::uint32_t>(ms);
}

std::int64_t MonotonicClock::elapsedNanoseconds() const {
  return nanoseconds(nowMonotonic()) - nanoseconds(origin_);
}

void MonotonicClock::sleep(std::uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * NS_PER_MS};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

void MonotonicClock::waitUntil(std::uint32_t start, std::uint32_t due) const {
  for (;;) {
    const std::int64_t elapsedNs = nanoseconds(nowMonotonic()) - nanoseconds(origin_);
    // The millisecond reading wraps; the due moment is reached when the
    // reading has moved due past start, whatever the wraps in between.
    const std::uint32_t elapsedMs = static_cast<std::uint32_t>(elapsedNs / NS_PER_MS) - start;
    if (elapsedMs >= due) return;
    // The reading reaches due at the start of that millisecond: sleep to it.
    const std::int64_t targetNs = elapsedNs - elapsedNs % NS_PER_MS + std::int64_t{due - elapsedMs} * NS_PER_MS;
    const std::int64_t absoluteNs = nanoseconds(origin_) + targetNs;
    const timespec target{static_cast<time_t>(absoluteNs / NS_PER_S), static_cast<long>(absoluteNs % NS_PER_S)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &target, nullptr);
  }
}

}  // namespace vilmar
