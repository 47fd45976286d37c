// What players and operators see of the competition around the lists: the
// health probes, the read API, past days and weeks.

#include <gtest/gtest.h>
#include <httplib.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <pqxx/pqxx>
#include <regex>
#include <thread>

#include "ServerProcess.h"
#include "StoreFixture.h"
#include "WebClient.h"
#include "domain/Calendar.h"

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

TEST_P(CompetitionTest, TheReadApiAnswersTheListsAsJsonWithoutPersonalData) {
  const int port = server->port();
  for (const auto& [email, nick] : {std::pair{"vilmar@example.se", "Vilmar"}, std::pair{"ada@example.se", "Ada \"<&>"}}) {
    ASSERT_TRUE(joinOnTheWeb(port, email, nick, "hemligt1"));
    ASSERT_TRUE(confirmOnTheWeb(port, var, email));
  }
  httplib::Client c("127.0.0.1", port);
  auto post = [&](const std::string& email, int score) {
    const auto r = c.Post("/r0002.asp", gameForm(email, "hemligt1", score), "application/x-www-form-urlencoded");
    ASSERT_TRUE(r);
    ASSERT_EQ(r->body.substr(0, 1), "0");
  };
  post("vilmar@example.se", 122);
  // The same score later ranks below, in the same second too and though
  // the nick comes first in the alphabet: ties go to who reached it first.
  post("ada@example.se", 122);

  const auto today = c.Get("/api/v1/topplista");
  ASSERT_TRUE(today);
  EXPECT_EQ(today->status, 200);
  EXPECT_EQ(today->get_header_value("Content-Type"), "application/json; charset=utf-8");
  EXPECT_EQ(today->get_header_value("Access-Control-Allow-Origin"), "*");
  EXPECT_EQ(today->get_header_value("Cache-Control"), "public, max-age=5");
  EXPECT_EQ(today->body.find("@example.se"), std::string::npos) << today->body;
  const auto json = nlohmann::json::parse(today->body);
  EXPECT_EQ(json["day"], dayKeyAt(std::time(nullptr)));
  EXPECT_EQ(json["ended"], false);
  ASSERT_EQ(json["entries"].size(), 2u);
  EXPECT_EQ(json["entries"][0]["rank"], 1);
  EXPECT_EQ(json["entries"][0]["nick"], "Vilmar");
  EXPECT_EQ(json["entries"][0]["score"], 122);
  EXPECT_TRUE(std::regex_match(json["entries"][0]["reached_at"].get<std::string>(),
                               std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
  EXPECT_EQ(json["entries"][1]["rank"], 2);
  EXPECT_EQ(json["entries"][1]["nick"], "Ada \"<&>");

  const auto week = nlohmann::json::parse(c.Get(("/api/v1/topplista?vecka=" + weekKeyAt(std::time(nullptr))).c_str())->body);
  EXPECT_EQ(week["entries"].size(), 2u);
  const auto one = nlohmann::json::parse(c.Get("/api/v1/topplista?antal=1")->body);
  EXPECT_EQ(one["entries"].size(), 1u);
  const auto past = c.Get("/api/v1/topplista?dag=2020-01-01");
  ASSERT_TRUE(past);
  EXPECT_EQ(past->get_header_value("Cache-Control"), "public, max-age=300");
  EXPECT_EQ(nlohmann::json::parse(past->body)["entries"].size(), 0u);
  EXPECT_EQ(nlohmann::json::parse(past->body)["ended"], true);
  const auto bonus = c.Get("/api/v1/bonus");
  ASSERT_TRUE(bonus);
  EXPECT_TRUE(nlohmann::json::parse(bonus->body)["entries"].is_array());

  // What is not understood is said in JSON, never a page or a crash.
  for (const char* bad : {"/api/v1/topplista?dag=2026-02-30", "/api/v1/topplista?vecka=2026-W54",
                          "/api/v1/topplista?dag=2026-01-01&vecka=2026-W01", "/api/v1/topplista?antal=0",
                          "/api/v1/topplista?antal=101", "/api/v1/topplista?antal=9x",
                          "/api/v1/topplista?dag=%00%ff%fe"}) {
    const auto r = c.Get(bad);
    ASSERT_TRUE(r) << bad;
    EXPECT_EQ(r->status, 400) << bad;
    EXPECT_TRUE(nlohmann::json::parse(r->body, nullptr, false).contains("error")) << bad << r->body;
  }
  const auto missing = c.Get("/api/v1/spelare");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);
  EXPECT_TRUE(nlohmann::json::parse(missing->body, nullptr, false).contains("error"));
  EXPECT_EQ(c.Post("/api/v1/topplista", "x", "text/plain")->status, 405);
  const auto preflight = c.Options("/api/v1/topplista");
  ASSERT_TRUE(preflight);
  EXPECT_EQ(preflight->status, 204);
  EXPECT_EQ(preflight->get_header_value("Access-Control-Allow-Methods"), "GET, HEAD");
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
