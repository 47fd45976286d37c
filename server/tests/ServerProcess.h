#pragma once
// Runs the real kortix-server on a free loopback port for one test, with its
// own var folder, and stops it with SIGTERM.

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/ChildProcess.h"

#ifndef KORTIX_SERVER
#error "KORTIX_SERVER must name the server program"
#endif

namespace kortix::test {

// Runs the program to its end; answers its exit status and output.
inline int runServerCommand(const std::vector<std::string>& args, std::string* output = nullptr) {
  std::string command = std::string("'") + KORTIX_SERVER + "'";
  for (const auto& a : args) command += " '" + a + "'";
  command += " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ServerProcess {
 public:
  // extra: options beyond --listen, --var and the cheap hash cost.
  ServerProcess(const std::string& varDir, std::vector<std::string> extra, const std::string& listen = "127.0.0.1:0") {
    std::vector<std::string> args = {KORTIX_SERVER, "--listen", listen, "--var", varDir, "--hash-cost", "minimal"};
    args.insert(args.end(), extra.begin(), extra.end());
    process_ = std::make_unique<vilmar::test::ChildProcess>(args, varDir + "/server.log");
    const std::string line = process_->firstLine(std::chrono::seconds(10));
    const std::size_t colon = line.rfind(':');
    if (line.rfind("kortix-server listening on http://", 0) == 0 && colon != std::string::npos)
      port_ = std::atoi(line.c_str() + colon + 1);
  }

  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  int port() const { return port_; }
  pid_t pid() const { return process_->pid(); }

  // SIGTERM (or another signal) and the exit status; -1 when it had to be killed.
  int stop(int signal = SIGTERM) { return process_->stop(signal); }

 private:
  std::unique_ptr<vilmar::test::ChildProcess> process_;
  int port_ = 0;
};

}  // namespace kortix::test
