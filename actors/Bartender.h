#pragma once
#include <array>
#include <cstdint>

#include "actors/Actor.h"

namespace vilmar {

class Stage;

// The player's figure: fixed at the right-hand end of one of the four bars,
// switching bars with Up and Down and serving with Space.
class Bartender : public Actor {
 public:
  enum Picture { POUR = 0, PUSH = 1, DESPAIR = 2, CHEER = 3, IDLE = 4, MUG_PICTURES = 5 };

  Bartender(Stage& stage, const std::array<const Sprite*, 9>& pictures);
  void reset();
  void step() override;
  void interact() override;

  std::int32_t lane = 0;
  bool serving = false;
  std::int32_t serveStep = 0;
  std::int32_t launchLane = -1;
  bool missed = false;
  bool barCleared = false;

 private:
  void showPose(int pose);

  Stage& stage_;
  std::array<const Sprite*, 9> pictures_;
};

}  // namespace vilmar
