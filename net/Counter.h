#pragma once
#include <cstdint>

namespace vilmar {

// A whole number kept in a disguised form with a check beside it, so that
// poking the running game's memory is noticed: a failed check raises the
// process-wide tamper flag, which travels with a submitted score.
class Counter {
 public:
  Counter() { set(0); }
  virtual ~Counter() = default;

  void set(std::int32_t value);
  std::int32_t get() const;
  void add(std::int32_t delta);
  // Whether the value still matches its check; unlike get(), raises nothing.
  bool intact() const;

  static bool& tamperFlag();

 private:
  std::uint32_t masked_ = 0;
  std::uint32_t check_ = 0;
};

}  // namespace vilmar
