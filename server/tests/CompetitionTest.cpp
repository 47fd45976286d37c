// What players and operators see of the competition around the lists: the
// health probes, the read API, past days and weeks.

#include <gtest/gtest.h>
#include <httplib.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
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

// Signs in through the web form; the session cookie ("name=value"), or
// empty with the page's status in status.
std::string signInOnTheWeb(int port, const std::string& email, const std::string& password, int* status = nullptr) {
  httplib::Client c("127.0.0.1", port);
  const auto form = c.Get("/logga-in/");
  std::smatch cookie, token;
  const std::string setCookie = form ? form->get_header_value("Set-Cookie") : "";
  if (!form || !std::regex_search(setCookie, cookie, std::regex("kortix_csrf=([0-9a-f]+)")) ||
      !std::regex_search(form->body, token, std::regex("name=\"csrf\" value=\"([0-9a-f]+)\"")))
    return {};
  const auto res = c.Post("/logga-in/", {{"Cookie", "kortix_csrf=" + std::string(cookie[1])}},
                          httplib::Params{{"csrf", token[1]}, {"email", email}, {"password", password}});
  if (status) *status = res ? res->status : -1;
  std::smatch session;
  const std::string set = res ? res->get_header_value("Set-Cookie") : "";
  if (!res || res->status != 303 || !std::regex_search(set, session, std::regex("kortix_session=[0-9a-f]{64}")))
    return {};
  return session[0];
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
  // One row per migration of the program, however many there are by now.
  long long migrations = 0;
  for (const auto& f : std::filesystem::directory_iterator(KORTIX_MIGRATIONS "/sqlite"))
    migrations += f.path().extension() == ".sql";
  EXPECT_EQ(scalar(database, "SELECT COUNT(*) FROM schema_migrations"), migrations);
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

// A service whose clock the test sets.
class PastListsTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    if (IsSkipped()) return;
    store.reset();
    var = ::testing::TempDir() + uniqueName("kortix_var_");
    std::filesystem::remove_all(var);
    std::filesystem::create_directories(var);
    setClock(stockholmMidnight({2026, 3, 29}) - 60);  // Saturday 23:59, the night the clocks go forward
    database = GetParam() == "sqlite" ? "sqlite:" + var + "/kortix.db" : freshDatabase(GetParam());
    server = std::make_unique<ServerProcess>(
        var, std::vector<std::string>{"--database", database, "--test-clock", var + "/clock"});
    ASSERT_GT(server->port(), 0) << "the server did not start";
  }
  void TearDown() override {
    if (server) {
      EXPECT_EQ(server->stop(), 0) << "the server did not end cleanly";
    }
  }
  void setClock(std::int64_t at) {
    std::ofstream(var + "/clock.new") << at << '\n';
    std::filesystem::rename(var + "/clock.new", var + "/clock");
  }
  std::string var, database;
  std::unique_ptr<ServerProcess> server;
};

TEST_P(PastListsTest, AListThatHasClosedNeverChanges) {
  const int port = server->port();
  ASSERT_TRUE(joinOnTheWeb(port, "vilmar@example.se", "Vilmar", "hemligt1"));
  ASSERT_TRUE(confirmOnTheWeb(port, var, "vilmar@example.se"));
  ASSERT_TRUE(joinOnTheWeb(port, "ada@example.se", "Ada", "hemligt1"));  // confirms only after midnight
  httplib::Client c("127.0.0.1", port);
  auto post = [&](const std::string& email, int score) {
    const auto r = c.Post("/r0002.asp", gameForm(email, "hemligt1", score), "application/x-www-form-urlencoded");
    ASSERT_TRUE(r);
    ASSERT_EQ(r->body.substr(0, 1), "0") << r->body;
  };
  post("vilmar@example.se", 100);
  post("ada@example.se", 500);
  auto entries = [&](const std::string& query) {
    const auto r = c.Get(("/api/v1/topplista?" + query).c_str());
    return r ? nlohmann::json::parse(r->body)["entries"] : nlohmann::json();
  };
  const auto saturday = entries("dag=2026-03-28");
  ASSERT_EQ(saturday.size(), 1u);
  EXPECT_EQ(saturday[0]["nick"], "Vilmar");

  setClock(stockholmMidnight({2026, 3, 29}) + 60);
  ASSERT_TRUE(confirmOnTheWeb(port, var, "ada@example.se"));
  post("vilmar@example.se", 300);
  // Saturday is over: neither Ada's late confirmation nor Sunday's score
  // moves it, on the API, on the page and in the winners' list.
  EXPECT_EQ(entries("dag=2026-03-28"), saturday);
  const auto page = c.Get("/topplista/?dag=2026-03-28");
  ASSERT_TRUE(page);
  EXPECT_NE(page->body.find("<td>Vilmar</td><td>100</td>"), std::string::npos);
  EXPECT_EQ(page->body.find("<td>Ada</td>"), std::string::npos);
  std::string csv;
  ASSERT_EQ(runServerCommand({"--database", database, "winners", "day", "2026-03-28"}, &csv), 0) << csv;
  EXPECT_EQ(csv.find("Ada"), std::string::npos) << csv;
  // The week goes on, and Ada counts in it now.
  const auto week = entries("vecka=2026-W13");
  ASSERT_EQ(week.size(), 2u);
  EXPECT_EQ(week[0]["nick"], "Ada");
  EXPECT_EQ(entries("dag=2026-03-29")[0]["score"], 300);
  // Vilmar's history, newest first, the week's best once.
  const std::string session = signInOnTheWeb(port, "vilmar@example.se", "hemligt1");
  ASSERT_FALSE(session.empty());
  const std::string mine = c.Get("/mina-resultat/", {{"Cookie", session}})->body;
  const std::size_t sundayAt = mine.find("söndag 29 mars 2026</a></td><td>300</td><td>1</td>");
  const std::size_t saturdayAt = mine.find("lördag 28 mars 2026</a></td><td>100</td><td>1</td>");
  ASSERT_NE(sundayAt, std::string::npos) << mine;
  ASSERT_NE(saturdayAt, std::string::npos) << mine;
  EXPECT_LT(sundayAt, saturdayAt);
  EXPECT_NE(mine.find("vecka 13, 2026</a></td><td>300</td><td>2</td>"), std::string::npos) << mine;

  // The list of the day says who won each of the last seven days, and so
  // when nobody played.
  const auto lists = c.Get("/topplista/");
  ASSERT_TRUE(lists);
  EXPECT_NE(lists->body.find("Senaste veckans dagsvinnare"), std::string::npos);
  EXPECT_NE(lists->body.find("<a href=\"/topplista/?dag=2026-03-28\">lördag 28 mars 2026</a></td><td>Vilmar</td><td>100</td>"),
            std::string::npos) << lists->body;
  EXPECT_NE(lists->body.find("<a href=\"/topplista/?dag=2026-03-22\">söndag 22 mars 2026</a></td><td colspan=\"2\">Inga resultat</td>"),
            std::string::npos);
  EXPECT_EQ(lists->body.find("2026-03-21"), std::string::npos);  // seven days, no more
}

TEST_P(PastListsTest, EachListSaysWhenItClosesInSwedishTime) {
  httplib::Client c("127.0.0.1", server->port());
  auto closes = [&](const std::string& path) {
    const auto r = c.Get(path.c_str());
    return r ? r->body : std::string();
  };
  // Saturday 23:59: the day closes in a minute, the week a day later.
  EXPECT_NE(closes("/").find(">Dagens lista stänger om 1 min<"), std::string::npos);
  EXPECT_NE(closes("/").find(">Veckans lista stänger om 23 h 1 min<"), std::string::npos);  // Sunday has 23 hours
  EXPECT_NE(closes("/topplista/").find("data-left=\"60\""), std::string::npos);
  // The day the clocks go forward has 23 hours, the day they go back 25.
  setClock(stockholmMidnight({2026, 3, 29}));
  EXPECT_NE(closes("/").find(">Dagens lista stänger om 23 h 0 min<"), std::string::npos);
  setClock(stockholmMidnight({2026, 10, 25}) + 30);
  EXPECT_NE(closes("/").find(">Dagens lista stänger om 24 h 59 min<"), std::string::npos);
  EXPECT_NE(closes("/topplista/?vecka=2026-W43").find(">Veckans lista stänger om 24 h 59 min<"), std::string::npos);
  setClock(stockholmMidnight({2026, 10, 26}) - 20);
  EXPECT_NE(closes("/").find(">Dagens lista stänger om mindre än en minut<"), std::string::npos);
  // An ended list says so; one that has not begun says nothing of closing.
  const std::string past = closes("/topplista/?dag=2026-10-24");
  EXPECT_NE(past.find("Listan är stängd."), std::string::npos);
  EXPECT_EQ(past.find("stänger om"), std::string::npos);
  EXPECT_EQ(closes("/topplista/?dag=2026-10-27").find("stänger"), std::string::npos);
  const auto api = nlohmann::json::parse(closes("/api/v1/topplista"));
  EXPECT_EQ(api["closes_at"], "2026-10-25T23:00:00Z");  // midnight in winter time
}

TEST_P(CompetitionTest, ASignedInMemberSeesTheirPlaceAndThePointsToTheNext) {
  const int port = server->port();
  httplib::Client c("127.0.0.1", port);
  // Seven members: 700, 600, 500, 400 (me), 400 (later), 300, 100.
  const std::vector<std::pair<std::string, int>> members = {{"a", 700}, {"b", 600}, {"c", 500}, {"me", 400},
                                                            {"d", 400}, {"e", 300}, {"f", 100}};
  for (const auto& [nick, score] : members) {
    const std::string email = nick + "@example.se";
    ASSERT_TRUE(joinOnTheWeb(port, email, "Nick" + nick, "hemligt1"));
    ASSERT_TRUE(confirmOnTheWeb(port, var, email));
    const auto r = c.Post("/r0002.asp", gameForm(email, "hemligt1", score), "application/x-www-form-urlencoded");
    ASSERT_TRUE(r && r->body.substr(0, 1) == "0");
  }
  EXPECT_NE(c.Get("/")->body.find("href=\"/logga-in/\""), std::string::npos);
  EXPECT_EQ(c.Get("/")->body.find("Din placering"), std::string::npos);

  const std::string session = signInOnTheWeb(port, "me@example.se", "hemligt1");
  ASSERT_FALSE(session.empty());
  const auto home = c.Get("/", {{"Cookie", session}});
  ASSERT_TRUE(home);
  EXPECT_EQ(home->get_header_value("Cache-Control"), "no-store");
  const std::string& body = home->body;
  EXPECT_NE(body.find("Din placering"), std::string::npos);
  EXPECT_NE(body.find("Plats 4 med 400 poäng. 101 poäng till nästa placering."), std::string::npos) << body;
  // The five places around: 2 to 6, the member's own marked.
  const std::size_t around = body.find("<h3>Dagens lista</h3>");
  ASSERT_NE(around, std::string::npos);
  const std::string day = body.substr(around, body.find("<h3>Veckans lista</h3>") - around);
  EXPECT_NE(day.find("<td>2</td><td>Nickb</td>"), std::string::npos) << day;
  EXPECT_NE(day.find("<tr class=\"me\"><td>4</td><td>Nickme</td><td>400</td>"), std::string::npos) << day;
  EXPECT_NE(day.find("<td>6</td><td>Nicke</td>"), std::string::npos);
  EXPECT_EQ(day.find("<td>1</td>"), std::string::npos);
  EXPECT_EQ(day.find("<td>7</td>"), std::string::npos);

  // The one who reached 400 later needs one point to pass; the last sees the
  // five lowest places.
  EXPECT_NE(c.Get("/", {{"Cookie", signInOnTheWeb(port, "d@example.se", "hemligt1")}})
                ->body.find("Plats 5 med 400 poäng. 1 poäng till nästa placering."),
            std::string::npos);
  const std::string last = c.Get("/", {{"Cookie", signInOnTheWeb(port, "f@example.se", "hemligt1")}})->body;
  EXPECT_NE(last.find("<td>3</td><td>Nickc</td>"), std::string::npos);
  EXPECT_NE(last.find("Plats 7 med 100 poäng. 201 poäng till nästa placering."), std::string::npos);

  // The same on the list pages, of the day and of the week.
  const auto list = c.Get("/topplista/", {{"Cookie", session}});
  ASSERT_TRUE(list);
  EXPECT_NE(list->body.find("Din placering"), std::string::npos);
  EXPECT_NE(list->body.find("Plats 4 med 400 poäng. 101 poäng till nästa placering."), std::string::npos);
  EXPECT_NE(c.Get(("/topplista/?vecka=" + weekKeyAt(std::time(nullptr))).c_str(), {{"Cookie", session}})
                ->body.find("Plats 4 med 400 poäng."),
            std::string::npos);
  EXPECT_NE(c.Get("/topplista/?dag=2020-01-01", {{"Cookie", session}})->body.find("Du har inget resultat på listan ännu."),
            std::string::npos);

  // Their own history: today's best and this week's, with the place.
  const auto mine = c.Get("/mina-resultat/", {{"Cookie", session}});
  ASSERT_TRUE(mine);
  EXPECT_EQ(mine->status, 200);
  const std::string today = dayKeyAt(std::time(nullptr));
  EXPECT_NE(mine->body.find("?dag=" + today + "\">"), std::string::npos);
  EXPECT_NE(mine->body.find("</a></td><td>400</td><td>4</td></tr>"), std::string::npos) << mine->body;
  EXPECT_NE(mine->body.find("?vecka=" + weekKeyAt(std::time(nullptr))), std::string::npos);
  const auto stranger = c.Get("/mina-resultat/");
  ASSERT_TRUE(stranger);
  EXPECT_EQ(stranger->status, 303);
  EXPECT_EQ(stranger->get_header_value("Location"), "/logga-in/");
  const std::string first = c.Get("/", {{"Cookie", signInOnTheWeb(port, "a@example.se", "hemligt1")}})->body;
  EXPECT_NE(first.find("Plats 1 med 700 poäng.</p>"), std::string::npos);

  // A made-up or altered cookie is nobody.
  EXPECT_EQ(c.Get("/", {{"Cookie", "kortix_session=" + std::string(64, 'a')}})->body.find("Din placering"),
            std::string::npos);
  EXPECT_EQ(c.Get("/", {{"Cookie", "kortix_session=../x"}})->body.find("Din placering"), std::string::npos);

  // A wrong password is refused, and guesses count against the same limits
  // as the game's: the sixth at one account is not even tried.
  int status = 0;
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(signInOnTheWeb(port, "me@example.se", "fel", &status).empty());
    EXPECT_EQ(status, 400);
  }
  EXPECT_TRUE(signInOnTheWeb(port, "me@example.se", "hemligt1", &status).empty());
  EXPECT_EQ(status, 400);
  const auto limited = c.Post("/r0002.asp", gameForm("me@example.se", "hemligt1", 1), "application/x-www-form-urlencoded");
  ASSERT_TRUE(limited);
  EXPECT_EQ(limited->status, 429);

  // Signing out ends the session on the server, not only in the browser.
  const auto home2 = c.Get("/", {{"Cookie", session}});
  std::smatch csrfToken;
  ASSERT_TRUE(std::regex_search(home2->body, csrfToken, std::regex("name=\"csrf\" value=\"([0-9a-f]+)\"")));
  const std::string csrfCookie = "kortix_csrf=" + std::string(csrfToken[1]);
  const auto out = c.Post("/logga-ut/", {{"Cookie", session + "; " + csrfCookie}},
                          httplib::Params{{"csrf", csrfToken[1]}});
  ASSERT_TRUE(out);
  EXPECT_EQ(out->status, 303);
  EXPECT_EQ(c.Get("/", {{"Cookie", session}})->body.find("Din placering"), std::string::npos);
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
INSTANTIATE_TEST_SUITE_P(Sqlite, PastListsTest, ::testing::Values("sqlite"), storeName);
INSTANTIATE_TEST_SUITE_P(Postgres, PastListsTest, ::testing::Values("postgresql"), storeName);
INSTANTIATE_TEST_SUITE_P(Postgres, CompetitionTest, ::testing::Values("postgresql"), storeName);
