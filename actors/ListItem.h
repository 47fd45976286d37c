#pragma once
#include <cstdint>

namespace vilmar {

// Anything an actor list can hold. Lists share ownership: listCount says how
// many hold the item, and the last one to let go of a removed item deletes it.
class ListItem {
 public:
  virtual ~ListItem() = default;
  bool removed = false;
  std::int32_t listCount = 0;
};

}  // namespace vilmar
