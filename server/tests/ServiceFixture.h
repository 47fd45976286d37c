#pragma once
// The domain wired to a fresh store, a clock the test sets, cheap password
// hashes and a mail outbox in a temporary folder.

#include <filesystem>
#include <fstream>
#include <sstream>

#include "StoreFixture.h"
#include "WebClient.h"
#include "domain/Accounts.h"
#include "domain/ScoreDesk.h"
#include "net/FormEncoding.h"
#include "net/Windows1252.h"

namespace kortix::test {

// 2026-12-08 12:00 in Stockholm (11:00 UTC), a Tuesday of week 50.
inline constexpr std::int64_t TUESDAY_NOON = 1796727600;

class ServiceTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    if (IsSkipped()) return;
    outbox = ::testing::TempDir() + uniqueName("outbox_");
    std::filesystem::remove_all(outbox);  // left by an earlier run with this process id
    mailer = outboxMailer(outbox, "kortix@example.se");
    auth = std::make_unique<Authenticator>(*store, hasher, limiter);
    desk = std::make_unique<ScoreDesk>(*store, *auth, [this] { return now; });
    accounts = std::make_unique<Accounts>(*store, *auth, *mailer, [this] { return now; }, "http://kortix.test");
  }

  // Joins and follows the link of the confirmation mail, which is then
  // taken out of the outbox.
  void join(const std::string& email, const std::string& password, const std::string& nick,
            const std::string& referrer = "") {
    const FormErrors errors = accounts->registerMember({email, nick, password, password, referrer, true});
    ASSERT_TRUE(errors.empty()) << errors.begin()->first << ": " << errors.begin()->second;
    ASSERT_TRUE(accounts->confirmAddress(takeConfirmation()));
  }

  // The token of the one confirmation mail in the outbox, which is removed.
  std::string takeConfirmation() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(outbox, error)) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      const std::string mail = text.str();
      const std::size_t at = mail.find("/bekrafta/?t=");
      if (at == std::string::npos) continue;
      in.close();
      std::filesystem::remove(entry.path());
      return mail.substr(at + 13, 64);
    }
    return {};
  }

  static std::string form(const std::string& email, const std::string& password, std::int32_t score,
                          vilmar::MachineFacts facts = {1999, "CPU INTEL PENTIUM", 77, 5000}) {
    return gameForm(email, password, score, facts);
  }

  ScoreReply send(const std::string& body, const std::string& address = "192.0.2.1") {
    return desk->submit(body, address);
  }

  std::vector<std::string> mails() const {
    std::vector<std::string> all;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(outbox, error)) {
      if (entry.path().extension() != ".eml") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      all.push_back(text.str());
    }
    return all;
  }

  std::int64_t now = TUESDAY_NOON;
  PasswordHasher hasher{HashCost::Minimal, 2};
  AttemptLimiter limiter;
  std::unique_ptr<Authenticator> auth;
  std::string outbox;
  std::unique_ptr<Mailer> mailer;
  std::unique_ptr<ScoreDesk> desk;
  std::unique_ptr<Accounts> accounts;
};

}  // namespace kortix::test
