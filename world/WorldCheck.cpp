#include "world/WorldCheck.h"

#include <algorithm>
#include <sstream>

#include "actors/Bartender.h"
#include "actors/Customer.h"
#include "actors/Mug.h"
#include "world/BarGame.h"

namespace vilmar {

namespace {

constexpr std::int32_t POINTS_PER_EXTRA_LIFE = 10000;

// Lists are named by number: 0 is allActors, then per lane its waiting
// guests, drinking guests and mugs. Names are made only for a fault.
constexpr int ALL_ACTORS = 0;
enum LaneListKind { WAITING = 0, DRINKING = 1, MUGS = 2 };
int laneListId(std::size_t lane, LaneListKind kind) { return 1 + 3 * static_cast<int>(lane) + kind; }

std::string listName(int id) {
  if (id == ALL_ACTORS) return "allActors";
  static const char* const KINDS[] = {"waitingCustomers", "drinkingCustomers", "laneMugs"};
  return std::string(KINDS[(id - 1) % 3]) + "[" + std::to_string((id - 1) / 3) + "]";
}

// Every list entry: the item and the list it is in.
using Entries = std::vector<std::pair<const ListItem*, int>>;

class Report {
 public:
  template <class... Parts>
  void fault(const Parts&... parts) {
    std::ostringstream line;
    (line << ... << parts);
    lines_.push_back(line.str());
  }
  std::vector<std::string> take() { return std::move(lines_); }

 private:
  std::vector<std::string> lines_;
};

void walkList(const ActorList& list, int id, Entries& entries, Report& report) {
  std::int32_t nodes = 0;
  const std::size_t first = entries.size();
  list.forEach([&](const ListItem* item) {
    ++nodes;
    if (item == nullptr) {
      report.fault(listName(id), " holds a null item");
      return;
    }
    if (item->removed) report.fault(listName(id), " still holds a removed item after the purge");
    entries.emplace_back(item, id);
  });
  if (nodes != list.count()) report.fault(listName(id), " counts ", list.count(), " items but links ", nodes);
  std::vector<const ListItem*> items;
  for (std::size_t i = first; i < entries.size(); ++i) items.push_back(entries[i].first);
  std::sort(items.begin(), items.end());
  if (std::adjacent_find(items.begin(), items.end()) != items.end()) report.fault(listName(id), " holds an item twice");
}

bool validLane(std::int32_t lane) { return lane >= 0 && lane < LANES; }

void checkCounter(const Counter& counter, const char* name, Report& report) {
  if (!counter.intact()) report.fault("counter ", name, " no longer matches its check value");
}

}  // namespace

std::vector<std::string> checkWorld(const BarGame& world) {
  Report report;

  // The counters first: the values below are only read when they are sound.
  checkCounter(world.score(), "score", report);
  checkCounter(world.level(), "level", report);
  checkCounter(world.lives(), "lives", report);
  checkCounter(world.extraLives(), "extraLives", report);
  checkCounter(world.levelStart(), "levelStart", report);
  if (Counter::tamperFlag()) report.fault("the tamper flag is raised");
  const std::vector<std::string> counterFaults = report.take();
  if (!counterFaults.empty()) return counterFaults;

  const std::int32_t score = world.score().get();
  const std::int32_t level = world.level().get();
  const std::int32_t lives = world.lives().get();
  const std::int32_t extraLives = world.extraLives().get();
  if (score < 0) report.fault("score is negative: ", score);
  if (level < 1) report.fault("level is below 1: ", level);
  if (lives < 0) report.fault("lives are negative: ", lives);
  if (extraLives < 0 || (extraLives > 0 && std::int64_t{extraLives} * POINTS_PER_EXTRA_LIFE >= score))
    report.fault(extraLives, " extra lives for a score of ", score);
  if (world.freezeTicks() < 0 || world.freezeTicks() > FREEZE_TICKS)
    report.fault("freezeTicks out of range: ", world.freezeTicks());

  const Bartender& bartender = world.bartender();
  if (!validLane(bartender.lane)) report.fault("the bartender stands at lane ", bartender.lane);
  if (bartender.launchLane < -1 || bartender.launchLane >= LANES)
    report.fault("the bartender launches at lane ", bartender.launchLane);

  // Every list, walked without its cursor.
  Entries entries;
  walkList(world.allActors(), ALL_ACTORS, entries, report);
  for (std::size_t l = 0; l < LANES; ++l) {
    walkList(world.waitingCustomers(l), laneListId(l, WAITING), entries, report);
    walkList(world.drinkingCustomers(l), laneListId(l, DRINKING), entries, report);
    walkList(world.mugs(l), laneListId(l, MUGS), entries, report);
  }
  // Grouped by item: each item with the lists it is in, in list order.
  std::sort(entries.begin(), entries.end());
  std::vector<std::pair<const ListItem*, std::vector<int>>> members;
  for (const auto& [item, id] : entries) {
    if (members.empty() || members.back().first != item) members.emplace_back(item, std::vector<int>{});
    members.back().second.push_back(id);
  }
  const auto isMember = [&](const ListItem* item) {
    return std::binary_search(members.begin(), members.end(), std::pair{item, std::vector<int>{}},
                              [](const auto& a, const auto& b) { return a.first < b.first; });
  };

  // The furthest a guest may stand: a step beyond the end of his bar (the
  // miss stops him), or beyond where a long queue of this level was spawned.
  const auto customerMaxX = [&](std::size_t lane) {
    const float queue = Customer::START_X[lane] + static_cast<float>(Customer::QUEUE_GAP * ((level - 1) / LANES));
    return std::max(Customer::END_X[lane], queue) + Customer::WALK_STEP;
  };

  std::vector<const Mug*> holders;
  for (const auto& [item, lists] : members) {
    const auto* mug = dynamic_cast<const Mug*>(item);
    const auto* customer = dynamic_cast<const Customer*>(item);
    if (mug == nullptr && customer == nullptr) {
      report.fault("an item that is neither a mug nor a guest is in ", listName(lists.front()));
      continue;
    }
    const std::int32_t lane = mug != nullptr ? mug->lane : customer->lane;
    const char* what = mug != nullptr ? "mug" : "guest";
    if (!validLane(lane)) {
      report.fault("a ", what, " at lane ", lane);
      continue;
    }
    const auto l = static_cast<std::size_t>(lane);
    const int barList = laneListId(l, mug != nullptr ? MUGS : customer->mug != nullptr ? DRINKING : WAITING);
    if (lists != std::vector<int>{ALL_ACTORS, barList}) {
      std::string names;
      for (const int id : lists) names += " " + listName(id);
      report.fault("a ", what, " of lane ", lane, " belongs in allActors and ", listName(barList), " but is in", names);
    }
    if (item->listCount != static_cast<std::int32_t>(lists.size()))
      report.fault("a ", what, " of lane ", lane, " counts ", item->listCount, " lists but is in ", lists.size());

    if (customer != nullptr) {
      if (customer->y != Customer::DOOR_Y[l]) report.fault("a guest of lane ", lane, " left his bar: y ", customer->y);
      if (customer->x < Customer::START_X[l] || customer->x > customerMaxX(l))
        report.fault("a guest of lane ", lane, " stands outside his bar: x ", customer->x);
      if (customer->drinkTicks < 0 || customer->drinkTicks > Customer::DRINK_TICKS)
        report.fault("a guest of lane ", lane, " drinks for ", customer->drinkTicks, " ticks");
      if (const Mug* held = customer->mug) {
        holders.push_back(held);
        if (!isMember(held)) report.fault("a guest of lane ", lane, " holds a mug that is in no list");
        else if (!held->held || held->empty || held->lane != lane)
          report.fault("a guest of lane ", lane, " holds a mug that is not his full mug of that lane");
      }
      continue;
    }

    // A mug: on its bar, or falling off its end.
    const float top = Mug::LAUNCH_Y[l];
    const float bottom = top + Mug::FALL_STEP * static_cast<float>(Mug::FALL_TICKS);
    if (mug->y < top || mug->y > bottom) report.fault("a mug of lane ", lane, " left its bar: y ", mug->y);
    const float left = Mug::WALL_X[l] - Mug::FULL_STEP;
    const float right = std::max(Mug::END_X[l], customerMaxX(l) + Customer::MUG_PUT_BACK_OFFSET) + Mug::EMPTY_STEP;
    if (mug->x < left || mug->x > right) report.fault("a mug of lane ", lane, " is off its bar: x ", mug->x);
    if (mug->fallTicks < 0 || mug->fallTicks > Mug::FALL_TICKS)
      report.fault("a mug of lane ", lane, " falls for ", mug->fallTicks, " ticks");
    if (mug->falling && !mug->empty) report.fault("a full mug of lane ", lane, " is falling");
  }
  // Each held mug in the hands of exactly one guest, and no other mug.
  for (const auto& [item, lists] : members) {
    const auto* mug = dynamic_cast<const Mug*>(item);
    if (mug == nullptr) continue;
    const auto count = std::count(holders.begin(), holders.end(), mug);
    if (mug->held && count != 1) report.fault("a held mug of lane ", mug->lane, " has ", count, " guests holding it");
    if (!mug->held && count != 0) report.fault("a mug of lane ", mug->lane, " that is not held has a guest holding it");
  }
  return report.take();
}

}  // namespace vilmar
