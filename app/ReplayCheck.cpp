#include "app/ReplayCheck.h"

#include "app/GameSession.h"
#include "input/InputTape.h"
#include "input/KeyReader.h"
#include "input/KeyboardInput.h"
#include "world/BarGame.h"
#include "world/RulesVersion.h"
#include "world/WorldHash.h"

namespace vilmar {

const char* replayVerdictName(ReplayVerdict verdict) {
  switch (verdict) {
    case ReplayVerdict::Verified: return "verified";
    case ReplayVerdict::UnknownRules: return "unknown-rules";
    case ReplayVerdict::UnknownSpeed: return "unknown-speed";
    case ReplayVerdict::EndedEarly: return "ended-early";
    case ReplayVerdict::NotOver: return "not-over";
    case ReplayVerdict::InputLeftOver: return "input-left-over";
    case ReplayVerdict::ScoreDiffers: return "score-differs";
    case ReplayVerdict::HashDiffers: return "hash-differs";
  }
  return "unknown";
}

ReplayOutcome replayWorld(Platform& platform, const Replay& replay,
                          const std::function<void(std::uint32_t, std::uint64_t)>& afterTick) {
  KeyReader keys(platform);
  KeyboardInput keyboard(keys);
  InputTape tape;
  tape.startPlaying(replay);
  keyboard.useTape(&tape);
  // The same order as a restart in the game session: the world is built
  // (its first level starts, reading keys and clock), then tick 0 runs.
  BarGame world(platform, keyboard, replay.firstLevel, &tape);
  ReplayOutcome out;
  while (out.ticks < replay.ticks && !world.gameOver) {
    world.update();
    tape.endTick();
    ++out.ticks;
    if (afterTick) afterTick(out.ticks - 1, worldHash(world));
  }
  out.score = world.score->get();
  out.hash = worldHash(world);
  out.gameOver = world.gameOver;
  out.exact = tape.playedExactly();
  return out;
}

ReplayVerdict judgeReplay(const Replay& replay, const ReplayOutcome& o) {
  if (replay.rulesVersion != RULES_VERSION) return ReplayVerdict::UnknownRules;
  if (replay.tickMs != TICK_MS) return ReplayVerdict::UnknownSpeed;
  if (o.ticks < replay.ticks) return ReplayVerdict::EndedEarly;
  if (replay.gameOver != o.gameOver) return replay.gameOver ? ReplayVerdict::NotOver : ReplayVerdict::EndedEarly;
  if (!o.exact) return ReplayVerdict::InputLeftOver;
  if (o.score != replay.score) return ReplayVerdict::ScoreDiffers;
  if (o.hash != replay.finalHash) return ReplayVerdict::HashDiffers;
  return ReplayVerdict::Verified;
}

ReplayVerdict checkReplay(Platform& platform, const Replay& replay, ReplayOutcome* outcome) {
  if (replay.rulesVersion != RULES_VERSION) return ReplayVerdict::UnknownRules;
  if (replay.tickMs != TICK_MS) return ReplayVerdict::UnknownSpeed;
  const ReplayOutcome o = replayWorld(platform, replay);
  if (outcome != nullptr) *outcome = o;
  return judgeReplay(replay, o);
}

}  // namespace vilmar
