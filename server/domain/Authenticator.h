#pragma once
// Signs a member in by e-mail and password, for the game's form and the web
// forms alike: an attempt is reserved before any verification, and an unknown
// address is checked against a dummy hash, so it costs and takes what a
// member's does.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "domain/AttemptLimiter.h"
#include "domain/PasswordHasher.h"
#include "storage/Store.h"

namespace kortix {

using Clock = std::function<std::int64_t()>;  // seconds since 1970
Clock systemClock();

enum class SignIn { Ok, UnknownEmail, WrongPassword, Limited, Busy };

struct SignInResult {
  SignIn outcome = SignIn::UnknownEmail;
  std::optional<User> user;
};

class Authenticator {
 public:
  Authenticator(Store& store, PasswordHasher& hasher, AttemptLimiter& limiter)
      : store_(store), hasher_(hasher), limiter_(limiter) {}

  // email and password in UTF-8; address is the sender's.
  SignInResult signIn(std::string_view email, std::string_view password, std::string_view address,
                      std::int64_t now);

  PasswordHasher& hasher() { return hasher_; }
  AttemptLimiter& limiter() { return limiter_; }

 private:
  Store& store_;
  PasswordHasher& hasher_;
  AttemptLimiter& limiter_;
};

}  // namespace kortix
