// The native game's transport while a score is on its way: each step's
// result and what it read come back as the inner transport gave them, and
// the window's wait function keeps running while a slow step blocks.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "frontends/sdl/WaitingTransport.h"

namespace vilmar::sdl {
namespace {

class SlowTransport final : public HttpTransport {
 public:
  std::string steps;
  std::thread::id mainThread = std::this_thread::get_id();
  bool ranOffMain = false;

  bool load(std::string&) override { return true; }
  bool openSession(std::string_view) override { return note("s"); }
  bool connect(std::string_view host, std::uint16_t port) override { return note("c" + std::string(host) + std::to_string(port)); }
  bool openRequest(std::string_view, std::string_view object) override { return note("o" + std::string(object)); }
  bool send(std::string_view, std::string_view body) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(120));  // the server thinks
    ranOffMain = std::this_thread::get_id() != mainThread;
    return note("p" + std::string(body));
  }
  bool read(char* buffer, std::size_t limit, std::size_t& bytesRead) override {
    bytesRead = std::min<std::size_t>(limit, 1);
    std::memcpy(buffer, "0", bytesRead);
    return note("r");
  }
  int status() override { return 200; }
  void closeRequest() override { note("x"); }
  void closeConnection() override { note("y"); }
  void closeSession() override { note("z"); }
  std::uint32_t lastError(std::string& text) override {
    text = "none";
    return 7;
  }

 private:
  bool note(const std::string& step) {
    steps += step + ";";
    return step != "cbad80";
  }
};

TEST(WaitingTransport, StepsRunInOrderWhileTheWindowIsKeptDrawn) {
  auto inner = std::make_unique<SlowTransport>();
  SlowTransport& slow = *inner;
  int drawn = 0;
  WaitingTransport t(std::move(inner), [&] { ++drawn; });
  std::string message;
  ASSERT_TRUE(t.load(message));
  EXPECT_TRUE(t.openSession("agent"));
  EXPECT_TRUE(t.connect("127.0.0.1", 8080));
  EXPECT_TRUE(t.openRequest("POST", "/a"));
  EXPECT_TRUE(t.send("h", "body"));
  char buffer[4] = {};
  std::size_t n = 0;
  EXPECT_TRUE(t.read(buffer, 3, n));
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(buffer[0], '0');
  EXPECT_EQ(t.status(), 200);
  t.closeRequest();
  t.closeConnection();
  t.closeSession();
  EXPECT_EQ(slow.steps, "s;c127.0.0.18080;o/a;pbody;r;x;y;z;");
  EXPECT_TRUE(slow.ranOffMain);
  EXPECT_GE(drawn, 3);  // 120 ms of waiting is several drawings, not a frozen window
  EXPECT_FALSE(t.connect("bad", 80));  // a failure comes back as one
  std::string text;
  EXPECT_EQ(t.lastError(text), 7u);
  EXPECT_EQ(text, "none");
}

}  // namespace
}  // namespace vilmar::sdl
