#include "app/ReplayCheck.h"

#include "app/GameSession.h"
#include "ui/GameSpeed.h"
#include "net/FormCheck.h"
#include "platform/Platform.h"
#include "platform/UnavailableTransport.h"
#include "input/InputTape.h"
#include "input/KeyReader.h"
#include "input/KeyboardInput.h"
#include "world/BarGame.h"
#include "world/RulesVersion.h"
#include "world/WorldHash.h"

namespace vilmar {

static_assert(FORM_REPLAY_MAX_BYTES == REPLAY_MAX_BYTES, "a form carries any replay, and no more");

namespace {

// Nothing but the rules: no pictures (each is its missing mark, which the
// rules never look at), no sound, no keys, no clock (the tape answers).
class RulesOnlyPlatform final : public Platform {
 public:
  std::span<const std::uint8_t> resource(ResourceType, int) override { return {}; }
  void present(std::span<const std::uint8_t>, int, int, const Palette&) override {}
  std::uint16_t keyState(Key) override { return 0; }
  bool hasFocus() override { return false; }
  std::uint32_t milliseconds() override { return 0; }
  void sleep(std::uint32_t) override {}
  void spin() override {}
  void playSound(int) override {}
  void runDialog(Dialog&) override {}
  void openUrl(std::string_view) override {}
  HttpTransport& http() override { return http_; }
  int processorType() override { return 0; }
  std::uint32_t secondsOfDay() override { return 0; }
  bool readProgramFile(std::string&) override { return false; }
  void debugOutput(std::string_view) override {}

 private:
  UnavailableTransport http_{"no network while checking a replay"};
};

}  // namespace

const char* replayVerdictName(ReplayVerdict verdict) {
  switch (verdict) {
    case ReplayVerdict::Verified: return "verified";
    case ReplayVerdict::UnknownRules: return "unknown-rules";
    case ReplayVerdict::UnknownSpeed: return "unknown-speed";
    case ReplayVerdict::Practice: return "practice";
    case ReplayVerdict::EndedEarly: return "ended-early";
    case ReplayVerdict::NotOver: return "not-over";
    case ReplayVerdict::InputLeftOver: return "input-left-over";
    case ReplayVerdict::ScoreDiffers: return "score-differs";
    case ReplayVerdict::HashDiffers: return "hash-differs";
    case ReplayVerdict::ImpossibleClock: return "impossible-clock";
  }
  return "unknown";
}

bool playableHere(const Replay& replay, std::string& why) {
  if (replay.rulesVersion != RULES_VERSION) {
    why = "recorded under rules version " + std::to_string(replay.rulesVersion) + "; this program has version " +
          std::to_string(RULES_VERSION);
    return false;
  }
  if (GameSpeed speed; !speedFromTickMs(replay.tickMs, speed)) {
    why = "recorded at " + std::to_string(replay.tickMs) + " ms a tick; this program plays " +
          std::to_string(speedTickMs(GameSpeed::Full)) + ", " + std::to_string(speedTickMs(GameSpeed::ThreeQuarters)) +
          " or " + std::to_string(speedTickMs(GameSpeed::Half)) + " ms";
    return false;
  }
  return true;
}

namespace {
// Only full-speed games count: a practice game is told apart from a tick
// this program has never played.
ReplayVerdict speedVerdict(const Replay& replay) {
  GameSpeed speed;
  return speedFromTickMs(replay.tickMs, speed) ? ReplayVerdict::Practice : ReplayVerdict::UnknownSpeed;
}
}  // namespace

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
  std::int32_t score = world.score().get();
  while (out.ticks < replay.ticks && !world.gameOver()) {
    world.update();
    tape.endTick();
    ++out.ticks;
    if (world.score().get() != score) {
      score = world.score().get();
      out.scoredAt = out.ticks;
    }
    if (afterTick) afterTick(out.ticks - 1, worldHash(world));
  }
  out.score = world.score().get();
  out.hash = worldHash(world);
  out.gameOver = world.gameOver();
  out.exact = tape.playedExactly();
  out.clockPlausible = !tape.clockTooEarly();
  return out;
}

ReplayVerdict judgeReplay(const Replay& replay, const ReplayOutcome& o) {
  if (replay.rulesVersion != RULES_VERSION) return ReplayVerdict::UnknownRules;
  if (replay.tickMs != TICK_MS) return speedVerdict(replay);
  if (o.ticks < replay.ticks) return ReplayVerdict::EndedEarly;
  if (replay.gameOver != o.gameOver) return replay.gameOver ? ReplayVerdict::NotOver : ReplayVerdict::EndedEarly;
  if (!o.exact) return ReplayVerdict::InputLeftOver;
  if (!o.clockPlausible) return ReplayVerdict::ImpossibleClock;
  if (o.score != replay.score) return ReplayVerdict::ScoreDiffers;
  if (o.hash != replay.finalHash) return ReplayVerdict::HashDiffers;
  return ReplayVerdict::Verified;
}

ReplayVerdict checkReplay(const Replay& replay, ReplayOutcome* outcome) {
  RulesOnlyPlatform platform;
  return checkReplay(platform, replay, outcome);
}

ReplayVerdict checkReplay(Platform& platform, const Replay& replay, ReplayOutcome* outcome) {
  if (replay.rulesVersion != RULES_VERSION) return ReplayVerdict::UnknownRules;
  if (replay.tickMs != TICK_MS) return speedVerdict(replay);
  const ReplayOutcome o = replayWorld(platform, replay);
  if (outcome != nullptr) *outcome = o;
  return judgeReplay(replay, o);
}

}  // namespace vilmar
