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
    : platform(p), keyboard_(keyboard), tape_(tape) {
  Counter::tamperFlag() = false;  // every game starts unmarked
  frameBuffer = std::make_unique<FrameBuffer>(platform, FRAME_WIDTH, FRAME_HEIGHT);

  sprites.reserve(PICTURE_COUNT);
  auto build = [&](int id) {
    sprites.emplace_back(platform, id);
    return &sprites.back();
  };
  background = build(BACKGROUND_ID);
  gameOverPicture = build(GAME_OVER_ID);
  for (std::size_t i = 0; i < 10; ++i) digitPictures[i] = build(DIGIT_IDS[i]);
  lifeIcon = build(LIFE_ID);
  for (std::size_t i = 0; i < 9; ++i) bartenderPictures[i] = build(BARTENDER_IDS[i]);
  for (std::size_t i = 0; i < 15; ++i) customerPictures[i] = build(CUSTOMER_IDS[i]);
  greetingBanner = build(GREETING_IDS[0]);
  greetingLeft = build(GREETING_IDS[1]);
  greetingRight = build(GREETING_IDS[2]);
  flagBanner = build(FLAG_IDS[0]);
  flagsLeft = build(FLAG_IDS[1]);
  flagsRight = build(FLAG_IDS[2]);

  bartender = std::make_unique<Bartender>(*this, bartenderPictures);
  bartender->input = &keyboard_;

  score = std::make_unique<NumberDisplay>(digitPictures, frameBuffer.get());
  score->setPosition(220, 276);
  score->gap = 1;
  score->alignment = NumberDisplay::FROM_X;

  level = std::make_unique<NumberDisplay>(digitPictures, frameBuffer.get());
  level->setPosition(189, 145);
  level->gap = 1;
  level->alignment = NumberDisplay::CENTRED;
  level->set(firstLevel);

  lives = std::make_unique<NumberDisplay>(lifeIcon, 6, frameBuffer.get());
  lives->setPosition(328, 276);
  lives->gap = 0;
  lives->alignment = NumberDisplay::FROM_X;
  lives->set(3);

  extraLives.set(0);
  startLevel();
}

BarGame::~BarGame() = default;

std::uint32_t BarGame::clock() {
  const std::uint32_t live = platform.milliseconds();
  return tape_ != nullptr ? tape_->clock(live) : live;
}

void BarGame::addActor(int kind, Actor* actor, int lane) {
  if (lane < 0 || lane >= LANES) return;
  const auto l = static_cast<std::size_t>(lane);
  if (kind == ACTOR_CUSTOMER) {
    allActors.insertAt(actor, allActors.count());
    waitingCustomers[l].insertAt(actor, 0);
  } else if (kind == ACTOR_MUG) {
    allActors.insertAt(actor, 0);
    laneMugs[l].insertAt(actor, 0);
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
  bartender->missed = true;
  platform.playSound(WAVE_MISS);
  freezeTicks = FREEZE_TICKS;
}

void BarGame::guestLeaves() {
  const std::uint32_t elapsed = clock() - static_cast<std::uint32_t>(levelStart.get());
  const std::int32_t points = pointsForLeaving(elapsed);
  score->add(points - 10);
  score->add(10);
}

void BarGame::startDrinking(Customer& guest) {
  waitingCustomers[guest.laneIndex()].remove(&guest);
  drinkingCustomers[guest.laneIndex()].insertAt(&guest, 0);
}

void BarGame::stopDrinking(Customer& guest) {
  drinkingCustomers[guest.laneIndex()].remove(&guest);
  waitingCustomers[guest.laneIndex()].insertAt(&guest, 0);
}

ActorList& BarGame::mugsOn(int lane) { return laneMugs[static_cast<std::size_t>(lane)]; }

int BarGame::bartenderLane() const { return bartender->lane; }

void BarGame::launchMug(Mug* mug) {
  addActor(ACTOR_MUG, mug, mug->lane);
  platform.playSound(WAVE_MUG_LAUNCHED);
}

void BarGame::clearLanes() {
  for (std::size_t l = 0; l < LANES; ++l) {
    waitingCustomers[l].clear();
    drinkingCustomers[l].clear();
  }
  for (auto& mugs : laneMugs) mugs.clear();
  allActors.purge();
}

void BarGame::startLevel() {
  levelStart.set(static_cast<std::int32_t>(clock()));
  clearLanes();
  const std::int32_t l = level->get();
  random_.seed(static_cast<std::uint32_t>(l) + SEED_OFFSET);
  for (std::int32_t i = 0; i < l; ++i) {
    std::int32_t kind;
    if (flagLevel(l)) kind = i % 3 == 0 ? i % 4 : 4;
    else kind = random_.draw() % 4;
    addActor(ACTOR_CUSTOMER, new Customer(*this, customerPictures, i, kind), i % LANES);
  }
  freezeTicks = 0;
  bartender->reset();
  // Keys already held now make no event in the new level.
  keyboard_.poll();
  keyboard_.clearEvents();
}

void BarGame::update() {
  if (gameOver) return;
  bartender->step();
  if (freezeTicks == 0) {
    allActors.rewind();
    while (ListItem* item = allActors.next()) static_cast<Actor*>(item)->step();
  } else {
    --freezeTicks;
  }
  allActors.rewind();
  while (ListItem* item = allActors.next()) static_cast<Actor*>(item)->interact();
  bartender->interact();

  if (freezeTicks == 0 && bartender->missed) {
    if (lives->get() == 0) {
      gameOver = true;  // the actors stay where they are
    } else {
      lives->add(-1);
      clearLanes();
      bartender->reset();
      startLevel();
    }
  }

  allActors.purge();
  for (std::size_t l = 0; l < LANES; ++l) {
    waitingCustomers[l].purge();
    drinkingCustomers[l].purge();
  }
  for (auto& mugs : laneMugs) mugs.purge();

  if (freezeTicks == 0 && bartender->barCleared) {
    level->add(1);
    startLevel();
  }
  if (freezeTicks == 0 && allActors.count() == 0) {
    platform.playSound(WAVE_LEVEL_CLEARED);
    clearLanes();
    score->add(CLEAR_BONUS);
    bartender->barCleared = true;
    freezeTicks = FREEZE_TICKS;
  }
  if (score->get() > (extraLives.get() + 1) * POINTS_PER_EXTRA_LIFE) {
    extraLives.add(1);
    lives->add(1);
  }
}

void BarGame::render() {
  frameBuffer->setUp();
  frameBuffer->draw(*background, 0, 0);
  const std::int32_t l = level->get();
  if (greetingLevel(l)) {
    frameBuffer->draw(*greetingBanner, 100, 227);
    frameBuffer->draw(*greetingLeft, 0, 0);
    frameBuffer->draw(*greetingRight, 352, 0);
  }
  if (flagLevel(l)) {
    frameBuffer->draw(*flagBanner, 10, 227);
    frameBuffer->draw(*flagsLeft, -1, 0);
    frameBuffer->draw(*flagsRight, 352, 0);
  }
  if (gameOver) {
    frameBuffer->draw(*gameOverPicture, 150, 120);
  } else {
    for (std::size_t lane = 0; lane < LANES; ++lane) {
      drinkingCustomers[lane].drawAll();
      waitingCustomers[lane].drawAll();
      laneMugs[lane].drawAll();
    }
    bartender->draw();
  }
  score->draw();
  lives->draw();
  frameBuffer->present();
}

}  // namespace vilmar
