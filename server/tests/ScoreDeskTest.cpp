// The score form's verdicts: every answer code, the version line, the log of
// refused forms and the limits on guessing, against both stores.

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "ServiceFixture.h"
#include "domain/Calendar.h"
#include "domain/ReplayJudge.h"
#include "input/Replay.h"

namespace kortix::test {
namespace {

using ScoreDeskTest = ServiceTest;

TEST_P(ScoreDeskTest, AnswersEveryCodeTheGameKnows) {
  join("vilmar@example.se", "hemligt1", "Vilmar");
  EXPECT_EQ(send(form("okand@example.se", "hemligt1", 100)).body(), "2\r\n");
  EXPECT_EQ(send(form("vilmar@example.se", "fel-losen", 100)).body(), "3\r\n");
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 300)).body(), "0\r\n");  // first of the day
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 200)).body(), "1\r\n");  // not a best
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 300)).body(), "1\r\n");  // equal is no best
  EXPECT_EQ(send(form("VILMAR@Example.SE", "hemligt1", 301)).body(), "0\r\n");  // address in any case
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", -400)).body(), "4\r\n");  // tampered
  const auto day = store->topOfDay("2026-12-08", 10);
  ASSERT_EQ(day.size(), 1u);
  EXPECT_EQ(day[0].score, 301);
}

TEST_P(ScoreDeskTest, ABestOfTheWeekCountsEvenWhenTheDayHadNone) {
  join("vilmar@example.se", "hemligt1", "Vilmar");
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 500)).code, CODE_BEST);
  now += 86400;  // Wednesday: a new day, the same week
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 100)).code, CODE_BEST);  // best of the day
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 90)).code, CODE_ACCEPTED);
  now += 6 * 86400;  // next Tuesday: a new week
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 10)).code, CODE_BEST);
  EXPECT_EQ(store->topOfWeek("2026-W50", 10)[0].score, 500);
  EXPECT_EQ(store->topOfWeek("2026-W51", 10)[0].score, 10);
}

TEST_P(ScoreDeskTest, EntriesFromTheGameAreReadAsWindows1252) {
  join("åsa@exempel.se", "smörgås€1", "Åsa");
  EXPECT_EQ(send(form("åsa@exempel.se", "smörgås€1", 120)).code, CODE_BEST);
  EXPECT_EQ(send(form("åsa@exempel.se", "smorgas€1", 120)).code, CODE_WRONG_PASSWORD);
}

TEST_P(ScoreDeskTest, RefusesBrokenFormsAndKeepsThemForTheOperator) {
  join("vilmar@example.se", "hemligt1", "Vilmar");
  const std::string good = form("vilmar@example.se", "hemligt1", 300);
  std::string brokenHex = good;
  brokenHex.replace(3, 2, "ZZ");
  std::string otherGame = good;
  otherGame.replace(otherGame.find("&f2=6"), 5, "&f2=7");
  // fa says 999 where f4 says 300; fb is the length plus another score.
  const std::string badFa = good.substr(0, good.find("&fa=")) + "&fa=" + vilmar::encodeField("999vilmar@example.se") +
                            good.substr(good.find("&fb="));
  const std::string badFb = good.substr(0, good.find("&fb=")) + "&fb=" + vilmar::encodeField("5999");
  const std::string missing = good.substr(0, good.find("&f5="));
  const std::string huge = good + std::string(200000, 'A');
  const std::string sqlInjection = "f1=' OR 1=1; --&f2=6";
  int refused = 0;
  for (const std::string& body : {brokenHex, otherGame, badFa, badFb, missing, huge, sqlInjection,
                                  std::string(), std::string("\0\0\0", 3)}) {
    EXPECT_EQ(send(body).body(), "4\r\n") << body.substr(0, 80);
    ++refused;
  }
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", -50)).code, CODE_REFUSED);
  const auto log = store->rejected(100);
  ASSERT_EQ(log.size(), static_cast<std::size_t>(refused + 1));
  EXPECT_EQ(log[0].reason, "tampered");
  EXPECT_EQ(log[0].score, -50);
  EXPECT_GT(log[0].userId, 0);
  EXPECT_EQ(log[1].reason.rfind("malformed: ", 0), 0u);
  EXPECT_EQ(log[1].address, "192.0.2.1");
  for (const auto& entry : log) EXPECT_EQ(entry.email.find("hemligt1"), std::string::npos);
  EXPECT_TRUE(store->topOfDay("2026-12-08", 10).empty());
}

TEST_P(ScoreDeskTest, TellsAnOutdatedReleaseAboutTheNewOne) {
  join("vilmar@example.se", "hemligt1", "Vilmar");
  store->addBuild({0, 77, 5000, "windows", "1.9", "Vilmar-1.9.exe", 1});
  store->addBuild({0, 88, 6000, "windows", "1.10", "Vilmar-1.10.exe", 2});
  store->addBuild({0, 99, 7000, "linux", "3.0", "vilmar", 3});
  const vilmar::MachineFacts old{1999, "CPU UNKNOWN", 77, 5000};
  const vilmar::MachineFacts newest{1999, "CPU UNKNOWN", 88, 6000};
  const vilmar::MachineFacts unknown{1999, "CPU UNKNOWN", 12, 345};
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 10, old)).body(), "0\r\n2\r\n");
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 5, old)).body(), "1\r\n2\r\n");
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 20, newest)).body(), "0\r\n");
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 30, unknown)).body(), "0\r\n");
  // The reply as the game reads it.
  vilmar::ScoreSubmission record;
  vilmar::parseReply(send(form("vilmar@example.se", "hemligt1", 40, old)).body(), 200, record);
  EXPECT_EQ(record.resultCode, 0);
  EXPECT_EQ(record.versionCode, 2);
}

TEST_P(ScoreDeskTest, AGuessingFloodIsCutOffWithoutFindingThePassword) {
  join("vilmar@example.se", "hemligt1", "Vilmar");
  join("other@example.se", "hemligt2", "Other");
  int wrong = 0, limited = 0;
  for (int i = 0; i < 50; ++i) {
    const ScoreReply r = send(form("vilmar@example.se", "guess" + std::to_string(i), 1), "203.0.113.9");
    if (r.kind == ScoreReply::Kind::Limited) ++limited;
    else if (r.code == CODE_WRONG_PASSWORD) ++wrong;
  }
  EXPECT_EQ(wrong, AttemptLimits{}.perAccount);
  EXPECT_EQ(limited, 50 - wrong);
  // Even the right password waits out the window at the guesser's address: a
  // guess at the end of the list would otherwise get through.
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 1), "203.0.113.9").kind, ScoreReply::Kind::Limited);
  // The owner, elsewhere, is not locked out by a stranger's guesses.
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 1), "198.51.100.1").code, CODE_BEST);
  // Other players are not starved.
  EXPECT_EQ(send(form("other@example.se", "hemligt2", 7), "198.51.100.1").code, CODE_BEST);
  now += AttemptLimits{}.windowSeconds;
  EXPECT_EQ(send(form("vilmar@example.se", "hemligt1", 9), "203.0.113.9").code, CODE_BEST);
}

TEST_P(ScoreDeskTest, AScoreFasterThanTheRulesAllowIsRefused) {
  join("vilmar@example.se", "hemligt1", "Vilmar");
  const auto played = [](std::int64_t score, std::int32_t playTime) {
    vilmar::ScoreSubmission s;
    s.email.assign("vilmar@example.se");
    s.password.assign("hemligt1");
    s.sentScore = static_cast<std::int32_t>(score);
    s.playTime = playTime;
    return vilmar::formBody(s, {1999, "CPU INTEL PENTIUM", 77, 5000});
  };
  EXPECT_EQ(send(played(2147483647, 61000)).code, CODE_REFUSED);
  EXPECT_EQ(send(played(reachableScore(61000) + 1, 61000)).code, CODE_REFUSED);
  const auto log = store->rejected(10);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].score, static_cast<std::int32_t>(reachableScore(61000) + 1));
  EXPECT_NE(log[0].reason.find("faster"), std::string::npos);
  EXPECT_TRUE(store->topOfDay(dayKeyAt(now), 10).empty());
  // What a quick player can really make stays well inside.
  EXPECT_EQ(send(played(reachableScore(61000), 61000)).code, CODE_BEST);
  EXPECT_EQ(send(played(5000, 0)).code, CODE_ACCEPTED);
  // The game's clock difference is unsigned: past 24.8 days of play it reads negative.
  EXPECT_EQ(send(played(2147483647, -1)).code, CODE_BEST);
}

TEST_P(ScoreDeskTest, ARecordedGameDecidesItsScore) {
  join("vilmar@example.se", "hemligt1", "Vilmar");
  std::ifstream in(VILMAR_REPLAY_DIR "/person.vpr", std::ios::binary);
  const std::vector<std::uint8_t> game{std::istreambuf_iterator<char>(in), {}};
  vilmar::Replay header;
  ASSERT_EQ(vilmar::parseReplay(game, header), vilmar::ReplayError::None);
  const auto played = [&](std::int32_t score, std::int32_t playTime, std::vector<std::uint8_t> replay) {
    vilmar::ScoreSubmission s;
    s.email.assign("vilmar@example.se");
    s.password.assign("hemligt1");
    s.sentScore = score;
    s.playTime = playTime;
    s.replay = std::move(replay);
    return vilmar::formBody(s, {1999, "CPU INTEL PENTIUM", 77, 5000});
  };
  const std::int32_t time = static_cast<std::int32_t>(40 * header.ticks);

  // A hand-made form with more than its game gives, a flipped byte in the
  // game, a play time its ticks cannot have taken: refused, and logged why.
  EXPECT_EQ(send(played(header.score + 1000, time, game)).code, CODE_REFUSED);
  auto flipped = game;
  flipped[flipped.size() / 2] ^= 0x10;
  EXPECT_EQ(send(played(header.score, time, flipped)).code, CODE_REFUSED);
  EXPECT_EQ(send(played(header.score, 1000, game)).code, CODE_REFUSED);
  auto future = game;
  future[6] = 0xFF;  // rules version
  EXPECT_EQ(send(played(header.score, time, future)).code, CODE_REFUSED);
  const auto log = store->rejected(10);
  ASSERT_EQ(log.size(), 4u);
  for (const auto& r : log) EXPECT_TRUE(r.reason.starts_with("replay: ")) << r.reason;
  EXPECT_NE(log[0].reason.find("rules version"), std::string::npos);
  EXPECT_NE(log[1].reason.find("play time"), std::string::npos);
  EXPECT_NE(log[3].reason.find("is not the form's"), std::string::npos);
  EXPECT_TRUE(store->topOfDay(dayKeyAt(now), 10).empty());

  // The honest game is taken, and so is a form without a game, as before,
  // marked as not verified.
  EXPECT_EQ(send(played(header.score, time, game)).code, CODE_BEST);
  EXPECT_EQ(send(played(100, 60000, {})).code, CODE_ACCEPTED);
  const User member = *store->userByEmail("vilmar@example.se");
  const auto scores = store->scoresOf(member.id);
  ASSERT_EQ(scores.size(), 2u);
  EXPECT_EQ(scores[0].score, header.score);
  EXPECT_TRUE(scores[0].verified);
  EXPECT_EQ(scores[0].replaySha256, replaySha256(game));
  EXPECT_EQ(scores[0].replaySha256.size(), 64u);
  EXPECT_EQ(scores[1].score, 100);
  EXPECT_FALSE(scores[1].verified);
  EXPECT_EQ(scores[1].replaySha256, "");
}

TEST(ReplayJudge, PlaysNoReplayPastItsBudgetAndManyAtOnceAllAgree) {
  std::ifstream in(VILMAR_REPLAY_DIR "/person.vpr", std::ios::binary);
  const std::vector<std::uint8_t> game{std::istreambuf_iterator<char>(in), {}};
  vilmar::Replay header;
  ASSERT_EQ(vilmar::parseReplay(game, header), vilmar::ReplayError::None);
  const std::int32_t time = static_cast<std::int32_t>(40 * header.ticks);

  auto later = game;
  later[12] = 2;  // first level
  EXPECT_NE(ReplayJudge(1).judge(later, header.score, time, "192.0.2.1").reason.find("starts at level 2"),
            std::string::npos);

  ReplayJudge small(1, {}, header.ticks - 1);
  const ReplayRuling over = small.judge(game, header.score, time, "192.0.2.1");
  EXPECT_EQ(over.kind, ReplayRuling::Kind::Refused);
  EXPECT_NE(over.reason.find("tick budget"), std::string::npos);

  // Eight senders at once through two slots: every one is played in full
  // and verified (the rules keep no state shared between threads).
  ReplayJudge judge(2);
  std::vector<std::thread> senders;
  std::atomic<int> verified{0};
  for (int i = 0; i < 8; ++i)
    senders.emplace_back([&, i] {
      if (judge.judge(game, header.score, time, "192.0.2." + std::to_string(i)).kind == ReplayRuling::Kind::Verified)
        ++verified;
    });
  for (auto& t : senders) t.join();
  EXPECT_EQ(verified.load(), 8);
}

TEST(ReachableScore, FollowsTheFastestPlayTheRulesAllow) {
  // At most one customer of 54010 points and a level bonus per five ticks,
  // with one to spare for a mug already on its way.
  EXPECT_EQ(reachableScore(0), 54110);
  EXPECT_EQ(reachableScore(40 * 3 + 39), 54110);
  EXPECT_EQ(reachableScore(40 * 4), 2 * 54110);
  EXPECT_LT(reachableScore(7'900'000), 2147483647);
  EXPECT_GT(reachableScore(8'000'000), 2147483647);
  EXPECT_GT(reachableScore(-1), reachableScore(2147483647));
}

TEST_P(ScoreDeskTest, OneAddressCannotWalkThroughManyAccounts) {
  for (int i = 0; i < AttemptLimits{}.perAddress + 5; ++i)
    send(form("user" + std::to_string(i) + "@example.se", "whatever1", 1), "203.0.113.7");
  EXPECT_EQ(send(form("user0@example.se", "whatever1", 1), "203.0.113.7").kind, ScoreReply::Kind::Limited);
  EXPECT_EQ(send(form("user0@example.se", "whatever1", 1), "203.0.113.8").code, CODE_UNKNOWN_EMAIL);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, ScoreDeskTest, ::testing::Values("sqlite"), storeName);
INSTANTIATE_TEST_SUITE_P(Postgres, ScoreDeskTest, ::testing::Values("postgresql"), storeName);

TEST(Versions, CompareNumberByNumber) {
  EXPECT_TRUE(olderVersion("1.9", "1.10"));
  EXPECT_FALSE(olderVersion("1.10", "1.9"));
  EXPECT_FALSE(olderVersion("1.0", "1"));
  EXPECT_TRUE(olderVersion("1", "1.0.1"));
  EXPECT_TRUE(olderVersion("1.0-beta", "1.0-rc"));
  EXPECT_FALSE(olderVersion("2.0", "2.0"));
}

TEST(Limiter, ForgetsOldEntriesInsteadOfGrowingWithoutBound) {
  AttemptLimiter limiter({3, 3, 60, 100});
  for (int i = 0; i < 1000; ++i) limiter.reserve("a" + std::to_string(i), "u" + std::to_string(i), i);
  // The newest are still counted; the table never held more than its bound.
  for (int k = 0; k < 2; ++k) EXPECT_TRUE(limiter.reserve("a999", "u999", 1000));
  EXPECT_FALSE(limiter.reserve("a999", "u999", 1000));
  EXPECT_FALSE(limiter.allowed("a999", 1000));
  EXPECT_TRUE(limiter.reserve("a1", "u1", 1000));
}

}  // namespace
}  // namespace kortix::test
