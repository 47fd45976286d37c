#pragma once
#include <cstdint>

#include "actors/ListItem.h"

namespace vilmar {

// A doubly linked list of shared items with one built-in cursor.
class ItemList {
 public:
  ItemList() = default;
  ItemList(const ItemList&) = delete;
  ItemList& operator=(const ItemList&) = delete;
  virtual ~ItemList();

  // position 0 is the front, count() the end; any other position does nothing.
  void insertAt(ListItem* item, std::int32_t position);
  // Unlinks the node at index and returns its item, which it neither deletes
  // nor uncounts; null for an index outside the list.
  ListItem* removeAt(std::int32_t index);
  // Unlinks the last node holding item and uncounts it; null if not held.
  ListItem* remove(ListItem* item);

  void rewind() { cursor_ = head_; }
  ListItem* next();
  std::int32_t count() const { return count_; }

  // Unlinks the removed items; the last list holding one deletes it.
  void purge();
  void markAllRemoved();
  void clear() {
    markAllRemoved();
    purge();
  }

  // Walks the items without touching the cursor (for observers outside a tick).
  template <class F>
  void forEach(F&& f) const {
    for (const Node* n = head_; n != nullptr; n = n->next) f(n->item);
  }

 private:
  struct Node {
    Node* prev;
    Node* next;
    ListItem* item;
  };

  Node* cursor_ = nullptr;
  Node* head_ = nullptr;
  std::int32_t count_ = 0;
};

class ActorList : public ItemList {
 public:
  void drawAll();
};

}  // namespace vilmar
