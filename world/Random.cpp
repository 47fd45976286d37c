#include "world/Random.h"

namespace vilmar {

std::int32_t Random::draw() {
  state_ = state_ * 214013u + 2531011u;
  return static_cast<std::int32_t>((state_ >> 16) & 0x7FFFu);
}

}  // namespace vilmar
