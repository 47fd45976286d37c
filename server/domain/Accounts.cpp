#include "domain/Accounts.h"

#include <sodium.h>

#include <cstdio>

#include "domain/Entries.h"
#include "net/ServiceEndpoint.h"

namespace kortix {

namespace {

// Only a token of the shape the service hands out reaches the database.
bool wellFormedResetToken(const std::string& token) {
  return token.size() == 64 && token.find_first_not_of("0123456789abcdef") == std::string::npos;
}

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

std::string Accounts::confirmationLink(const std::string& token) const {
  return publicUrl_ + "/bekrafta/?t=" + token;
}

bool Accounts::confirmAddress(const std::string& token) {
  if (token.size() != 64 || token.find_first_not_of("0123456789abcdef") != std::string::npos) return false;
  return store_.confirmAddress(tokenHash(token), clock_()).has_value();
}

std::string Accounts::registrationLink(const std::string& referrerEmail) const {
  return publicUrl_ + "/registrera/?tipsare=" + vilmar::percentEncode(referrerEmail);
}

FormErrors Accounts::registerMember(const Registration& form, const std::string& address) {
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

  // The cheap checks first; the hash, the costly part, last and in its turn.
  const std::int64_t now = clock_();
  if (!registrations_.allowed(address, now)) {
    errors[""] = "Många har blivit medlemmar från din adress på kort tid. Försök igen om en timme.";
    return errors;
  }
  NewUser user;
  user.email = email;
  user.emailKey = foldKey(email);
  user.nick = nick;
  user.nickKey = foldKey(nick);
  user.referrerKey = foldKey(referrer);
  user.createdAt = now;
  if (store_.nickTaken(user.nickKey)) {
    errors["nick"] = "Smeknamnet är upptaget. Välj ett annat.";
    return errors;
  }
  registrations_.failed(address, now);
  std::optional<User> member = store_.userByEmail(user.emailKey);
  const std::optional<std::string> hash = auth_.hasher().hash(form.password, address);
  if (!hash) {
    errors[""] = SERVICE_BUSY;
    return errors;
  }
  if (!member) {
    const std::string token = newToken();
    user.passwordHash = *hash;
    user.confirmHash = tokenHash(token);
    switch (store_.createUser(user)) {
      case CreateOutcome::Created:
        if (mailer_.send({email, "Välkommen till Kortix, bekräfta din e-mailadress",
                          "Hej " + nick + "!\n\n"
                          "Välkommen som medlem i Kortix. Bekräfta din e-mailadress genom att\n"
                          "följa länken här nedanför. Först då syns du på topplistorna och kan\n"
                          "utmana dina vänner; resultat du skickar innan dess sparas och syns\n"
                          "när adressen är bekräftad.\n\n" +
                              confirmationLink(token) +
                              "\n\n"
                              "Blev du inte medlem själv kan du strunta i det här brevet.\n\n"
                              "Hälsningar\nKortix\n"}))
          return errors;
        // Without the mail the address can never be confirmed: nothing is kept.
        std::fprintf(stderr, "kortix: a confirmation mail could not be sent\n");
        if (const auto created = store_.userByEmail(user.emailKey)) store_.removeUser(created->id);
        errors[""] = MAIL_FAILED;
        return errors;
      case CreateOutcome::EmailTaken: member = store_.userByEmail(user.emailKey); break;
      case CreateOutcome::NickTaken: errors["nick"] = "Smeknamnet är upptaget. Välj ett annat."; return errors;
    }
    if (!member) return errors;  // taken and gone again in a moment: nothing to tell anyone
  }
  // The address is a member's: the page says what it says to anyone, and the
  // member learns by mail that someone tried.
  if (!mailer_.send({member->email, "Någon försökte bli medlem med din e-mailadress",
                     "Hej " + member->nick + "!\n\n"
                     "Någon (kanske du) försökte nyss bli medlem i Kortix med den här\n"
                     "e-mailadressen. Du är redan medlem, så inget nytt konto skapades.\n\n"
                     "Har du glömt ditt lösenord kan du välja ett nytt här:\n\n" +
                         publicUrl_ + "/getpass.asp\n\n"
                         "Var det inte du kan du strunta i det här brevet.\n\n"
                         "Hälsningar\nKortix\n"})) {
    std::fprintf(stderr, "kortix: a mail about a second registration could not be sent\n");
    errors[""] = MAIL_FAILED;
  }
  return errors;
}

bool Accounts::requestReset(const std::string& email) {
  const std::int64_t now = clock_();
  const std::optional<User> user = store_.userByEmail(foldKey(trimmed(email)));
  if (!user) return true;
  if (store_.resetTokensSince(user->id, now - 3600) >= RESET_MAILS_PER_HOUR) return true;
  const std::string token = newToken();
  store_.addResetToken(user->id, tokenHash(token), now, now + RESET_VALID_SECONDS);
  if (mailer_.send({user->email, "Nytt lösenord till Kortix",
                    "Hej " + user->nick + "!\n\n"
                    "Någon (förhoppningsvis du) bad om ett nytt lösenord till Kortix.\n"
                    "Välj ett nytt lösenord här inom en timme:\n\n" +
                        publicUrl_ + "/nyttlosen/?t=" + token +
                        "\n\n"
                        "Länken fungerar en gång. Bad du inte om något nytt lösenord kan du\n"
                        "strunta i det här brevet; ditt gamla lösenord gäller som förut.\n\n"
                        "Hälsningar\nKortix\n"}))
    return true;
  // A link no one was sent must not stay valid, nor count against the member's mails.
  std::fprintf(stderr, "kortix: a password reset mail could not be sent\n");
  store_.dropResetToken(tokenHash(token));
  return false;
}

bool Accounts::resetLinkValid(const std::string& token) {
  return wellFormedResetToken(token) && store_.resetTokenValid(tokenHash(token), clock_());
}

FormErrors Accounts::resetPassword(const std::string& token, const std::string& password,
                                   const std::string& password2, const std::string& address) {
  FormErrors errors;
  if (auto problem = passwordProblem(password)) errors["password"] = *problem;
  else if (password != password2) errors["password2"] = "Lösenorden är inte lika.";
  if (!errors.empty()) return errors;
  if (!wellFormedResetToken(token)) {
    errors[""] = RESET_LINK_INVALID;
    return errors;
  }
  // The hash before the token is taken: a busy service must not use up the link.
  const std::optional<std::string> hash = auth_.hasher().hash(password, address);
  if (!hash) {
    errors[""] = SERVICE_BUSY;
    return errors;
  }
  const std::optional<std::int64_t> user = store_.takeResetToken(tokenHash(token), clock_());
  if (!user || !store_.setPasswordHash(*user, *hash)) errors[""] = RESET_LINK_INVALID;
  return errors;
}

FormErrors Accounts::signInErrors(SignIn outcome) const {
  FormErrors errors;
  switch (outcome) {
    case SignIn::Ok: break;
    case SignIn::UnknownEmail:
    case SignIn::WrongPassword: errors[""] = "Fel e-mailadress eller lösenord."; break;
    case SignIn::Limited: errors[""] = "För många felaktiga försök. Vänta en kvart och försök igen."; break;
    case SignIn::Busy: errors[""] = SERVICE_BUSY; break;
  }
  return errors;
}

FormErrors Accounts::startSession(const std::string& email, const std::string& password, const std::string& address,
                                  std::string& token) {
  const std::int64_t now = clock_();
  const SignInResult signIn = auth_.signIn(email, password, address, now);
  FormErrors errors = signInErrors(signIn.outcome);
  if (!errors.empty()) return errors;
  unsigned char raw[32];
  randombytes_buf(raw, sizeof raw);
  char hex[65];
  sodium_bin2hex(hex, sizeof hex, raw, sizeof raw);
  token = hex;
  store_.addSession(signIn.user->id, tokenHash(token), now, now + SESSION_SECONDS);
  return errors;
}

std::optional<User> Accounts::sessionMember(const std::string& token) {
  if (token.size() != 64 || token.find_first_not_of("0123456789abcdef") != std::string::npos) return std::nullopt;
  return store_.sessionUser(tokenHash(token), clock_());
}

void Accounts::endSession(const std::string& token) {
  if (!token.empty() && token.size() <= 64) store_.dropSession(tokenHash(token));
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
  if (!member.confirmed) {
    errors[""] = "Bekräfta din e-mailadress först: följ länken i brevet du fick när du blev medlem.";
    return errors;
  }
  const std::int64_t day = clock_() / 86400;
  if (invites_.take(member.id, day, addresses.size()) < addresses.size()) {
    errors[""] = "Du har skickat många inbjudningar i dag. Försök igen i morgon.";
    return errors;
  }
  std::size_t unused = 0;
  bool failed = false;
  for (const std::string& friendEmail : addresses) {
    if (failed || store_.userByEmail(foldKey(friendEmail))) {  // already a member: no mail, no count
      ++unused;
      continue;
    }
    if (mailer_.send({friendEmail, member.nick + " utmanar dig i Vilmar Pintkeeper",
                      "Hej!\n\n" + member.nick +
                          " spelar Vilmar Pintkeeper på Kortix och utmanar dig.\n"
                          "Bli medlem gratis och tävla om dagens och veckans bästa resultat:\n\n" +
                          registrationLink(member.email) + "\n\nHälsningar\nKortix\n"})) {
      ++sent;
    } else {
      failed = true;
      ++unused;
    }
  }
  invites_.giveBack(member.id, day, unused);
  if (failed) {
    std::fprintf(stderr, "kortix: an invitation mail could not be sent (%zu of %zu sent)\n", sent,
                 addresses.size());
    errors[""] = sent == 0 ? std::string(MAIL_FAILED)
                           : "Bara " + std::to_string(sent) + " av inbjudningarna kunde skickas. " + MAIL_FAILED;
  }
  return errors;
}

}  // namespace kortix
