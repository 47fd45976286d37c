#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "actors/ActorList.h"
#include "actors/Stage.h"
#include "gfx/FrameBuffer.h"
#include "gfx/NumberDisplay.h"
#include "net/Counter.h"
#include "world/Random.h"

namespace vilmar {

class Actor;
class Bartender;
class InputTape;
class KeyboardInput;
class Platform;

inline constexpr std::int32_t FREEZE_TICKS = 40;

inline constexpr int WAVE_LEVEL_CLEARED = 228;
inline constexpr int WAVE_MISS = 229;
inline constexpr int WAVE_MUG_LAUNCHED = 230;

// Kinds for addActor.
inline constexpr int ACTOR_CUSTOMER = 2;
inline constexpr int ACTOR_MUG = 3;

// One game from its first tick to its game over: the pictures, the frame,
// the bartender, the counters and the actors on the bars.
class BarGame : public Stage {
 public:
  // The tape, when given, records or plays back the keys and the clock this
  // world takes (the keyboard must be using the same tape).
  BarGame(Platform& platform, KeyboardInput& keyboard, std::int32_t firstLevel = 1, InputTape* tape = nullptr);
  virtual ~BarGame();
  BarGame(const BarGame&) = delete;
  BarGame& operator=(const BarGame&) = delete;

  void update();
  void render();
  // Ends the game where it stands, as a game over does: the program opens
  // on a finished game, and nothing moves until a restart.
  void finish() { gameOver_ = true; }
  // The server took this game's score: play goes on from 0 points.
  void scoreSent() { score_.set(0); }
  // The clock in milliseconds as the rules read it (level start, points).
  std::uint32_t clock();

  // Points for a guest leaving elapsedMs after the level's guests came in.
  static std::int32_t pointsForLeaving(std::uint32_t elapsedMs);

  // The rules the actors set off.
  FrameBuffer* frame() override { return frameBuffer_.get(); }
  bool frozen() const override { return freezeTicks_ != 0; }
  void miss() override;
  void guestLeaves() override;
  void startDrinking(Customer& guest) override;
  void stopDrinking(Customer& guest) override;
  ActorList& mugsOn(int lane) override;
  int bartenderLane() const override;
  void launchMug(Mug* mug) override;

  // What the game shows and the checks read.
  bool gameOver() const { return gameOver_; }
  const Counter& score() const { return score_; }
  const Counter& level() const { return level_; }
  const Counter& lives() const { return lives_; }
  const Counter& extraLives() const { return extraLives_; }
  const Counter& levelStart() const { return levelStart_; }
  std::int32_t freezeTicks() const { return freezeTicks_; }
  const Bartender& bartender() const { return *bartender_; }
  const FrameBuffer& frameBuffer() const { return *frameBuffer_; }
  // Mugs and guests: every one in allActors (the order they act in) and in
  // one list of its bar.
  const ActorList& allActors() const { return allActors_; }
  const ActorList& waitingCustomers(std::size_t lane) const { return waitingCustomers_[lane]; }
  const ActorList& drinkingCustomers(std::size_t lane) const { return drinkingCustomers_[lane]; }
  const ActorList& mugs(std::size_t lane) const { return laneMugs_[lane]; }

  // Every picture of the game, in the order they are built.
  struct Pictures {
    std::vector<Sprite> all;
    std::array<const Sprite*, 10> digits{};
    const Sprite* lifeIcon = nullptr;
    std::array<const Sprite*, 9> bartender{};
    std::array<const Sprite*, 15> customers{};
    const Sprite* gameOver = nullptr;
    const Sprite* greetingBanner = nullptr;
    const Sprite* greetingLeft = nullptr;
    const Sprite* greetingRight = nullptr;
    const Sprite* flagBanner = nullptr;
    const Sprite* flagsLeft = nullptr;
    const Sprite* flagsRight = nullptr;
    const Sprite* background = nullptr;
  };
  const Pictures& pictures() const { return pictures_; }

 private:
  // The tests set up and break worlds through this door.
  friend struct WorldProbe;

  void startLevel();
  void clearLanes();
  void addActor(int kind, Actor* actor, int lane);

  Platform& platform_;
  KeyboardInput& keyboard_;
  InputTape* tape_;
  Random random_;
  Pictures pictures_;
  bool gameOver_ = false;

  ActorList allActors_;
  std::array<ActorList, LANES> waitingCustomers_;
  std::array<ActorList, LANES> drinkingCustomers_;
  std::array<ActorList, LANES> laneMugs_;

  std::unique_ptr<FrameBuffer> frameBuffer_;
  std::unique_ptr<Bartender> bartender_;
  Counter score_;
  Counter level_;
  Counter lives_;
  Counter extraLives_;
  Counter levelStart_;  // the clock when this level's guests came in
  std::int32_t freezeTicks_ = 0;
  NumberDisplay scoreDisplay_;
  NumberDisplay livesDisplay_;
};

}  // namespace vilmar
