#include "actors/ActorList.h"

#include "actors/Actor.h"

namespace vilmar {

ItemList::~ItemList() { clear(); }

void ItemList::insertAt(ListItem* item, std::int32_t position) {
  if (position < 0 || position > count_) return;
  Node* before = nullptr;  // the node that will precede the new one
  Node* after = head_;
  for (std::int32_t i = 0; i < position; ++i) {
    before = after;
    after = after->next;
  }
  Node* node = new Node{before, after, item};
  if (before != nullptr) before->next = node;
  else head_ = node;
  if (after != nullptr) after->prev = node;
  ++count_;
  ++item->listCount;
}

ListItem* ItemList::removeAt(std::int32_t index) {
  if (index < 0 || index >= count_) return nullptr;
  Node* node = head_;
  for (std::int32_t i = 0; i < index; ++i) node = node->next;
  if (node->prev != nullptr) node->prev->next = node->next;
  else head_ = node->next;
  if (node->next != nullptr) node->next->prev = node->prev;
  if (cursor_ == node) cursor_ = node->next;
  ListItem* item = node->item;
  delete node;
  --count_;
  return item;
}

ListItem* ItemList::remove(ListItem* item) {
  std::int32_t found = -1;
  std::int32_t index = 0;
  rewind();
  while (ListItem* current = next()) {
    if (current == item) found = index;
    ++index;
  }
  if (found < 0) return nullptr;
  removeAt(found);
  --item->listCount;
  return item;
}

ListItem* ItemList::next() {
  if (cursor_ == nullptr) return nullptr;
  ListItem* item = cursor_->item;
  cursor_ = cursor_->next;
  return item;
}

void ItemList::purge() {
  rewind();
  std::int32_t index = 0;
  while (ListItem* item = next()) {
    if (!item->removed) {
      ++index;
    } else if (item->listCount == 1) {
      removeAt(index);
      delete item;
    } else {
      --item->listCount;
      removeAt(index);
    }
  }
}

void ItemList::markAllRemoved() {
  for (Node* n = head_; n != nullptr; n = n->next) n->item->removed = true;
}

void ActorList::drawAll() {
  rewind();
  while (ListItem* item = next()) static_cast<Actor*>(item)->draw();
}

}  // namespace vilmar
