#pragma once
// The service's HTTP/1.1 server: one event loop reads and writes every
// connection, a pool of threads runs the handlers. Everything a stranger can
// send is bounded while it is read: the head in bytes, fields and time, the
// body by its route's limit, the connections per address and in total.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "http/Message.h"

namespace kortix {

struct ServerLimits {
  std::size_t maxHead = 8 * 1024;  // request line and header fields together
  std::size_t maxFields = 100;
  std::chrono::milliseconds headTime{10000};  // the whole head, however it trickles in
  std::chrono::milliseconds bodyTime{30000};  // the whole body
  std::chrono::milliseconds writeTime{10000};  // each 64 KiB of an answer
  std::size_t maxConnections = 1024;  // beyond it the slowest client is let go
  std::size_t maxPerAddress = 64;
  int threads = 16;  // handler threads
  // Proxies: their X-Forwarded-For names the client, and they are not held
  // to the per-address cap (all their clients come from them).
  std::vector<std::string> trustedProxies;
};

struct ServerRoutes {
  // Runs in a pool thread; whatever it throws becomes a 500.
  std::function<void(const Request&, Response&)> handle;
  // The largest body accepted for a method and path.
  std::function<std::size_t(std::string_view method, std::string_view path)> bodyLimit;
};

class HttpServer {
 public:
  HttpServer(ServerLimits limits, ServerRoutes routes);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds and listens; answers the port (useful with port 0) or throws.
  int listen(const std::string& host, int port);
  // Serves until stop(), then lets the requests in flight finish.
  void run();
  // From any thread.
  void stop();

  // The limits as they came out: the connection cap lowered to what the
  // process's file limit allows.
  const ServerLimits& limits() const;

  // The running server's state, known only inside.
  struct Core;

 private:
  std::shared_ptr<Core> core_;
};

// What the per-address connection cap counts a peer under: its address, or
// for IPv6 its /64 (what one host or home is usually given).
std::string connectionShare(const std::string& address);

// The client's address: the peer, or when the peer is a trusted proxy the
// rightmost address in X-Forwarded-For that is not itself a trusted proxy.
std::string clientAddress(const std::string& peer, std::string_view forwardedFor,
                          const std::vector<std::string>& trustedProxies);

}  // namespace kortix
