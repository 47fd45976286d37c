// The reference server's checks, so that a form the game gets wrong cannot
// pass the end-to-end tests unnoticed.

#include <gtest/gtest.h>

#include "net/FormEncoding.h"
#include "net/FormCheck.h"

namespace vilmar {
namespace {

std::string sampleBody(ScoreSubmission s = {}, MachineFacts facts = {1999, "CPU INTEL 486", 77, 5000}) {
  if (s.email.empty()) s.email.assign("vilmar@example.se");
  if (s.password.empty()) s.password.assign("hemligt");
  if (s.sentScore == 0) s.sentScore = 300;
  return formBody(s, facts);
}

// Replaces the value of one field by the scrambled form of text.
std::string withField(std::string body, const std::string& key, const std::string& text) {
  const std::size_t start = body.find(key + "=") + key.size() + 1;
  const std::size_t end = body.find('&', start);
  return body.replace(start, (end == std::string::npos ? body.size() : end) - start, encodeField(text));
}

TEST(ServerFormCheck, EntriesArriveInWindows1252AndAreReadAsUtf8) {
  ScoreSubmission s;
  s.email.assign("\xE5sa@example.se");           // åsa, one byte for å
  s.password.assign("l\xF6senordl\xF6senord");  // 16 characters, 16 bytes
  const FormCheck check = checkForm(sampleBody(s));
  EXPECT_EQ(check.error, "");
  EXPECT_EQ(check.fields.at("f1"), "åsa@example.se");
  EXPECT_EQ(check.fields.at("f3"), "lösenordlösenord");
  EXPECT_EQ(check.fields.at("fa"), "300åsa@example.se");
}

TEST(ServerFormCheck, AcceptsTheGamesFormAndRejectsEachKindOfFault) {
  const std::string good = sampleBody();
  const FormCheck ok = checkForm(good);
  EXPECT_EQ(ok.error, "");
  EXPECT_EQ(ok.fields.at("fa"), "300vilmar@example.se");

  const std::string faults[] = {
      good.substr(0, good.find("&fb=")),                 // a field missing
      "f2=6&" + good.substr(good.find("f1=")),           // fields out of order
      std::string(good).replace(good.find("&f2=6"), 5, "&f2=7"),
      withField(good, "f1", std::string(65, 'e')),       // longer than the dialog allows
      withField(good, "f4", "3OO"),
      withField(good, "f7", "CPU Z80"),
      withField(good, "f8", "-1"),
      withField(good, "fa", "301vilmar@example.se"),
      withField(good, "fb", "5301"),
      std::string(good).replace(good.find("f3=") + 3, 1, "G"),  // not hex
  };
  for (const std::string& body : faults) {
    EXPECT_NE(checkForm(body).error, "") << body;
  }
}

TEST(ServerFormCheck, ARecordedGameRidesAsATwelfthFieldInLowercaseHex) {
  ScoreSubmission s;
  s.replay = {0x56, 0x50, 0x52, 0x1a, 0x00, 0xff};
  const std::string body = sampleBody(s);
  EXPECT_TRUE(body.ends_with("&fr=5650521a00ff"));  // after the eleven, not scrambled
  const FormCheck check = checkForm(body);
  EXPECT_EQ(check.error, "");
  EXPECT_TRUE(check.hasReplay);
  EXPECT_EQ(check.replay, s.replay);
  EXPECT_EQ(check.score, 300);

  const FormCheck none = checkForm(sampleBody());
  EXPECT_EQ(none.error, "");
  EXPECT_FALSE(none.hasReplay);

  const std::string eleven = sampleBody();
  for (const std::string bad : {"&fr=", "&fr=abc", "&fr=ABCD", "&fr=zz00", "&fx=00", "&fr=00&fr=00"})
    EXPECT_NE(checkForm(eleven + bad).error, "") << bad;
  // The limit: a whole replay's worth of digits, not one byte more.
  EXPECT_EQ(checkForm(eleven + "&fr=" + std::string(2 * FORM_REPLAY_MAX_BYTES, 'a')).error, "");
  EXPECT_NE(checkForm(eleven + "&fr=" + std::string(2 * FORM_REPLAY_MAX_BYTES + 2, 'a')).error, "");
}

}  // namespace
}  // namespace vilmar
