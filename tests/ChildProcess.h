#pragma once
// A program the tests start and stop: its standard output comes back through
// a pipe until its first line is read (a server says where it listens there),
// its standard error may go to a file, and it is waited for on conditions,
// with a bound, never by a fixed sleep.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace vilmar::test {

class ChildProcess {
 public:
  // argv[0] is the program's path. errorLog: where its standard error goes
  // (appended); empty leaves it on the test's own.
  explicit ChildProcess(std::vector<std::string> argv, const std::string& errorLog = "") {
    if (argv.empty()) return;
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      if (!errorLog.empty()) {
        const int log = open(errorLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (log >= 0) dup2(log, STDERR_FILENO);
      }
      close(out[0]);
      close(out[1]);
      std::vector<char*> args;
      for (auto& a : argv) args.push_back(a.data());
      args.push_back(nullptr);
      execv(args[0], args.data());
      _exit(127);
    }
    close(out[1]);
    if (pid_ < 0) {
      close(out[0]);
      return;
    }
    out_ = out[0];
  }

  ~ChildProcess() {
    stop();
    if (out_ >= 0) close(out_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool running() const { return pid_ > 0; }

  // The first line of its output (without the newline), or what came before
  // it stopped writing or the time ran out. The pipe is closed after it.
  std::string firstLine(std::chrono::milliseconds within) {
    std::string line;
    if (out_ < 0) return line;
    const auto until = std::chrono::steady_clock::now() + within;
    pollfd p{out_, POLLIN, 0};
    while (line.find('\n') == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) != 1) break;
      char buffer[256];
      const ssize_t n = ::read(out_, buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<std::size_t>(n));
    }
    close(out_);
    out_ = -1;
    return line.substr(0, line.find('\n'));
  }

  // Waits for it to end by itself; true once it has (its exit status kept).
  bool exited(std::chrono::milliseconds within) {
    const auto until = std::chrono::steady_clock::now() + within;
    while (pid_ > 0) {
      if (reap()) return true;
      if (std::chrono::steady_clock::now() >= until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  // Sends the signal and waits up to grace; then kills it. Answers the exit
  // status, -1 when it did not exit by itself (a signal, or killed).
  int stop(int signal = SIGTERM, std::chrono::milliseconds grace = std::chrono::seconds(10)) {
    if (pid_ <= 0) return exitStatus_;
    kill(pid_, signal);
    if (exited(grace)) return exitStatus_;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
    return exitStatus_ = -1;
  }

 private:
  bool reap() {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
    pid_ = 0;
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int exitStatus_ = -1;
};

}  // namespace vilmar::test
