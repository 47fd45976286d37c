// The sign-in dialog's behaviour over a scripted transport: what OK sends,
// what each verdict does to the button, the pages and the scores, and what
// the player's entries become.

#include <gtest/gtest.h>

#include <map>

#include "FakeNet.h"
#include "net/Counter.h"
#include "net/FormEncoding.h"
#include "net/Windows1252.h"
#include "ui/SignInDialog.h"

namespace vilmar {
namespace {

class FakeView : public DialogView {
 public:
  std::string caption;
  std::map<int, std::string> items;
  bool ended = false;
  void setCaption(std::string_view text) override { caption = text; }
  void setItemText(int id, std::string_view text) override { items[id] = text; }
  // As a real edit hands over its text: whole characters, no cut at all
  // when the view leaves cutting to the dialog (uncut).
  std::string itemText(int id, std::size_t maxChars) override {
    return uncut ? items[id] : std::string(utf8Prefix(items[id], maxChars));
  }
  void end() override { ended = true; }
  void focus(int id) override { focused = id; }
  bool uncut = false;
  int focused = 0;
};

class SignInDialogTest : public ::testing::Test {
 protected:
  test::FakeNetPlatform platform;
  test::FakeTransport& http = platform.transport;
  ScoreSubmission record;
  Counter bestScore;
  int resyncs = 0;
  FakeView view;
  SignInDialog dialog{platform, record, SignInScores{bestScore, 52000, false},
                      [this] { ++resyncs; }, ServiceEndpoint{"kortix.example", 80}};

  void SetUp() override {
    Counter::tamperFlag() = false;
    bestScore.set(1450);
    dialog.init(view);
  }

  void ok(std::string email = "vilmar@example.se", std::string password = "hemligt") {
    view.items[ID_EMAIL] = email;
    view.items[ID_PASSWORD] = password;
    dialog.command(ID_OK, view);
  }

  std::string sentField(const std::string& key) {
    const std::size_t at = http.body.find(key + "=");
    if (at == std::string::npos) return "<none>";
    const std::size_t start = at + key.size() + 1;
    return decodeField(http.body.substr(start, http.body.find('&', start) - start)).value_or("<bad>");
  }
};

TEST_F(SignInDialogTest, OpensWithTheBestScoreAndTheRememberedEntries) {
  EXPECT_EQ(view.caption, "Registrera din poäng (1450)");
  EXPECT_EQ(view.items[ID_EMAIL], "");
  record.email.assign("a@b.se");
  record.password.assign("pw");
  bestScore.set(0);
  FakeView again;
  dialog.init(again);
  EXPECT_EQ(again.caption, "Registrera din poäng (0)");
  EXPECT_EQ(again.items[ID_EMAIL], "a@b.se");
  EXPECT_EQ(again.items[ID_PASSWORD], "pw");
}

TEST_F(SignInDialogTest, EmptyEntryLeavesTheDialogAsItWas) {
  for (auto [email, password] : {std::pair{"", "hemligt"}, std::pair{"vilmar@example.se", ""}}) {
    ok(email, password);
    EXPECT_TRUE(http.steps.empty());
    EXPECT_EQ(view.items.count(ID_OK), 0u);
    EXPECT_FALSE(view.ended);
  }
}

TEST_F(SignInDialogTest, AcceptedScoreIsUsedUpAndTheDialogEnds) {
  for (const char* verdict : {"0", "1"}) {
    bestScore.set(1450);
    view.ended = false;
    http.reply = verdict;
    ok();
    EXPECT_EQ(sentField("f4"), "1450");
    EXPECT_EQ(sentField("f5"), "52000");
    EXPECT_TRUE(dialog.scoreTaken());
    EXPECT_EQ(bestScore.get(), 1450);  // the caller uses it up
    EXPECT_EQ(record.sentScore, 0);
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(view.items[ID_OK], "Skickar...");  // unchanged: the dialog closes
    EXPECT_TRUE(platform.openedUrls.empty());
  }
  EXPECT_EQ(record.email, "vilmar@example.se");
  EXPECT_EQ(record.password, "hemligt");
}

TEST_F(SignInDialogTest, EveryFailureSaysTryAgainAndKeepsTheScoreForIt) {
  struct Case {
    const char* reply;
    bool loadOk;
    bool readOk;
    const char* page;
  };
  const Case cases[] = {
      {"2", true, true, "http://kortix.example/registrera/"},
      {"3", true, true, "http://kortix.example/getpass.asp?mail=vilmar%40example.se"},
      {"4", true, true, nullptr},
      {"<html>", true, true, nullptr},
      {"0", true, false, nullptr},  // a transfer error
      {"0", false, true, "http://kortix.example/dll/"},
  };
  for (const Case& c : cases) {
    http = test::FakeTransport{};
    http.reply = c.reply;
    http.loadOk = c.loadOk;
    http.readOk = c.readOk;
    platform.openedUrls.clear();
    ok();
    EXPECT_EQ(view.items[ID_OK], "Försök igen") << c.reply;
    EXPECT_FALSE(view.ended) << c.reply;
    EXPECT_FALSE(dialog.scoreTaken()) << c.reply;
    EXPECT_EQ(platform.openedUrls, c.page ? std::vector<std::string>{c.page} : std::vector<std::string>{})
        << c.reply;
  }
  // Trying again sends the same score.
  http = test::FakeTransport{};
  ok();
  EXPECT_EQ(sentField("f4"), "1450");
  EXPECT_TRUE(view.ended);
}

TEST_F(SignInDialogTest, ForgottenPasswordPageCarriesTheAddressPercentEncoded) {
  http.reply = "3";
  ok("ann+bo&co#1 å@x.se");
  ASSERT_EQ(platform.openedUrls.size(), 1u);
  EXPECT_EQ(platform.openedUrls[0], "http://kortix.example/getpass.asp?mail=ann%2Bbo%26co%231%20%C3%A5%40x.se");
}

TEST_F(SignInDialogTest, VersionAboveOneOpensItsPageAndEnds) {
  http.reply = "0\r\n2";
  ok();
  EXPECT_EQ(platform.openedUrls, std::vector<std::string>{"http://kortix.example/version.asp?gameid=2"});
  EXPECT_TRUE(view.ended);

  // Also after a refusal, which still gets its own page.
  FakeView other;
  dialog.init(other);
  other.items[ID_EMAIL] = "x@y.se";
  other.items[ID_PASSWORD] = "pw";
  http.reply = "2\n3";
  platform.openedUrls.clear();
  dialog.command(ID_OK, other);
  EXPECT_TRUE(other.ended);
  EXPECT_EQ(platform.openedUrls, (std::vector<std::string>{"http://kortix.example/version.asp?gameid=3",
                                                           "http://kortix.example/registrera/"}));
}

TEST_F(SignInDialogTest, OverlongEntriesAreCutAndTamperingTravelsWithTheScore) {
  Counter::tamperFlag() = true;
  ok(std::string(70, 'e'), std::string(20, 'p'));
  Counter::tamperFlag() = false;
  EXPECT_EQ(sentField("f1"), std::string(64, 'e'));
  EXPECT_EQ(sentField("f3"), std::string(16, 'p'));
  EXPECT_EQ(sentField("f4"), "-1450");
  EXPECT_TRUE(record.tampered);
}

// Swedish entries: cut by characters, sent one byte a character in
// Windows-1252, shown back as typed.
TEST_F(SignInDialogTest, SwedishEntriesTravelOneByteACharacterAndAreCutByCharacters) {
  for (bool uncut : {false, true}) {
    SCOPED_TRACE(uncut ? "the view cuts nothing" : "the view cuts characters");
    view.uncut = uncut;
    bestScore.set(1450);  // the first round's accepted score used it up
    std::string longEmail;
    for (int i = 0; i < 70; ++i) longEmail += "å";
    ok(longEmail, "lösenordlösenordXY");
    EXPECT_EQ(sentField("f1"), std::string(64, '\xE5'));
    EXPECT_EQ(sentField("f3"), "l\xF6senordl\xF6senord");  // all 16 characters, not 14
    EXPECT_EQ(sentField("fa"), "1450" + std::string(64, '\xE5'));
    EXPECT_EQ(record.password.size(), 16u);

    // Shown back as the player typed them, the focus in the password.
    FakeView again;
    dialog.init(again);
    EXPECT_EQ(again.items[ID_PASSWORD], "lösenordlösenord");
    EXPECT_EQ(utf8Length(again.items[ID_EMAIL]), 64u);
    EXPECT_EQ(again.items[ID_EMAIL].rfind("ååå", 0), 0u);
    EXPECT_EQ(again.focused, ID_PASSWORD);
  }
}

TEST_F(SignInDialogTest, ACharacterTheFormCannotCarryIsRefusedAndNothingIsSent) {
  ok("vilmar@example.se", "hemligt");  // the entries confirmed last
  http.body.clear();
  const std::size_t stepsBefore = http.steps.size();
  bestScore.set(900);
  view.items.erase(ID_OK);
  view.ended = false;
  for (auto [email, password, focus] : {std::tuple{"vilmar@example.se", "zażółć", ID_PASSWORD},
                                        std::tuple{"ǻsa@example.se", "hemligt", ID_EMAIL},
                                        std::tuple{"vilmar@example.se", "\xC3", ID_PASSWORD}}) {
    ok(email, password);
    EXPECT_EQ(view.items[ID_OK], REFUSED_CHARACTER_CAPTION) << password;
    EXPECT_EQ(view.focused, focus) << email;
    EXPECT_FALSE(view.ended);
  }
  EXPECT_EQ(http.steps.size(), stepsBefore);  // nothing went out
  EXPECT_EQ(bestScore.get(), 900);            // and the score is kept for the next try
  EXPECT_EQ(record.email, "vilmar@example.se");
  EXPECT_EQ(record.password, "hemligt");
  EXPECT_EQ(view.items[ID_PASSWORD], "\xC3");  // the entry stays for mending

  http.reply = "0";
  ok("vilmar@example.se", "hemlig€");  // the euro sign is in the code page
  EXPECT_EQ(sentField("f3"), "hemlig\x80");
  EXPECT_TRUE(view.ended);
}

TEST_F(SignInDialogTest, TheFocusStartsInTheFirstEmptyEntry) {
  EXPECT_EQ(view.focused, ID_EMAIL);
  record.email.assign("a@b.se");
  FakeView remembered;
  dialog.init(remembered);
  EXPECT_EQ(remembered.focused, ID_PASSWORD);
}

TEST_F(SignInDialogTest, CancelResyncsTheClockAndNewUserOpensTheRegistration) {
  dialog.command(ID_NEW_USER, view);
  EXPECT_EQ(platform.openedUrls, std::vector<std::string>{"http://kortix.example/registrera/"});
  EXPECT_FALSE(view.ended);
  dialog.command(1003, view);  // an edit's notification
  EXPECT_FALSE(view.ended);
  EXPECT_EQ(resyncs, 0);
  dialog.command(ID_CANCEL, view);
  EXPECT_EQ(resyncs, 1);
  EXPECT_TRUE(view.ended);
}

}  // namespace
}  // namespace vilmar
