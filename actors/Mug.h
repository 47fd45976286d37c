#pragma once
#include <array>
#include <cstdint>

#include "actors/Figure.h"

namespace vilmar {

class BarGame;

// A mug sliding along a bar: full towards the customers, empty back towards
// the bartender. A lost mug breaks, which is a miss.
class Mug : public Actor {
 public:
  enum Picture { FULL = 0, EMPTY = 1, BROKEN_FULL = 2, BROKEN_EMPTY = 3 };

  // pictures points at the four mug pictures: full, empty and their shards.
  Mug(BarGame& world, const Sprite* const* pictures, std::int32_t lane);
  void step() override;
  void interact() override;

  std::int32_t lane;
  bool empty = false;
  bool held = false;
  bool falling = false;
  std::int32_t fallTicks = 0;
  bool broken = false;
  bool missReported = false;

 private:
  BarGame& world_;
  std::array<const Sprite*, 4> pictures_;
};

}  // namespace vilmar
