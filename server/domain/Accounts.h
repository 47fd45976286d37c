#pragma once
// Membership: joining, a forgotten password, ending the membership, and
// inviting friends. Each call answers what the page should say.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "domain/AttemptLimiter.h"
#include "domain/Authenticator.h"
#include "domain/DailyCounts.h"
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
inline constexpr std::int64_t SESSION_SECONDS = 30 * 86400;
inline constexpr std::int64_t RESET_MAILS_PER_HOUR = 3;
inline constexpr std::size_t INVITES_MAX = 5;
// Invitations one member may send in a day: friends, not a mailing list.
inline constexpr std::size_t INVITES_PER_DAY = 20;
// Members whose invitations are counted in memory on one day.
inline constexpr std::size_t INVITERS_TRACKED = 100000;
// Registrations one sender address may make in an hour.
inline constexpr int REGISTRATIONS_PER_HOUR = 10;

inline constexpr const char* MAIL_FAILED = "Vi kunde inte skicka e-post just nu. Försök igen om en stund.";
inline constexpr const char* SERVICE_BUSY = "Tjänsten är hårt belastad just nu. Försök igen om en stund.";
// A reset link used already, expired or mistyped; the page adds where to ask for a new one.
inline constexpr const char* RESET_LINK_INVALID = "Länken är ogiltig eller för gammal.";

class Accounts {
 public:
  Accounts(Store& store, Authenticator& auth, Mailer& mailer, Clock clock, std::string publicUrl,
           std::size_t invitersTracked = INVITERS_TRACKED)
      : store_(store), auth_(auth), mailer_(mailer), clock_(std::move(clock)), publicUrl_(std::move(publicUrl)),
        registrations_({REGISTRATIONS_PER_HOUR, REGISTRATIONS_PER_HOUR, 3600, 100000}),
        invites_(INVITES_PER_DAY, invitersTracked) {}

  // The answer does not tell whether the address was a member's already: the
  // member is told by mail instead, and the same work is done either way.
  FormErrors registerMember(const Registration& form, const std::string& address = {});

  // Confirms a new member's address with the mailed link's token.
  bool confirmAddress(const std::string& token);

  // Mails a one-time link when the address is a member's; the caller answers
  // the same either way. False only when a mail was due and could not be sent.
  bool requestReset(const std::string& email);
  // Whether a link's token would still set a password (it is not used up).
  bool resetLinkValid(const std::string& token);
  // Sets a new password with a link's token; the token and every other link
  // of the member are used up. A link that no longer works gets
  // RESET_LINK_INVALID as the form's message.
  FormErrors resetPassword(const std::string& token, const std::string& password, const std::string& password2,
                           const std::string& address = {});

  // Signs a member in on the web with the same check and limits as the game's
  // form; on success token holds the new session's cookie value.
  FormErrors startSession(const std::string& email, const std::string& password, const std::string& address,
                          std::string& token);
  // The member whose cookie this is, while the session lasts.
  std::optional<User> sessionMember(const std::string& token);
  void endSession(const std::string& token);

  // The account and its scores leave the lists.
  FormErrors endMembership(const std::string& email, const std::string& password, const std::string& address);

  // Mails up to five friends a registration link naming the member as
  // referrer; `sent` counts the mails sent (friends who are members already
  // get none, which the page does not tell).
  FormErrors invite(const std::string& email, const std::string& password, const std::vector<std::string>& friends,
                    const std::string& address, std::size_t& sent);

  // The link that confirms a new member's address.
  std::string confirmationLink(const std::string& token) const;
  // The link a member's friends register with.
  std::string registrationLink(const std::string& referrerEmail) const;

 private:
  FormErrors signInErrors(SignIn outcome) const;

  Store& store_;
  Authenticator& auth_;
  Mailer& mailer_;
  Clock clock_;
  std::string publicUrl_;
  AttemptLimiter registrations_;  // per sender address
  DailyCounts invites_;
};

// The hex SHA-256-sized hash a reset token is kept as.
std::string tokenHash(const std::string& token);

}  // namespace kortix
