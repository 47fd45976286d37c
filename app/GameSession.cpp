#include "app/GameSession.h"

#include "app/TickWait.h"
#include "input/KeyboardInput.h"
#include "platform/Platform.h"
#include "world/RulesVersion.h"
#include "world/WorldHash.h"

namespace vilmar {

GameSession::GameSession(Platform& platform, KeyboardInput& keyboard, std::int32_t firstLevel)
    : platform_(platform), keyboard_(keyboard), firstLevel_(firstLevel) {
  busy = true;
  keyboard_.useTape(&tape_);
  world = std::make_unique<BarGame>(platform_, keyboard_);
  // The program opens on a finished game: the game-over picture over the
  // bar room, and nothing moves until a restart.
  world->finish();
  clockStart = tickEntry = platform_.milliseconds();
  tickCount = 0;
  busy = false;
}

// The keyboard keeps its pointer to the tape: only this session's worlds
// poll it, and they go with the session (the App may destroy the keyboard
// first).
GameSession::~GameSession() = default;

void GameSession::playBack(const Replay& replay) {
  pendingPlayback_ = replay;
  restartRequested = true;
}

Replay GameSession::recordedGame(bool over) const {
  Replay r = tape_.recorded();
  r.rulesVersion = RULES_VERSION;
  r.gameOver = over;
  r.firstLevel = gameFirstLevel_;
  r.score = world->score().get();
  r.finalHash = worldHash(*world);
  return r;
}

std::optional<Replay> GameSession::currentGame() const {
  if (!tape_.recording() || tape_.overflowed() || tape_.ticks() == 0 || tape_.ticks() > REPLAY_MAX_TICKS)
    return std::nullopt;
  return recordedGame(false);
}

void GameSession::resyncClock() { clockStart = platform_.milliseconds() - tickMs_ * tickCount; }

void GameSession::setSpeed(GameSpeed speed) {
  speed_ = speed;
  if (tape_.mode() != InputTape::Mode::Off) return;
  // Nothing is recorded or played: the new tick starts from this moment.
  tickMs_ = speedTickMs(speed);
  resyncClock();
}

void GameSession::tick() {
  busy = true;
  tickEntry = platform_.milliseconds();
  waitUntilDue(platform_, clockStart, tickMs_ * tickCount);
  if (restartRequested) {
    if (tape_.recording()) {
      lastGame = currentGame();
      ++finishedGames;
    }
    playing_ = pendingPlayback_.has_value();
    if (playing_) {
      playback_ = std::move(*pendingPlayback_);
      pendingPlayback_.reset();
      gameFirstLevel_ = playback_.firstLevel;
      tape_.startPlaying(playback_);
      // A recorded game plays at the speed it was played at.
      tickMs_ = playback_.tickMs;
    } else {
      gameFirstLevel_ = firstLevel_;
      tickMs_ = speedTickMs(speed_);
      tape_.startRecording(static_cast<std::uint8_t>(tickMs_));
    }
    world.reset();
    world = std::make_unique<BarGame>(platform_, keyboard_, gameFirstLevel_, &tape_);
    clockStart = tickEntry = platform_.milliseconds();
    tickCount = 0;
    restartRequested = false;
    gameOverSeen = false;
  }
  if (!playbackEnded()) {
    world->update();
    if (tape_.mode() != InputTape::Mode::Off) tape_.endTick();
    if (tape_.recording() && world->gameOver()) {
      lastGame = currentGame();
      if (lastGame) lastGame->gameOver = true;
      ++finishedGames;
      tape_.stop();
    }
  }
  lastTick = tickCount;
  lastTickDrew = tickEntry - clockStart < tickMs_ * tickCount;
  if (lastTickDrew) world->render();
  if (world->gameOver()) gameOverSeen = true;
  busy = false;
  ++tickCount;
}

}  // namespace vilmar
