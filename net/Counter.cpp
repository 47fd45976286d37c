#include "net/Counter.h"

#include <bit>

namespace vilmar {

namespace {
constexpr std::uint32_t MASK = 0x5A17C0DEu;
constexpr std::uint32_t CHECK_KEY = 0x9E3779B9u;
std::uint32_t checkOf(std::uint32_t plain) { return std::rotl(plain, 13) ^ CHECK_KEY; }
}  // namespace

bool& Counter::tamperFlag() {
  // Per thread: the game runs on one, while the game service re-plays
  // recorded games on several at once, each world on its own thread.
  static thread_local bool flag = false;
  return flag;
}

void Counter::set(std::int32_t value) {
  const auto plain = static_cast<std::uint32_t>(value);
  masked_ = plain ^ MASK;
  check_ = checkOf(plain);
}

std::int32_t Counter::get() const {
  const std::uint32_t plain = masked_ ^ MASK;
  if (checkOf(plain) != check_) tamperFlag() = true;
  return static_cast<std::int32_t>(plain);
}

bool Counter::intact() const { return checkOf(masked_ ^ MASK) == check_; }

void Counter::add(std::int32_t delta) {
  // Unsigned so that an overflow wraps instead of being undefined.
  set(static_cast<std::int32_t>(static_cast<std::uint32_t>(get()) + static_cast<std::uint32_t>(delta)));
}

}  // namespace vilmar
