#include "actors/Mug.h"

#include "actors/Stage.h"

namespace vilmar {

static_assert(Mug::LAUNCH_X.size() == LANES);

Mug::Mug(Stage& stage, const Sprite* const* pictures, std::int32_t mugLane)
    : Actor(pictures[FULL], stage.frame()),
      lane(mugLane),
      stage_(stage),
      pictures_{pictures[0], pictures[1], pictures[2], pictures[3]} {
  setPosition(LAUNCH_X[laneIndex()], LAUNCH_Y[laneIndex()], 0.0f);
}

void Mug::step() {
  if (broken) return;
  if (falling) {
    moveBy(0.0f, FALL_STEP, 0.0f);
  } else if (held) {
    visible = false;  // the customer's drinking picture shows it
  } else {
    visible = true;
    moveBy(empty ? EMPTY_STEP : -FULL_STEP, 0.0f, 0.0f);
  }
}

void Mug::interact() {
  if (x < WALL_X[laneIndex()] && !broken) broken = true;
  if (empty && !broken && !falling && x > END_X[laneIndex()] - CATCH_WINDOW) {
    // The catch is tested first: the tick in which the mug passes the end
    // can still be saved.
    const bool caught = stage_.bartenderLane() == lane;
    if (caught) removed = true;
    if (x > END_X[laneIndex()] && !caught) {
      falling = true;
      fallTicks = FALL_TICKS;
    }
  }
  if (falling && --fallTicks == 0) {
    falling = false;
    broken = true;
  }
  if (broken) {
    if (!missReported) {
      missReported = true;
      stage_.miss();
    }
    setPicture(pictures_[empty ? BROKEN_EMPTY : BROKEN_FULL]);
  } else {
    setPicture(pictures_[empty ? EMPTY : FULL]);
  }
}

}  // namespace vilmar
