// Joining, resetting a password by mail, ending a membership and inviting
// friends, against both stores.

#include <future>
#include <regex>
#include <thread>

#include "ServiceFixture.h"
#include "domain/Calendar.h"
#include "domain/Entries.h"

namespace kortix::test {
namespace {

using AccountsTest = ServiceTest;

Registration registration(const std::string& email, const std::string& password) {
  return {email, "Nick" + std::to_string(email.size()), password, password, "", true};
}

TEST_P(AccountsTest, RegistrationKeepsToWhatTheGameCanSend) {
  const std::string email64 = std::string(52, 'a') + "@example.se0";  // 64 characters
  ASSERT_EQ(vilmar::utf8Length(email64), 64u);
  EXPECT_TRUE(accounts->registerMember(registration(email64, "sexton-tecken-16")).empty());

  const auto tooLongEmail = accounts->registerMember(registration("a" + email64, "hemligt1"));
  EXPECT_EQ(tooLongEmail.count("email"), 1u);
  const auto tooLongPassword = accounts->registerMember(registration("b@example.se", "sjutton-tecken-17"));
  EXPECT_NE(tooLongPassword.at("password").find("16"), std::string::npos);
  // 16 characters that are 32 bytes in UTF-8 are fine: the game sends one byte each.
  EXPECT_TRUE(accounts->registerMember(registration("c@example.se", "åäöåäöåäöåäöåäöå")).empty());
  EXPECT_EQ(accounts->registerMember(registration("d@example.se", "łódź-hasło")).count("password"), 1u);
  EXPECT_EQ(accounts->registerMember(registration("ł@example.se", "hemligt1")).count("email"), 1u);
  EXPECT_EQ(accounts->registerMember(registration("e@example.se", "kort")).count("password"), 1u);
  EXPECT_EQ(accounts->registerMember(registration("f@example.se", "tab\there1")).count("password"), 1u);

  Registration mismatch = registration("g@example.se", "hemligt1");
  mismatch.password2 = "hemligt2";
  EXPECT_EQ(accounts->registerMember(mismatch).count("password2"), 1u);
  Registration noRules = registration("h@example.se", "hemligt1");
  noRules.acceptsRules = false;
  EXPECT_EQ(accounts->registerMember(noRules).count("rules"), 1u);
  for (const char* bad : {"", "no-at-sign", "two@@example.se", "a@b", "a @b.se", "a@b.se.", "@b.se"})
    EXPECT_EQ(accounts->registerMember(registration(bad, "hemligt1")).count("email"), 1u) << bad;
  EXPECT_EQ(accounts->registerMember(registration("bad\xff@example.se", "hemligt1")).count("email"), 1u);
  EXPECT_EQ(store->users().size(), 2u);
}

TEST_P(AccountsTest, AnAddressOrNickIsTakenOnceWhateverItsCase) {
  join("anna@example.se", "hemligt1", "Anna");
  const auto again = accounts->registerMember({"ANNA@example.se", "Annika", "hemligt1", "hemligt1", "", true});
  // The page does not say the address is taken; Anna is told by mail instead.
  EXPECT_TRUE(again.empty());
  EXPECT_EQ(store->users().size(), 1u);
  ASSERT_EQ(mails().size(), 1u);
  EXPECT_NE(mails()[0].find("To: <anna@example.se>"), std::string::npos);
  const auto nick = accounts->registerMember({"annika@example.se", "anna", "hemligt1", "hemligt1", "", true});
  EXPECT_EQ(nick.count("nick"), 1u);
}

TEST_P(AccountsTest, HtmlAndSqlInEveryFieldAreKeptAsText) {
  const std::string nick = "<b>'); DROP users;--";
  const std::string email = "x'--<i>@example.se";
  join(email, "'; DELETE--", nick, "\"><script>@example.se");
  const auto user = store->userByEmail(foldKey(email));
  ASSERT_TRUE(user);
  EXPECT_EQ(user->nick, nick);
  EXPECT_EQ(send(form(email, "'; DELETE--", 10)).code, CODE_BEST);
  EXPECT_EQ(store->topOfDay(dayKeyAt(now), 10).at(0).nick, nick);
}

TEST_P(AccountsTest, APasswordIsResetOnceThroughTheMailedLinkWithinAnHour) {
  join("anna@example.se", "hemligt1", "Anna");
  accounts->requestReset("nobody@example.se");
  EXPECT_TRUE(mails().empty());
  accounts->requestReset(" Anna@Example.se ");
  const auto sent = mails();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(sent[0].find("To: <anna@example.se>"), std::string::npos);
  std::smatch link;
  ASSERT_TRUE(std::regex_search(sent[0], link, std::regex("http://kortix.test/nyttlosen/\\?t=([0-9a-f]{64})")));
  const std::string token = link[1];

  EXPECT_EQ(accounts->resetPassword(token, "nytt-losen", "annat-losen").count("password2"), 1u);
  EXPECT_TRUE(accounts->resetPassword(token, "nytt-losen", "nytt-losen").empty());
  EXPECT_EQ(send(form("anna@example.se", "hemligt1", 10)).code, CODE_WRONG_PASSWORD);
  EXPECT_EQ(send(form("anna@example.se", "nytt-losen", 10)).code, CODE_BEST);
  EXPECT_EQ(accounts->resetPassword(token, "tredje-losen", "tredje-losen").count(""), 1u);  // used up

  accounts->requestReset("anna@example.se");
  std::string second;
  for (const auto& mail : mails()) {
    std::smatch m;
    if (std::regex_search(mail, m, std::regex("t=([0-9a-f]{64})")) && m[1] != token) second = m[1];
  }
  ASSERT_EQ(second.size(), 64u);
  now += RESET_VALID_SECONDS;
  EXPECT_EQ(accounts->resetPassword(second, "sent-losen", "sent-losen").count(""), 1u);  // expired
  EXPECT_EQ(accounts->resetPassword("../../etc", "sent-losen", "sent-losen").count(""), 1u);
}

TEST_P(AccountsTest, ResetMailsAreRationedPerMember) {
  join("anna@example.se", "hemligt1", "Anna");
  for (int i = 0; i < 10; ++i) accounts->requestReset("anna@example.se");
  EXPECT_EQ(mails().size(), static_cast<std::size_t>(RESET_MAILS_PER_HOUR));
  now += 3600;
  accounts->requestReset("anna@example.se");
  EXPECT_EQ(mails().size(), static_cast<std::size_t>(RESET_MAILS_PER_HOUR) + 1);
}

TEST_P(AccountsTest, EndingAMembershipTakesTheMemberOffEveryList) {
  join("anna@example.se", "hemligt1", "Anna");
  join("bert@example.se", "hemligt2", "Bert", "anna@example.se");
  send(form("anna@example.se", "hemligt1", 900));
  send(form("bert@example.se", "hemligt2", 100));
  EXPECT_EQ(accounts->endMembership("anna@example.se", "fel", "192.0.2.1").count(""), 1u);
  EXPECT_EQ(store->topOfDay(dayKeyAt(now), 10).size(), 2u);
  EXPECT_TRUE(accounts->endMembership("anna@example.se", "hemligt1", "192.0.2.1").empty());
  const auto day = store->topOfDay(dayKeyAt(now), 10);
  ASSERT_EQ(day.size(), 1u);
  EXPECT_EQ(day[0].nick, "Bert");
  EXPECT_TRUE(store->topOfWeek(weekKeyAt(now), 10).size() == 1);
  EXPECT_TRUE(store->referrals(10).empty());
  EXPECT_EQ(send(form("anna@example.se", "hemligt1", 5)).code, CODE_UNKNOWN_EMAIL);
}

TEST_P(AccountsTest, FriendsAreInvitedWithTheMemberAsReferrer) {
  join("anna@example.se", "hemligt1", "Anna");
  join("bert@example.se", "hemligt2", "Bert");
  std::size_t sent = 0;
  EXPECT_EQ(accounts->invite("anna@example.se", "fel", {"c@example.se"}, "192.0.2.1", sent).count(""), 1u);
  EXPECT_EQ(sent, 0u);
  EXPECT_EQ(accounts->invite("anna@example.se", "hemligt1", {"inte en adress"}, "192.0.2.1", sent).size(), 1u);
  EXPECT_TRUE(accounts->invite("anna@example.se", "hemligt1", {"c@example.se", "", "bert@example.se", "d@example.se"},
                               "192.0.2.1", sent)
                  .empty());
  EXPECT_EQ(sent, 2u);  // Bert is a member already
  const auto sentMails = mails();
  ASSERT_EQ(sentMails.size(), 2u);
  for (const auto& mail : sentMails)
    EXPECT_NE(mail.find("http://kortix.test/registrera/?tipsare=anna%40example.se"), std::string::npos);
  EXPECT_EQ(accounts->invite("anna@example.se", "hemligt1",
                             {"a1@x.se", "a2@x.se", "a3@x.se", "a4@x.se", "a5@x.se", "a6@x.se"}, "192.0.2.1", sent)
                .count(""),
            1u);
  // A member's invitations are rationed per day.
  for (int i = 0; i < 10; ++i)
    accounts->invite("anna@example.se", "hemligt1", {"n" + std::to_string(i) + "@x.se", "m" + std::to_string(i) + "@x.se"},
                     "192.0.2.1", sent);
  EXPECT_LE(mails().size(), INVITES_PER_DAY);
  EXPECT_GE(mails().size(), INVITES_PER_DAY - 2);
  now += 86400;
  EXPECT_TRUE(accounts->invite("anna@example.se", "hemligt1", {"next@x.se"}, "192.0.2.1", sent).empty());
  EXPECT_EQ(sent, 1u);
}

std::vector<std::string> resetTokens(const std::vector<std::string>& mails) {
  std::vector<std::string> tokens;
  for (const auto& mail : mails) {
    std::smatch m;
    if (std::regex_search(mail, m, std::regex("nyttlosen/\\?t=([0-9a-f]{64})"))) tokens.push_back(m[1]);
  }
  return tokens;
}

TEST_P(AccountsTest, ANewPasswordEndsEveryResetLink) {
  join("anna@example.se", "hemligt1", "Anna");
  accounts->requestReset("anna@example.se");
  accounts->requestReset("anna@example.se");
  const auto tokens = resetTokens(mails());
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_TRUE(accounts->resetPassword(tokens[0], "nytt-losen", "nytt-losen").empty());
  EXPECT_EQ(accounts->resetPassword(tokens[1], "annat-losen", "annat-losen").count(""), 1u);
  EXPECT_EQ(send(form("anna@example.se", "nytt-losen", 10)).code, CODE_BEST);
}

TEST_P(AccountsTest, EveryPasswordHashWaitsForASlotLikeAVerification) {
  join("anna@example.se", "hemligt1", "Anna");
  accounts->requestReset("anna@example.se");
  const std::string token = resetTokens(mails()).at(0);
  PasswordHasher one{HashCost::Minimal, 1, {0, 0, std::chrono::milliseconds(1)}};
  Authenticator oneAuth(*store, one, limiter);
  Accounts busy(*store, oneAuth, *mailer, [this] { return now; }, "http://kortix.test");
  ASSERT_TRUE(one.slots().acquire("someone else"));
  EXPECT_EQ(busy.registerMember(registration("new@example.se", "hemligt1")).at(""), SERVICE_BUSY);
  EXPECT_EQ(busy.resetPassword(token, "nytt-losen", "nytt-losen").at(""), SERVICE_BUSY);
  // An unknown address waits for a slot as a member's does: the same work either way.
  EXPECT_EQ(oneAuth.signIn("nobody@example.se", "hemligt1", "192.0.2.9", now).outcome, SignIn::Busy);
  EXPECT_EQ(oneAuth.signIn("anna@example.se", "hemligt1", "192.0.2.9", now).outcome, SignIn::Busy);
  one.slots().release();
  EXPECT_EQ(store->users().size(), 1u);
  // The link was not used up by the busy attempt.
  EXPECT_TRUE(busy.resetPassword(token, "nytt-losen", "nytt-losen").empty());
  EXPECT_TRUE(busy.registerMember(registration("new@example.se", "hemligt1")).empty());
}

TEST_P(AccountsTest, OneAddressMakesAFewRegistrationsAnHour) {
  for (int i = 0; i < REGISTRATIONS_PER_HOUR; ++i) {
    const std::string email = "m" + std::to_string(i) + "@example.se";
    EXPECT_TRUE(accounts->registerMember({email, "Nick" + std::to_string(i), "hemligt1", "hemligt1", "", true},
                                         "203.0.113.5")
                    .empty());
  }
  EXPECT_EQ(accounts->registerMember({"x@example.se", "Xavier", "hemligt1", "hemligt1", "", true}, "203.0.113.5")
                .count(""),
            1u);
  EXPECT_TRUE(
      accounts->registerMember({"x@example.se", "Xavier", "hemligt1", "hemligt1", "", true}, "198.51.100.5").empty());
  now += 3600;
  EXPECT_TRUE(
      accounts->registerMember({"y@example.se", "Yvonne", "hemligt1", "hemligt1", "", true}, "203.0.113.5").empty());
}

TEST_P(AccountsTest, ParallelGuessesGetNoMoreVerificationsThanTheLimit) {
  join("anna@example.se", "hemligt1", "Anna");
  std::vector<std::future<SignIn>> guesses;
  for (int i = 0; i < 50; ++i)
    guesses.push_back(std::async(std::launch::async, [this, i] {
      return auth->signIn("anna@example.se", "gissning" + std::to_string(i), "203.0.113.9", now).outcome;
    }));
  int wrong = 0;
  for (auto& g : guesses) {
    const SignIn outcome = g.get();
    wrong += outcome == SignIn::WrongPassword;
    EXPECT_TRUE(outcome == SignIn::WrongPassword || outcome == SignIn::Limited || outcome == SignIn::Busy);
  }
  EXPECT_EQ(wrong, AttemptLimits{}.perAccount);
  // Anna, from her own address, is not locked out.
  EXPECT_EQ(auth->signIn("anna@example.se", "hemligt1", "198.51.100.1", now).outcome, SignIn::Ok);
}

TEST_P(AccountsTest, AnOverlongAddressIsNobodysAndCountedByItsBeginning) {
  const std::string prefix(300, 'a');
  for (int i = 0; i < AttemptLimits{}.perAccount; ++i)
    EXPECT_EQ(auth->signIn(prefix + std::to_string(i) + std::string(100000, 'x'), "hemligt1", "203.0.113.4", now).outcome,
              SignIn::UnknownEmail);
  EXPECT_EQ(auth->signIn(prefix + "@example.se", "hemligt1", "203.0.113.4", now).outcome, SignIn::Limited);
}

TEST_P(AccountsTest, AFailedMailIsNeverReportedAsSent) {
  join("anna@example.se", "hemligt1", "Anna");
  const std::string blocked = ::testing::TempDir() + uniqueName("not_a_folder_");
  std::ofstream(blocked) << "a file where the outbox should be";
  const auto broken = outboxMailer(blocked + "/outbox", "kortix@example.se");
  Accounts offline(*store, *auth, *broken, [this] { return now; }, "http://kortix.test");
  EXPECT_FALSE(offline.requestReset("anna@example.se"));
  EXPECT_EQ(store->resetTokensSince(store->userByEmail("anna@example.se")->id, 0), 0);
  EXPECT_TRUE(offline.requestReset("nobody@example.se"));  // nothing was due
  std::size_t sent = 9;
  EXPECT_EQ(offline.invite("anna@example.se", "hemligt1", {"c@example.se"}, "192.0.2.1", sent).at(""), MAIL_FAILED);
  EXPECT_EQ(sent, 0u);
  EXPECT_EQ(offline.registerMember(registration("anna@example.se", "hemligt1")).at(""), MAIL_FAILED);
}

TEST_P(AccountsTest, TodaysInvitationCountsOutliveTheMemoryBound) {
  join("anna@example.se", "hemligt1", "Anna");
  join("bert@example.se", "hemligt2", "Bert");
  join("cilla@example.se", "hemligt3", "Cilla");
  Accounts small(*store, *auth, *mailer, [this] { return now; }, "http://kortix.test", 2);
  std::size_t sent = 0;
  const auto five = [](const std::string& tag) {
    std::vector<std::string> friends;
    for (int i = 0; i < 5; ++i) friends.push_back(tag + std::to_string(i) + "@x.se");
    return friends;
  };
  for (int round = 0; round < 4; ++round)
    EXPECT_TRUE(small.invite("anna@example.se", "hemligt1", five("a" + std::to_string(round)), "192.0.2.1", sent).empty());
  EXPECT_TRUE(small.invite("bert@example.se", "hemligt2", five("b"), "192.0.2.2", sent).empty());
  // The table is full of today's counts: Cilla waits for tomorrow, and
  // nobody's count is forgotten to make room.
  EXPECT_EQ(small.invite("cilla@example.se", "hemligt3", five("c"), "192.0.2.3", sent).count(""), 1u);
  EXPECT_EQ(small.invite("anna@example.se", "hemligt1", five("x"), "192.0.2.1", sent).count(""), 1u);
  now += 86400;
  EXPECT_TRUE(small.invite("cilla@example.se", "hemligt3", five("d"), "192.0.2.3", sent).empty());
  EXPECT_TRUE(small.invite("anna@example.se", "hemligt1", five("y"), "192.0.2.1", sent).empty());
}

TEST_P(AccountsTest, AnAddressCountsOnlyOnceItsLinkIsFollowed) {
  join("anna@example.se", "hemligt1", "Anna");
  // Made-up accounts naming Anna as referrer, never confirmed.
  for (int i = 0; i < 5; ++i) {
    const std::string email = "fake" + std::to_string(i) + "@example.se";
    ASSERT_TRUE(accounts->registerMember({email, "Fake" + std::to_string(i), "hemligt1", "hemligt1", "anna@example.se", true},
                                         "203.0.113." + std::to_string(i))
                    .empty());
  }
  EXPECT_TRUE(store->referrals(10).empty());
  // A new member's scores are kept but not shown, and he cannot invite yet.
  ASSERT_TRUE(accounts->registerMember({"bert@example.se", "Bert", "hemligt2", "hemligt2", "anna@example.se", true}).empty());
  EXPECT_EQ(send(form("bert@example.se", "hemligt2", 700)).code, CODE_BEST);
  EXPECT_TRUE(store->topOfDay(dayKeyAt(now), 10).empty());
  std::size_t sent = 0;
  EXPECT_EQ(accounts->invite("bert@example.se", "hemligt2", {"c@example.se"}, "192.0.2.1", sent).count(""), 1u);
  EXPECT_EQ(sent, 0u);

  std::string bertsToken;
  for (const auto& mail : mails()) {
    std::smatch m;
    if (mail.find("To: <bert@example.se>") != std::string::npos &&
        std::regex_search(mail, m, std::regex("http://kortix.test/bekrafta/\\?t=([0-9a-f]{64})")))
      bertsToken = m[1];
  }
  ASSERT_EQ(bertsToken.size(), 64u);
  EXPECT_FALSE(accounts->confirmAddress(std::string(64, '0')));
  EXPECT_FALSE(accounts->confirmAddress("../x"));
  EXPECT_TRUE(accounts->confirmAddress(bertsToken));
  EXPECT_FALSE(accounts->confirmAddress(bertsToken));  // used up
  const auto day = store->topOfDay(dayKeyAt(now), 10);
  ASSERT_EQ(day.size(), 1u);
  EXPECT_EQ(day[0].nick, "Bert");
  EXPECT_EQ(day[0].score, 700);
  const auto bonus = store->referrals(10);
  ASSERT_EQ(bonus.size(), 1u);
  EXPECT_EQ(bonus[0].nick, "Anna");
  EXPECT_EQ(bonus[0].count, 1);
  EXPECT_TRUE(accounts->invite("bert@example.se", "hemligt2", {"c@example.se"}, "192.0.2.1", sent).empty());
  EXPECT_EQ(sent, 1u);
}

TEST_P(AccountsTest, AResetLinkConfirmsTheAddressToo) {
  ASSERT_TRUE(accounts->registerMember(registration("anna@example.se", "hemligt1")).empty());
  accounts->requestReset("anna@example.se");
  const auto tokens = resetTokens(mails());
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_FALSE(store->userByEmail("anna@example.se")->confirmed);
  EXPECT_TRUE(accounts->resetPassword(tokens[0], "nytt-losen", "nytt-losen").empty());
  EXPECT_TRUE(store->userByEmail("anna@example.se")->confirmed);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, AccountsTest, ::testing::Values("sqlite"), storeName);
INSTANTIATE_TEST_SUITE_P(Postgres, AccountsTest, ::testing::Values("postgresql"), storeName);

TEST(Nicks, NoControlOrDirectionCharacters) {
  for (const char* bad : {"Anna\xE2\x80\xAE" "nna", "a\xE2\x81\xA6" "b", "\xE2\x80\x8F" "Anna", "An\xD8\x9C" "na", "An\x1B[31mna",
                          "An\xC2\x85" "na", "An\tna"})
    EXPECT_TRUE(nickProblem(bad)) << bad;
  for (const char* good : {"Åsa-Märta", "Zoë", "\xD8\xA7\xD9\x84\xD9\x86", "Bob (\xE2\x80\x94)"})
    EXPECT_FALSE(nickProblem(good)) << good;
}

TEST(Mail, HeadersCannotBeInjectedAndTheSubjectIsEncoded) {
  const std::string text =
      composeMessage("kortix@example.se", {"a@b.se\r\nBcc: x@y.se", "Nytt lösenord", "rad 1\nrad 2"}, 0, "id@k");
  EXPECT_EQ(text.find("\r\nBcc:"), std::string::npos);
  EXPECT_NE(text.find("Subject: =?UTF-8?B?"), std::string::npos);
  EXPECT_NE(text.find("\r\n\r\nrad 1\r\nrad 2\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kortix::test
