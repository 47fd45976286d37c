#pragma once
// A score's recorded game, played again through the game's own rules (no
// drawing) before the score is taken. The work runs in a few slots handed
// out fairly, like the password checks, and no replay is played for longer
// than the tick budget, so a flood of long replays starves nobody.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "domain/PasswordHasher.h"

namespace kortix {

// Two hours of play: far more than any real game lasts (a player who is not
// serving misses within minutes, and every level from 29 on costs a life).
inline constexpr std::uint32_t REPLAY_TICK_BUDGET = 2u * 3600u * 25u;
// How much later than the replay's ticks the form's play time may read: the
// game clock runs on while the program is held up (a window dragged, a menu
// open), and the ticks catch up afterwards.
inline constexpr std::int64_t PLAY_TIME_SLACK_MS = 10 * 60 * 1000;

// The SHA-256 of a replay file in lowercase hex: what names a verified game.
std::string replaySha256(std::span<const std::uint8_t> bytes);

struct ReplayRuling {
  enum class Kind { Verified, Refused, Busy } kind = Kind::Refused;
  std::string reason;  // why it was refused, for the operator
};

class ReplayJudge {
 public:
  explicit ReplayJudge(int slots = 2, SlotQueueLimits queue = {}, std::uint32_t tickBudget = REPLAY_TICK_BUDGET);

  // Verified when the replay reads, is of these rules, starts at level 1
  // as the game does, plays to its header
  // (score, ticks, game over or cut short, final world) and makes the form's
  // score, and the form's play time fits its ticks: at least the game
  // clock's time to the tick that made the score (less two ticks), at most
  // the whole game's plus PLAY_TIME_SLACK_MS.
  ReplayRuling judge(std::span<const std::uint8_t> bytes, std::int32_t score, std::int32_t playTime,
                     std::string_view address);

 private:
  FairSlots slots_;
  std::uint32_t tickBudget_;
};

}  // namespace kortix
