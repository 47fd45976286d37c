#include <gtest/gtest.h>

#include <vector>

#include "actors/ActorList.h"

namespace vilmar {
namespace {

// Counts its deletions so the tests can see who deleted what.
struct Item : ListItem {
  explicit Item(int v, int* deaths = nullptr) : value(v), deaths_(deaths) {}
  ~Item() override {
    if (deaths_ != nullptr) ++*deaths_;
  }
  int value;
  int* deaths_;
};

std::vector<int> values(ItemList& list) {
  std::vector<int> out;
  list.rewind();
  while (ListItem* i = list.next()) out.push_back(static_cast<Item*>(i)->value);
  return out;
}

TEST(ItemList, InsertsAtTheEndsAndInTheMiddleOnly) {
  ItemList list;
  Item a(1), b(2), c(3), d(4);
  list.insertAt(&a, 1);  // past the end of an empty list: nothing
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(a.listCount, 0);
  list.insertAt(&a, 0);
  list.insertAt(&c, list.count());
  list.insertAt(&b, 1);
  list.insertAt(&d, 0);
  EXPECT_EQ(values(list), (std::vector<int>{4, 1, 2, 3}));
  EXPECT_EQ(list.removeAt(-1), nullptr);
  EXPECT_EQ(list.removeAt(4), nullptr);
  EXPECT_EQ(list.removeAt(2), &b);
  EXPECT_EQ(b.listCount, 1);  // removeAt leaves the count to the caller
  EXPECT_EQ(list.remove(&a), &a);
  EXPECT_EQ(a.listCount, 0);
  EXPECT_EQ(list.remove(&a), nullptr);
  EXPECT_EQ(values(list), (std::vector<int>{4, 3}));
  list.removeAt(0);
  list.removeAt(0);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.next(), nullptr);
}

TEST(ItemList, SharedItemsAreDeletedByTheLastListThatLetsGo) {
  int deaths = 0;
  ItemList all, lane, other;
  auto* shared = new Item(7, &deaths);
  all.insertAt(shared, 0);
  lane.insertAt(shared, 0);
  // Moving between two lists keeps the count.
  lane.remove(shared);
  other.insertAt(shared, 0);
  other.remove(shared);
  lane.insertAt(shared, 0);
  EXPECT_EQ(shared->listCount, 2);

  lane.clear();  // marks it removed; the other list still holds it
  EXPECT_EQ(deaths, 0);
  EXPECT_EQ(shared->listCount, 1);
  all.purge();
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(all.count(), 0);
}

TEST(ItemList, PurgeUnlinksNeighboursAndKeepsTheOrderOfTheRest) {
  int deaths = 0;
  ItemList list;
  std::vector<Item*> items;
  for (int v = 0; v < 6; ++v) {
    items.push_back(new Item(v, &deaths));
    list.insertAt(items.back(), list.count());
  }
  items[2]->removed = items[3]->removed = items[5]->removed = true;
  list.purge();
  EXPECT_EQ(deaths, 3);
  EXPECT_EQ(values(list), (std::vector<int>{0, 1, 4}));
}  // the list's destructor deletes the rest; ASan reports a leak otherwise

}  // namespace
}  // namespace vilmar
