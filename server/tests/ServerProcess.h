#pragma once
// Runs the real kortix-server on a free loopback port for one test, with its
// own var folder, and stops it with SIGTERM.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

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
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      const int log = open((varDir + "/server.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (log >= 0) dup2(log, STDERR_FILENO);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) == 1) {
      char buffer[256];
      const ssize_t n = ::read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    const std::size_t colon = line.rfind(':');
    if (line.rfind("kortix-server listening on http://", 0) == 0 && colon != std::string::npos)
      port_ = std::atoi(line.c_str() + colon + 1);
  }

  ~ServerProcess() { stop(); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  int port() const { return port_; }
  pid_t pid() const { return pid_; }

  // SIGTERM (or another signal) and the exit status; -1 when it had to be killed.
  int stop(int signal = SIGTERM) {
    if (pid_ <= 0) return exitStatus_;
    kill(pid_, signal);
    int status = 0;
    for (int i = 0; i < 1000; ++i) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return exitStatus_;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
    return exitStatus_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  int exitStatus_ = -1;
};

}  // namespace kortix::test
