#include "world/BarGame.h"

#include "actors/Bartender.h"
#include "actors/Customer.h"
#include "actors/Mug.h"
#include "input/InputTape.h"
#include "input/KeyboardInput.h"
#include "platform/Platform.h"

namespace vilmar {

namespace {
// Resource ids in the order the world builds its pictures.
constexpr int BACKGROUND_ID = 256;
constexpr int GAME_OVER_ID = 246;
constexpr int DIGIT_IDS[10] = {271, 272, 273, 274, 275, 276, 277, 278, 279, 237};
constexpr int LIFE_ID = 257;
constexpr int BARTENDER_IDS[9] = {238, 239, 240, 241, 242, 247, 248, 249, 250};
constexpr int CUSTOMER_IDS[15] = {267, 268, 269, 258, 259, 260, 261, 262, 263, 264, 265, 266, 254, 255, 270};
constexpr int GREETING_IDS[3] = {251, 253, 252};  // banner, left corner, right corner
constexpr int FLAG_IDS[3] = {243, 245, 244};
constexpr std::size_t PICTURE_COUNT = 43;

constexpr std::int32_t CLEAR_BONUS = 100;
constexpr std::int32_t POINTS_PER_EXTRA_LIFE = 10000;
constexpr std::uint32_t SEED_OFFSET = 23763;

bool greetingLevel(std::int32_t l) { return l == 1 || l == 5 || l == 12 || l == 19; }
bool flagLevel(std::int32_t l) { return l == 9 || l == 15; }
}  // namespace

BarGame::BarGame(Platform& p, KeyboardInput& keyboard, std::int32_t firstLevel, InputTape* tape)
    : platform_(p), keyboard_(keyboard), tape_(tape) {
  Counter::tamperFlag() = false;  // every game starts unmarked
  frameBuffer_ = std::make_unique<FrameBuffer>(platform_, FRAME_WIDTH, FRAME_HEIGHT);

  pictures_.all.reserve(PICTURE_COUNT);
  auto build = [&](int id) {
    pictures_.all.emplace_back(platform_, id);
    return &pictures_.all.back();
  };
  pictures_.background = build(BACKGROUND_ID);
  pictures_.gameOver = build(GAME_OVER_ID);
  for (std::size_t i = 0; i < 10; ++i) pictures_.digits[i] = build(DIGIT_IDS[i]);
  pictures_.lifeIcon = build(LIFE_ID);
  for (std::size_t i = 0; i < 9; ++i) pictures_.bartender[i] = build(BARTENDER_IDS[i]);
  for (std::size_t i = 0; i < 15; ++i) pictures_.customers[i] = build(CUSTOMER_IDS[i]);
  pictures_.greetingBanner = build(GREETING_IDS[0]);
  pictures_.greetingLeft = build(GREETING_IDS[1]);
  pictures_.greetingRight = build(GREETING_IDS[2]);
  pictures_.flagBanner = build(FLAG_IDS[0]);
  pictures_.flagsLeft = build(FLAG_IDS[1]);
  pictures_.flagsRight = build(FLAG_IDS[2]);

  bartender_ = std::make_unique<Bartender>(*this, pictures_.bartender);
  bartender_->input = &keyboard_;

  scoreDisplay_ = NumberDisplay(pictures_.digits, frameBuffer_.get());
  scoreDisplay_.setPosition(220, 276);
  scoreDisplay_.gap = 1;
  scoreDisplay_.alignment = NumberDisplay::FROM_X;
  level_.set(firstLevel);

  livesDisplay_ = NumberDisplay(pictures_.lifeIcon, 6, frameBuffer_.get());
  livesDisplay_.setPosition(328, 276);
  livesDisplay_.gap = 0;
  livesDisplay_.alignment = NumberDisplay::FROM_X;
  lives_.set(3);

  extraLives_.set(0);
  startLevel();
}

BarGame::~BarGame() = default;

std::uint32_t BarGame::clock() {
  const std::uint32_t live = platform_.milliseconds();
  return tape_ != nullptr ? tape_->clock(live) : live;
}

void BarGame::addActor(int kind, Actor* actor, int lane) {
  if (lane < 0 || lane >= LANES) return;
  const auto l = static_cast<std::size_t>(lane);
  if (kind == ACTOR_CUSTOMER) {
    allActors_.insertAt(actor, allActors_.count());
    waitingCustomers_[l].insertAt(actor, 0);
  } else if (kind == ACTOR_MUG) {
    allActors_.insertAt(actor, 0);
    laneMugs_[l].insertAt(actor, 0);
  }
}

std::int32_t BarGame::pointsForLeaving(std::uint32_t elapsedMs) {
  // The bonus shrinks with the time the level has run. A level's guests need
  // seconds to be served, so two milliseconds or less only happens with a
  // clock that jumped; such a guest gets the base points and no bonus rather
  // than a division by zero or a bonus from a wrapped divisor.
  const std::uint32_t bonus = elapsedMs > 2 ? 54000u / (elapsedMs - 2) : 0u;
  return static_cast<std::int32_t>(bonus > 0x7FFFFFF0u ? 0x7FFFFFF0u : bonus) + 10;
}

void BarGame::miss() {
  bartender_->missed = true;
  platform_.playSound(WAVE_MISS);
  freezeTicks_ = FREEZE_TICKS;
}

void BarGame::guestLeaves() {
  const std::uint32_t elapsed = clock() - static_cast<std::uint32_t>(levelStart_.get());
  const std::int32_t points = pointsForLeaving(elapsed);
  score_.add(points - 10);
  score_.add(10);
}

void BarGame::startDrinking(Customer& guest) {
  waitingCustomers_[guest.laneIndex()].remove(&guest);
  drinkingCustomers_[guest.laneIndex()].insertAt(&guest, 0);
}

void BarGame::stopDrinking(Customer& guest) {
  drinkingCustomers_[guest.laneIndex()].remove(&guest);
  waitingCustomers_[guest.laneIndex()].insertAt(&guest, 0);
}

ActorList& BarGame::mugsOn(int lane) { return laneMugs_[static_cast<std::size_t>(lane)]; }

int BarGame::bartenderLane() const { return bartender_->lane; }

void BarGame::launchMug(Mug* mug) {
  addActor(ACTOR_MUG, mug, mug->lane);
  platform_.playSound(WAVE_MUG_LAUNCHED);
}

void BarGame::clearLanes() {
  for (std::size_t l = 0; l < LANES; ++l) {
    waitingCustomers_[l].clear();
    drinkingCustomers_[l].clear();
  }
  for (auto& mugs : laneMugs_) mugs.clear();
  allActors_.purge();
}

void BarGame::startLevel() {
  levelStart_.set(static_cast<std::int32_t>(clock()));
  clearLanes();
  const std::int32_t l = level_.get();
  random_.seed(static_cast<std::uint32_t>(l) + SEED_OFFSET);
  for (std::int32_t i = 0; i < l; ++i) {
    std::int32_t kind;
    if (flagLevel(l)) kind = i % 3 == 0 ? i % 4 : 4;
    else kind = random_.draw() % 4;
    addActor(ACTOR_CUSTOMER, new Customer(*this, pictures_.customers, i, kind), i % LANES);
  }
  freezeTicks_ = 0;
  bartender_->reset();
  // Keys already held now make no event in the new level.
  keyboard_.poll();
  keyboard_.clearEvents();
}

void BarGame::update() {
  if (gameOver_) return;
  bartender_->step();
  if (freezeTicks_ == 0) {
    allActors_.rewind();
    while (ListItem* item = allActors_.next()) static_cast<Actor*>(item)->step();
  } else {
    --freezeTicks_;
  }
  allActors_.rewind();
  while (ListItem* item = allActors_.next()) static_cast<Actor*>(item)->interact();
  bartender_->interact();

  if (freezeTicks_ == 0 && bartender_->missed) {
    if (lives_.get() == 0) {
      gameOver_ = true;  // the actors stay where they are
    } else {
      lives_.add(-1);
      clearLanes();
      bartender_->reset();
      startLevel();
    }
  }

  allActors_.purge();
  for (std::size_t l = 0; l < LANES; ++l) {
    waitingCustomers_[l].purge();
    drinkingCustomers_[l].purge();
  }
  for (auto& mugs : laneMugs_) mugs.purge();

  if (freezeTicks_ == 0 && bartender_->barCleared) {
    level_.add(1);
    startLevel();
  }
  if (freezeTicks_ == 0 && allActors_.count() == 0) {
    platform_.playSound(WAVE_LEVEL_CLEARED);
    clearLanes();
    score_.add(CLEAR_BONUS);
    bartender_->barCleared = true;
    freezeTicks_ = FREEZE_TICKS;
  }
  if (score_.get() > (extraLives_.get() + 1) * POINTS_PER_EXTRA_LIFE) {
    extraLives_.add(1);
    lives_.add(1);
  }
}

void BarGame::render() {
  frameBuffer_->setUp();
  frameBuffer_->draw(*pictures_.background, 0, 0);
  const std::int32_t l = level_.get();
  if (greetingLevel(l)) {
    frameBuffer_->draw(*pictures_.greetingBanner, 100, 227);
    frameBuffer_->draw(*pictures_.greetingLeft, 0, 0);
    frameBuffer_->draw(*pictures_.greetingRight, 352, 0);
  }
  if (flagLevel(l)) {
    frameBuffer_->draw(*pictures_.flagBanner, 10, 227);
    frameBuffer_->draw(*pictures_.flagsLeft, -1, 0);
    frameBuffer_->draw(*pictures_.flagsRight, 352, 0);
  }
  if (gameOver_) {
    frameBuffer_->draw(*pictures_.gameOver, 150, 120);
  } else {
    for (std::size_t lane = 0; lane < LANES; ++lane) {
      drinkingCustomers_[lane].drawAll();
      waitingCustomers_[lane].drawAll();
      laneMugs_[lane].drawAll();
    }
    bartender_->draw();
  }
  scoreDisplay_.draw(score_.get());
  livesDisplay_.draw(lives_.get());
  frameBuffer_->present();
}

}  // namespace vilmar
