#pragma once
// Password attempts are counted per sender address, and per sender address
// and account together, in a sliding window. An attempt is reserved before
// its verification runs, in the same step as the check, so parallel guesses
// cannot slip past the limit; a right password gives its attempt back. Past
// the limit the sender is refused without a verification until the window
// has passed. A guesser gets a handful of tries at one account per quarter
// hour from each address, and the owner signing in from elsewhere is not
// affected by someone else's guesses.

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kortix {

struct AttemptLimits {
  int perAccount = 5;   // per sender address and account
  int perAddress = 30;  // per sender address, over all accounts
  std::int64_t windowSeconds = 900;
  std::size_t maxTracked = 100000;  // memory bound of each table
};

class AttemptLimiter {
 public:
  explicit AttemptLimiter(AttemptLimits limits = {}) : limits_(limits) {}

  // Takes one attempt for the sender at the account when both have one left.
  bool reserve(std::string_view address, std::string_view account, std::int64_t now);
  // Gives back an attempt that was never tried (no slot for the verification).
  void release(std::string_view address, std::string_view account);
  // A right password: the attempt is given back and the account's count
  // from this address cleared.
  void succeeded(std::string_view address, std::string_view account);

  // The address alone, for forms that fail before any account is named.
  bool allowed(std::string_view address, std::int64_t now);
  void failed(std::string_view address, std::int64_t now);

 private:
  struct Window {
    std::int64_t start = 0;
    int count = 0;
  };
  using Table = std::unordered_map<std::string, Window>;

  bool under(const Table& table, const std::string& key, int limit, std::int64_t now) const;
  void count(Table& table, const std::string& key, std::int64_t now);
  static void uncount(Table& table, const std::string& key);
  static std::string pairKey(std::string_view address, std::string_view account);

  AttemptLimits limits_;
  std::mutex mutex_;
  Table pairs_, addresses_;
};

}  // namespace kortix
