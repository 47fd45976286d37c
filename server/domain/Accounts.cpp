#include "domain/Accounts.h"

#include <sodium.h>

#include "domain/Entries.h"
#include "net/ServiceEndpoint.h"

namespace kortix {

namespace {

std::string hex(const unsigned char* bytes, std::size_t size) {
  std::string out(size * 2 + 1, '\0');
  sodium_bin2hex(out.data(), out.size(), bytes, size);
  out.pop_back();
  return out;
}

std::string newToken() {
  unsigned char raw[32];
  randombytes_buf(raw, sizeof raw);
  return hex(raw, sizeof raw);
}

}  // namespace

std::string tokenHash(const std::string& token) {
  unsigned char digest[32];
  crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(token.data()), token.size(),
                     nullptr, 0);
  return hex(digest, sizeof digest);
}

std::string Accounts::registrationLink(const std::string& referrerEmail) const {
  return publicUrl_ + "/registrera/?tipsare=" + vilmar::percentEncode(referrerEmail);
}

FormErrors Accounts::registerMember(const Registration& form) {
  FormErrors errors;
  const std::string email = trimmed(form.email);
  const std::string nick = trimmed(form.nick);
  const std::string referrer = trimmed(form.referrer);
  if (auto problem = emailProblem(email)) errors["email"] = *problem;
  if (auto problem = nickProblem(nick)) errors["nick"] = *problem;
  if (auto problem = passwordProblem(form.password)) errors["password"] = *problem;
  else if (form.password != form.password2) errors["password2"] = "Lösenorden är inte lika.";
  if (!referrer.empty()) {
    if (emailProblem(referrer)) errors["referrer"] = "Tipsarens e-mailadress ser inte rätt ut.";
    else if (foldKey(referrer) == foldKey(email)) errors["referrer"] = "Du kan inte tipsa dig själv.";
  }
  if (!form.acceptsRules) errors["rules"] = "Du måste godkänna tävlingsreglerna.";
  if (!errors.empty()) return errors;

  NewUser user;
  user.email = email;
  user.emailKey = foldKey(email);
  user.nick = nick;
  user.nickKey = foldKey(nick);
  user.passwordHash = auth_.hasher().hash(form.password);
  user.referrerKey = foldKey(referrer);
  user.createdAt = clock_();
  switch (store_.createUser(user)) {
    case CreateOutcome::Created: break;
    case CreateOutcome::EmailTaken:
      errors["email"] = "Den e-mailadressen är redan registrerad. Har du glömt lösenordet?";
      break;
    case CreateOutcome::NickTaken: errors["nick"] = "Smeknamnet är upptaget. Välj ett annat."; break;
  }
  return errors;
}

void Accounts::requestReset(const std::string& email) {
  const std::int64_t now = clock_();
  const std::optional<User> user = store_.userByEmail(foldKey(trimmed(email)));
  if (!user) return;
  if (store_.resetTokensSince(user->id, now - 3600) >= RESET_MAILS_PER_HOUR) return;
  const std::string token = newToken();
  store_.addResetToken(user->id, tokenHash(token), now, now + RESET_VALID_SECONDS);
  mailer_.send({user->email, "Nytt lösenord till Kortix",
                "Hej " + user->nick + "!\n\n"
                "Någon (förhoppningsvis du) bad om ett nytt lösenord till Kortix.\n"
                "Välj ett nytt lösenord här inom en timme:\n\n" +
                    publicUrl_ + "/nyttlosen/?t=" + token +
                    "\n\n"
                    "Länken fungerar en gång. Bad du inte om något nytt lösenord kan du\n"
                    "strunta i det här brevet; ditt gamla lösenord gäller som förut.\n\n"
                    "Hälsningar\nKortix\n"});
}

FormErrors Accounts::resetPassword(const std::string& token, const std::string& password,
                                   const std::string& password2) {
  FormErrors errors;
  if (auto problem = passwordProblem(password)) errors["password"] = *problem;
  else if (password != password2) errors["password2"] = "Lösenorden är inte lika.";
  if (!errors.empty()) return errors;
  // Only a token of the right shape reaches the database.
  if (token.size() != 64 || token.find_first_not_of("0123456789abcdef") != std::string::npos) {
    errors[""] = "Länken är ogiltig eller för gammal. Be om en ny.";
    return errors;
  }
  const std::optional<std::int64_t> user = store_.takeResetToken(tokenHash(token), clock_());
  if (!user || !store_.setPasswordHash(*user, auth_.hasher().hash(password)))
    errors[""] = "Länken är ogiltig eller för gammal. Be om en ny.";
  return errors;
}

FormErrors Accounts::signInErrors(SignIn outcome) const {
  FormErrors errors;
  switch (outcome) {
    case SignIn::Ok: break;
    case SignIn::UnknownEmail:
    case SignIn::WrongPassword: errors[""] = "Fel e-mailadress eller lösenord."; break;
    case SignIn::Limited: errors[""] = "För många felaktiga försök. Vänta en kvart och försök igen."; break;
    case SignIn::Busy: errors[""] = "Tjänsten är hårt belastad just nu. Försök igen om en stund."; break;
  }
  return errors;
}

FormErrors Accounts::endMembership(const std::string& email, const std::string& password,
                                   const std::string& address) {
  const SignInResult signIn = auth_.signIn(email, password, address, clock_());
  FormErrors errors = signInErrors(signIn.outcome);
  if (errors.empty() && !store_.removeUser(signIn.user->id)) errors[""] = "Medlemskapet finns inte längre.";
  return errors;
}

FormErrors Accounts::invite(const std::string& email, const std::string& password,
                            const std::vector<std::string>& friends, const std::string& address,
                            std::size_t& sent) {
  sent = 0;
  FormErrors errors;
  std::vector<std::string> addresses;
  for (std::size_t i = 0; i < friends.size(); ++i) {
    const std::string friendEmail = trimmed(friends[i]);
    if (friendEmail.empty()) continue;
    if (i >= INVITES_MAX) {
      errors[""] = "Du kan bjuda in högst fem vänner åt gången.";
      return errors;
    }
    if (auto problem = emailProblem(friendEmail)) errors["friend" + std::to_string(i + 1)] = *problem;
    addresses.push_back(friendEmail);
  }
  if (addresses.empty() && errors.empty()) errors["friend1"] = "Skriv minst en väns e-mailadress.";
  if (!errors.empty()) return errors;

  const SignInResult signIn = auth_.signIn(email, password, address, clock_());
  errors = signInErrors(signIn.outcome);
  if (!errors.empty()) return errors;
  const User& member = *signIn.user;
  std::size_t allowance = 0;
  {
    std::lock_guard lock(invitesMutex_);
    const std::int64_t day = clock_() / 86400;
    auto& [countedDay, count] = invitesToday_[member.id];
    if (countedDay != day) {
      if (invitesToday_.size() > 100000) invitesToday_.clear();
      countedDay = day;
      count = 0;
    }
    allowance = INVITES_PER_DAY - std::min(count, INVITES_PER_DAY);
    count += std::min(addresses.size(), allowance);
  }
  if (allowance < addresses.size()) {
    errors[""] = "Du har skickat många inbjudningar i dag. Försök igen i morgon.";
    return errors;
  }
  for (const std::string& friendEmail : addresses) {
    if (store_.userByEmail(foldKey(friendEmail))) continue;  // already a member
    if (mailer_.send({friendEmail, member.nick + " utmanar dig i Vilmar Pintkeeper",
                      "Hej!\n\n" + member.nick +
                          " spelar Vilmar Pintkeeper på Kortix och utmanar dig.\n"
                          "Bli medlem gratis och tävla om dagens och veckans bästa resultat:\n\n" +
                          registrationLink(member.email) + "\n\nHälsningar\nKortix\n"}))
      ++sent;
  }
  return errors;
}

}  // namespace kortix
