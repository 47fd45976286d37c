#include "domain/Authenticator.h"

#include <chrono>

#include "domain/Entries.h"

namespace kortix {

Clock systemClock() {
  return [] {
    return static_cast<std::int64_t>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
  };
}

SignInResult Authenticator::signIn(std::string_view email, std::string_view password, std::string_view address,
                                   std::int64_t now) {
  std::string key = foldKey(trimmed(email));
  // No member's address is longer than this (64 characters of at most three
  // bytes); a longer entry is nobody's, and is counted by its beginning so
  // that the limiter's memory stays bounded.
  constexpr std::size_t KEY_MAX = 256;
  const bool nobody = key.size() > KEY_MAX;
  if (nobody) key.resize(KEY_MAX);
  // Trying addresses one by one is guessing too: an unknown one counts the same.
  if (!limiter_.reserve(address, key, now)) return {SignIn::Limited, std::nullopt};
  std::optional<User> user;
  std::optional<bool> match;
  try {
    if (!nobody) user = store_.userByEmail(key);
    match = hasher_.verify(user ? user->passwordHash : hasher_.dummyHash(), password, address);
  } catch (...) {
    limiter_.release(address, key);
    throw;
  }
  if (!match) {
    limiter_.release(address, key);
    return {SignIn::Busy, std::nullopt};
  }
  if (!user) return {SignIn::UnknownEmail, std::nullopt};
  if (!*match) return {SignIn::WrongPassword, std::nullopt};
  limiter_.succeeded(address, key);
  return {SignIn::Ok, std::move(user)};
}

}  // namespace kortix
