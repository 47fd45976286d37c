#pragma once
// Failed passwords are counted per account and per sender address in a
// sliding window; past the limit the account or address is refused without a
// verification until the window has passed. A guesser gets a handful of tries
// per quarter hour, and a flood costs the machine almost nothing.

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kortix {

struct AttemptLimits {
  int perAccount = 5;
  int perAddress = 30;
  std::int64_t windowSeconds = 900;
  std::size_t maxTracked = 100000;  // memory bound of each table
};

class AttemptLimiter {
 public:
  explicit AttemptLimiter(AttemptLimits limits = {}) : limits_(limits) {}

  bool allowed(std::string_view address, std::string_view account, std::int64_t now);
  void failed(std::string_view address, std::string_view account, std::int64_t now);
  // A right password clears the account's count (not the address's).
  void succeeded(std::string_view account);

 private:
  struct Window {
    std::int64_t start = 0;
    int count = 0;
  };
  using Table = std::unordered_map<std::string, Window>;

  bool under(const Table& table, std::string_view key, int limit, std::int64_t now) const;
  void count(Table& table, std::string_view key, std::int64_t now);

  AttemptLimits limits_;
  std::mutex mutex_;
  Table accounts_, addresses_;
};

}  // namespace kortix
