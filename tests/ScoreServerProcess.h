#pragma once
// Runs the reference high-score server as a child process on a free loopback
// port for one test, and reads back what it recorded.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"

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

    args.insert(args.begin(), VILMAR_SCORESERVER);
    process_ = std::make_unique<ChildProcess>(args);
    // The server prints "port N" once it listens.
    const std::string line = process_->firstLine(std::chrono::seconds(5));
    int port = 0;
    if (std::sscanf(line.c_str(), "port %d", &port) == 1) port_ = static_cast<std::uint16_t>(port);
  }

  ~ScoreServerProcess() {
    // It ends after its requests; a test that made fewer ends it here.
    if (!process_->exited(std::chrono::milliseconds(500))) process_->stop();
  }

  ScoreServerProcess(const ScoreServerProcess&) = delete;
  ScoreServerProcess& operator=(const ScoreServerProcess&) = delete;

  std::uint16_t port() const { return port_; }

  // Waits for the server to exit (it does after its requests).
  bool finished(std::chrono::milliseconds within = std::chrono::seconds(5)) { return process_->exited(within); }

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
  std::unique_ptr<ChildProcess> process_;
  std::uint16_t port_ = 0;
  std::string recordPath_;
};

}  // namespace vilmar::test
