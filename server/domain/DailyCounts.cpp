#include "domain/DailyCounts.h"

#include <algorithm>

namespace kortix {

std::size_t DailyCounts::take(std::int64_t member, std::int64_t day, std::size_t wanted) {
  std::lock_guard lock(mutex_);
  auto it = counts_.find(member);
  if (it == counts_.end()) {
    if (counts_.size() >= maxTracked_)
      std::erase_if(counts_, [&](const auto& entry) { return entry.second.day != day; });
    if (counts_.size() >= maxTracked_) return 0;
    it = counts_.emplace(member, Count{day, 0}).first;
  }
  Count& count = it->second;
  if (count.day != day) count = {day, 0};
  if (wanted > perDay_ - std::min(count.used, perDay_)) return 0;
  count.used += wanted;
  return wanted;
}

void DailyCounts::giveBack(std::int64_t member, std::int64_t day, std::size_t count) {
  std::lock_guard lock(mutex_);
  const auto it = counts_.find(member);
  if (it != counts_.end() && it->second.day == day) it->second.used -= std::min(count, it->second.used);
}

std::size_t DailyCounts::tracked() const {
  std::lock_guard lock(mutex_);
  return counts_.size();
}

}  // namespace kortix
