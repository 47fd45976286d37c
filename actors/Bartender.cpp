#include "actors/Bartender.h"

#include "actors/Mug.h"
#include "input/InputDevice.h"
#include "actors/Stage.h"

namespace vilmar {

namespace {
struct Place {
  float x, y;
};
// Where his centre stands per lane, for the idle, pour and push poses.
constexpr Place IDLE_PLACE[LANES] = {{320, 75}, {326, 114}, {332, 162}, {338, 210}};
constexpr Place POUR_PLACE[LANES] = {{327, 77}, {335, 115}, {348, 164}, {360, 214}};
constexpr Place PUSH_PLACE[LANES] = {{315, 75}, {321, 114}, {327, 162}, {333, 210}};
}  // namespace

Bartender::Bartender(Stage& stage, const std::array<const Sprite*, 9>& pictures)
    : Actor(pictures[PUSH], stage.frame()), stage_(stage), pictures_(pictures) {
  reset();
}

void Bartender::reset() {
  launchLane = -1;
  lane = 0;
  serving = false;
  barCleared = false;
  missed = false;
  serveStep = 0;
}

void Bartender::showPose(int pose) {
  setPicture(pictures_[static_cast<std::size_t>(pose)]);
  const Place* places = pose == POUR ? POUR_PLACE : pose == PUSH ? PUSH_PLACE : IDLE_PLACE;
  const Place& p = places[lane];
  setPosition(p.x, p.y, 0.0f);
}

void Bartender::step() {
  if (stage_.frozen()) return;
  input->poll();
  if (input->fireEvent > 0 && !serving) {
    input->clearEvents();
    serving = true;
    serveStep = 0;
  }
  if (serving) {
    showPose(serveStep <= 1 ? POUR : PUSH);
    // He holds the mug at the tap for as long as Space is held.
    if (input->fireHeld == 0 || serveStep > 0) ++serveStep;
    if (serveStep > 4) {
      serving = false;
      launchLane = lane;
    }
  } else {
    showPose(IDLE);
  }
  if (barCleared) setPicture(pictures_[CHEER]);
  if (missed) setPicture(pictures_[DESPAIR]);

  // A bar switch waits for the serve to end, so the mug goes down the bar
  // it was poured for; the new bar's place is taken on the next tick.
  if (!serving && input->verticalEvent > 0) {
    lane = lane == LANES - 1 ? 0 : lane + 1;
    input->clearEvents();
  } else if (!serving && input->verticalEvent < 0) {
    lane = lane == 0 ? LANES - 1 : lane - 1;
    input->clearEvents();
  }
}

void Bartender::interact() {
  if (!stage_.frozen() && launchLane != -1) {
    stage_.launchMug(new Mug(stage_, &pictures_[MUG_PICTURES], launchLane));
    launchLane = -1;
  }
  if (missed) setPicture(pictures_[DESPAIR]);
  if (barCleared) setPicture(pictures_[CHEER]);
}

}  // namespace vilmar
