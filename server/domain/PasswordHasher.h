#pragma once
// Passwords are kept only as Argon2id hashes (libsodium's encoded form, which
// carries its own cost, so the cost can change without breaking old hashes).
// Verifications run a few at a time: a flood of guesses queues here instead
// of taking every thread from the pages.

#include <chrono>
#include <optional>
#include <semaphore>
#include <string>
#include <string_view>

namespace kortix {

enum class HashCost {
  Interactive,  // libsodium's interactive limits: the service's default
  Minimal,      // the least libsodium allows: for tests only
};

class PasswordHasher {
 public:
  explicit PasswordHasher(HashCost cost = HashCost::Interactive, int parallel = 2,
                          std::chrono::milliseconds wait = std::chrono::milliseconds(2000));

  std::string hash(std::string_view password) const;
  // Whether the password matches; nothing when no verification slot came
  // free in time (the caller answers "busy").
  std::optional<bool> verify(const std::string& hash, std::string_view password);

 private:
  unsigned long long opsLimit_;
  std::size_t memLimit_;
  std::counting_semaphore<64> slots_;
  std::chrono::milliseconds wait_;
};

}  // namespace kortix
