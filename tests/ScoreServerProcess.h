#pragma once
// Runs the reference high-score server as a child process on a free loopback
// port for one test, and reads back what it recorded.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#ifndef VILMAR_SCORESERVER
#error "VILMAR_SCORESERVER must name the server program"
#endif

namespace vilmar::test {

class ScoreServerProcess {
 public:
  // args: the server's options; "--port 0" (any free port) unless given.
  explicit ScoreServerProcess(std::vector<std::string> args) {
    static int counter = 0;
    recordPath_ = ::testing::TempDir() + "scoreserver-" + std::to_string(getpid()) + "-" +
                  std::to_string(++counter) + ".txt";
    std::remove(recordPath_.c_str());
    bool havePort = false;
    for (const auto& a : args) havePort = havePort || a == "--port";
    if (!havePort) args.insert(args.end(), {"--port", "0"});
    // The simulator in the sanitizer build on a busy machine takes more than
    // fifteen seconds to reach its game over: the server must outlive it.
    args.insert(args.end(), {"--record", recordPath_, "--lifetime", "60"});

    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv;
      std::string program = VILMAR_SCORESERVER;
      argv.push_back(program.data());
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    // The server prints "port N" once it listens.
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 5000) == 1) {
      char buffer[64];
      const ssize_t n = ::read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    int port = 0;
    if (std::sscanf(line.c_str(), "port %d", &port) == 1) port_ = static_cast<std::uint16_t>(port);
  }

  ~ScoreServerProcess() {
    if (pid_ <= 0) return;
    // It ends after its requests; a test that made fewer ends it here.
    for (int i = 0; i < 50; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }

  ScoreServerProcess(const ScoreServerProcess&) = delete;
  ScoreServerProcess& operator=(const ScoreServerProcess&) = delete;

  std::uint16_t port() const { return port_; }

  // Waits for the server to exit (it does after its requests).
  bool finished(std::chrono::milliseconds within = std::chrono::seconds(5)) {
    const auto until = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < until) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = 0;
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // The requests recorded so far, each as key -> value.
  std::vector<std::map<std::string, std::string>> records() const {
    std::vector<std::map<std::string, std::string>> all;
    std::ifstream in(recordPath_);
    std::map<std::string, std::string> current;
    for (std::string line; std::getline(in, line);) {
      if (line.empty()) {
        all.push_back(current);
        current.clear();
        continue;
      }
      const std::size_t eq = line.find('=');
      current[line.substr(0, eq)] = eq == std::string::npos ? "" : line.substr(eq + 1);
    }
    return all;
  }

  const std::string& recordPath() const { return recordPath_; }

 private:
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
  std::string recordPath_;
};

}  // namespace vilmar::test
