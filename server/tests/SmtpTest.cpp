// Mail over SMTP: a real relay (aiosmtpd with a maildir) takes the service's
// mail as composed for the outbox.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "StoreFixture.h"
#include "domain/Mailer.h"

namespace kortix::test {
namespace {

constexpr const char* PYTHON = "/usr/bin/python3";

int freePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  close(s);
  return ntohs(a.sin_port);
}

bool accepting(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(s);
  return ok;
}

TEST(Smtp, TheRelayReceivesTheMailWhole) {
  if (std::system((std::string(PYTHON) + " -c 'import aiosmtpd' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "python3-aiosmtpd is not installed";
  const std::string maildir = ::testing::TempDir() + uniqueName("maildir_");
  const int port = freePort();
  const pid_t relay = fork();
  if (relay == 0) {
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    execl(PYTHON, PYTHON, "-m", "aiosmtpd", "-n", "-l", listen.c_str(), "-c", "aiosmtpd.handlers.Mailbox",
          maildir.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 100 && !accepting(port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));

  auto mailer = smtpMailer("smtp://127.0.0.1:" + std::to_string(port), "kortix@example.se", "", "");
  const bool sent = mailer->send({"anna@example.se", "Nytt lösenord till Kortix",
                                  "Hej Anna!\n.\nEn rad med bara en punkt ska komma fram.\n"});
  auto unreachable = smtpMailer("smtp://127.0.0.1:1", "kortix@example.se", "", "");
  const bool refused = !unreachable->send({"anna@example.se", "x", "y"});
  kill(relay, SIGTERM);
  waitpid(relay, nullptr, 0);

  EXPECT_TRUE(sent);
  EXPECT_TRUE(refused);
  std::string mail;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(maildir + "/new", error)) {
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    mail += text.str();
  }
  EXPECT_NE(mail.find("To: <anna@example.se>"), std::string::npos) << mail;
  EXPECT_NE(mail.find("Subject: =?UTF-8?B?"), std::string::npos);
  EXPECT_NE(mail.find("Hej Anna!\n.\nEn rad med bara en punkt ska komma fram."), std::string::npos) << mail;
}

}  // namespace
}  // namespace kortix::test
