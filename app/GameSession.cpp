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
  world->gameOver = true;
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
  r.score = world->score->get();
  r.finalHash = worldHash(*world);
  return r;
}

std::optional<Replay> GameSession::currentGame() const {
  if (!tape_.recording() || tape_.overflowed() || tape_.ticks() == 0 || tape_.ticks() > REPLAY_MAX_TICKS)
    return std::nullopt;
  return recordedGame(false);
}

void GameSession::resyncClock() { clockStart = platform_.milliseconds() - TICK_MS * tickCount; }

void GameSession::tick() {
  busy = true;
  tickEntry = platform_.milliseconds();
  waitUntilDue(platform_, clockStart, TICK_MS * tickCount);
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
    } else {
      gameFirstLevel_ = firstLevel_;
      tape_.startRecording(static_cast<std::uint8_t>(TICK_MS));
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
    if (tape_.recording() && world->gameOver) {
      lastGame = currentGame();
      if (lastGame) lastGame->gameOver = true;
      ++finishedGames;
      tape_.stop();
    }
  }
  lastTick = tickCount;
  lastTickDrew = tickEntry - clockStart < TICK_MS * tickCount;
  if (lastTickDrew) world->render();
  if (world->gameOver) gameOverSeen = true;
  busy = false;
  ++tickCount;
}

}  // namespace vilmar
