#include "domain/AttemptLimiter.h"

namespace kortix {

bool AttemptLimiter::under(const Table& table, std::string_view key, int limit, std::int64_t now) const {
  const auto it = table.find(std::string(key));
  return it == table.end() || now - it->second.start >= limits_.windowSeconds || it->second.count < limit;
}

void AttemptLimiter::count(Table& table, std::string_view key, std::int64_t now) {
  if (table.size() >= limits_.maxTracked) {
    std::erase_if(table, [&](const auto& entry) { return now - entry.second.start >= limits_.windowSeconds; });
    // Still full: forget the oldest half rather than grow without bound.
    if (table.size() >= limits_.maxTracked) {
      std::int64_t oldest = now, newest = 0;
      for (const auto& [k, w] : table) {
        oldest = std::min(oldest, w.start);
        newest = std::max(newest, w.start);
      }
      const std::int64_t middle = oldest + (newest - oldest) / 2;
      std::erase_if(table, [&](const auto& entry) { return entry.second.start <= middle; });
    }
  }
  Window& w = table[std::string(key)];
  if (w.count == 0 || now - w.start >= limits_.windowSeconds) w = {now, 0};
  ++w.count;
}

bool AttemptLimiter::allowed(std::string_view address, std::string_view account, std::int64_t now) {
  std::lock_guard lock(mutex_);
  return under(addresses_, address, limits_.perAddress, now) &&
         under(accounts_, account, limits_.perAccount, now);
}

void AttemptLimiter::failed(std::string_view address, std::string_view account, std::int64_t now) {
  std::lock_guard lock(mutex_);
  count(addresses_, address, now);
  if (!account.empty()) count(accounts_, account, now);
}

void AttemptLimiter::succeeded(std::string_view account) {
  std::lock_guard lock(mutex_);
  accounts_.erase(std::string(account));
}

}  // namespace kortix
