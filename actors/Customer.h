#pragma once
#include <array>
#include <cstdint>

#include "actors/Figure.h"

namespace vilmar {

class BarGame;
class Mug;

// A guest walking from the door towards the bartender, pushed back while
// drinking, leaving satisfied through the door.
class Customer : public Actor {
 public:
  enum Picture { WALK_A = 0, WALK_B = 1, DRINKING = 2 };

  Customer(BarGame& world, const std::array<const Sprite*, 15>& pictureSets, std::int32_t index,
           std::int32_t kind);
  void step() override;
  void interact() override;

  // Points for leaving elapsedMs after the level's customers were spawned.
  static std::int32_t pointsForLeaving(std::uint32_t elapsedMs);

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

  BarGame& world_;
  std::array<const Sprite*, 3> pictures_;
};

}  // namespace vilmar
