#pragma once
// How much of a daily allowance each member has used today, in memory and
// bounded: when the table is full, only earlier days' counts are forgotten;
// if today's alone fill it, members not yet counted today get nothing more
// until tomorrow rather than anyone's count being lost.

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace kortix {

class DailyCounts {
 public:
  DailyCounts(std::size_t perDay, std::size_t maxTracked) : perDay_(perDay), maxTracked_(maxTracked) {}

  // Takes up to `wanted` from the member's allowance for `day`; answers how
  // many were granted (all or nothing: a partial grant is given back).
  std::size_t take(std::int64_t member, std::int64_t day, std::size_t wanted);
  // Gives back what was taken but not used (a mail that could not be sent).
  void giveBack(std::int64_t member, std::int64_t day, std::size_t count);

  std::size_t tracked() const;

 private:
  struct Count {
    std::int64_t day = 0;
    std::size_t used = 0;
  };
  std::size_t perDay_, maxTracked_;
  mutable std::mutex mutex_;
  std::unordered_map<std::int64_t, Count> counts_;
};

}  // namespace kortix
