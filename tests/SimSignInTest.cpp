// The simulator built for a score server on 127.0.0.1 plays a game to a new
// best score, answers the question "Ja", signs in and sends the score to the
// reference server; the trace tells what the sign-in dialog did.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "ScoreServerProcess.h"

namespace vilmar {
namespace {

// Serves the one customer of level 1 and then lets the game run out: game
// over with 122 points shortly after pass 2070.
constexpr const char* SCRIPT = "0 f1 tap\n20 space tap\n";
constexpr int PASSES = 2100;

std::string runSimulator(const std::string& signIn, const std::string& program = VILMAR_SIM_LOOPBACK,
                         const std::string& extra = "") {
  const std::string scriptPath = ::testing::TempDir() + "signin-script.txt";
  std::ofstream(scriptPath) << SCRIPT;
  const std::string command = std::string("'") + program + "' " + extra + " --trace --passes " +
                              std::to_string(PASSES) + " --input '" + scriptPath + "' --signin '" +
                              signIn + "' 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << output.substr(0, 500);
  }
  return output;
}

// The "signin" object of the one pass that has it.
std::string signInTrace(const std::string& output) {
  const std::size_t at = output.find("\"signin\":");
  if (at == std::string::npos) return "<none>";
  EXPECT_EQ(output.find("\"signin\":", at + 1), std::string::npos) << "more than one sign-in";
  return output.substr(at + 9, output.find('}', at) - at - 8);
}

TEST(SimulatorSignIn, SendsTheNewBestScoreToTheServerAndTracesTheOutcome) {
  const std::string port = std::to_string(VILMAR_TEST_SERVICE_PORT);
  {
    test::ScoreServerProcess server(
        {"--port", port, "--user", "vilmar@example.se", "--password", "hemligt:1", "--reply", "0"});
    ASSERT_EQ(std::to_string(server.port()), port);
    const std::string output = runSimulator("vilmar@example.se:hemligt:1");
    EXPECT_EQ(signInTrace(output),
              "{\"caption\":\"Registrera din poäng (122)\",\"button\":\"Skickar...\",\"pages\":[],"
              "\"result\":0,\"version\":0}");
    EXPECT_EQ(output.find("hemligt"), std::string::npos);
    ASSERT_TRUE(server.finished());
    const auto records = server.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].count("error"), 0u) << records[0].at("error");
    EXPECT_EQ(records[0].at("f1"), "vilmar@example.se");
    EXPECT_EQ(records[0].at("f4"), "122");
    EXPECT_EQ(records[0].at("password"), "match");
    EXPECT_EQ(records[0].at("verdict"), "0");
    // The score was taken: the trace's score is back to 0 after that pass.
    EXPECT_NE(output.find("\"score\":0,\"lives\":0"), std::string::npos);
  }
  {
    // A wrong password: the page for a forgotten one, "Försök igen", then
    // "Avbryt"; the score stays for another try.
    test::ScoreServerProcess server({"--port", port, "--password", "annat", "--reply", "0"});
    const std::string output = runSimulator("vilmar+1@example.se:hemligt");
    EXPECT_EQ(signInTrace(output),
              "{\"caption\":\"Registrera din poäng (122)\",\"button\":\"Försök igen\",\"pages\":["
              "\"http://127.0.0.1:" + port + "/getpass.asp?mail=vilmar%2B1%40example.se\"],"
              "\"result\":3,\"version\":0}");
    EXPECT_EQ(output.find("hemligt"), std::string::npos);
    const std::string last = output.substr(output.rfind("{\"pass\""));
    EXPECT_NE(last.find("\"score\":122"), std::string::npos);
  }
}

TEST(SimulatorSignIn, TheServiceOptionSendsToAnotherServiceThanTheBuildsOwn) {
  // The plain simulator is built for the service's real host; --service
  // sends this score to a server on this machine instead, on any port.
  test::ScoreServerProcess server({"--user", "vilmar@example.se", "--password", "hemligt", "--reply", "3"});
  ASSERT_NE(server.port(), 0);
  const std::string service = "http://127.0.0.1:" + std::to_string(server.port());
  const std::string output = runSimulator("vilmar@example.se:annat", VILMAR_SIM, "--service " + service);
  // The page for a forgotten password is opened on that service too.
  EXPECT_EQ(signInTrace(output),
            "{\"caption\":\"Registrera din poäng (122)\",\"button\":\"Försök igen\",\"pages\":["
            "\"" + service + "/getpass.asp?mail=vilmar%40example.se\"],\"result\":3,\"version\":0}");
  const auto records = server.records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("f1"), "vilmar@example.se");
}

}  // namespace
}  // namespace vilmar
