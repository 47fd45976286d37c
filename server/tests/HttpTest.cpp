// The real server program over HTTP: the game's form, the pages, the forms'
// protection, the limits on requests, the operator's commands and a clean stop.

#include <httplib.h>

#include <filesystem>
#include <future>
#include <fstream>
#include <regex>
#include <sstream>

#include "ServerProcess.h"
#include "WebClient.h"
#include "domain/AttemptLimiter.h"
#include "domain/Calendar.h"
#include "domain/Entries.h"
#include "http/WebApp.h"
#include "StoreFixture.h"
#include "net/FormEncoding.h"
#include "net/MachineFacts.h"
#include "net/Windows1252.h"

namespace kortix::test {
namespace {

// A browser's visit: the cookie and token of a form page, then its post.
class Visitor {
 public:
  explicit Visitor(int port) : client_("127.0.0.1", port) { client_.set_read_timeout(20); }

  httplib::Result get(const std::string& path) {
    auto res = client_.Get(path.c_str(), headers());
    if (res) {
      const std::string cookie = res->get_header_value("Set-Cookie");
      std::smatch m;
      if (std::regex_search(cookie, m, std::regex("kortix_csrf=([0-9a-f]+)"))) cookie_ = m[1];
      if (std::regex_search(res->body, m, std::regex("name=\"csrf\" value=\"([0-9a-f]+)\""))) token_ = m[1];
    }
    return res;
  }

  httplib::Result post(const std::string& path, httplib::Params params, bool withToken = true,
                       const httplib::Headers& extra = {}) {
    if (withToken) params.emplace("csrf", token_);
    httplib::Headers all = headers();
    all.insert(extra.begin(), extra.end());
    return client_.Post(path.c_str(), all, params);
  }

  httplib::Client& client() { return client_; }

 private:
  httplib::Headers headers() const {
    if (cookie_.empty()) return {};
    return {{"Cookie", "kortix_csrf=" + cookie_}};
  }
  httplib::Client client_;
  std::string cookie_, token_;
};

class HttpTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    if (IsSkipped()) return;
    store.reset();
    var = ::testing::TempDir() + uniqueName("kortix_var_");
    std::filesystem::remove_all(var);  // left by an earlier run with this process id
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

TEST_P(HttpTest, TheScoreFormIsAnsweredAsTheGameReadsIt) {
  const int port = server->port();
  ASSERT_TRUE(joinOnTheWeb(port, "vilmar@example.se", "Vilmar", "hemligt1"));
  ASSERT_TRUE(confirmOnTheWeb(port, var, "vilmar@example.se"));
  httplib::Client game("127.0.0.1", port);
  auto post = [&](const std::string& body) {
    return game.Post("/r0002.asp", body, "application/x-www-form-urlencoded");
  };
  auto r = post(gameForm("vilmar@example.se", "hemligt1", 122));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body, "0\r\n");
  EXPECT_EQ(post(gameForm("vilmar@example.se", "hemligt1", 100))->body, "1\r\n");
  EXPECT_EQ(post(gameForm("nobody@example.se", "hemligt1", 100))->body, "2\r\n");
  EXPECT_EQ(post(gameForm("vilmar@example.se", "fel", 100))->body, "3\r\n");
  EXPECT_EQ(post("f1=XYZ&f2=6")->body, "4\r\n");
  // A body past the bound is refused before it is read; the score form's
  // bound leaves room for a recorded game, a page form's does not.
  const auto huge = post(std::string(SCORE_BODY_LIMIT + 1, 'A'));
  ASSERT_TRUE(huge);
  EXPECT_EQ(huge->status, 413);
  const auto roomy = post(std::string(FORM_BODY_LIMIT * 4, 'A'));
  ASSERT_TRUE(roomy);
  EXPECT_EQ(roomy->body, "4\r\n");
  const auto page = game.Post("/registrera/", std::string(FORM_BODY_LIMIT + 1, 'A'), "application/x-www-form-urlencoded");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 413);
  // The game's reply parser sees the codes.
  vilmar::ScoreSubmission record;
  vilmar::parseReply(post(gameForm("nobody@example.se", "x", 1))->body, 200, record);
  EXPECT_EQ(record.resultCode, 2);

  const auto home = game.Get("/");
  ASSERT_TRUE(home);
  EXPECT_NE(home->body.find("<td>Vilmar</td><td>122</td>"), std::string::npos);
  // Neither the password nor the form's entries reach the log.
  std::ifstream log(var + "/server.log");
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_EQ(text.str().find("hemligt1"), std::string::npos);
  EXPECT_NE(text.str().find("POST /r0002.asp 200"), std::string::npos);
}

TEST_P(HttpTest, PagesEscapeWhatMembersTypeAndCarrySecurityHeaders) {
  const int port = server->port();
  ASSERT_TRUE(joinOnTheWeb(port, "x@example.se", "<script>alert(1)", "hemligt1"));
  ASSERT_TRUE(confirmOnTheWeb(port, var, "x@example.se"));
  httplib::Client game("127.0.0.1", port);
  game.Post("/r0002.asp", gameForm("x@example.se", "hemligt1", 50), "application/x-www-form-urlencoded");
  const auto home = game.Get("/");
  ASSERT_TRUE(home);
  EXPECT_EQ(home->status, 200);
  EXPECT_EQ(home->body.find("<script>alert"), std::string::npos);
  EXPECT_NE(home->body.find("&lt;script&gt;alert(1)"), std::string::npos);
  EXPECT_NE(home->get_header_value("Content-Security-Policy").find("default-src 'self'"), std::string::npos);
  EXPECT_EQ(home->get_header_value("X-Frame-Options"), "DENY");
  EXPECT_EQ(home->get_header_value("X-Content-Type-Options"), "nosniff");
  EXPECT_EQ(home->get_header_value("Referrer-Policy"), "no-referrer");
  EXPECT_NE(home->get_header_value("Content-Type").find("text/html; charset=utf-8"), std::string::npos);
  EXPECT_EQ(game.Get("/static/style.css")->status, 200);
}

TEST_P(HttpTest, EveryPageTheGameOpensIsThere) {
  httplib::Client c("127.0.0.1", server->port());
  for (const char* path : {"/", "/registrera/", "/getpass.asp?mail=vilmar%2B1%40example.se", "/version.asp?gameid=2",
                           "/dll/", "/useradm/challenge/", "/avsluta/", "/regler/", "/topplista/",
                           "/topplista/?vecka=2026-W50", "/topplista/?dag=2026-12-08", "/ladda-ner/"}) {
    const auto r = c.Get(path);
    ASSERT_TRUE(r) << path;
    EXPECT_EQ(r->status, 200) << path;
    EXPECT_NE(r->body.find("<html lang=\"sv\">"), std::string::npos) << path;
  }
  EXPECT_NE(c.Get("/getpass.asp?mail=vilmar%2B1%40example.se")->body.find("value=\"vilmar+1@example.se\""),
            std::string::npos);
  // The game sends the address one byte a character: %E5 is å.
  EXPECT_NE(c.Get("/getpass.asp?mail=%E5sa%40example.se")->body.find("value=\"åsa@example.se\""), std::string::npos);
  EXPECT_NE(c.Get("/registrera/?tipsare=anna%40example.se")->body.find("value=\"anna@example.se\""),
            std::string::npos);
  EXPECT_EQ(c.Get("/topplista/?dag=2026-02-30")->status, 400);
  EXPECT_EQ(c.Get("/topplista/?vecka='%3BDROP")->status, 400);
  EXPECT_EQ(c.Get("/finns-inte")->status, 404);
  const auto moved = c.Get("/registrera");
  EXPECT_EQ(moved->status, 301);
  EXPECT_EQ(moved->get_header_value("Location"), "/registrera/");
  // An overlong request line or header is refused, not read.
  EXPECT_NE(c.Get(("/" + std::string(20000, 'a')).c_str())->status, 200);
  const auto bigHeader = c.Get("/", {{"X-Big", std::string(20000, 'b')}});
  EXPECT_TRUE(!bigHeader || bigHeader->status >= 400);
}

TEST_P(HttpTest, FormsFromOtherSitesAreRefused) {
  Visitor v(server->port());
  const httplib::Params form = {{"email", "a@example.se"}, {"nick", "Anna"}, {"password", "hemligt1"},
                                {"password2", "hemligt1"}, {"rules", "ja"}};
  // No cookie, no token: what a form on another site sends.
  EXPECT_EQ(v.post("/registrera/", form, false)->status, 403);
  v.get("/registrera/");
  httplib::Params forged = form;
  forged.emplace("csrf", std::string(32, '0'));
  EXPECT_EQ(v.post("/registrera/", forged, false)->status, 403);
  for (const char* path : {"/getpass.asp", "/avsluta/", "/useradm/challenge/", "/nyttlosen/"})
    EXPECT_EQ(Visitor(server->port()).post(path, {{"email", "a@example.se"}}, false)->status, 403) << path;
  EXPECT_EQ(v.post("/registrera/", form)->status, 200);
}

TEST_P(HttpTest, AFormPostedFromAnotherOriginIsRefusedEvenWithItsToken) {
  Visitor v(server->port());
  v.get("/registrera/");
  const httplib::Params form = {{"email", "a@example.se"}, {"nick", "Anna"}, {"password", "hemligt1"},
                                {"password2", "hemligt1"}, {"rules", "ja"}};
  EXPECT_EQ(v.post("/registrera/", form, true, {{"Origin", "http://evil.example"}})->status, 403);
  EXPECT_EQ(v.post("/registrera/", form, true, {{"Origin", "http://127.0.0.1:1"}})->status, 403);
  // Our own pages send "null" under their no-referrer policy, or our own origin.
  EXPECT_EQ(v.post("/registrera/", form, true, {{"Origin", "null"}})->status, 200);
  const std::string own = "http://127.0.0.1:" + std::to_string(server->port());
  EXPECT_EQ(v.post("/registrera/", {{"email", "b@example.se"}, {"nick", "Bert"}, {"password", "hemligt1"},
                                    {"password2", "hemligt1"}, {"rules", "ja"}},
                   true, {{"Origin", own}})
                ->status,
            200);
}

TEST_P(HttpTest, OverHttpsTheFormCookieIsSecureAndBoundToTheHost) {
  ServerProcess https(var + "/https", {"--database", database, "--public-url", "https://kortix.example"});
  ASSERT_GT(https.port(), 0);
  httplib::Client c("127.0.0.1", https.port());
  const auto form = c.Get("/registrera/");
  ASSERT_TRUE(form);
  const std::string cookie = form->get_header_value("Set-Cookie");
  EXPECT_EQ(cookie.rfind("__Host-kortix_csrf=", 0), 0u) << cookie;
  EXPECT_NE(cookie.find("; Secure"), std::string::npos) << cookie;
  EXPECT_NE(cookie.find("Path=/"), std::string::npos);
  EXPECT_EQ(cookie.find("Domain"), std::string::npos);
  std::smatch token;
  ASSERT_TRUE(std::regex_search(form->body, token, std::regex("name=\"csrf\" value=\"([0-9a-f]+)\"")));
  const std::string value = cookie.substr(19, 32);
  const httplib::Params post = {{"csrf", token[1]}, {"email", "a@example.se"}, {"nick", "Anna"},
                                {"password", "hemligt1"}, {"password2", "hemligt1"}, {"rules", "ja"}};
  // A cookie without the prefix (planted over plain http, say) is not the form's.
  EXPECT_EQ(c.Post("/registrera/", {{"Cookie", "kortix_csrf=" + value}}, post)->status, 403);
  EXPECT_EQ(c.Post("/registrera/", {{"Cookie", "__Host-kortix_csrf=" + value}, {"Origin", "https://kortix.example"}},
                   post)
                ->status,
            200);
  EXPECT_EQ(https.stop(), 0);
}

TEST_P(HttpTest, ParallelGuessesAtOneAccountGetNoMoreThanTheLimit) {
  const int port = server->port();
  ASSERT_TRUE(joinOnTheWeb(port, "anna@example.se", "Anna", "hemligt1"));
  std::vector<std::future<std::string>> guesses;
  for (int i = 0; i < 120; ++i)
    guesses.push_back(std::async(std::launch::async, [port, i] {
      httplib::Client game("127.0.0.1", port);
      game.set_read_timeout(30);
      const auto res = game.Post("/r0002.asp", gameForm("anna@example.se", "gissning" + std::to_string(i), 10),
                                 "application/x-www-form-urlencoded");
      return res ? std::to_string(res->status) + " " + res->body : std::string("no reply");
    }));
  int verified = 0;
  for (auto& g : guesses) {
    const std::string reply = g.get();
    if (reply == "200 3\r\n") ++verified;
    else EXPECT_TRUE(reply.rfind("429 ", 0) == 0 || reply.rfind("503 ", 0) == 0) << reply;
  }
  EXPECT_EQ(verified, AttemptLimits{}.perAccount);
}

TEST_P(HttpTest, ABurstOfHonestPlayersIsServedInTurnNotTurnedAway) {
  // Real hashes and a single slot: twenty right passwords at once queue for
  // seconds (longer than a waiter was once let wait), and every one is answered.
  ServerProcess slow(var + "/slow", {"--database", database, "--hash-cost", "interactive", "--verify-slots", "1"});
  ASSERT_GT(slow.port(), 0);
  // Four members behind one address, five scores each in flight at once
  // (what the attempt limits let one sender have open).
  for (int m = 0; m < 4; ++m)
    ASSERT_TRUE(joinOnTheWeb(slow.port(), "m" + std::to_string(m) + "@example.se", "Medlem " + std::to_string(m), "hemligt1"));
  std::vector<std::future<std::string>> scores;
  for (int i = 0; i < 20; ++i)
    scores.push_back(std::async(std::launch::async, [&slow, i] {
      httplib::Client game("127.0.0.1", slow.port());
      game.set_read_timeout(30);
      const auto res = game.Post("/r0002.asp", gameForm("m" + std::to_string(i % 4) + "@example.se", "hemligt1", 100 + i),
                                 "application/x-www-form-urlencoded");
      return res ? std::to_string(res->status) + " " + res->body : std::string("no reply");
    }));
  for (auto& s : scores) {
    const std::string reply = s.get();
    EXPECT_TRUE(reply == "200 0\r\n" || reply == "200 1\r\n") << reply;
  }
  EXPECT_EQ(slow.stop(), 0);
}

TEST_P(HttpTest, JoiningWithAMembersAddressLooksLikeJoiningAnew) {
  const int port = server->port();
  ASSERT_TRUE(joinOnTheWeb(port, "anna@example.se", "Anna", "hemligt1"));
  const auto join = [&](const std::string& email, const std::string& nick) {
    Visitor v(port);
    v.get("/registrera/");
    const auto res = v.post("/registrera/", {{"email", email}, {"nick", nick}, {"password", "hemligt1"},
                                             {"password2", "hemligt1"}, {"rules", "ja"}});
    return res ? std::to_string(res->status) + res->body : std::string();
  };
  const std::string taken = join("ANNA@example.se", "Annika"), fresh = join("bert@example.se", "Bertil");
  EXPECT_EQ(std::regex_replace(taken, std::regex("Annika"), "X"), std::regex_replace(fresh, std::regex("Bertil"), "X"));
  // The game's score form still tells the game who is a member: that is its protocol.
  httplib::Client game("127.0.0.1", port);
  EXPECT_EQ(game.Post("/r0002.asp", gameForm("okand@example.se", "hemligt1", 10), "application/x-www-form-urlencoded")->body,
            "2\r\n");
}

TEST_P(HttpTest, AScoreNoGameCouldMakeInItsPlayTimeIsRefused) {
  const int port = server->port();
  ASSERT_TRUE(joinOnTheWeb(port, "anna@example.se", "Anna", "hemligt1"));
  httplib::Client game("127.0.0.1", port);
  EXPECT_EQ(game.Post("/r0002.asp", gameForm("anna@example.se", "hemligt1", 2147483647), "application/x-www-form-urlencoded")->body,
            "4\r\n");
  EXPECT_EQ(game.Post("/r0002.asp", gameForm("anna@example.se", "hemligt1", 31337), "application/x-www-form-urlencoded")->body,
            "0\r\n");
}

TEST_P(HttpTest, AMailThatCannotBeSentIsNotReportedAsSent) {
  ASSERT_TRUE(joinOnTheWeb(server->port(), "anna@example.se", "Anna", "hemligt1"));
  ASSERT_TRUE(confirmOnTheWeb(server->port(), var, "anna@example.se"));
  EXPECT_EQ(server->stop(), 0);
  // The outbox cannot be written: a file stands where its folder should.
  std::filesystem::remove_all(var + "/outbox");
  std::ofstream(var + "/outbox") << "not a folder";
  server = std::make_unique<ServerProcess>(var, std::vector<std::string>{"--database", database});
  ASSERT_GT(server->port(), 0);
  Visitor v(server->port());
  v.get("/getpass.asp");
  const auto reset = v.post("/getpass.asp", {{"email", "anna@example.se"}});
  ASSERT_TRUE(reset);
  EXPECT_EQ(reset->status, 503);
  EXPECT_NE(reset->body.find("Vi kunde inte skicka e-post"), std::string::npos);
  EXPECT_EQ(reset->body.find("Kolla din e-mail"), std::string::npos);
  v.get("/useradm/challenge/");
  const auto invite = v.post("/useradm/challenge/",
                             {{"email", "anna@example.se"}, {"password", "hemligt1"}, {"friend1", "bert@example.se"}});
  ASSERT_TRUE(invite);
  EXPECT_NE(invite->status, 200);
  EXPECT_NE(invite->body.find("Vi kunde inte skicka e-post"), std::string::npos);
  // A new member whose confirmation cannot be mailed is not kept.
  v.get("/registrera/");
  const auto join = v.post("/registrera/", {{"email", "cilla@example.se"}, {"nick", "Cilla"}, {"password", "hemligt1"},
                                            {"password2", "hemligt1"}, {"rules", "ja"}});
  ASSERT_TRUE(join);
  EXPECT_NE(join->status, 200);
  EXPECT_NE(join->body.find("Vi kunde inte skicka e-post"), std::string::npos);
  httplib::Client game("127.0.0.1", server->port());
  EXPECT_EQ(game.Post("/r0002.asp", gameForm("cilla@example.se", "hemligt1", 10), "application/x-www-form-urlencoded")->body,
            "2\r\n");
}

TEST_P(HttpTest, RegistrationExplainsTheGamesLimitsAndResetWorksThroughTheOutbox) {
  Visitor v(server->port());
  v.get("/registrera/");
  const auto tooLong = v.post("/registrera/", {{"email", "a@example.se"}, {"nick", "Anna"},
                                               {"password", "sjutton-tecken-17"}, {"password2", "sjutton-tecken-17"},
                                               {"rules", "ja"}});
  EXPECT_EQ(tooLong->status, 400);
  EXPECT_NE(tooLong->body.find("högst 16 tecken"), std::string::npos);
  EXPECT_NE(tooLong->body.find("value=\"a@example.se\""), std::string::npos);  // kept for the next try
  EXPECT_EQ(tooLong->body.find("sjutton"), std::string::npos);                 // the password is not

  ASSERT_TRUE(joinOnTheWeb(server->port(), "anna@example.se", "Anna", "hemligt1"));
  v.get("/getpass.asp?mail=anna%40example.se");
  const auto asked = v.post("/getpass.asp", {{"email", "anna@example.se"}});
  const auto stranger = v.post("/getpass.asp", {{"email", "stranger@example.se"}});
  EXPECT_EQ(asked->status, 200);
  // The same answer whether or not the address is a member's.
  EXPECT_EQ(std::regex_replace(asked->body, std::regex("anna@example.se"), "X"),
            std::regex_replace(stranger->body, std::regex("stranger@example.se"), "X"));
  std::string mail;
  for (const auto& entry : std::filesystem::directory_iterator(var + "/outbox")) {
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    mail += text.str();
  }
  std::smatch link;
  ASSERT_TRUE(std::regex_search(mail, link, std::regex("http://127.0.0.1:[0-9]+(/nyttlosen/\\?t=[0-9a-f]{64})")));
  v.get(link[1]);
  const std::string token = std::string(link[1]).substr(std::string(link[1]).find("t=") + 2);
  const auto changed = v.post("/nyttlosen/", {{"t", token}, {"password", "nytt-losen"}, {"password2", "nytt-losen"}});
  EXPECT_EQ(changed->status, 200);
  httplib::Client game("127.0.0.1", server->port());
  EXPECT_EQ(game.Post("/r0002.asp", gameForm("anna@example.se", "nytt-losen", 5), "application/x-www-form-urlencoded")
                ->body,
            "0\r\n");
  const auto again = v.post("/nyttlosen/", {{"t", token}, {"password", "tredje-lo"}, {"password2", "tredje-lo"}});
  EXPECT_EQ(again->status, 400);
}

TEST_P(HttpTest, EndingAMembershipOverTheWeb) {
  ASSERT_TRUE(joinOnTheWeb(server->port(), "anna@example.se", "Anna", "hemligt1"));
  httplib::Client game("127.0.0.1", server->port());
  game.Post("/r0002.asp", gameForm("anna@example.se", "hemligt1", 77), "application/x-www-form-urlencoded");
  Visitor v(server->port());
  v.get("/avsluta/");
  EXPECT_EQ(v.post("/avsluta/", {{"email", "anna@example.se"}, {"password", "hemligt1"}})->status, 400);  // no tick
  EXPECT_EQ(v.post("/avsluta/", {{"email", "anna@example.se"}, {"password", "hemligt1"}, {"confirm", "ja"}})->status,
            200);
  EXPECT_EQ(game.Get("/")->body.find("Anna"), std::string::npos);
}

TEST_P(HttpTest, WhatAFormShowsBackIsUtf8WhateverBytesWereSent) {
  ASSERT_TRUE(joinOnTheWeb(server->port(), "anna@example.se", "Anna", "hemligt1"));
  Visitor v(server->port());
  v.get("/useradm/challenge/");
  // Bytes no browser sends from a UTF-8 page, as from a hand-made post.
  const auto odd = v.post("/useradm/challenge/", {{"email", "anna@example.se"}, {"password", "hemligt1"},
                                                  {"friend1", "b@exa\xff\xe5mple.se"}});
  EXPECT_EQ(odd->status, 400);
  EXPECT_TRUE(validUtf8(odd->body));
  EXPECT_NE(odd->body.find("b@exa\xc3\xbf\xc3\xa5mple.se"), std::string::npos);  // read as Windows-1252

  // A name longer than the form keeps is cut between characters, never inside one.
  v.get("/registrera/");
  std::string nick = "a";
  for (int i = 0; i < 200; ++i) nick += "\xc3\xa5";
  const auto cut = v.post("/registrera/", {{"email", "bo@example.se"}, {"nick", nick}, {"password", "hemligt1"},
                                           {"password2", "hemligt1"}, {"rules", "ja"}});
  EXPECT_EQ(cut->status, 400);
  EXPECT_TRUE(validUtf8(cut->body));
  EXPECT_NE(cut->body.find(nick.substr(0, 255) + "\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, HttpTest, ::testing::Values("sqlite"), storeName);
INSTANTIATE_TEST_SUITE_P(Postgres, HttpTest, ::testing::Values("postgresql"), storeName);

TEST(ServerCommandLine, HelpBadOptionsAndOperatorCommands) {
  std::string out;
  EXPECT_EQ(runServerCommand({"--help"}, &out), 0);
  for (const char* option : {"--listen", "--database", "--var", "--smtp", "--site", "--public-url", "add-build",
                             "remove-user", "winners"})
    EXPECT_NE(out.find(option), std::string::npos) << option;
  EXPECT_EQ(runServerCommand({"--bogus"}, &out), 2);
  EXPECT_NE(out.find("unknown option --bogus"), std::string::npos);
  EXPECT_EQ(runServerCommand({"--listen", "nowhere"}), 2);
  EXPECT_EQ(runServerCommand({"--listen", "127.0.0.1:70000"}), 2);
  EXPECT_EQ(runServerCommand({"--threads"}), 2);

  // A port in use is an error at start, not a port shared with another service.
  {
    const std::string var = ::testing::TempDir() + uniqueName("kortix_port_");
    std::filesystem::create_directories(var);
    ServerProcess first(var, {});
    ASSERT_GT(first.port(), 0);
    EXPECT_EQ(runServerCommand({"--var", var, "--listen", "127.0.0.1:" + std::to_string(first.port())}, &out), 1);
    EXPECT_NE(out.find("cannot listen"), std::string::npos) << out;
  }

  const std::string var = ::testing::TempDir() + uniqueName("kortix_ops_");
  std::filesystem::create_directories(var);
  const std::string exe = var + "/Vilmar-1.1.exe";
  std::ofstream(exe, std::ios::binary) << "MZ pretend program";
  const std::vector<std::string> db = {"--var", var};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.begin(), db.begin(), db.end());
    return args;
  };
  EXPECT_EQ(runServerCommand(with({"add-build", exe, "--platform", "windows", "--version", "1.1"}), &out), 0) << out;
  const auto facts = vilmar::programFileFacts("MZ pretend program");
  EXPECT_NE(out.find("integrity " + std::to_string(facts.integrity)), std::string::npos) << out;
  EXPECT_EQ(runServerCommand(with({"list-builds"}), &out), 0);
  EXPECT_NE(out.find("windows,1.1,Vilmar-1.1.exe," + std::to_string(facts.integrity) + ",18,"), std::string::npos)
      << out;
  EXPECT_EQ(runServerCommand(with({"add-build", var + "/missing.exe", "--platform", "w", "--version", "1"})), 1);
  EXPECT_EQ(runServerCommand(with({"add-build", exe})), 2);
  EXPECT_EQ(runServerCommand(with({"remove-build", "1"}), &out), 0) << out;
  EXPECT_EQ(runServerCommand(with({"remove-build", "1"})), 1);
  EXPECT_EQ(runServerCommand(with({"remove-build", "x"})), 2);

  {
    ServerProcess server(var, {});
    ASSERT_GT(server.port(), 0);
    ASSERT_TRUE(joinOnTheWeb(server.port(), "anna@example.se", "=Anna,\"the best\"", "hemligt1"));
    ASSERT_TRUE(confirmOnTheWeb(server.port(), var, "anna@example.se"));
    httplib::Client game("127.0.0.1", server.port());
    game.Post("/r0002.asp", gameForm("anna@example.se", "hemligt1", 300), "application/x-www-form-urlencoded");
    game.Post("/r0002.asp", gameForm("anna@example.se", "hemligt1", -3), "application/x-www-form-urlencoded");
    EXPECT_EQ(server.stop(), 0);
  }
  const std::string today = [] {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return dayKeyAt(std::chrono::duration_cast<std::chrono::seconds>(now).count());
  }();
  EXPECT_EQ(runServerCommand(with({"winners", "day", today}), &out), 0);
  EXPECT_NE(out.find("rank,nick,email,score,reached_at,verdict,replay_sha256\n1,\"'=Anna,\"\"the best\"\"\",anna@example.se,300,"),
            std::string::npos)
      << out;
  EXPECT_EQ(runServerCommand(with({"winners", "week", "2026-W53", "--count", "3"}), &out), 0);
  EXPECT_EQ(runServerCommand(with({"winners", "bonus"}), &out), 0);
  EXPECT_EQ(runServerCommand(with({"winners", "day", "2026-13-01"})), 2);
  EXPECT_EQ(runServerCommand(with({"rejected"}), &out), 0);
  EXPECT_NE(out.find(",tampered,anna@example.se,1,-3"), std::string::npos) << out;
  EXPECT_EQ(runServerCommand(with({"list-users"}), &out), 0);
  EXPECT_NE(out.find("anna@example.se"), std::string::npos);
  EXPECT_EQ(out.find("$argon2id"), std::string::npos);  // never a hash
  EXPECT_EQ(runServerCommand(with({"remove-user", "ANNA@example.se"}), &out), 0) << out;
  EXPECT_EQ(runServerCommand(with({"remove-user", "anna@example.se"})), 1);
  EXPECT_EQ(runServerCommand(with({"frobnicate"})), 2);
  EXPECT_EQ(runServerCommand({"--database", "mysql://x", "list-users"}), 1);
}

}  // namespace
}  // namespace kortix::test
