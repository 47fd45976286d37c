// End to end: the simulator built for the loopback address plays to a new
// best score and sends it through its sign-in dialog to the real service,
// where a member registered through the web form; the score shows on "/".

#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "ServerProcess.h"
#include "WebClient.h"
#include "StoreFixture.h"

#ifndef VILMAR_SIM_LOOPBACK
#error "VILMAR_SIM_LOOPBACK must name the loopback simulator"
#endif

namespace kortix::test {
namespace {

// Serves the one customer of level 1, then lets the game run out: game over
// with 122 points shortly after pass 2070.
constexpr const char* SCRIPT = "0 f1 tap\n20 space tap\n";

std::string runSimulator(const std::string& signIn) {
  const std::string scriptPath = ::testing::TempDir() + uniqueName("e2e_script_");
  std::ofstream(scriptPath) << SCRIPT;
  const std::string command = std::string("'") + VILMAR_SIM_LOOPBACK + "' --trace --passes 2100 --input '" +
                              scriptPath + "' --signin '" + signIn + "' 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  const std::size_t at = output.find("\"signin\":");
  return at == std::string::npos ? "<no sign-in>" : output.substr(at, output.find('}', at) - at + 1);
}

class SimEndToEnd : public StoreTest {};

TEST_P(SimEndToEnd, RegisterOnTheWebThenSendFromTheGame) {
  store.reset();
  const std::string var = ::testing::TempDir() + uniqueName("kortix_e2e_");
  std::filesystem::remove_all(var);  // left by an earlier run with this process id
  std::filesystem::create_directories(var);
  const std::string database = GetParam() == "sqlite" ? "sqlite:" + var + "/kortix.db" : freshDatabase(GetParam());
  // The loopback simulator knows one port; another test run may hold it for a while.
  std::unique_ptr<ServerProcess> server;
  const std::string listen = "127.0.0.1:" + std::to_string(VILMAR_TEST_SERVICE_PORT);
  for (int i = 0; i < 60 && (!server || server->port() == 0); ++i) {
    if (server) std::this_thread::sleep_for(std::chrono::seconds(1));
    server = std::make_unique<ServerProcess>(var, std::vector<std::string>{"--database", database}, listen);
  }
  ASSERT_EQ(server->port(), VILMAR_TEST_SERVICE_PORT);

  ASSERT_TRUE(joinOnTheWeb(server->port(), "vilmar@example.se", "Bartendern", "hemligt:1"));
  ASSERT_TRUE(confirmOnTheWeb(server->port(), var, "vilmar@example.se"));
  EXPECT_EQ(runSimulator("vilmar@example.se:hemligt:1"),
            "\"signin\":{\"caption\":\"Registrera din poäng (122)\",\"button\":\"Skickar...\",\"pages\":[],"
            "\"result\":0,\"version\":0}");
  httplib::Client c("127.0.0.1", server->port());
  const auto home = c.Get("/");
  ASSERT_TRUE(home);
  // The simulator sent its game with the score: played again, and marked so.
  EXPECT_NE(home->body.find("<td>1</td><td>Bartendern</td><td>122 <span class=\"verified\" title=\"Verifierad\">✓</span></td>"),
            std::string::npos)
      << home->body;

  // A stranger is sent to the registration page, a wrong password to the reset page.
  const std::string base = "http://127.0.0.1:" + std::to_string(VILMAR_TEST_SERVICE_PORT);
  EXPECT_NE(runSimulator("okand@example.se:hemligt:1").find("\"pages\":[\"" + base + "/registrera/\"],\"result\":2"),
            std::string::npos);
  EXPECT_NE(runSimulator("vilmar@example.se:fel").find("\"pages\":[\"" + base +
                                                       "/getpass.asp?mail=vilmar%40example.se\"],\"result\":3"),
            std::string::npos);
  EXPECT_EQ(server->stop(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, SimEndToEnd, ::testing::Values("sqlite"), storeName);
INSTANTIATE_TEST_SUITE_P(Postgres, SimEndToEnd, ::testing::Values("postgresql"), storeName);

}  // namespace
}  // namespace kortix::test
