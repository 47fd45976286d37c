#include "app/GameSession.h"

#include "app/TickWait.h"
#include "platform/Platform.h"

namespace vilmar {

GameSession::GameSession(Platform& platform, KeyboardInput& keyboard, std::int32_t firstLevel)
    : platform_(platform), keyboard_(keyboard), firstLevel_(firstLevel) {
  busy = true;
  world = std::make_unique<BarGame>(platform_, keyboard_);
  // The program opens on a finished game: the game-over picture over the
  // bar room, and nothing moves until a restart.
  world->gameOver = true;
  clockStart = tickEntry = platform_.milliseconds();
  tickCount = 0;
  busy = false;
}

GameSession::~GameSession() = default;

void GameSession::resyncClock() { clockStart = platform_.milliseconds() - TICK_MS * tickCount; }

void GameSession::tick() {
  busy = true;
  tickEntry = platform_.milliseconds();
  waitUntilDue(platform_, clockStart, TICK_MS * tickCount);
  if (restartRequested) {
    world.reset();
    world = std::make_unique<BarGame>(platform_, keyboard_, firstLevel_);
    clockStart = tickEntry = platform_.milliseconds();
    tickCount = 0;
    restartRequested = false;
    gameOverSeen = false;
  }
  world->update();
  lastTick = tickCount;
  lastTickDrew = tickEntry - clockStart < TICK_MS * tickCount;
  if (lastTickDrew) world->render();
  if (world->gameOver) gameOverSeen = true;
  busy = false;
  ++tickCount;
}

}  // namespace vilmar
