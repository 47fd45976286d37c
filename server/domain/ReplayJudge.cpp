#include "domain/ReplayJudge.h"

#include <sodium.h>

#include "app/ReplayCheck.h"
#include "input/Replay.h"
#include "world/RulesVersion.h"

namespace kortix {

namespace {

ReplayRuling refused(std::string reason) { return {ReplayRuling::Kind::Refused, "replay: " + std::move(reason)}; }

// The slot goes back however the check ends.
class Slot {
 public:
  explicit Slot(FairSlots& slots) : slots_(slots) {}
  ~Slot() { slots_.release(); }
  Slot(const Slot&) = delete;
  Slot& operator=(const Slot&) = delete;

 private:
  FairSlots& slots_;
};

}  // namespace

std::string replaySha256(std::span<const std::uint8_t> bytes) {
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256(digest, bytes.data(), bytes.size());
  static constexpr char HEX[] = "0123456789abcdef";
  std::string text;
  for (const unsigned char b : digest) {
    text += HEX[b >> 4];
    text += HEX[b & 15];
  }
  return text;
}

ReplayJudge::ReplayJudge(int slots, SlotQueueLimits queue, std::uint32_t tickBudget)
    : slots_(slots, queue), tickBudget_(tickBudget) {}

ReplayRuling ReplayJudge::judge(std::span<const std::uint8_t> bytes, std::int32_t score, std::int32_t playTime,
                                std::string_view address) {
  // What the header alone tells is checked before any slot is taken.
  vilmar::Replay replay;
  if (const vilmar::ReplayError e = vilmar::parseReplay(bytes, replay); e != vilmar::ReplayError::None)
    return refused(std::string("unreadable (") + vilmar::replayErrorName(e) + ")");
  if (replay.rulesVersion != vilmar::RULES_VERSION)
    return refused("rules version " + std::to_string(replay.rulesVersion) + " is not this service's " +
                   std::to_string(vilmar::RULES_VERSION));
  // The game starts at level 1; a later first level is a testing aid.
  if (replay.firstLevel != 1) return refused("starts at level " + std::to_string(replay.firstLevel));
  if (replay.ticks > tickBudget_) return refused("longer than the tick budget (" + std::to_string(replay.ticks) + " ticks)");
  if (replay.score != score)
    return refused("its score " + std::to_string(replay.score) + " is not the form's " + std::to_string(score));

  if (!slots_.acquire(address)) return {ReplayRuling::Kind::Busy, {}};
  vilmar::ReplayOutcome outcome;
  vilmar::ReplayVerdict verdict;
  {
    const Slot held(slots_);
    verdict = vilmar::checkReplay(replay, &outcome);
  }
  if (verdict != vilmar::ReplayVerdict::Verified) return refused(vilmar::replayVerdictName(verdict));

  const std::int64_t tick = replay.tickMs;
  if (playTime < tick * (std::int64_t{outcome.scoredAt} - 2))
    return refused("play time " + std::to_string(playTime) + " ms is shorter than its " +
                   std::to_string(outcome.scoredAt) + " ticks to the score");
  if (playTime > tick * std::int64_t{replay.ticks} + PLAY_TIME_SLACK_MS)
    return refused("play time " + std::to_string(playTime) + " ms is far longer than its " +
                   std::to_string(replay.ticks) + " ticks");
  return {ReplayRuling::Kind::Verified, {}};
}

}  // namespace kortix
