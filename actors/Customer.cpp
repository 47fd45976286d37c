#include "actors/Customer.h"

#include "actors/Bartender.h"
#include "actors/Mug.h"
#include "platform/Platform.h"
#include "world/BarGame.h"

namespace vilmar {

static_assert(Customer::START_X.size() == LANES);

Customer::Customer(BarGame& world, const std::array<const Sprite*, 15>& pictureSets, std::int32_t index,
                   std::int32_t customerKind)
    // The first picture of the guest's own set, so even the frame before the
    // first step shows the right person.
    : Actor(pictureSets[static_cast<std::size_t>(3 * customerKind)], world.frameBuffer.get()),
      lane(index % LANES),
      kind(customerKind),
      animStep((index + customerKind) % 3),
      walkFrame(customerKind % 2 == 1),
      world_(world),
      pictures_{pictureSets[static_cast<std::size_t>(3 * customerKind)],
                pictureSets[static_cast<std::size_t>(3 * customerKind + 1)],
                pictureSets[static_cast<std::size_t>(3 * customerKind + 2)]} {
  const std::int32_t queued = QUEUE_GAP * (index / LANES);
  setPosition(START_X[laneIndex()] + static_cast<float>(queued), DOOR_Y[laneIndex()], 0.0f);
}

std::int32_t Customer::pointsForLeaving(std::uint32_t elapsedMs) {
  // The bonus shrinks with the time the level has run. A level's guests need
  // seconds to be served, so two milliseconds or less only happens with a
  // clock that jumped; such a guest gets the base points and no bonus rather
  // than a division by zero or a bonus from a wrapped divisor.
  const std::uint32_t bonus = elapsedMs > 2 ? 54000u / (elapsedMs - 2) : 0u;
  return static_cast<std::int32_t>(bonus > 0x7FFFFFF0u ? 0x7FFFFFF0u : bonus) + 10;
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
  const std::uint32_t elapsed =
      world_.clock() - static_cast<std::uint32_t>(world_.levelStart.get());
  const std::int32_t points = pointsForLeaving(elapsed);
  world_.score->add(points - 10);
  world_.score->add(10);
  if (mug != nullptr) mug->removed = true;
  removed = true;
}

void Customer::putMugBack() {
  mug->held = false;
  mug->empty = true;
  mug->setPosition(x + MUG_PUT_BACK_OFFSET, mug->y, 0.0f);
  mug = nullptr;
  world_.drinkingCustomers[laneIndex()].remove(this);
  world_.waitingCustomers[laneIndex()].insertAt(this, 0);
}

void Customer::lookForMug() {
  ActorList& mugs = world_.laneMugs[laneIndex()];
  mugs.rewind();
  while (ListItem* item = mugs.next()) {
    auto* candidate = static_cast<Mug*>(item);
    if (candidate->empty || candidate->held) continue;
    const auto gap = static_cast<std::int32_t>(candidate->x - x);
    if (gap < -REACH || gap > REACH) continue;
    candidate->held = true;
    mug = candidate;
    drinkTicks = DRINK_TICKS;
    world_.waitingCustomers[laneIndex()].remove(this);
    world_.drinkingCustomers[laneIndex()].insertAt(this, 0);
    return;
  }
}

void Customer::interact() {
  if (x < START_X[laneIndex()]) leave();
  if (x > END_X[laneIndex()] && !blinking) {
    blinking = true;
    world_.bartender->missed = true;
    world_.platform.playSound(WAVE_MISS);
    world_.freezeTicks = FREEZE_TICKS;
  }
  if (mug != nullptr) {
    if (drinkTicks != 0) --drinkTicks;
    else putMugBack();
  } else {
    lookForMug();
  }
}

}  // namespace vilmar
