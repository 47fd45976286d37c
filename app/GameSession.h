#pragma once
#include <cstdint>
#include <memory>

#include "world/BarGame.h"

namespace vilmar {

class KeyboardInput;
class Platform;

inline constexpr std::uint32_t TICK_MS = 40;

// Owns the current world and runs it on a fixed clock of one tick per 40 ms.
// A tick that begins late updates the rules but draws nothing, so the game
// always advances at the same pace however slow the drawing is.
class GameSession {
 public:
  // firstLevel is where every game started by a restart begins.
  GameSession(Platform& platform, KeyboardInput& keyboard, std::int32_t firstLevel = 1);
  virtual ~GameSession();

  void tick();
  // The next tick is due at once; time since the last one is not made up.
  void resyncClock();

  // Requests between the menu, the dialogs and the main loop.
  bool askToSubmit = false;
  bool restartRequested = false;
  bool gameOverSeen = false;
  bool signInRequested = false;
  bool infoRequested = false;
  bool busy = false;

  std::unique_ptr<BarGame> world;
  std::uint32_t clockStart = 0;
  std::uint32_t tickCount = 0;
  std::uint32_t tickEntry = 0;

  // What the last tick did, for observers: its number and whether it drew.
  std::uint32_t lastTick = 0;
  bool lastTickDrew = false;

 private:
  Platform& platform_;
  KeyboardInput& keyboard_;
  std::int32_t firstLevel_;
};

}  // namespace vilmar
