// The browser game's folder as the real server hands it out: addresses,
// content types, revalidation, gzip sent once, and nothing outside the folder.

#include <gtest/gtest.h>
#include <httplib.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>

#include "ServerProcess.h"
#include "StoreFixture.h"
#include "http/SiteFiles.h"

namespace kortix::test {
namespace {

namespace fs = std::filesystem;

std::string gunzip(const std::string& packed) {
  z_stream z{};
  if (inflateInit2(&z, 15 + 16) != Z_OK) return "<inflateInit2 failed>";
  std::string out(packed.size() * 1100 + 1024, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&z, Z_FINISH);
  const bool whole = result == Z_STREAM_END && z.avail_in == 0;
  out.resize(z.total_out);
  inflateEnd(&z);
  return whole ? out : "<not one gzip stream>";
}

void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(SiteRules, AcceptEncodingIsReadWithItsWeights) {
  EXPECT_TRUE(site::acceptsGzip("gzip, deflate, br"));
  EXPECT_TRUE(site::acceptsGzip("br;q=1.0, GZIP;q=0.5"));
  EXPECT_TRUE(site::acceptsGzip("*"));
  EXPECT_FALSE(site::acceptsGzip(""));
  EXPECT_FALSE(site::acceptsGzip("identity"));
  EXPECT_FALSE(site::acceptsGzip("gzip;q=0, br"));
  EXPECT_FALSE(site::acceptsGzip("gzip;q=0.000"));
  EXPECT_FALSE(site::acceptsGzip("*, gzip;q=0"));
  EXPECT_FALSE(site::acceptsGzip("xgzip, gzipped"));
}

TEST(SiteRules, RevalidationMatchesWholeTagsOnly) {
  EXPECT_TRUE(site::etagMatches("\"abc\"", "\"abc\""));
  EXPECT_TRUE(site::etagMatches("\"x\", W/\"abc\"", "\"abc\""));
  EXPECT_TRUE(site::etagMatches("*", "\"abc\""));
  EXPECT_FALSE(site::etagMatches("", "\"abc\""));
  EXPECT_FALSE(site::etagMatches("\"abc-gz\"", "\"abc\""));
  EXPECT_FALSE(site::etagMatches("\"ab\"", "\"abc\""));
}

TEST(SiteRules, PathsStayInsideTheFolder) {
  EXPECT_EQ(site::safeRelative("index.html"), "index.html");
  EXPECT_EQ(site::safeRelative("bilder/vilmar.png"), "bilder/vilmar.png");
  EXPECT_EQ(site::safeRelative("bilder/"), "bilder/");
  for (const char* bad : {"..", "../x", "a/../../x", "./x", ".git/config", "a//b", "/etc/passwd", "a\\..\\b", "c:x"})
    EXPECT_EQ(site::safeRelative(bad), "") << bad;
  EXPECT_EQ(site::safeRelative(std::string_view("a\0b", 3)), "");
}

TEST(SiteRules, TypesTheBrowserNeeds) {
  EXPECT_EQ(site::contentType("vilmar.wasm"), "application/wasm");
  EXPECT_EQ(site::contentType("index.html"), "text/html; charset=utf-8");
  EXPECT_EQ(site::contentType("a/page.js"), "text/javascript; charset=utf-8");
  EXPECT_EQ(site::contentType("a.b/README"), "application/octet-stream");
  EXPECT_TRUE(site::compressible("application/wasm"));
  EXPECT_TRUE(site::compressible("text/javascript; charset=utf-8"));
  EXPECT_FALSE(site::compressible("image/png"));
  const std::string text(10000, 'v');
  EXPECT_EQ(gunzip(site::gzip(text)), text);
  EXPECT_EQ(gunzip(site::gzip("")), "");
}

class SiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base = ::testing::TempDir() + uniqueName("kortix_site_");
    site = base + "/site";
    fs::create_directories(site + "/bilder");
    fs::create_directories(base + "/var");
    page = "<!DOCTYPE html><title>Vilmar</title>" + std::string(3000, ' ') + "<canvas></canvas>\n";
    wasm = std::string("\0asm\1\0\0\0", 8) + std::string(20000, '\0');
    write(site + "/index.html", page);
    write(site + "/page.js", "'use strict';\n" + std::string(2000, ';'));
    write(site + "/vilmar.wasm", wasm);
    write(site + "/bilder/index.html", "<p>bilder</p>");
    write(site + "/.hemlig", "dold");
    write(base + "/utanfor.txt", "utanför mappen");
    fs::create_symlink(base + "/utanfor.txt", site + "/lank.txt");
    server = std::make_unique<ServerProcess>(
        base + "/var", std::vector<std::string>{"--database", "sqlite:" + base + "/var/k.db", "--site", site});
    ASSERT_GT(server->port(), 0) << "the server did not start";
    client = std::make_unique<httplib::Client>("127.0.0.1", server->port());
    client->set_decompress(false);
  }
  void TearDown() override {
    client.reset();
    if (server) {
      EXPECT_EQ(server->stop(), 0);
    }
    std::error_code ignored;
    fs::remove_all(base, ignored);
  }
  httplib::Result get(const std::string& path, httplib::Headers headers = {}) {
    if (!headers.count("Accept-Encoding")) headers.emplace("Accept-Encoding", "identity");
    return client->Get(path.c_str(), headers);
  }
  std::string base, site, page, wasm;
  std::unique_ptr<ServerProcess> server;
  std::unique_ptr<httplib::Client> client;
};

TEST_F(SiteTest, TheGamePageIsSentGzippedOnceRevalidatedAndAllowedToRunWebAssembly) {
  const auto bare = get("/spela");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->status, 301);
  EXPECT_EQ(bare->get_header_value("Location"), "/spela/");

  // Browsers offer br as well: the library must not compress our gzip again.
  const auto packed = get("/spela/", {{"Accept-Encoding", "gzip, deflate, br"}});
  ASSERT_TRUE(packed);
  EXPECT_EQ(packed->status, 200);
  EXPECT_EQ(packed->get_header_value_count("Content-Encoding"), 1u);
  EXPECT_EQ(packed->get_header_value("Content-Encoding"), "gzip");
  EXPECT_EQ(gunzip(packed->body), page);
  EXPECT_LT(packed->body.size(), page.size() / 4);
  EXPECT_EQ(packed->get_header_value("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(packed->get_header_value("Cache-Control"), "no-cache");
  EXPECT_EQ(packed->get_header_value("Vary"), "Accept-Encoding");
  // One policy, the page's: two would both apply and stop the program.
  EXPECT_EQ(packed->get_header_value_count("Content-Security-Policy"), 1u);
  EXPECT_NE(packed->get_header_value("Content-Security-Policy").find("script-src 'self' 'wasm-unsafe-eval'"),
            std::string::npos);
  EXPECT_EQ(packed->get_header_value("X-Content-Type-Options"), "nosniff");

  const auto plain = get("/spela/index.html");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->body, page);
  EXPECT_FALSE(plain->has_header("Content-Encoding"));
  const std::string tag = plain->get_header_value("ETag");
  ASSERT_FALSE(tag.empty());
  EXPECT_NE(tag, packed->get_header_value("ETag")) << "the gzipped bytes are another representation";

  const auto again = get("/spela/index.html", {{"If-None-Match", tag}});
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 304);
  EXPECT_TRUE(again->body.empty());
  const auto againPacked = get("/spela/", {{"Accept-Encoding", "gzip"}, {"If-None-Match", packed->get_header_value("ETag")}});
  ASSERT_TRUE(againPacked);
  EXPECT_EQ(againPacked->status, 304);

  const auto program = get("/spela/vilmar.wasm", {{"Accept-Encoding", "gzip"}});
  ASSERT_TRUE(program);
  EXPECT_EQ(program->get_header_value("Content-Type"), "application/wasm");
  EXPECT_EQ(gunzip(program->body), wasm);
  EXPECT_EQ(get("/spela/page.js")->get_header_value("Content-Type"), "text/javascript; charset=utf-8");

  const auto head = client->Head("/spela/vilmar.wasm", {{"Accept-Encoding", "identity"}});
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 200);
  EXPECT_EQ(head->get_header_value("Content-Length"), std::to_string(wasm.size()));
  EXPECT_TRUE(head->body.empty());
}

TEST_F(SiteTest, ANewReleaseIsSeenAtOnce) {
  const auto before = get("/spela/", {{"Accept-Encoding", "gzip"}});
  ASSERT_TRUE(before);
  const std::string newPage = "<!DOCTYPE html><title>Vilmar 1.1</title>\n";
  write(site + "/index.html", newPage);
  const auto after = get("/spela/", {{"Accept-Encoding", "gzip"}, {"If-None-Match", before->get_header_value("ETag")}});
  ASSERT_TRUE(after);
  EXPECT_EQ(after->status, 200);
  EXPECT_NE(after->get_header_value("ETag"), before->get_header_value("ETag"));
  const std::string body = after->has_header("Content-Encoding") ? gunzip(after->body) : after->body;
  EXPECT_EQ(body, newPage);
}

TEST_F(SiteTest, NothingOutsideTheFolderNorHiddenIsServed) {
  for (const char* path : {"/spela/../utanfor.txt", "/spela/%2e%2e/utanfor.txt", "/spela/lank.txt", "/spela/.hemlig",
                           "/spela/saknas.js", "/spela//index.html", "/spela/index.html/"}) {
    const auto r = get(path);
    ASSERT_TRUE(r) << path;
    EXPECT_EQ(r->status, 404) << path;
    EXPECT_EQ(r->body.find("utanför"), std::string::npos) << path;
  }
  const auto folder = get("/spela/bilder");
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->status, 301);
  EXPECT_EQ(folder->get_header_value("Location"), "/spela/bilder/");
  EXPECT_EQ(get("/spela/bilder/")->body, "<p>bilder</p>");
}

TEST_F(SiteTest, TheFrontPageLinksToTheGameOnlyWhenItIsServed) {
  const auto home = get("/");
  ASSERT_TRUE(home);
  EXPECT_NE(home->body.find("<a class=\"button\" href=\"/spela/\">Spela i webbläsaren</a>"), std::string::npos);

  ServerProcess bare(base + "/var", {"--database", "sqlite:" + base + "/var/k.db"});
  ASSERT_GT(bare.port(), 0);
  httplib::Client c("127.0.0.1", bare.port());
  const auto without = c.Get("/");
  ASSERT_TRUE(without);
  EXPECT_EQ(without->body.find("href=\"/spela/\""), std::string::npos);
  EXPECT_EQ(c.Get("/spela/")->status, 404);
  EXPECT_EQ(bare.stop(), 0);
}

}  // namespace
}  // namespace kortix::test
