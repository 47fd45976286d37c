#include "actors/Actor.h"

namespace vilmar {

void Actor::draw() {
  blinkPhase = blinking ? !blinkPhase : false;
  if (!blinkPhase) Figure::draw();
}

}  // namespace vilmar
