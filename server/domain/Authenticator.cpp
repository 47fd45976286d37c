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
  const std::string key = foldKey(trimmed(email));
  if (!limiter_.allowed(address, key, now)) return {SignIn::Limited, std::nullopt};
  std::optional<User> user = store_.userByEmail(key);
  if (!user) {
    // Trying addresses one by one is guessing too.
    limiter_.failed(address, {}, now);
    return {SignIn::UnknownEmail, std::nullopt};
  }
  const std::optional<bool> match = hasher_.verify(user->passwordHash, password);
  if (!match) return {SignIn::Busy, std::nullopt};
  if (!*match) {
    limiter_.failed(address, key, now);
    return {SignIn::WrongPassword, std::nullopt};
  }
  limiter_.succeeded(key);
  return {SignIn::Ok, std::move(user)};
}

}  // namespace kortix
