#include "actors/Customer.h"

#include "actors/ActorList.h"
#include "actors/Mug.h"
#include "actors/Stage.h"

namespace vilmar {

static_assert(Customer::START_X.size() == LANES);

Customer::Customer(Stage& stage, const std::array<const Sprite*, 15>& pictureSets, std::int32_t index,
                   std::int32_t customerKind)
    // The first picture of the guest's own set, so even the frame before the
    // first step shows the right person.
    : Actor(pictureSets[static_cast<std::size_t>(3 * customerKind)], stage.frame()),
      lane(index % LANES),
      kind(customerKind),
      animStep((index + customerKind) % 3),
      walkFrame(customerKind % 2 == 1),
      stage_(stage),
      pictures_{pictureSets[static_cast<std::size_t>(3 * customerKind)],
                pictureSets[static_cast<std::size_t>(3 * customerKind + 1)],
                pictureSets[static_cast<std::size_t>(3 * customerKind + 2)]} {
  const std::int32_t queued = QUEUE_GAP * (index / LANES);
  setPosition(START_X[laneIndex()] + static_cast<float>(queued), DOOR_Y[laneIndex()], 0.0f);
}

void Customer::step() {
  if (++animStep > 3) {
    animStep = 0;
    walkFrame = !walkFrame;
  }
  if (mug != nullptr) {
    setPicture(pictures_[DRINKING]);
    moveBy(-PUSH_STEP, 0.0f, 0.0f);
  } else {
    setPicture(pictures_[walkFrame ? WALK_A : WALK_B]);
    moveBy(WALK_STEP, 0.0f, 0.0f);
  }
}

void Customer::leave() {
  stage_.guestLeaves();
  if (mug != nullptr) mug->removed = true;
  removed = true;
}

void Customer::putMugBack() {
  mug->held = false;
  mug->empty = true;
  mug->setPosition(x + MUG_PUT_BACK_OFFSET, mug->y, 0.0f);
  mug = nullptr;
  stage_.stopDrinking(*this);
}

void Customer::lookForMug() {
  ActorList& mugs = stage_.mugsOn(lane);
  mugs.rewind();
  while (ListItem* item = mugs.next()) {
    auto* candidate = static_cast<Mug*>(item);
    if (candidate->empty || candidate->held) continue;
    const auto gap = static_cast<std::int32_t>(candidate->x - x);
    if (gap < -REACH || gap > REACH) continue;
    candidate->held = true;
    mug = candidate;
    drinkTicks = DRINK_TICKS;
    stage_.startDrinking(*this);
    return;
  }
}

void Customer::interact() {
  if (x < START_X[laneIndex()]) leave();
  if (x > END_X[laneIndex()] && !blinking) {
    blinking = true;
    stage_.miss();
  }
  if (mug != nullptr) {
    if (drinkTicks != 0) --drinkTicks;
    else putMugBack();
  } else {
    lookForMug();
  }
}

}  // namespace vilmar
