// What a visitor reads on the site: a reset link that no longer works, the
// download page with and without releases, the lists' pager and the welcome.

#include <gtest/gtest.h>
#include <httplib.h>
#include <sodium.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "ServerProcess.h"
#include "StoreFixture.h"
#include "WebClient.h"
#include "domain/Calendar.h"
#include "http/Downloads.h"

namespace kortix::test {
namespace {

namespace fs = std::filesystem;

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

std::string sha256Hex(const std::string& bytes) {
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  char hex[sizeof digest * 2 + 1];
  sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
  return hex;
}

TEST(DownloadFacts, SizesInSwedishAndPlatformNames) {
  EXPECT_EQ(swedishSize(0), "0 byte");
  EXPECT_EQ(swedishSize(999), "999 byte");
  EXPECT_EQ(swedishSize(1000), "1 kB");
  EXPECT_EQ(swedishSize(64499), "64 kB");
  EXPECT_EQ(swedishSize(999499), "999 kB");
  EXPECT_EQ(swedishSize(999500), "1,0 MB");
  EXPECT_EQ(swedishSize(2449999), "2,4 MB");
  EXPECT_EQ(swedishSize(2450000), "2,5 MB");
  EXPECT_EQ(swedishSize(99949999), "99,9 MB");
  EXPECT_EQ(swedishSize(99950000), "100 MB");
  EXPECT_EQ(swedishSize(1234567890), "1235 MB");
  EXPECT_EQ(platformName("windows"), "Windows");
  EXPECT_EQ(platformName("linux"), "Linux (Debian, Ubuntu)");
  EXPECT_EQ(platformName("amiga"), "amiga");
  EXPECT_FALSE(playerPlatform("web"));
  EXPECT_TRUE(playerPlatform("linux"));
}

TEST(DownloadFacts, OnlyPlainFilesInTheFolderAreReadAndAChangeIsSeen) {
  const fs::path dir = ::testing::TempDir() + uniqueName("kortix_filer_");
  fs::create_directories(dir / "mapp");
  std::ofstream(dir / "spel.zip", std::ios::binary) << "PK\3\4 ett spel";
  std::ofstream(dir / ".dold", std::ios::binary) << "dold";
  std::ofstream(dir.parent_path() / "utanfor.zip", std::ios::binary) << "utanför";
  DownloadFiles files(dir);
  const auto zip = files.facts("spel.zip");
  ASSERT_TRUE(zip);
  EXPECT_EQ(zip->size, 13u);
  EXPECT_EQ(zip->sha256, sha256Hex("PK\3\4 ett spel"));
  for (const char* bad : {"", ".dold", "mapp", "../utanfor.zip", "mapp/../spel.zip", "saknas.zip", ".."})
    EXPECT_FALSE(files.facts(bad)) << bad;
  // A new release under the same name: a new size, a new checksum.
  std::ofstream(dir / "spel.zip", std::ios::binary | std::ios::trunc) << "PK\3\4 ett nyare spel";
  EXPECT_EQ(files.facts("spel.zip")->sha256, sha256Hex("PK\3\4 ett nyare spel"));
  fs::remove_all(dir);
}

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base = ::testing::TempDir() + uniqueName("kortix_pages_");
    fs::create_directories(base + "/var");
    fs::create_directories(base + "/site");
    fs::create_directories(base + "/filer");
    std::ofstream(base + "/site/index.html") << "<!DOCTYPE html><title>Vilmar</title>";
    database = "sqlite:" + base + "/var/k.db";
  }
  void TearDown() override {
    if (server) {
      EXPECT_EQ(server->stop(), 0);
    }
    std::error_code ignored;
    fs::remove_all(base, ignored);
  }
  void start(std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"--database", database, "--site", base + "/site", "--downloads", base + "/filer"};
    args.insert(args.end(), extra.begin(), extra.end());
    server = std::make_unique<ServerProcess>(base + "/var", args);
    ASSERT_GT(server->port(), 0) << "the server did not start";
    client = std::make_unique<httplib::Client>("127.0.0.1", server->port());
  }
  std::string body(const std::string& path, int status = 200) {
    const auto res = client->Get(path.c_str());
    if (!res) return "<no answer>";
    EXPECT_EQ(res->status, status) << path;
    return res->body;
  }
  std::string outbox() const {
    std::string all;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(base + "/var/outbox", error)) {
      std::ifstream in(entry.path());
      std::stringstream text;
      text << in.rdbuf();
      all += text.str();
    }
    return all;
  }
  std::string base, database;
  std::unique_ptr<ServerProcess> server;
  std::unique_ptr<httplib::Client> client;
};

TEST_F(PagesTest, AUsedOrBrokenResetLinkSaysSoAtOnceAndOnce) {
  start();
  ASSERT_TRUE(joinOnTheWeb(server->port(), "anna@example.se", "Anna", "hemligt1"));
  const auto form = client->Get("/getpass.asp");
  std::smatch m;
  const std::string setCookie = form->get_header_value("Set-Cookie");
  ASSERT_TRUE(std::regex_search(setCookie, m, std::regex("kortix_csrf=([0-9a-f]+)")));
  const httplib::Headers cookie = {{"Cookie", "kortix_csrf=" + std::string(m[1])}};
  ASSERT_TRUE(std::regex_search(form->body, m, std::regex("name=\"csrf\" value=\"([0-9a-f]+)\"")));
  const std::string csrf = m[1];
  ASSERT_EQ(client->Post("/getpass.asp", cookie, httplib::Params{{"csrf", csrf}, {"email", "anna@example.se"}})->status,
            200);
  const std::string mail = outbox();
  ASSERT_TRUE(std::regex_search(mail, m, std::regex("/nyttlosen/\\?t=([0-9a-f]{64})")));
  const std::string token = m[1], link = "/nyttlosen/?t=" + token;

  // A fresh link shows the form, and looking at it twice uses nothing up.
  EXPECT_NE(body(link).find("name=\"password2\""), std::string::npos);
  EXPECT_NE(body(link).find("name=\"password2\""), std::string::npos);
  const auto changed = client->Post("/nyttlosen/", cookie,
                                    httplib::Params{{"csrf", csrf}, {"t", token}, {"password", "nytt-losen"},
                                                    {"password2", "nytt-losen"}});
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->status, 200);
  EXPECT_NE(changed->body.find("Lösenordet är bytt"), std::string::npos);

  const std::string said =
      "Länken är ogiltig eller för gammal. <a href=\"/getpass.asp\">Be om en ny länk</a>.";
  auto saysItOnce = [&](const std::string& page, const std::string& what) {
    EXPECT_EQ(occurrences(page, said), 1u) << what;
    EXPECT_EQ(occurrences(page, "Be om en ny"), 1u) << what;
    EXPECT_EQ(page.find("name=\"password\""), std::string::npos) << what << ": no form to fill in for nothing";
  };
  saysItOnce(body(link, 400), "the used link");
  saysItOnce(body("/nyttlosen/?t=" + std::string(64, 'a'), 400), "an unknown link");
  saysItOnce(body("/nyttlosen/?t=kort", 400), "a cut link");
  saysItOnce(body("/nyttlosen/", 400), "no token at all");
  // A form sent with the used link, even with a mistyped second password.
  const auto late = client->Post("/nyttlosen/", cookie,
                                 httplib::Params{{"csrf", csrf}, {"t", token}, {"password", "tredje-lo"},
                                                 {"password2", "annat-lo"}});
  ASSERT_TRUE(late);
  EXPECT_EQ(late->status, 400);
  saysItOnce(late->body, "the used link posted");
  // The new password still holds.
  httplib::Client game("127.0.0.1", server->port());
  EXPECT_EQ(game.Post("/r0002.asp", gameForm("anna@example.se", "nytt-losen", 5), "application/x-www-form-urlencoded")
                ->body,
            "0\r\n");
}

TEST_F(PagesTest, BeforeAnyReleaseNothingLeadsToAnEmptyDownloadPage) {
  start();
  const std::string home = body("/");
  EXPECT_EQ(home.find("Ladda ner spelet"), std::string::npos);
  EXPECT_NE(home.find("Spela i webbläsaren"), std::string::npos);
  const std::string page = body("/ladda-ner/");
  EXPECT_NE(page.find("Ingen version är utlagd ännu."), std::string::npos);
  EXPECT_NE(page.find("<a href=\"/spela/\">spela i webbläsaren</a>"), std::string::npos);
}

TEST_F(PagesTest, TheDownloadPageNamesPlatformsInSwedishWithSizeChecksumAndHowToInstall) {
  const std::string zip = "PK\3\4" + std::string(1500000, 'w');
  const std::string deb = "!<arch>\n" + std::string(820000, 'l');
  const std::string tar = std::string(3000, 't');
  std::ofstream(base + "/filer/VilmarPintkeeper-1.2-windows.zip", std::ios::binary) << zip;
  std::ofstream(base + "/filer/vilmar-pintkeeper_1.2_amd64.deb", std::ios::binary) << deb;
  std::ofstream(base + "/filer/vilmar-web-1.2.tar.gz", std::ios::binary) << tar;
  for (const auto& [file, platform] : std::vector<std::pair<std::string, std::string>>{
           {"vilmar-pintkeeper_1.2_amd64.deb", "linux"},
           {"VilmarPintkeeper-1.2-windows.zip", "windows"},
           {"vilmar-web-1.2.tar.gz", "web"}}) {
    std::string out;
    ASSERT_EQ(runServerCommand({"--var", base + "/var", "--database", database, "add-build", base + "/filer/" + file,
                                "--platform", platform, "--version", "1.2"},
                               &out),
              0)
        << out;
  }
  start();
  EXPECT_NE(body("/").find("<a class=\"button\" href=\"/ladda-ner/\">Ladda ner spelet</a>"), std::string::npos);
  for (const char* path : {"/ladda-ner/", "/version.asp"}) {
    const std::string page = body(path);
    SCOPED_TRACE(path);
    const std::size_t windows = page.find("<h2>Windows</h2>"), linux = page.find("<h2>Linux (Debian, Ubuntu)</h2>");
    ASSERT_NE(windows, std::string::npos);
    ASSERT_NE(linux, std::string::npos);
    EXPECT_LT(windows, linux);
    EXPECT_NE(page.find("Version 1.2 · 1,5 MB"), std::string::npos);
    EXPECT_NE(page.find("Version 1.2 · 820 kB"), std::string::npos);
    EXPECT_NE(page.find("href=\"/filer/VilmarPintkeeper-1.2-windows.zip\""), std::string::npos);
    EXPECT_NE(page.find(sha256Hex(zip)), std::string::npos);
    EXPECT_NE(page.find(sha256Hex(deb)), std::string::npos);
    EXPECT_NE(page.find("<summary>Kontrollsumma (SHA-256)</summary>"), std::string::npos);
    EXPECT_NE(page.find("sudo apt install ./vilmar-pintkeeper_1.2_amd64.deb"), std::string::npos);
    EXPECT_NE(page.find("starta\n  <code>VilmarPintkeeper.exe</code>"), std::string::npos);
    // The browser version's bundle is for those who run a service.
    EXPECT_EQ(page.find("vilmar-web"), std::string::npos);
    EXPECT_EQ(page.find("linux:"), std::string::npos);
  }
  // The file itself is what the page says.
  const auto file = client->Get("/filer/vilmar-pintkeeper_1.2_amd64.deb");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->body, deb);
}

TEST_F(PagesTest, TheListsOfferNoNextDayOrWeekBeforeItHasBegun) {
  start();
  const LocalDate today = stockholmDate(static_cast<std::int64_t>(std::time(nullptr)));
  const LocalDate yesterday = addDays(today, -1), lastWeek = addDays(today, -7);
  EXPECT_EQ(body("/topplista/").find("Nästa »"), std::string::npos);
  EXPECT_EQ(body("/topplista/?dag=" + dayKey(today)).find("Nästa »"), std::string::npos);
  EXPECT_EQ(body("/topplista/?dag=" + dayKey(addDays(today, 30))).find("Nästa »"), std::string::npos);
  EXPECT_NE(body("/topplista/?dag=" + dayKey(yesterday)).find("<a href=\"/topplista/?dag=" + dayKey(today) +
                                                            "\">Nästa »</a>"),
            std::string::npos);
  EXPECT_EQ(body("/topplista/?vecka=" + weekKey(today)).find("Nästa »"), std::string::npos);
  EXPECT_NE(body("/topplista/?vecka=" + weekKey(lastWeek)).find("<a href=\"/topplista/?vecka=" + weekKey(today) +
                                                               "\">Nästa »</a>"),
            std::string::npos);
  // "Föregående" is always there.
  EXPECT_NE(body("/topplista/").find("« Föregående"), std::string::npos);
}

TEST_F(PagesTest, TheWelcomeQuotesTheMenuAndOffersTheForgottenPassword) {
  start();
  httplib::Client c("127.0.0.1", server->port());
  const auto form = c.Get("/registrera/");
  std::smatch cookie, token;
  const std::string setCookie = form->get_header_value("Set-Cookie");
  ASSERT_TRUE(std::regex_search(setCookie, cookie, std::regex("kortix_csrf=([0-9a-f]+)")));
  ASSERT_TRUE(std::regex_search(form->body, token, std::regex("name=\"csrf\" value=\"([0-9a-f]+)\"")));
  auto join = [&](const std::string& nick) {
    return c.Post("/registrera/", {{"Cookie", "kortix_csrf=" + std::string(cookie[1])}},
                  httplib::Params{{"csrf", token[1]}, {"email", "anna@example.se"}, {"nick", nick},
                                  {"password", "hemligt1"}, {"password2", "hemligt1"}, {"rules", "ja"}});
  };
  const auto first = join("Anna");
  ASSERT_TRUE(first);
  EXPECT_NE(first->body.find("”Koppla upp”, ”Registrera high-score”"), std::string::npos);
  EXPECT_EQ(first->body.find("\"Koppla upp\""), std::string::npos);
  // The same address again: the page is the one anyone gets, and it carries
  // the way back in for a member who forgot.
  const auto again = join("Anna igen");
  ASSERT_TRUE(again);
  EXPECT_NE(again->body.find("<a href=\"/getpass.asp\">Har du glömt lösenordet?</a>"), std::string::npos);
}

TEST_F(PagesTest, TheBrowserGameLearnsWhereItsSponsorLinkGoes) {
  start({"--sponsor-url", "https://sponsor.test/vilmar?fran=spel&x=1"});
  const auto res = client->Get("/spela/tjanst.json");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->get_header_value("Content-Type"), "application/json");
  EXPECT_EQ(res->body, "{\"sponsor\": \"https://sponsor.test/vilmar?fran=spel\\u0026x=1\"}\n");
  EXPECT_EQ(client->Post("/spela/tjanst.json", "", "text/plain")->status, 405);
  // Without a setting the game keeps its own link; without a game there is nothing to ask.
  EXPECT_EQ(server->stop(), 0);
  start();
  EXPECT_EQ(body("/spela/tjanst.json"), "{\"sponsor\": null}\n");
  ServerProcess bare(base + "/var", {"--database", database});
  ASSERT_GT(bare.port(), 0);
  httplib::Client c("127.0.0.1", bare.port());
  EXPECT_EQ(c.Get("/spela/tjanst.json")->status, 404);
  EXPECT_EQ(bare.stop(), 0);
  // Only an address a page may send a player to.
  for (const char* bad : {"javascript:alert(1)", "https://", "http:///x", "https://a b.se/", "https://x.se/\"><script>",
                          "ftp://x.se/", "https://x.se/\x01"})
    EXPECT_EQ(runServerCommand({"--sponsor-url", bad, "--help"}), 2) << bad;
  EXPECT_EQ(runServerCommand({"--sponsor-url", "http://vilmar.example/", "--help"}), 0);
}

}  // namespace
}  // namespace kortix::test
