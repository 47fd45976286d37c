// What players and operators see of the competition around the lists: the
// health probes, the read API, past days and weeks.

#include <gtest/gtest.h>
#include <httplib.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <pqxx/pqxx>
#include <thread>

#include "ServerProcess.h"
#include "StoreFixture.h"
#include "WebClient.h"

using namespace kortix;
using namespace kortix::test;

namespace {

// A statement run on the service's database behind its back.
void execSql(const std::string& database, const std::string& sql) {
  if (database.rfind("sqlite:", 0) == 0) {
    sqlite3* db = nullptr;
    sqlite3_open(database.substr(7).c_str(), &db);
    sqlite3_busy_timeout(db, 5000);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
    return;
  }
  pqxx::connection c(database);
  pqxx::work w(c);
  w.exec(sql);
  w.commit();
}

// The first column of the first row of a query, as a number.
long long scalar(const std::string& database, const std::string& sql) {
  if (database.rfind("sqlite:", 0) == 0) {
    sqlite3* db = nullptr;
    sqlite3_open(database.substr(7).c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    const long long value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return value;
  }
  pqxx::connection c(database);
  pqxx::read_transaction w(c);
  return w.exec1(sql)[0].as<long long>();
}

// Asks until the answer has that status, for at most a few seconds.
template <typename Get>
int statusWithin(Get get, int wanted) {
  int status = 0;
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
       std::chrono::steady_clock::now() < end;) {
    const auto r = get();
    status = r ? r->status : -1;
    if (status == wanted) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return status;
}

class CompetitionTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    if (IsSkipped()) return;
    store.reset();
    var = ::testing::TempDir() + uniqueName("kortix_var_");
    std::filesystem::remove_all(var);
    std::filesystem::create_directories(var);
    database = GetParam() == "sqlite" ? "sqlite:" + var + "/kortix.db" : freshDatabase(GetParam());
    server = std::make_unique<ServerProcess>(var, std::vector<std::string>{"--database", database});
    ASSERT_GT(server->port(), 0) << "the server did not start";
  }
  void TearDown() override {
    if (server) {
      EXPECT_EQ(server->stop(), 0) << "the server did not end cleanly";
    }
  }
  std::string var, database;
  std::unique_ptr<ServerProcess> server;
};

TEST_P(CompetitionTest, HealthAndReadinessFollowTheDatabase) {
  httplib::Client c("127.0.0.1", server->port());
  const auto health = c.Get("/healthz");
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 200);
  EXPECT_EQ(health->body, "ok\n");
  EXPECT_EQ(health->get_header_value("Cache-Control"), "no-store");
  const auto ready = c.Get("/readyz");
  ASSERT_TRUE(ready);
  EXPECT_EQ(ready->status, 200);
  // A probe leaves nothing behind: its write is rolled back.
  EXPECT_EQ(c.Get("/readyz")->status, 200);
  std::string out;
  EXPECT_EQ(runServerCommand({"--listen", "127.0.0.1:" + std::to_string(server->port()), "wait-ready", "5"}, &out), 0)
      << out;

  // A schema older than the program: not ready, and the asker is told no more.
  execSql(database, "DELETE FROM schema_migrations WHERE name = '002_confirmed_addresses.sql'");
  EXPECT_EQ(statusWithin([&] { return c.Get("/readyz"); }, 503), 503);
  const auto notReady = c.Get("/readyz");
  ASSERT_TRUE(notReady);
  EXPECT_EQ(notReady->body, "not ready\n");
  EXPECT_EQ(c.Get("/healthz")->status, 200);  // the process itself is fine
  EXPECT_EQ(runServerCommand({"--listen", "127.0.0.1:" + std::to_string(server->port()), "wait-ready", "1"}, &out), 1);
  EXPECT_NE(out.find("503"), std::string::npos) << out;

  execSql(database, "INSERT INTO schema_migrations (name, applied_at) VALUES ('002_confirmed_addresses.sql', 0)");
  EXPECT_EQ(statusWithin([&] { return c.Get("/readyz"); }, 200), 200);
  // The probes' own rows were all rolled back.
  EXPECT_EQ(scalar(database, "SELECT COUNT(*) FROM schema_migrations WHERE name LIKE ' ready probe%'"), 0);
  EXPECT_EQ(scalar(database, "SELECT COUNT(*) FROM schema_migrations"), 2);
}

TEST(WaitReady, GivesUpOnAPortNobodyServes) {
  std::string out;
  const auto start = std::chrono::steady_clock::now();
  // Port 9 (discard) is not served on a test machine.
  EXPECT_EQ(runServerCommand({"--listen", "127.0.0.1:9", "wait-ready", "1"}, &out), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  EXPECT_NE(out.find("not ready after 1 s"), std::string::npos) << out;
  EXPECT_EQ(runServerCommand({"wait-ready", "soon"}, &out), 2);
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Sqlite, CompetitionTest, ::testing::Values("sqlite"), storeName);
INSTANTIATE_TEST_SUITE_P(Postgres, CompetitionTest, ::testing::Values("postgresql"), storeName);
