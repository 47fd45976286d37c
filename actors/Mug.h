#pragma once
#include <array>
#include <cstdint>

#include "actors/Actor.h"

namespace vilmar {

class Stage;

// A mug sliding along a bar: full towards the customers, empty back towards
// the bartender. A lost mug breaks, which is a miss.
class Mug : public Actor {
 public:
  enum Picture { FULL = 0, EMPTY = 1, BROKEN_FULL = 2, BROKEN_EMPTY = 3 };

  // The bars as a mug sees them, per lane: where the bartender pushes it
  // off, the wall a full mug breaks on and the end an empty one falls off.
  static constexpr std::array<float, 4> LAUNCH_X = {300, 305, 310, 315};
  static constexpr std::array<float, 4> LAUNCH_Y = {68, 109, 155, 209};
  static constexpr std::array<float, 4> WALL_X = {65, 53, 41, 30};
  static constexpr std::array<float, 4> END_X = {305, 310, 315, 320};
  static constexpr float CATCH_WINDOW = 20.0f;
  static constexpr std::int32_t FALL_TICKS = 10;
  static constexpr float FULL_STEP = 4.0f;   // towards the wall, per tick
  static constexpr float EMPTY_STEP = 2.0f;  // back towards the bartender
  static constexpr float FALL_STEP = 4.0f;   // down, once off the end

  // pictures points at the four mug pictures: full, empty and their shards.
  Mug(Stage& stage, const Sprite* const* pictures, std::int32_t lane);
  void step() override;
  void interact() override;
  std::size_t laneIndex() const { return static_cast<std::size_t>(lane); }

  std::int32_t lane;
  bool empty = false;
  bool held = false;
  bool falling = false;
  std::int32_t fallTicks = 0;
  bool broken = false;
  bool missReported = false;

 private:
  Stage& stage_;
  std::array<const Sprite*, 4> pictures_;
};

}  // namespace vilmar
