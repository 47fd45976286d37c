#pragma once
// Membership: joining, a forgotten password, ending the membership, and
// inviting friends. Each call answers what the page should say.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "domain/Authenticator.h"
#include "domain/Mailer.h"
#include "storage/Store.h"

namespace kortix {

// Field name -> Swedish message; empty when all went well. The key "" holds a
// message about the form as a whole.
using FormErrors = std::map<std::string, std::string>;

struct Registration {
  std::string email, nick, password, password2, referrer;
  bool acceptsRules = false;
};

inline constexpr std::int64_t RESET_VALID_SECONDS = 3600;
inline constexpr std::int64_t RESET_MAILS_PER_HOUR = 3;
inline constexpr std::size_t INVITES_MAX = 5;
// Invitations one member may send in a day: friends, not a mailing list.
inline constexpr std::size_t INVITES_PER_DAY = 20;

class Accounts {
 public:
  Accounts(Store& store, Authenticator& auth, Mailer& mailer, Clock clock, std::string publicUrl)
      : store_(store), auth_(auth), mailer_(mailer), clock_(std::move(clock)), publicUrl_(std::move(publicUrl)) {}

  FormErrors registerMember(const Registration& form);

  // Mails a one-time link when the address is a member's; the caller answers
  // the same either way.
  void requestReset(const std::string& email);
  // Sets a new password with a link's token; the token is used up.
  FormErrors resetPassword(const std::string& token, const std::string& password, const std::string& password2);

  // The account and its scores leave the lists.
  FormErrors endMembership(const std::string& email, const std::string& password, const std::string& address);

  // Mails up to five friends a registration link naming the member as referrer.
  FormErrors invite(const std::string& email, const std::string& password, const std::vector<std::string>& friends,
                    const std::string& address, std::size_t& sent);

  // The link a member's friends register with.
  std::string registrationLink(const std::string& referrerEmail) const;

 private:
  FormErrors signInErrors(SignIn outcome) const;

  Store& store_;
  Authenticator& auth_;
  Mailer& mailer_;
  Clock clock_;
  std::string publicUrl_;
  std::mutex invitesMutex_;
  std::map<std::int64_t, std::pair<std::int64_t, std::size_t>> invitesToday_;  // member -> (day, count)
};

// The hex SHA-256-sized hash a reset token is kept as.
std::string tokenHash(const std::string& token);

}  // namespace kortix
