// Recorded games from outside (a download, a score form's replay): any bytes
// either read as a whole replay or are refused with a reason; a replay that
// reads is written back to the same replay, and played through the rules
// without a crash, a hang or an answer outside the verdicts.

#include <cstdint>
#include <span>
#include <string_view>

#include "app/ReplayCheck.h"
#include "fuzz/FuzzSupport.h"
#include "input/Replay.h"
#include "frontends/headless/HeadlessPlatform.h"

using namespace vilmar;

namespace {
// A few seconds of play per input keeps each run quick; the rules do not
// change with the length, the tape's bookkeeping is exercised all the same.
constexpr std::uint32_t TICK_LIMIT = 1500;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  Replay replay;
  replay.score = 12345;
  const ReplayError error = parseReplay(bytes, replay);
  if (error != ReplayError::None) {
    FUZZ_CHECK(replay.score == 12345 && replay.keys.empty());  // left as it was
    return 0;
  }
  FUZZ_CHECK(size <= REPLAY_MAX_BYTES && replay.ticks >= 1 && replay.ticks <= REPLAY_MAX_TICKS);
  const std::vector<std::uint8_t> again = encodeReplay(replay);
  FUZZ_CHECK(again.size() <= size);  // the shortest varints: never longer
  Replay back;
  FUZZ_CHECK(parseReplay(again, back) == ReplayError::None && back == replay);

  static HeadlessPlatform platform;
  if (replay.ticks > TICK_LIMIT) replay.ticks = TICK_LIMIT;
  std::uint32_t seen = 0;
  const ReplayOutcome outcome = replayWorld(platform, replay, [&](std::uint32_t tick, std::uint64_t) {
    FUZZ_CHECK(tick == seen);
    ++seen;
  });
  platform.sounds.clear();
  FUZZ_CHECK(outcome.ticks == seen && outcome.ticks <= replay.ticks);
  FUZZ_CHECK(outcome.ticks == replay.ticks || outcome.gameOver);
  const ReplayVerdict verdict = judgeReplay(replay, outcome);
  FUZZ_CHECK(std::string_view(replayVerdictName(verdict)) != "unknown");
  return 0;
}
