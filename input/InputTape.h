#pragma once
// Everything a game's world takes from outside, at the place where it goes
// in: what each key read found (Up, Down, Space) and what each rule that
// reads the clock got. While recording, the live answers pass through and
// are kept; while playing back, the tape answers in their place, so a
// recorded game re-plays without a frontend.

#include <cstdint>

#include "input/Replay.h"

namespace vilmar {

class InputTape {
 public:
  enum class Mode : std::uint8_t { Off, Recording, Playing };

  void startRecording(std::uint8_t tickMs);
  // The replay is copied; it must have passed parseReplay or come from a recording.
  void startPlaying(const Replay& replay);
  void stop() { mode_ = Mode::Off; }

  Mode mode() const { return mode_; }
  bool recording() const { return mode_ == Mode::Recording; }
  bool playing() const { return mode_ == Mode::Playing; }

  // A key read: records the live answer, or gives the recorded one.
  std::uint8_t keys(std::uint8_t live) {
    if (mode_ == Mode::Recording) recordKeys(live);
    else if (mode_ == Mode::Playing) return playKeys();
    return live;
  }
  // A rule's clock read, in milliseconds.
  std::uint32_t clock(std::uint32_t live);
  // The world has finished a tick.
  void endTick() { ++tick_; }
  std::uint32_t ticks() const { return tick_; }

  // The recording so far as a replay (header fields other than the input
  // and the tick count are the caller's). Empty input once it outgrew the cap.
  Replay recorded() const;
  // The recording grew past what one file may hold and was dropped.
  bool overflowed() const { return overflowed_; }

  // Playing: the world took exactly the input on the tape, no more, no less.
  bool playedExactly() const;
  // Playing: the world read the clock more often than the tape recorded.
  bool clockRanOut() const { return clockRanOut_; }
  // Playing: a clock read came earlier than the game's own ticks allow (a
  // tick runs only when due, so the clock is never more than a tick or two
  // behind tickMs per tick since the first read). A live clock never does it.
  bool clockTooEarly() const { return clockTooEarly_; }

 private:
  void recordKeys(std::uint8_t live);
  std::uint8_t playKeys();
  void grow(std::size_t bytes);

  Mode mode_ = Mode::Off;
  Replay tape_;
  std::uint32_t tick_ = 0;
  std::size_t bytes_ = 0;
  bool overflowed_ = false;

  // Keys: the current answer and the reads since the last change.
  std::uint8_t keys_ = 0;
  std::uint32_t unchanged_ = 0;
  std::size_t nextKey_ = 0;

  // Clock: the previous read and its tick.
  bool clockStarted_ = false;
  std::uint32_t lastClock_ = 0;
  std::uint32_t lastClockTick_ = 0;
  std::size_t nextClock_ = 0;
  bool clockRanOut_ = false;
  bool clockTooEarly_ = false;
};

}  // namespace vilmar
