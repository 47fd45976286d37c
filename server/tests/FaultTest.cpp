// Faults under load: the service killed in the middle of submissions keeps
// every score it answered 0 or 1 for, once; and a PostgreSQL server that
// restarts under it is reconnected to without a restart of the service.

#include <httplib.h>
#include <sqlite3.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <regex>
#include <set>
#include <thread>

#include "ServerProcess.h"
#include "WebClient.h"
#include "StoreFixture.h"
#include "net/FormEncoding.h"

namespace kortix::test {
namespace {

// Every stored (member e-mail, score) with how often it is stored.
std::map<std::pair<std::string, int>, int> storedScores(const std::string& database) {
  std::map<std::pair<std::string, int>, int> all;
  const char* sql = "SELECT u.email, s.score, COUNT(*) FROM scores s JOIN users u ON u.id = s.user_id "
                    "GROUP BY u.email, s.score";
  if (database.rfind("sqlite:", 0) == 0) {
    sqlite3* db = nullptr;
    sqlite3_open(database.substr(7).c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW)
      all[{reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), sqlite3_column_int(stmt, 1)}] =
          sqlite3_column_int(stmt, 2);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
  } else {
    pqxx::connection c(database);
    pqxx::read_transaction w(c);
    for (const auto& row : w.exec(sql))
      all[{row[0].as<std::string>(), row[1].as<int>()}] = row[2].as<int>();
  }
  return all;
}

// Posts scores from several players at once until stopped; notes every score
// answered 0 or 1, and how many got no verdict.
class Load {
 public:
  Load(int port, int players) {
    for (int p = 0; p < players; ++p) {
      threads_.emplace_back([this, port, p] {
        const std::string email = "player" + std::to_string(p) + "@example.se";
        httplib::Client c("127.0.0.1", port);
        c.set_connection_timeout(2);
        c.set_read_timeout(5);
        for (int score = p * 100000 + 1; !stop_; ++score) {
          const auto r = c.Post("/r0002.asp", gameForm(email, "hemligt1", score), "application/x-www-form-urlencoded");
          std::lock_guard lock(mutex_);
          if (r && r->status == 200 && (r->body == "0\r\n" || r->body == "1\r\n")) acknowledged_.insert({email, score});
          else if (r && r->status == 200) ++refused_;
          else ++unanswered_;
        }
      });
    }
  }
  ~Load() { finish(); }
  void finish() {
    stop_ = true;
    for (auto& t : threads_)
      if (t.joinable()) t.join();
  }
  std::set<std::pair<std::string, int>> acknowledged() {
    std::lock_guard lock(mutex_);
    return acknowledged_;
  }
  int unanswered() {
    std::lock_guard lock(mutex_);
    return unanswered_;
  }
  int refused() {
    std::lock_guard lock(mutex_);
    return refused_;
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::set<std::pair<std::string, int>> acknowledged_;
  int unanswered_ = 0, refused_ = 0;
};

constexpr int PLAYERS = 6;

class FaultTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    if (IsSkipped()) return;
    store.reset();
    var = ::testing::TempDir() + uniqueName("kortix_fault_");
    std::filesystem::create_directories(var);
    database = GetParam() == "sqlite" ? "sqlite:" + var + "/kortix.db" : freshDatabase(GetParam());
  }
  std::unique_ptr<ServerProcess> start() {
    auto server = std::make_unique<ServerProcess>(var, std::vector<std::string>{"--database", database});
    EXPECT_GT(server->port(), 0);
    return server;
  }
  std::string var, database;
};

TEST_P(FaultTest, AKilledServiceKeepsEveryAnsweredScoreOnce) {
  auto server = start();
  for (int p = 0; p < PLAYERS; ++p)
    ASSERT_TRUE(joinOnTheWeb(server->port(), "player" + std::to_string(p) + "@example.se", "Spelare " + std::to_string(p), "hemligt1"));
  Load load(server->port(), PLAYERS);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  server->stop(SIGKILL);
  load.finish();
  const auto acknowledged = load.acknowledged();
  ASSERT_GT(acknowledged.size(), 20u) << "too little load to tell";

  server = start();  // the same database, after the crash
  const auto stored = storedScores(database);
  for (const auto& score : acknowledged) {
    const auto it = stored.find(score);
    ASSERT_NE(it, stored.end()) << score.first << " " << score.second << " was answered but is lost";
  }
  for (const auto& [score, times] : stored) EXPECT_EQ(times, 1) << score.first << " " << score.second;
  httplib::Client c("127.0.0.1", server->port());
  EXPECT_EQ(c.Post("/r0002.asp", gameForm("player0@example.se", "hemligt1", 999999), "application/x-www-form-urlencoded")->body,
            "0\r\n");
  EXPECT_EQ(server->stop(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, FaultTest, ::testing::Values("sqlite"), storeName);
INSTANTIATE_TEST_SUITE_P(Postgres, FaultTest, ::testing::Values("postgresql"), storeName);

// Needs the command that restarts the test run's PostgreSQL server
// (tools/server-tests.sh gives it, and runs this case alone).
TEST(PostgresRestart, TheServiceReconnectsWithoutARestartOfItsOwn) {
  const char* restart = std::getenv("KORTIX_TEST_PG_RESTART");
  if (!postgresUrl() || !restart) GTEST_SKIP() << "needs KORTIX_TEST_POSTGRES and KORTIX_TEST_PG_RESTART";
  const std::string var = ::testing::TempDir() + uniqueName("kortix_pgrestart_");
  std::filesystem::create_directories(var);
  const std::string database = freshDatabase("postgresql");
  ServerProcess server(var, {"--database", database});
  ASSERT_GT(server.port(), 0);
  for (int p = 0; p < PLAYERS; ++p)
    ASSERT_TRUE(joinOnTheWeb(server.port(), "player" + std::to_string(p) + "@example.se", "Spelare " + std::to_string(p), "hemligt1"));
  Load load(server.port(), PLAYERS);
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  ASSERT_EQ(std::system(restart), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const auto before = load.acknowledged().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  load.finish();
  EXPECT_GT(load.acknowledged().size(), before) << "no score was taken after the database came back";
  EXPECT_EQ(load.refused(), 0);
  const auto stored = storedScores(database);
  for (const auto& score : load.acknowledged()) EXPECT_EQ(stored.count(score), 1u) << score.second;
  for (const auto& [score, times] : stored) EXPECT_EQ(times, 1);
  EXPECT_EQ(server.stop(), 0);
}

}  // namespace
}  // namespace kortix::test
