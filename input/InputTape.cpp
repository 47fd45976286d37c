#include "input/InputTape.h"

namespace vilmar {

void InputTape::startRecording(std::uint8_t tickMs) {
  *this = InputTape();
  tape_.tickMs = tickMs;
  bytes_ = REPLAY_HEADER_BYTES;
  mode_ = Mode::Recording;
}

void InputTape::startPlaying(const Replay& replay) {
  *this = InputTape();
  tape_ = replay;
  mode_ = Mode::Playing;
}

void InputTape::grow(std::size_t bytes) {
  bytes_ += bytes;
  if (bytes_ <= REPLAY_MAX_BYTES) return;
  // Too long for a file: the game goes on unrecorded, and what was kept is
  // let go rather than growing without end.
  overflowed_ = true;
  tape_.keys = {};
  tape_.clock = {};
}

void InputTape::recordKeys(std::uint8_t live) {
  live &= TAPE_KEYS;
  if (live == keys_) {
    ++unchanged_;
    return;
  }
  const KeyChange change{unchanged_, live};
  keys_ = live;
  unchanged_ = 0;
  if (overflowed_) return;
  grow(keyChangeBytes(change));
  if (!overflowed_) tape_.keys.push_back(change);
}

std::uint8_t InputTape::playKeys() {
  if (nextKey_ < tape_.keys.size() && tape_.keys[nextKey_].unchanged == unchanged_) {
    keys_ = tape_.keys[nextKey_++].keys;
    unchanged_ = 0;
  } else {
    ++unchanged_;
  }
  return keys_;
}

std::uint32_t InputTape::clock(std::uint32_t live) {
  if (mode_ == Mode::Off) return live;
  // The first read is the origin; every later one is told as its distance
  // from the previous read plus one tick's time per tick between them, which
  // is 0 or a millisecond or two in steady play.
  std::uint32_t value = live;
  if (clockStarted_) {
    const std::uint32_t predicted = lastClock_ + std::uint32_t{tape_.tickMs} * (tick_ - lastClockTick_);
    if (mode_ == Mode::Recording) {
      const auto deviation = static_cast<std::int32_t>(live - predicted);
      if (!overflowed_) grow(clockBytes(deviation));
      if (!overflowed_) tape_.clock.push_back(deviation);
    } else if (nextClock_ < tape_.clock.size()) {
      value = predicted + static_cast<std::uint32_t>(tape_.clock[nextClock_++]);
      // Played back, the first read is 0: the value is the time since it.
      const std::int64_t soonest = std::int64_t{tape_.tickMs} * (std::int64_t{tick_} - 2);
      if (static_cast<std::int64_t>(value) < soonest || value > 0x7FFFFFFFu) clockTooEarly_ = true;
    } else {
      clockRanOut_ = true;
      value = predicted;
    }
  } else if (mode_ == Mode::Playing) {
    value = 0;
  }
  clockStarted_ = true;
  lastClock_ = value;
  lastClockTick_ = tick_;
  return value;
}

Replay InputTape::recorded() const {
  Replay r = tape_;
  r.ticks = tick_;
  return r;
}

bool InputTape::playedExactly() const {
  return nextKey_ == tape_.keys.size() && nextClock_ == tape_.clock.size() &&
         !clockRanOut_;
}

}  // namespace vilmar
