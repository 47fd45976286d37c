#include "actors/Customer.h"

#include "actors/Bartender.h"
#include "actors/Mug.h"
#include "platform/Platform.h"
#include "world/BarGame.h"

namespace vilmar {

namespace {
constexpr float START_X[LANES] = {80, 65, 55, 42};  // the door: below it a guest has left
constexpr float DOOR_Y[LANES] = {52, 91, 135, 187};
constexpr float END_X[LANES] = {300, 305, 310, 315};  // beyond it a guest is a miss
constexpr std::int32_t QUEUE_GAP = 35;
constexpr std::int32_t DRINK_TICKS = 60;
constexpr std::int32_t REACH = 3;  // how far a guest reaches for a mug, either side
}  // namespace

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
  setPosition(START_X[lane] + static_cast<float>(queued), DOOR_Y[lane], 0.0f);
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
    moveBy(-1.0f, 0.0f, 0.0f);
  } else {
    setPicture(pictures_[walkFrame ? WALK_A : WALK_B]);
    moveBy(0.5f, 0.0f, 0.0f);
  }
}

void Customer::leave() {
  const std::uint32_t elapsed =
      world_.platform.milliseconds() - static_cast<std::uint32_t>(world_.levelStart.get());
  const std::int32_t points = pointsForLeaving(elapsed);
  world_.score->add(points - 10);
  world_.score->add(10);
  if (mug != nullptr) mug->removed = true;
  removed = true;
}

void Customer::putMugBack() {
  mug->held = false;
  mug->empty = true;
  mug->setPosition(x + 7.0f, mug->y, 0.0f);
  mug = nullptr;
  world_.drinkingCustomers[static_cast<std::size_t>(lane)].remove(this);
  world_.waitingCustomers[static_cast<std::size_t>(lane)].insertAt(this, 0);
}

void Customer::lookForMug() {
  ActorList& mugs = world_.laneMugs[static_cast<std::size_t>(lane)];
  mugs.rewind();
  while (ListItem* item = mugs.next()) {
    auto* candidate = static_cast<Mug*>(item);
    if (candidate->empty || candidate->held) continue;
    const auto gap = static_cast<std::int32_t>(candidate->x - x);
    if (gap < -REACH || gap > REACH) continue;
    candidate->held = true;
    mug = candidate;
    drinkTicks = DRINK_TICKS;
    world_.waitingCustomers[static_cast<std::size_t>(lane)].remove(this);
    world_.drinkingCustomers[static_cast<std::size_t>(lane)].insertAt(this, 0);
    return;
  }
}

void Customer::interact() {
  if (x < START_X[lane]) leave();
  if (x > END_X[lane] && !blinking) {
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
