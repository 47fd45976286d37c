#pragma once
#include <cstdint>

namespace vilmar {

// The level start's generator: the customer kinds of every level follow from
// it, so it must be exactly this one.
class Random {
 public:
  void seed(std::uint32_t s) { state_ = s; }
  std::int32_t draw();

 private:
  std::uint32_t state_ = 0;
};

}  // namespace vilmar
