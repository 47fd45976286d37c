#pragma once
#include <cstdint>
#include <memory>
#include <optional>

#include "ui/GameSpeed.h"
#include "input/InputTape.h"
#include "input/Replay.h"
#include "world/BarGame.h"

namespace vilmar {

class KeyboardInput;
class Platform;

inline constexpr std::uint32_t TICK_MS = FULL_SPEED_TICK_MS;

// Owns the current world and runs it on a fixed clock of one tick per 40 ms
// (longer in a practice game). A tick that begins late updates the rules but
// draws nothing, so the game always advances at the same pace however slow
// the drawing is.
class GameSession {
 public:
  // firstLevel is where every game started by a restart begins.
  GameSession(Platform& platform, KeyboardInput& keyboard, std::int32_t firstLevel = 1);
  virtual ~GameSession();

  void tick();
  // The next tick is due at once; time since the last one is not made up.
  void resyncClock();

  // The speed of the games started from now on. A game in play keeps the
  // tick it was recorded with; before the first game the opening screen
  // takes the new speed at once.
  void setSpeed(GameSpeed speed);
  GameSpeed speed() const { return speed_; }
  // The tick of the game on the screen, and whether it is a practice game
  // (slower than full speed: never offered as a score).
  std::uint32_t tickMs() const { return tickMs_; }
  bool practice() const { return tickMs_ != TICK_MS; }

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

  // Every game is recorded from its first tick to its end: its game over, or
  // the restart that cut it short. finishedGames counts the games that have
  // ended; lastGame is the latest of them, unless it outgrew a file.
  std::uint32_t finishedGames = 0;
  std::optional<Replay> lastGame;
  // The game in play as recorded so far, as if cut short now; none while
  // no game is being recorded.
  std::optional<Replay> currentGame() const;

  // Plays a recorded game from the next tick on, as a restart does: the
  // world takes its keys and clock from the replay and stands still once the
  // replay's ticks have run. A restart ends the playback.
  void playBack(const Replay& replay);
  bool playingBack() const { return playing_; }
  // The replay has run all its ticks.
  bool playbackEnded() const { return playing_ && tape_.ticks() >= playback_.ticks; }
  // Whether the world took exactly the replay's input, once it has ended.
  bool playbackExact() const { return tape_.playedExactly(); }

 private:
  Replay recordedGame(bool over) const;

  Platform& platform_;
  KeyboardInput& keyboard_;
  std::int32_t firstLevel_;
  GameSpeed speed_ = GameSpeed::Full;
  std::uint32_t tickMs_ = TICK_MS;
  InputTape tape_;
  std::int32_t gameFirstLevel_ = 1;
  std::optional<Replay> pendingPlayback_;
  Replay playback_;
  bool playing_ = false;
};

}  // namespace vilmar
