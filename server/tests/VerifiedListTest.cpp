// Scores that came with their recorded game: marked on every list, alone on
// the lists under --require-replay, in the winners' file with their game's
// hash, and a game that cannot be taken by another member re-sending it.

#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ServerProcess.h"
#include "StoreFixture.h"
#include "WebClient.h"
#include "domain/Calendar.h"
#include "domain/ReplayJudge.h"
#include "net/FormEncoding.h"
#include "storage/Store.h"
#include "input/Replay.h"

namespace kortix::test {
namespace {

constexpr const char* MARK = "<span class=\"verified\" title=\"Verifierad\">✓</span>";

class VerifiedListTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    if (IsSkipped()) return;
    store.reset();
    var = ::testing::TempDir() + uniqueName("kortix_verified_");
    std::filesystem::remove_all(var);
    std::filesystem::create_directories(var);
    database = GetParam() == "sqlite" ? "sqlite:" + var + "/kortix.db" : freshDatabase(GetParam());
    std::ifstream in(VILMAR_REPLAY_DIR "/person.vpr", std::ios::binary);
    game.assign(std::istreambuf_iterator<char>(in), {});
    ASSERT_EQ(vilmar::parseReplay(game, header), vilmar::ReplayError::None);
  }
  std::string form(const std::string& email, std::int32_t score, std::vector<std::uint8_t> replay) const {
    vilmar::ScoreSubmission s;
    s.email.assign(email);
    s.password.assign("hemligt1");
    s.sentScore = score;
    s.playTime = static_cast<std::int32_t>(40 * header.ticks);
    s.replay = std::move(replay);
    return vilmar::formBody(s, {1999, "CPU INTEL PENTIUM", 77, 5000});
  }
  std::vector<std::string> with(std::vector<std::string> args) const {
    args.insert(args.begin(), {"--var", var, "--database", database});
    return args;
  }
  std::string var, database;
  std::vector<std::uint8_t> game;
  vilmar::Replay header;
};

std::string today() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return dayKeyAt(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

TEST_P(VerifiedListTest, VerifiedScoresAreMarkedOrAloneOnTheListsAndAGameCountsForOneMember) {
  const std::string anna = "<td>Anna</td><td>" + std::to_string(header.score) + " " + MARK + "</td>";
  const std::string bert = "<td>Bert</td><td>" + std::to_string(header.score + 50) + "</td>";
  {
    ServerProcess server(var, {"--database", database});
    ASSERT_GT(server.port(), 0);
    for (const char* who : {"anna", "bert"}) {
      const std::string email = std::string(who) + "@example.se";
      ASSERT_TRUE(joinOnTheWeb(server.port(), email, who[0] == 'a' ? "Anna" : "Bert", "hemligt1"));
      ASSERT_TRUE(confirmOnTheWeb(server.port(), var, email));
    }
    httplib::Client c("127.0.0.1", server.port());
    const auto post = [&](const std::string& body) {
      return c.Post("/r0002.asp", body, "application/x-www-form-urlencoded")->body;
    };
    EXPECT_EQ(post(form("anna@example.se", header.score, game)), "0\r\n");
    // Bert's higher score came without its game; then he re-sends Anna's.
    EXPECT_EQ(post(form("bert@example.se", header.score + 50, {})), "0\r\n");
    EXPECT_EQ(post(form("bert@example.se", header.score, game)), "4\r\n");
    // Anna sending her own game again is no theft.
    EXPECT_EQ(post(form("anna@example.se", header.score, game)), "1\r\n");

    // Without --require-replay every score is listed, the verified one marked.
    for (const char* path : {"/", "/topplista/"}) {
      const std::string page = c.Get(path)->body;
      EXPECT_NE(page.find(anna), std::string::npos) << path << page;
      EXPECT_NE(page.find(bert), std::string::npos) << path << page;
    }
    const std::string api = c.Get("/api/v1/topplista")->body;
    EXPECT_NE(api.find("\"verified\": true"), std::string::npos) << api;
    EXPECT_NE(api.find("\"verified\": false"), std::string::npos) << api;
    EXPECT_EQ(server.stop(), 0);
  }
  std::string out;
  EXPECT_EQ(runServerCommand(with({"rejected"}), &out), 0);
  EXPECT_NE(out.find("another member"), std::string::npos) << out;
  EXPECT_EQ(runServerCommand(with({"winners", "day", today()}), &out), 0);
  const std::string sha = replaySha256(game);
  EXPECT_NE(out.find("rank,nick,email,score,reached_at,verdict,replay_sha256\n1,Bert,bert@example.se," +
                     std::to_string(header.score + 50)),
            std::string::npos)
      << out;
  EXPECT_NE(out.find(",unverified,\n2,Anna,"), std::string::npos) << out;
  EXPECT_NE(out.find(",verified," + sha + "\n"), std::string::npos) << out;

  // With it, only the verified score is there: on the pages, in the API and
  // in the winners' file.
  EXPECT_EQ(runServerCommand(with({"--require-replay", "winners", "day", today()}), &out), 0);
  EXPECT_EQ(out.find("Bert"), std::string::npos) << out;
  EXPECT_NE(out.find("1,Anna,anna@example.se"), std::string::npos) << out;
  ServerProcess strict(var, {"--database", database, "--require-replay"});
  ASSERT_GT(strict.port(), 0);
  httplib::Client c("127.0.0.1", strict.port());
  for (const char* path : {"/", "/topplista/", "/api/v1/topplista"}) {
    const std::string page = c.Get(path)->body;
    EXPECT_EQ(page.find("Bert"), std::string::npos) << path << page;
    EXPECT_NE(page.find("Anna"), std::string::npos) << path << page;
  }
  EXPECT_EQ(strict.stop(), 0);
}

TEST_P(VerifiedListTest, VerifyPlaysEveryKeptGameAgainAndKeepsOlderRulesVerdicts) {
  {
    ServerProcess server(var, {"--database", database});
    ASSERT_GT(server.port(), 0);
    ASSERT_TRUE(joinOnTheWeb(server.port(), "anna@example.se", "Anna", "hemligt1"));
    httplib::Client c("127.0.0.1", server.port());
    EXPECT_EQ(c.Post("/r0002.asp", form("anna@example.se", header.score, game), "application/x-www-form-urlencoded")
                  ->body,
              "0\r\n");
    EXPECT_EQ(server.stop(), 0);
  }
  std::string out;
  EXPECT_EQ(runServerCommand(with({"verify"}), &out), 0) << out;
  EXPECT_NE(out.find(replaySha256(game) + ",anna@example.se,1,verified\n"), std::string::npos) << out;

  // A game kept from other rules, and one whose bytes went bad in storage.
  auto older = game;
  older[6] = 0;  // rules version
  auto damaged = game;
  damaged[damaged.size() / 2] ^= 0x10;
  {
    auto kept = openStore(database, KORTIX_MIGRATIONS);
    const auto anna = kept->userByEmail("anna@example.se");
    ASSERT_TRUE(anna);
    for (const auto* bytes : {&older, &damaged}) {
      ScoreEntry e;
      e.userId = anna->id;
      e.score = header.score;
      e.day = "2026-12-01";
      e.week = "2026-W49";
      e.verified = true;
      e.replaySha256 = replaySha256(*bytes);
      e.replay = *bytes;
      EXPECT_FALSE(kept->addScore(e).replayTaken);
    }
  }
  EXPECT_EQ(runServerCommand(with({"verify"}), &out), 1) << out;
  EXPECT_NE(out.find(replaySha256(older) + ",anna@example.se,0,\"kept: recorded under rules version 0, this program has 1\"\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find(replaySha256(damaged) + ",anna@example.se,1,MISMATCH"), std::string::npos) << out;
  EXPECT_NE(out.find("# 1 verified, 1 kept from other rules, 1 mismatches"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Sqlite, VerifiedListTest, ::testing::Values("sqlite"), storeName);
INSTANTIATE_TEST_SUITE_P(Postgres, VerifiedListTest, ::testing::Values("postgresql"), storeName);

}  // namespace
}  // namespace kortix::test
