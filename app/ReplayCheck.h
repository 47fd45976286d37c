#pragma once
// Re-plays a recorded game through the rules alone (no drawing, no main
// loop) and judges it against what its header claims. The simulator's
// --verify, the cross-target determinism check and the game service use it.

#include <cstdint>
#include <functional>
#include <string>

#include "input/Replay.h"

namespace vilmar {

class Platform;

struct ReplayOutcome {
  std::uint32_t ticks = 0;  // ticks run: the header's, or fewer when the game ended before
  std::int32_t score = 0;
  std::uint64_t hash = 0;   // worldHash() after the last tick run
  bool gameOver = false;
  bool exact = false;       // the world took exactly the replay's input
  bool clockPlausible = true;  // no clock read earlier than the ticks allow
  std::uint32_t scoredAt = 0;  // ticks run when the score last rose (0: it never did)
};

enum class ReplayVerdict {
  Verified,
  UnknownRules,   // recorded under rules this program does not have
  UnknownSpeed,   // a tick length this program does not play
  Practice,       // a practice game (a slower speed): played, never a score
  EndedEarly,     // game over before the header's tick count
  NotOver,        // the header says game over, the world is not
  InputLeftOver,  // keys or clock reads the world never took, or too few of them
  ScoreDiffers,
  HashDiffers,
  ImpossibleClock,  // a clock read earlier than the game's ticks allow
};

const char* replayVerdictName(ReplayVerdict verdict);

// Whether this program can play the replay as it was played: its rules and
// its speed (full or a practice speed). When not, why says so in a line for the user.
bool playableHere(const Replay& replay, std::string& why);

// Runs the replay's ticks; afterTick (when given) sees each tick's number
// and the world's hash after it. Stops early at a game over. Builds one
// world from the platform's resources; the platform's clock and keys are
// not read.
ReplayOutcome replayWorld(Platform& platform, const Replay& replay,
                          const std::function<void(std::uint32_t, std::uint64_t)>& afterTick = {});

// Whether the outcome is what the header claims, its rules and speed included.
ReplayVerdict judgeReplay(const Replay& replay, const ReplayOutcome& outcome);

// Both: refuses unknown rules and speeds and practice games without
// running them.
ReplayVerdict checkReplay(Platform& platform, const Replay& replay, ReplayOutcome* outcome = nullptr);
// The same on a platform of its own that has no pictures, sound or clock:
// the rules do not depend on them, and a check without them costs least.
// Safe to run on several threads at once.
ReplayVerdict checkReplay(const Replay& replay, ReplayOutcome* outcome = nullptr);

}  // namespace vilmar
