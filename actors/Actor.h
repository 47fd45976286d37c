#pragma once
#include "actors/Figure.h"

namespace vilmar {

class InputDevice;

// A figure the world drives once per tick: step is motion, animation and
// input; interact is the rules and runs also while the world is frozen.
class Actor : public Figure {
 public:
  using Figure::Figure;
  // A blinking actor is drawn on every second frame only.
  void draw() override;
  virtual void step() = 0;
  virtual void interact() = 0;

  InputDevice* input = nullptr;
  bool blinking = false;
  bool blinkPhase = false;
};

}  // namespace vilmar
