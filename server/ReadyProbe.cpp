#include "ReadyProbe.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace kortix {

namespace {

using SteadyClock = std::chrono::steady_clock;

int msLeft(SteadyClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// One GET /readyz; true on a 200.
bool askOnce(const std::string& host, int port, SteadyClock::time_point deadline, std::string& why) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); rc != 0) {
    why = std::string("cannot resolve ") + host + ": " + gai_strerror(rc);
    return false;
  }
  const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  bool ok = false;
  if (fd < 0) {
    why = "no socket";
  } else if (connect(fd, found->ai_addr, found->ai_addrlen) != 0 && errno != EINPROGRESS) {
    why = "no answer on " + host + ":" + std::to_string(port);
  } else {
    pollfd p{fd, POLLOUT, 0};
    int error = 0;
    socklen_t size = sizeof error;
    if (poll(&p, 1, msLeft(deadline)) != 1 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error) {
      why = "no answer on " + host + ":" + std::to_string(port);
    } else {
      const std::string request = "GET /readyz HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n";
      std::string reply;
      if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        p.events = POLLIN;
        // The status line is all that is needed.
        while (reply.find("\r\n") == std::string::npos && reply.size() < 256 && poll(&p, 1, msLeft(deadline)) == 1) {
          char buffer[256];
          const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
          if (n <= 0) break;
          reply.append(buffer, static_cast<std::size_t>(n));
        }
      }
      ok = reply.rfind("HTTP/1.1 200 ", 0) == 0;
      if (!ok) why = reply.empty() ? "no reply from /readyz" : "/readyz: " + reply.substr(0, reply.find("\r\n"));
    }
  }
  if (fd >= 0) close(fd);
  freeaddrinfo(found);
  return ok;
}

}  // namespace

bool waitReady(std::string host, int port, int seconds, std::string& why) {
  // A service listening on every address is asked on this machine's.
  if (host == "0.0.0.0" || host.empty()) host = "127.0.0.1";
  if (host == "::" || host == "[::]") host = "::1";
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  const auto deadline = SteadyClock::now() + std::chrono::seconds(seconds);
  for (;;) {
    // The last question too gets a moment for its answer.
    if (askOnce(host, port, std::max(deadline, SteadyClock::now() + std::chrono::seconds(1)), why)) return true;
    if (msLeft(deadline) == 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(200, msLeft(deadline))));
  }
}

}  // namespace kortix
