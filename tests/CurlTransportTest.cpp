// Scores sent over libcurl to the reference server on the loopback address:
// every kind of answer the server can give, and a machine without libcurl.

#include <gtest/gtest.h>

#include "FakeNet.h"
#include "ScoreServerProcess.h"
#include "net/ScoreSender.h"
#include "frontends/posix/CurlTransport.h"

namespace vilmar {
namespace {

using namespace std::chrono_literals;

class CurlSubmission : public ::testing::Test {
 protected:
  test::FakeNetPlatform platform;
  CurlTransport curl{"libcurl.so.4", 3s};
  ScoreSubmission record;

  void SetUp() override {
    platform.httpOverride = &curl;
    platform.programFile = std::string(70000, 'p');
    record.email.assign("vilmar@example.se");
    record.password.assign("hemligt");
    record.sentScore = 1200;
    record.playTime = 61000;
  }

  int submitTo(const test::ScoreServerProcess& server) {
    return submitScore(record, platform, {"127.0.0.1", server.port()});
  }
};

TEST_F(CurlSubmission, ServerVerdictsReachTheRecordWithTheFormIntact) {
  for (const char* verdict : {"0", "1", "2", "3", "4"}) {
    test::ScoreServerProcess server({"--reply", verdict});
    ASSERT_NE(server.port(), 0);
    const int returned = submitTo(server);
    EXPECT_EQ(record.resultCode, std::atoi(verdict)) << record.message.str();
    EXPECT_EQ(returned, verdict == std::string("0") ? 0 : -2);
    EXPECT_EQ(record.versionCode, 0);
    ASSERT_TRUE(server.finished());
    const auto records = server.records();
    ASSERT_EQ(records.size(), 1u);
    const auto& form = records[0];
    EXPECT_EQ(form.count("error"), 0u) << form.at("error");
    EXPECT_EQ(form.at("f1"), "vilmar@example.se");
    EXPECT_EQ(form.at("f2"), "6");
    EXPECT_EQ(form.at("f4"), "1200");
    EXPECT_EQ(form.at("f5"), "61000");
    EXPECT_EQ(form.at("f7"), "CPU INTEL PENTIUM");
    EXPECT_EQ(form.at("f9"), "70000");
    EXPECT_EQ(form.at("fb"), "71200");
  }
}

TEST_F(CurlSubmission, ServerChecksUserAndPassword) {
  {
    test::ScoreServerProcess server({"--user", "vilmar@example.se", "--password", "hemligt"});
    EXPECT_EQ(submitTo(server), 0);
    ASSERT_TRUE(server.finished());
    EXPECT_EQ(server.records().at(0).at("password"), "match");
  }
  {
    test::ScoreServerProcess server({"--user", "vilmar@example.se", "--password", "annat"});
    submitTo(server);
    EXPECT_EQ(record.resultCode, 3);
  }
  {
    test::ScoreServerProcess server({"--user", "annan@example.se"});
    submitTo(server);
    EXPECT_EQ(record.resultCode, 2);
  }
}

TEST_F(CurlSubmission, VersionLine) {
  test::ScoreServerProcess server({"--reply", "version"});
  EXPECT_EQ(submitTo(server), 0);
  EXPECT_EQ(record.resultCode, 0);
  EXPECT_EQ(record.versionCode, 2);
}

TEST_F(CurlSubmission, WebPageOrErrorStatusIsNoVerdict) {
  for (const char* mode : {"page", "status"}) {
    test::ScoreServerProcess server({"--reply", mode});
    EXPECT_EQ(submitTo(server), -2) << mode;
    EXPECT_EQ(record.resultCode, RESULT_BAD_REPLY) << mode;
    EXPECT_EQ(record.versionCode, 1) << mode;
  }
}

TEST_F(CurlSubmission, OversizedReplyIsReadOnlyToTheBufferAndCut) {
  test::ScoreServerProcess server({"--reply", "big"});
  EXPECT_EQ(submitTo(server), 0);
  EXPECT_EQ(record.resultCode, 0);
  EXPECT_EQ(record.message.size(), 255u);
}

TEST_F(CurlSubmission, DroppedConnectionAndRefusedConnectionAreTransferErrors) {
  {
    test::ScoreServerProcess server({"--reply", "drop"});
    EXPECT_EQ(submitTo(server), -2);
    EXPECT_EQ(record.resultCode, static_cast<std::int32_t>(CURL_ERROR_BASE + 52));
    EXPECT_FALSE(record.message.empty());
  }
  std::uint16_t freedPort = 0;
  {
    test::ScoreServerProcess server({"--requests", "0"});
    freedPort = server.port();
    ASSERT_TRUE(server.finished());
  }
  EXPECT_EQ(submitScore(record, platform, {"127.0.0.1", freedPort}), -2);
  EXPECT_EQ(record.resultCode, static_cast<std::int32_t>(CURL_ERROR_BASE + 7));
}

TEST_F(CurlSubmission, SlowAnswerWithinTheTimeoutArrivesAndBeyondItFails) {
  {
    test::ScoreServerProcess server({"--reply", "1", "--delay-ms", "400"});
    submitTo(server);
    EXPECT_EQ(record.resultCode, 1);
  }
  CurlTransport impatient{"libcurl.so.4", 300ms};
  platform.httpOverride = &impatient;
  test::ScoreServerProcess server({"--reply", "0", "--delay-ms", "2000"});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(submitTo(server), -2);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
  EXPECT_EQ(record.resultCode, static_cast<std::int32_t>(CURL_ERROR_BASE + 28));
}

TEST_F(CurlSubmission, MissingLibraryFailsWithMinusOneEveryTime) {
  CurlTransport missing{"libvilmar-saknas.so.4"};
  platform.httpOverride = &missing;
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(submitScore(record, platform, {"127.0.0.1", 9}), -1);
    EXPECT_EQ(record.resultCode, RESULT_NO_LIBRARY);
    EXPECT_EQ(record.message, "Kunde inte hitta libvilmar-saknas.so.4");
  }
}

TEST(CurlTransportSteps, StepsOutOfOrderFailWithoutTouchingTheNetwork) {
  CurlTransport curl;
  std::string message, text;
  char buffer[8];
  std::size_t got = 99;
  EXPECT_FALSE(curl.openSession("RureRora"));  // before load
  ASSERT_TRUE(curl.load(message)) << message;
  EXPECT_FALSE(curl.connect("127.0.0.1", 80));  // no session
  ASSERT_TRUE(curl.openSession("RureRora"));
  EXPECT_FALSE(curl.connect("evil.example/x?y", 80));
  EXPECT_FALSE(curl.send("Content-Type: a", "b"));  // no request
  EXPECT_FALSE(curl.read(buffer, sizeof buffer, got));
  EXPECT_EQ(got, 0u);
  EXPECT_GT(curl.lastError(text), CURL_ERROR_BASE);
  EXPECT_FALSE(text.empty());
}

}  // namespace
}  // namespace vilmar
