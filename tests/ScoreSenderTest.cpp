// One submission over a scripted transport: the steps taken, what each
// failure leaves in the record, and what submitScore returns.

#include <gtest/gtest.h>

#include "FakeNet.h"
#include "net/FormEncoding.h"
#include "net/ScoreSender.h"

namespace vilmar {
namespace {

using Steps = std::vector<std::string>;

class ScoreSenderTest : public ::testing::Test {
 protected:
  test::FakeNetPlatform platform;
  test::FakeTransport& http = platform.transport;
  ScoreSubmission record;
  const ServiceEndpoint address{"kortix.test", 8080};

  void SetUp() override {
    record.email.assign("vilmar@example.se");
    record.password.assign("hemligt");
    record.sentScore = 1200;
  }

  int submit() { return submitScore(record, platform, address); }

  std::string field(const std::string& key) {
    const std::string& body = http.body;
    const std::size_t at = body.find(key + "=");
    if (at == std::string::npos) return "<missing>";
    const std::size_t start = at + key.size() + 1;
    const std::size_t end = body.find('&', start);
    return decodeField(body.substr(start, end - start)).value_or("<bad>");
  }
};

TEST_F(ScoreSenderTest, AcceptedScoreTakesEveryStepInOrder) {
  EXPECT_EQ(submit(), 0);
  EXPECT_EQ(http.steps, (Steps{"load", "openSession", "connect", "openRequest", "send", "read",
                               "closeRequest", "closeConnection", "closeSession"}));
  EXPECT_EQ(http.agent, "RureRora");
  EXPECT_EQ(http.host, "kortix.test");
  EXPECT_EQ(http.port, 8080);
  EXPECT_EQ(http.verb, "POST");
  EXPECT_EQ(http.object, "/r0002.asp");
  EXPECT_EQ(http.header, "Content-Type: application/x-www-form-urlencoded");
  EXPECT_EQ(http.header.size(), 47u);
  EXPECT_EQ(http.readLimit, 16383u);
  EXPECT_EQ(record.resultCode, 0);
  EXPECT_EQ(field("f7"), "CPU INTEL PENTIUM");
}

TEST_F(ScoreSenderTest, TamperedScoreTravelsNegated) {
  record.tampered = true;
  platform.programFile = std::string(5000, 'x');
  submit();
  EXPECT_EQ(field("f4"), "-1200");
  EXPECT_EQ(field("fa"), "-1200vilmar@example.se");
  EXPECT_EQ(field("fb"), "3800");
  EXPECT_EQ(record.sentScore, -1200);
}

TEST_F(ScoreSenderTest, MissingProgramFileAndUnknownProcessor) {
  platform.programFileReadable = false;
  platform.processor = 8664;
  submit();
  EXPECT_EQ(field("f7"), "CPU UNKNOWN");
  EXPECT_EQ(field("f8"), "0");
  EXPECT_EQ(field("f9"), "0");
  EXPECT_EQ(field("fb"), "1200");
}

TEST_F(ScoreSenderTest, MissingLibraryOpensNothingAndClosesNothing) {
  http.loadOk = false;
  EXPECT_EQ(submit(), -1);
  EXPECT_EQ(http.steps, Steps{"load"});
  EXPECT_EQ(record.resultCode, RESULT_NO_LIBRARY);
  EXPECT_EQ(record.message, "Kunde inte hitta libfake.so");
}

TEST_F(ScoreSenderTest, SessionOrConnectionFailureRecordsTheLibraryError) {
  http.sessionOk = false;
  EXPECT_EQ(submit(), -1);
  EXPECT_EQ(record.resultCode, 12029);
  EXPECT_EQ(record.message, "connection refused");
  EXPECT_EQ(http.steps, (Steps{"load", "openSession"}));

  http = test::FakeTransport{};
  http.connectOk = false;
  EXPECT_EQ(submit(), -1);
  EXPECT_EQ(record.resultCode, 12029);
  EXPECT_EQ(http.steps, (Steps{"load", "openSession", "connect", "closeSession"}));
}

TEST_F(ScoreSenderTest, FailedRequestStepsGoOnAndAReadReplyWins) {
  http.requestOk = false;
  http.sendOk = false;
  http.reply = "1";
  EXPECT_EQ(submit(), -2);
  EXPECT_EQ(record.resultCode, 1);
  EXPECT_EQ(http.steps.back(), "closeSession");

  http = test::FakeTransport{};
  http.sendOk = false;
  http.readOk = false;
  http.errorNumber = 12002;
  http.errorText = std::string(300, 't');
  EXPECT_EQ(submit(), -2);
  EXPECT_EQ(record.resultCode, 12002);
  EXPECT_EQ(record.message.size(), 127u);
}

TEST_F(ScoreSenderTest, FailedStepWithoutAnErrorNumberIsNeverAnAcceptance) {
  http.readOk = false;
  for (std::uint32_t number : {0u, 1u, 2u, 3u, 4u, 0xFFFFFFFFu}) {
    http.errorNumber = number;
    EXPECT_EQ(submit(), -2) << number;
    EXPECT_EQ(record.resultCode, RESULT_TRANSFER_FAILED) << number;
  }
}

TEST_F(ScoreSenderTest, VersionCodeSurvivesAnAttemptWithoutReply) {
  http.reply = "0\r\n2";
  submit();
  EXPECT_EQ(record.versionCode, 2);
  http.readOk = false;
  submit();
  EXPECT_EQ(record.versionCode, 2);
  EXPECT_EQ(record.resultCode, 12029);
}

TEST_F(ScoreSenderTest, WebPageInsteadOfANumberIsAFailure) {
  http.reply = "<html><head><title>Inloggning</title></head></html>";
  EXPECT_EQ(submit(), -2);
  EXPECT_EQ(record.resultCode, RESULT_BAD_REPLY);
  http.reply = "0";
  http.replyStatus = 404;
  EXPECT_EQ(submit(), -2);
  EXPECT_EQ(record.resultCode, RESULT_BAD_REPLY);
}

TEST(ServiceEndpointTest, UrlsAndPercentEncoding) {
  EXPECT_EQ(serviceUrl({"kortix.example", 80}, "/dll/"), "http://kortix.example/dll/");
  EXPECT_EQ(serviceUrl({"127.0.0.1", 8080}, "/"), "http://127.0.0.1:8080/");
  // Pages moved to another origin (a browser version served over https).
  EXPECT_EQ(serviceUrl({"kortix.example", 80, "https://spel.test:8443"}, "/getpass.asp?mail=a%40b.se"),
            "https://spel.test:8443/getpass.asp?mail=a%40b.se");
  EXPECT_EQ(percentEncode("a+b&c#d e@f.se"), "a%2Bb%26c%23d%20e%40f.se");
  EXPECT_EQ(percentEncode("\xE5\xE4-_.~Z9"), "%E5%E4-_.~Z9");
}

TEST(ServiceEndpointTest, ServiceAddressesFromTheCommandLine) {
  auto parsed = [](std::string_view text) {
    const auto e = parseServiceAddress(text);
    return e ? e->host + " " + std::to_string(e->port) : std::string("none");
  };
  EXPECT_EQ(parsed("http://127.0.0.1:8080"), "127.0.0.1 8080");
  EXPECT_EQ(parsed("http://127.0.0.1:8080/"), "127.0.0.1 8080");
  EXPECT_EQ(parsed("http://kortix.example"), "kortix.example 80");
  EXPECT_EQ(parsed("http://localhost:65535"), "localhost 65535");
  // The form carries a password: nothing but a plain host and port is
  // taken, so no address can smuggle a user, a path or a second host in.
  for (const char* bad : {"", "http://", "http://:80", "127.0.0.1:8080", "https://kortix.example",
                          "http://a:0", "http://a:65536", "http://a:99999999999", "http://a:8o", "http://a:",
                          "http://user@host:80", "http://host/path", "http://host:80/x", "http://ho st",
                          "http://[::1]:80", "http://.host", "http://-host", "HTTP://host"}) {
    EXPECT_EQ(parsed(bad), "none") << bad;
  }
  EXPECT_EQ(parsed("http://" + std::string(254, 'a')), "none");
  // What it reads is what serviceUrl writes back.
  EXPECT_EQ(serviceUrl(*parseServiceAddress("http://127.0.0.1:8080"), "/registrera/"),
            "http://127.0.0.1:8080/registrera/");
}

}  // namespace
}  // namespace vilmar
