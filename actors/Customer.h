#pragma once
#include <array>
#include <cstdint>

#include "actors/Actor.h"

namespace vilmar {

class Stage;
class Mug;

// A guest walking from the door towards the bartender, pushed back while
// drinking, leaving satisfied through the door.
class Customer : public Actor {
 public:
  enum Picture { WALK_A = 0, WALK_B = 1, DRINKING = 2 };

  // The bars as a guest sees them, per lane: the door (below it a guest has
  // left), the height of the bar and the end (beyond it a guest is a miss).
  static constexpr std::array<float, 4> START_X = {80, 65, 55, 42};
  static constexpr std::array<float, 4> DOOR_Y = {52, 91, 135, 187};
  static constexpr std::array<float, 4> END_X = {300, 305, 310, 315};
  static constexpr std::int32_t QUEUE_GAP = 35;
  static constexpr std::int32_t DRINK_TICKS = 60;
  static constexpr std::int32_t REACH = 3;          // how far a guest reaches for a mug, either side
  static constexpr float WALK_STEP = 0.5f;          // towards the bartender, per tick
  static constexpr float PUSH_STEP = 1.0f;          // back towards the door while drinking
  static constexpr float MUG_PUT_BACK_OFFSET = 7.0f;  // the empty mug lands this far right of the guest

  Customer(Stage& stage, const std::array<const Sprite*, 15>& pictureSets, std::int32_t index,
           std::int32_t kind);
  void step() override;
  void interact() override;
  std::size_t laneIndex() const { return static_cast<std::size_t>(lane); }


  std::int32_t lane;
  std::int32_t kind;
  std::int32_t animStep;
  bool walkFrame;
  std::int32_t drinkTicks = 0;
  Mug* mug = nullptr;

 private:
  void leave();
  void putMugBack();
  void lookForMug();

  Stage& stage_;
  std::array<const Sprite*, 3> pictures_;
};

}  // namespace vilmar
