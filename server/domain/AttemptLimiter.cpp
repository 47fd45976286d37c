#include "domain/AttemptLimiter.h"

namespace kortix {

std::string AttemptLimiter::pairKey(std::string_view address, std::string_view account) {
  std::string key(address);
  key += '\n';  // neither an address nor a folded e-mail holds a line end
  key += account;
  return key;
}

bool AttemptLimiter::under(const Table& table, const std::string& key, int limit, std::int64_t now) const {
  const auto it = table.find(key);
  return it == table.end() || now - it->second.start >= limits_.windowSeconds || it->second.count < limit;
}

void AttemptLimiter::count(Table& table, const std::string& key, std::int64_t now) {
  if (table.size() >= limits_.maxTracked && !table.contains(key)) {
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
  Window& w = table[key];
  if (w.count == 0 || now - w.start >= limits_.windowSeconds) w = {now, 0};
  ++w.count;
}

void AttemptLimiter::uncount(Table& table, const std::string& key) {
  const auto it = table.find(key);
  if (it != table.end() && it->second.count > 0 && --it->second.count == 0) table.erase(it);
}

bool AttemptLimiter::reserve(std::string_view address, std::string_view account, std::int64_t now) {
  const std::string a(address), pair = pairKey(address, account);
  std::lock_guard lock(mutex_);
  if (!under(addresses_, a, limits_.perAddress, now) || !under(pairs_, pair, limits_.perAccount, now)) return false;
  count(addresses_, a, now);
  count(pairs_, pair, now);
  return true;
}

void AttemptLimiter::release(std::string_view address, std::string_view account) {
  const std::string a(address), pair = pairKey(address, account);
  std::lock_guard lock(mutex_);
  uncount(addresses_, a);
  uncount(pairs_, pair);
}

void AttemptLimiter::succeeded(std::string_view address, std::string_view account) {
  const std::string a(address);
  std::lock_guard lock(mutex_);
  uncount(addresses_, a);
  pairs_.erase(pairKey(address, account));
}

bool AttemptLimiter::allowed(std::string_view address, std::int64_t now) {
  std::lock_guard lock(mutex_);
  return under(addresses_, std::string(address), limits_.perAddress, now);
}

void AttemptLimiter::failed(std::string_view address, std::int64_t now) {
  std::lock_guard lock(mutex_);
  count(addresses_, std::string(address), now);
}

}  // namespace kortix
