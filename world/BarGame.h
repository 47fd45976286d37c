#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "actors/ActorList.h"
#include "actors/Stage.h"
#include "gfx/Counter.h"
#include "gfx/FrameBuffer.h"
#include "gfx/NumberDisplay.h"
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
  void startLevel();
  void clearLanes();
  void addActor(int kind, Actor* actor, int lane);
  // The clock in milliseconds as the rules read it (level start, points).
  std::uint32_t clock();

  // Points for a guest leaving elapsedMs after the level's guests came in.
  static std::int32_t pointsForLeaving(std::uint32_t elapsedMs);

  // The rules the actors set off.
  FrameBuffer* frame() override { return frameBuffer.get(); }
  bool frozen() const override { return freezeTicks != 0; }
  void miss() override;
  void guestLeaves() override;
  void startDrinking(Customer& guest) override;
  void stopDrinking(Customer& guest) override;
  ActorList& mugsOn(int lane) override;
  int bartenderLane() const override;
  void launchMug(Mug* mug) override;

  Platform& platform;
  bool gameOver = false;

  // Every picture of the game, in the order they are built.
  std::vector<Sprite> sprites;
  std::array<const Sprite*, 10> digitPictures{};
  const Sprite* lifeIcon = nullptr;
  std::array<const Sprite*, 9> bartenderPictures{};
  std::array<const Sprite*, 15> customerPictures{};
  const Sprite* gameOverPicture = nullptr;
  const Sprite* greetingBanner = nullptr;
  const Sprite* greetingLeft = nullptr;
  const Sprite* greetingRight = nullptr;
  const Sprite* flagBanner = nullptr;
  const Sprite* flagsLeft = nullptr;
  const Sprite* flagsRight = nullptr;
  const Sprite* background = nullptr;
  Counter extraLives;

  // Mugs and customers: every one in allActors (the order they act in) and
  // in one list of its bar.
  ActorList allActors;
  std::array<ActorList, LANES> waitingCustomers;
  std::array<ActorList, LANES> drinkingCustomers;
  std::array<ActorList, LANES> laneMugs;

  std::unique_ptr<FrameBuffer> frameBuffer;
  std::unique_ptr<Bartender> bartender;
  std::unique_ptr<NumberDisplay> score;
  std::unique_ptr<NumberDisplay> level;
  std::unique_ptr<NumberDisplay> lives;
  std::int32_t freezeTicks = 0;
  Counter levelStart;  // the clock when this level's customers were spawned

 private:
  KeyboardInput& keyboard_;
  InputTape* tape_;
  Random random_;
};

}  // namespace vilmar
