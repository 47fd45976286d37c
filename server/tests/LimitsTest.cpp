// The real server against clients that do not play fair: oversized and
// packed requests, clients that trickle, many connections from one address,
// ranges that multiply an answer, paths that try to leave a folder, forged
// forwarding headers and bytes meant for the operator's terminal. Raw
// sockets on loopback; every loop is bounded.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ServerProcess.h"
#include "StoreFixture.h"
#include "http/Message.h"
#include "http/Server.h"

namespace kortix::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// One connection, from any loopback address (127.0.0.0/8 is all ours).
class Raw {
 public:
  Raw(int port, const std::string& from = "127.0.0.1") {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server);
    pollfd p{fd_, POLLOUT, 0};
    poll(&p, 1, 5000);
  }
  ~Raw() { close(fd_); }
  Raw(const Raw&) = delete;
  Raw& operator=(const Raw&) = delete;

  // Sends all of it unless the server stops taking bytes for 5 s or goes away.
  bool send(std::string_view bytes) {
    while (!bytes.empty()) {
      pollfd p{fd_, POLLOUT, 0};
      if (poll(&p, 1, 5000) != 1) return false;
      const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // Sends what more() gives until an answer begins or limit bytes are out;
  // answers the bytes sent by then.
  std::size_t sendUntilAnswered(const std::function<std::string()>& more, std::size_t limit) {
    std::size_t sent = 0;
    std::string pending;
    while (sent < limit) {
      pollfd p{fd_, POLLIN | POLLOUT, 0};
      if (poll(&p, 1, 5000) != 1 || (p.revents & (POLLIN | POLLHUP | POLLERR))) break;
      if (pending.empty()) pending = more();
      const ssize_t n = ::send(fd_, pending.data(), pending.size(), MSG_NOSIGNAL);
      if (n <= 0) break;
      pending.erase(0, static_cast<std::size_t>(n));
      sent += static_cast<std::size_t>(n);
    }
    return sent;
  }

  // One answer to a keep-alive request: its head and Content-Length bytes.
  std::string readAnswer(std::chrono::milliseconds wait = 10s) {
    std::string text;
    const auto end = Clock::now() + wait;
    while (Clock::now() < end) {
      const std::size_t head = text.find("\r\n\r\n");
      if (head != std::string::npos) {
        const std::size_t at = text.find("Content-Length: ");
        const std::size_t length = at < head ? std::stoul(text.substr(at + 16)) : 0;
        if (text.size() >= head + 4 + length) return text;
      }
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 100) != 1) continue;
      char buffer[16384];
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }

  // Whether the server has closed (or reset) the connection, within wait.
  bool closedWithin(std::chrono::milliseconds wait) {
    const auto end = Clock::now() + wait;
    while (Clock::now() < end) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 50) != 1) continue;
      char buffer[4096];
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) return true;
    }
    return false;
  }

 private:
  int fd_ = -1;
};

int statusOf(const std::string& answer) {
  return answer.rfind("HTTP/1.1 ", 0) == 0 && answer.size() >= 12 ? std::atoi(answer.c_str() + 9) : 0;
}

// Kilobytes of a /proc/PID/status line (VmRSS, VmHWM).
long memoryKb(pid_t pid, const std::string& field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
  return -1;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class LimitsTest : public ::testing::Test {
 protected:
  void start(std::vector<std::string> extra = {}) {
    var = ::testing::TempDir() + uniqueName("kortix_limits_");
    fs::create_directories(var);
    extra.insert(extra.begin(), {"--database", "sqlite:" + var + "/kortix.db"});
    server = std::make_unique<ServerProcess>(var, extra);
    ASSERT_GT(server->port(), 0) << "the server did not start";
    port = server->port();
  }
  void TearDown() override {
    if (server) {
      EXPECT_EQ(server->stop(), 0) << "the server did not end cleanly";
    }
    std::error_code ignored;
    fs::remove_all(var, ignored);
  }
  std::string log() const { return slurp(var + "/server.log"); }

  std::string var;
  int port = 0;
  std::unique_ptr<ServerProcess> server;
};

TEST_F(LimitsTest, OversizedAndPackedRequestsAreRefusedWhileReadAndMemoryStaysBounded) {
  start();
  const long idle = memoryKb(server->pid(), "VmRSS");
  ASSERT_GT(idle, 0);
  constexpr std::size_t HUGE = 256u << 20;
  const std::string block(64 * 1024, 'a');
  const std::string chunk = "10000\r\n" + block + "\r\n";
  struct Kind {
    const char* name;
    std::string head;
    std::function<std::string()> more;
    int status;
  };
  const std::string post = "POST /registrera/ HTTP/1.1\r\nHost: k\r\nContent-Type: application/x-www-form-urlencoded\r\n";
  std::string headers;
  for (int i = 0; i < 150; ++i) headers += "X-F" + std::to_string(i) + ": 1\r\n";
  const std::vector<Kind> kinds = {
      {"chunked form", post + "Transfer-Encoding: chunked\r\n\r\n", [&] { return chunk; }, 413},
      {"chunked score", "POST /r0002.asp HTTP/1.1\r\nHost: k\r\nTransfer-Encoding: chunked\r\n\r\n", [&] { return chunk; }, 413},
      {"no length", post + "\r\n", [&] { return block; }, 411},
      {"declared length", post + "Content-Length: 268435456\r\n\r\n", [&] { return block; }, 413},
      {"packed body", post + "Content-Encoding: br\r\nContent-Length: 809\r\n\r\n" + std::string(809, '\x1b'),
       [&] { return std::string(); }, 415},
      {"gzip transfer", post + "Transfer-Encoding: gzip, chunked\r\n\r\n", [&] { return chunk; }, 501},
      {"request line", "GET /", [&] { return block; }, 414},
      {"header line", "GET / HTTP/1.1\r\nX-Long: ", [&] { return block; }, 431},
      {"many fields", "GET / HTTP/1.1\r\n" + headers + "\r\n", [&] { return std::string(); }, 431},
      {"many small fields", "GET / HTTP/1.1\r\n", [&] { return std::string("X: 1\r\n"); }, 431},
  };
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    Raw raw(port);
    ASSERT_TRUE(raw.send(kind.head));
    const std::size_t sent = raw.sendUntilAnswered(kind.more, HUGE);
    // Refused early: long before the client was done (what the sockets
    // between hold on loopback is a few megabytes).
    EXPECT_LT(sent, 16u << 20);
    EXPECT_EQ(statusOf(raw.readAnswer(5s)), kind.status);
  }
  const long peak = memoryKb(server->pid(), "VmHWM");
  EXPECT_LT(peak - idle, 64 * 1024) << "idle " << idle << " kB, peak " << peak << " kB";
  // And the service still answers.
  httplib::Client client("127.0.0.1", port);
  const auto home = client.Get("/");
  ASSERT_TRUE(home);
  EXPECT_EQ(home->status, 200);
}

TEST_F(LimitsTest, AHeadMustArriveWholeWithinItsTime) {
  start({"--head-timeout", "2"});
  Raw slow(port);
  ASSERT_TRUE(slow.send("GET / HTTP/1.1\r\nHost: k\r\nX-Slow: "));
  // A byte every 100 ms keeps any per-read timeout happy, not the head's.
  const auto begin = Clock::now();
  bool closed = false;
  for (int i = 0; i < 60 && !closed; ++i) {
    slow.send("a");
    closed = slow.closedWithin(100ms);
  }
  EXPECT_TRUE(closed);
  const auto took = Clock::now() - begin;
  EXPECT_GE(took, 1500ms);
  EXPECT_LT(took, 4s);
}

TEST_F(LimitsTest, OneAddressCannotTakeEveryConnection) {
  start({"--max-per-address", "4"});
  std::vector<std::unique_ptr<Raw>> held;
  for (int i = 0; i < 4; ++i) {
    held.push_back(std::make_unique<Raw>(port, "127.0.0.2"));
    ASSERT_TRUE(held.back()->send("GET / HTTP/1.1\r\n"));
  }
  // Beyond the share: told "busy" at once, or let go soon if it says nothing;
  // beyond twice the share not taken at all.
  Raw fifth(port, "127.0.0.2");
  ASSERT_TRUE(fifth.send("GET / HTTP/1.1\r\nHost: k\r\n\r\n"));
  const std::string busy = fifth.readAnswer();
  EXPECT_EQ(statusOf(busy), 503);
  EXPECT_NE(busy.find("Retry-After: 10"), std::string::npos);
  std::vector<std::unique_ptr<Raw>> silent;
  const auto begin = Clock::now();
  for (int i = 0; i < 4; ++i) silent.push_back(std::make_unique<Raw>(port, "127.0.0.2"));
  Raw ninth(port, "127.0.0.2");
  EXPECT_TRUE(ninth.closedWithin(1s));
  EXPECT_TRUE(silent.front()->closedWithin(5s));
  EXPECT_LT(Clock::now() - begin, 4s);
  // Another address is served, and so is the first one's next request.
  Raw other(port, "127.0.0.3");
  ASSERT_TRUE(other.send("GET / HTTP/1.1\r\nHost: k\r\n\r\n"));
  EXPECT_EQ(statusOf(other.readAnswer()), 200);
  ASSERT_TRUE(held[0]->send("Host: k\r\n\r\n"));
  EXPECT_EQ(statusOf(held[0]->readAnswer()), 200);
}

TEST_F(LimitsTest, WhenFullTheSlowestClientMakesRoom) {
  start({"--max-connections", "16", "--max-per-address", "4"});
  std::vector<std::unique_ptr<Raw>> slow;
  for (int i = 0; i < 16; ++i) {
    slow.push_back(std::make_unique<Raw>(port, "127.0.1." + std::to_string(10 + i / 4)));
    ASSERT_TRUE(slow.back()->send("GET / HTTP/1.1\r\nHost: k\r\n"));
    // In order: each is known to the server before the next comes.
    ASSERT_TRUE(slow.back()->send("X-Wait: 1\r\n"));
  }
  Raw page(port);
  ASSERT_TRUE(page.send("GET / HTTP/1.1\r\nHost: k\r\n\r\n"));
  EXPECT_EQ(statusOf(page.readAnswer()), 200);
  EXPECT_TRUE(slow.front()->closedWithin(5s));
  ASSERT_TRUE(slow.back()->send("\r\n"));
  EXPECT_EQ(statusOf(slow.back()->readAnswer()), 200);
}

TEST_F(LimitsTest, PagesAreAnsweredWhileAThousandSlowClientsHang) {
  constexpr int SLOW = 1000;
  rlimit files{};
  getrlimit(RLIMIT_NOFILE, &files);
  if (files.rlim_cur < SLOW + 100) {
    files.rlim_cur = std::min<rlim_t>(files.rlim_max, 4096);
    setrlimit(RLIMIT_NOFILE, &files);
  }
  if (files.rlim_cur < SLOW + 100) GTEST_SKIP() << "needs " << SLOW + 100 << " file descriptors";
  start();
  std::vector<std::unique_ptr<Raw>> slow;
  for (int i = 0; i < SLOW; ++i) {
    // 20 from each of 50 addresses: within the per-address cap.
    slow.push_back(std::make_unique<Raw>(port, "127.0.2." + std::to_string(10 + i / 20)));
    ASSERT_TRUE(slow.back()->send("GET / HTTP/1.1\r\nHost: k\r\nX-Slow: "));
  }
  Raw page(port);
  auto worst = Clock::duration::zero();
  int answered = 0;
  for (int i = 0; i < 100; ++i) {
    // The slow ones keep sending, a byte each now and then.
    for (int k = 0; k < 10; ++k) slow[static_cast<std::size_t>((i * 10 + k) % SLOW)]->send("a");
    const auto begin = Clock::now();
    if (!page.send("GET / HTTP/1.1\r\nHost: k\r\n\r\n") || statusOf(page.readAnswer(5s)) != 200) break;
    ++answered;
    worst = std::max(worst, Clock::now() - begin);
  }
  EXPECT_EQ(answered, 100);
  EXPECT_LT(worst, 2s);
}

TEST_F(LimitsTest, FilesGiveOneRangeAtMostAndPagesNone) {
  start();
  const std::string css = slurp(KORTIX_SOURCE_DIR "/static/style.css");
  ASSERT_GT(css.size(), 100u);
  httplib::Client client("127.0.0.1", port);
  client.set_decompress(false);
  auto get = [&](const std::string& path, const std::string& range, httplib::Headers headers = {}) {
    headers.emplace("Accept-Encoding", "identity");
    headers.emplace("Range", range);
    return client.Get(path.c_str(), headers);
  };
  // Status and body, or -1 when no answer came.
  auto fileRange = [&](const std::string& range, httplib::Headers headers = {}) {
    const auto res = get("/static/style.css", range, headers);
    return res ? std::make_pair(res->status, res->body) : std::make_pair(-1, std::string());
  };
  std::string many = "bytes=0-";
  for (int i = 0; i < 1000; ++i) many += ",0-";
  const auto multiplied = fileRange(many);
  EXPECT_EQ(multiplied.first, 200);
  EXPECT_TRUE(multiplied.second == css) << multiplied.second.size() << " bytes";  // once, whole

  const auto part = get("/static/style.css", "bytes=2-5");
  ASSERT_TRUE(part);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->body, css.substr(2, 4));
  EXPECT_EQ(part->get_header_value("Content-Range"), "bytes 2-5/" + std::to_string(css.size()));
  EXPECT_EQ(fileRange("bytes=-3"), std::make_pair(206, css.substr(css.size() - 3)));
  EXPECT_EQ(fileRange("bytes=99999999-").first, 416);
  // A resumed download of a file that has changed since gets it whole.
  EXPECT_EQ(fileRange("bytes=2-5", {{"If-Range", "\"not-the-tag\""}}).first, 200);

  const auto home = get("/", "bytes=0-9");
  ASSERT_TRUE(home);
  EXPECT_EQ(home->status, 200);
  EXPECT_FALSE(home->has_header("Content-Range"));
  EXPECT_GT(home->body.size(), 10u);
}

TEST_F(LimitsTest, DownloadsServeOnlyTheFolderItsOwnVisibleFiles) {
  const std::string base = ::testing::TempDir() + uniqueName("kortix_filer_");
  const std::string dir = base + "/filer";
  fs::create_directories(dir + "/sub");
  std::ofstream(base + "/secret.txt") << "kortix-secret";
  std::ofstream(dir + "/.env") << "kortix-secret";
  std::ofstream(dir + "/vilmar.zip", std::ios::binary) << std::string("PK\3\4 the build", 15);
  fs::create_symlink(base + "/secret.txt", dir + "/link.txt");
  fs::create_directory_symlink(base, dir + "/up");
  fs::create_symlink(dir + "/vilmar.zip", dir + "/sub/same.zip");  // inside: fine
  start({"--downloads", dir});
  httplib::Client client("127.0.0.1", port);
  const auto build = client.Get("/filer/vilmar.zip");
  ASSERT_TRUE(build);
  EXPECT_EQ(build->status, 200);
  EXPECT_EQ(build->body, std::string("PK\3\4 the build", 15));
  EXPECT_EQ(build->get_header_value("Content-Type"), "application/zip");
  const auto inside = client.Get("/filer/sub/same.zip");
  EXPECT_TRUE(inside && inside->status == 200);
  for (const char* path : {"/filer/.env", "/filer/%2eenv", "/filer/%2Eenv", "/filer/link.txt", "/filer/up/secret.txt",
                           "/filer/%2e%2e/secret.txt", "/filer/..%2fsecret.txt", "/filer/sub/..%2F..%2Fsecret.txt",
                           "/filer/", "/filer/sub/"}) {
    SCOPED_TRACE(path);
    const auto res = client.Get(path);
    ASSERT_TRUE(res);
    EXPECT_NE(res->status, 200);
    EXPECT_EQ(res->body.find("kortix-secret"), std::string::npos);
  }
  std::error_code ignored;
  fs::remove_all(base, ignored);
}

TEST_F(LimitsTest, OnlyANamedProxyIsBelievedAboutTheClient) {
  start({"--trust-proxy", "127.0.0.2"});
  auto ask = [&](const std::string& from, const std::string& path, const std::string& forwarded) {
    Raw raw(port, from);
    raw.send("GET " + path + " HTTP/1.1\r\nHost: k\r\nX-Forwarded-For: " + forwarded + "\r\nConnection: close\r\n\r\n");
    return statusOf(raw.readAnswer());
  };
  EXPECT_EQ(ask("127.0.0.1", "/direct", "10.1.2.3"), 404);
  EXPECT_EQ(ask("127.0.0.2", "/proxied", "10.1.2.3"), 404);
  EXPECT_EQ(ask("127.0.0.2", "/chained", "10.7.7.7, 10.4.5.6, 127.0.0.2"), 404);
  EXPECT_EQ(ask("127.0.0.2", "/garbage", "not an address"), 404);
  const std::string text = log();
  EXPECT_NE(text.find("127.0.0.1 GET /direct 404"), std::string::npos) << text;
  EXPECT_NE(text.find("10.1.2.3 GET /proxied 404"), std::string::npos) << text;
  EXPECT_NE(text.find("10.4.5.6 GET /chained 404"), std::string::npos) << text;
  EXPECT_NE(text.find("127.0.0.2 GET /garbage 404"), std::string::npos) << text;
}

TEST_F(LimitsTest, TheLogShowsControlBytesEscaped) {
  start();
  Raw raw(port);
  raw.send("GET /a%0a127.0.0.1%20GET%20/forged%20200%1b[31m%e2%80%aeb HTTP/1.1\r\nHost: k\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(statusOf(raw.readAnswer()), 404);
  const std::string text = log();
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  EXPECT_EQ(text.find("\n127.0.0.1 GET /forged"), std::string::npos) << text;
  EXPECT_NE(text.find("GET /a\\x0a127.0.0.1 GET /forged 200\\x1b[31m\\u{202e}b 404"), std::string::npos) << text;
}

TEST_F(LimitsTest, AStopFinishesTheRequestsInFlightAndClosesTheIdle) {
  start();
  Raw idle(port);
  ASSERT_TRUE(idle.send("GET / HTTP/1.1\r\nHost: k\r\n\r\n"));
  ASSERT_EQ(statusOf(idle.readAnswer()), 200);
  const std::string body = "f1=XYZ&f2=6";
  Raw sending(port);
  // The interim answer shows the head is in and the body awaited.
  ASSERT_TRUE(sending.send("POST /r0002.asp HTTP/1.1\r\nHost: k\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                           "Expect: 100-continue\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n"));
  ASSERT_EQ(statusOf(sending.readAnswer()), 100);
  ASSERT_TRUE(sending.send(body.substr(0, 4)));
  kill(server->pid(), SIGTERM);
  EXPECT_TRUE(idle.closedWithin(5s));  // the stop has begun
  ASSERT_TRUE(sending.send(body.substr(4)));
  const std::string answer = sending.readAnswer();
  EXPECT_EQ(statusOf(answer), 200);
  EXPECT_NE(answer.find("Connection: close"), std::string::npos);
  EXPECT_EQ(server->stop(), 0);
}

TEST(ConnectionShare, AnIPv6HostIsCountedByItsSlash64) {
  EXPECT_EQ(connectionShare("192.0.2.7"), "192.0.2.7");
  EXPECT_EQ(connectionShare("2001:db8:1:2:aaaa::1"), "2001:db8:1:2::/64");
  EXPECT_EQ(connectionShare("2001:db8:1:2:ffff:1:2:3"), "2001:db8:1:2::/64");
  EXPECT_NE(connectionShare("2001:db8:1:3::1"), connectionShare("2001:db8:1:2::1"));
}

TEST(LogText, EscapesWhatATerminalWouldActOn) {
  EXPECT_EQ(escapeForLog("plain /väg"), "plain /väg");
  EXPECT_EQ(escapeForLog("a\nb\rc\td\\"), "a\\x0ab\\x0dc\\x09d\\\\");
  EXPECT_EQ(escapeForLog("\x1b[2J\x7f"), "\\x1b[2J\\x7f");
  EXPECT_EQ(escapeForLog("\xc2\x9b" "1m"), "\\u{009b}1m");           // C1 CSI
  EXPECT_EQ(escapeForLog("x\xe2\x81\xa6y"), "x\\u{2066}y");          // bidi isolate
  EXPECT_EQ(escapeForLog("\xff\xc3"), "\\xff\\xc3");                 // not UTF-8
  EXPECT_EQ(escapeForLog("\xe0\x80\xaf"), "\\xe0\\x80\\xaf");        // overlong
  EXPECT_EQ(escapeForLog(std::string("\0", 1)), "\\x00");
}

}  // namespace
}  // namespace kortix::test
