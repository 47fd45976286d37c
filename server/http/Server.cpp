#include "http/Server.h"

#include <sys/resource.h>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <list>
#include <optional>
#include <unordered_map>

namespace kortix {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace bhttp = boost::beast::http;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

// Written a slice at a time, each with its own deadline: a slow reader of a
// large download is let go only when it stops taking bytes.
constexpr std::size_t WRITE_SLICE = 64 * 1024;
// What is read and dropped after a refusal before the connection closes, so
// that the client sees the answer rather than a reset.
constexpr std::size_t DRAIN_BYTES = 256 * 1024;
constexpr std::chrono::seconds DRAIN_TIME{2};
// What a body still arriving when the service stops is given.
constexpr std::chrono::seconds STOP_BODY_TIME{5};
// A connection beyond its address's share is told so (503) once its head is
// in, and given this long for it; beyond twice the share it is not taken.
constexpr std::chrono::seconds OVER_SHARE_HEAD_TIME{2};
// File descriptors kept for the database, logs and files served.
constexpr rlim_t SPARE_FILES = 128;

const char* reason(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 204: return "No Content";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 415: return "Unsupported Media Type";
    case 416: return "Range Not Satisfiable";
    case 417: return "Expectation Failed";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Status";
  }
}

bool safeInHead(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos; }

bool bodyless(int status) { return status < 200 || status == 204 || status == 304; }

// "Tue, 08 Dec 2026 17:20:00 GMT", made once a second.
const std::string& httpDate() {
  thread_local std::time_t last = 0;
  thread_local std::string text;
  const std::time_t now = std::time(nullptr);
  if (now != last) {
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buffer[64];
    text.assign(buffer, std::strftime(buffer, sizeof buffer, "%a, %d %b %Y %H:%M:%S GMT", &tm));
    last = now;
  }
  return text;
}

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view trimmedView(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// One address as text in its usual form, or nothing when it is not one.
std::optional<std::string> normalAddress(std::string_view text) {
  boost::system::error_code error;
  const auto address = net::ip::make_address(std::string(trimmedView(text)), error);
  if (error) return std::nullopt;
  if (address.is_v6() && address.to_v6().is_v4_mapped())
    return net::ip::make_address_v4(net::ip::v4_mapped, address.to_v6()).to_string();
  return address.to_string();
}

}  // namespace

std::string connectionShare(const std::string& address) {
  boost::system::error_code error;
  const auto parsed = net::ip::make_address(address, error);
  if (error || !parsed.is_v6() || parsed.to_v6().is_v4_mapped()) return address;
  // One IPv6 host commonly holds a whole /64: it is one share.
  auto bytes = parsed.to_v6().to_bytes();
  std::fill(bytes.begin() + 8, bytes.end(), 0);
  return net::ip::address_v6(bytes).to_string() + "/64";
}

std::string clientAddress(const std::string& peer, std::string_view forwardedFor,
                          const std::vector<std::string>& trustedProxies) {
  const auto trusted = [&](const std::string& address) {
    return std::find(trustedProxies.begin(), trustedProxies.end(), address) != trustedProxies.end();
  };
  if (!trusted(peer) || forwardedFor.empty()) return peer;
  // Each proxy appends the address it saw; the last one not a proxy of ours
  // is the client. Anything unreadable ends the walk at the last good one.
  std::string client = peer;
  while (!forwardedFor.empty()) {
    const std::size_t comma = forwardedFor.rfind(',');
    const std::string_view item = comma == std::string_view::npos ? forwardedFor : forwardedFor.substr(comma + 1);
    const auto address = normalAddress(item);
    if (!address) break;
    client = *address;
    if (!trusted(client)) break;
    if (comma == std::string_view::npos) break;
    forwardedFor = forwardedFor.substr(0, comma);
  }
  return client;
}

class Connection;

struct HttpServer::Core : std::enable_shared_from_this<HttpServer::Core> {
  Core(ServerLimits l, ServerRoutes r)
      : limits(std::move(l)), routes(std::move(r)), acceptor(io), retry(io), pool(static_cast<std::size_t>(limits.threads)) {
    for (std::string& proxy : limits.trustedProxies)
      if (auto address = normalAddress(proxy)) proxy = *address;
  }

  void accept();
  void admit(tcp::socket socket);
  void shutdown();

  ServerLimits limits;
  ServerRoutes routes;
  bool stopping = false;
  // Every open connection, touched only on the event loop's thread (and
  // declared before it, so that it outlives the loop's last handler).
  std::list<Connection*> open;
  std::unordered_map<std::string, std::size_t> perAddress;
  net::io_context io{1};
  tcp::acceptor acceptor;
  net::steady_timer retry;
  net::thread_pool pool;
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  enum class Phase { Head, Body, Handling, Writing, Closing };

  Connection(HttpServer::Core& core, tcp::socket socket, std::string peer, std::string share, bool overShare)
      : core_(core), stream_(std::move(socket)), buffer_(core.limits.maxHead + 8 * 1024), peer_(std::move(peer)),
        share_(std::move(share)), overShare_(overShare) {}

  ~Connection() { leave(); }

  void start() {
    slot_ = core_.open.insert(core_.open.end(), this);
    registered_ = true;
    ++core_.perAddress[share_];
    readHead();
  }

  // Waiting for the client (not for us) since when, for shedding the slowest.
  bool waitingOnClient() const { return phase_ != Phase::Handling; }
  // Only waiting to be told "busy", or to be closed after a refusal.
  bool expendable() const { return overShare_ || phase_ == Phase::Closing; }
  Clock::time_point since() const { return since_; }

  // Let go at once: a slow client shed, or the service stopping.
  void drop() {
    leave();
    phase_ = Phase::Closing;
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.socket().close(ignored);
  }

  // Stopping: a connection between requests (or inside a head) goes now; a
  // body on its way gets a few seconds to arrive; an answer is finished.
  void stopSoon() {
    if (phase_ == Phase::Head) drop();
    else if (phase_ == Phase::Body) stream_.expires_after(STOP_BODY_TIME);
  }

 private:
  void leave() {
    if (!registered_) return;
    registered_ = false;
    core_.open.erase(slot_);
    auto it = core_.perAddress.find(share_);
    if (it != core_.perAddress.end() && --it->second == 0) core_.perAddress.erase(it);
  }

  void enter(Phase phase) {
    phase_ = phase;
    since_ = Clock::now();
  }

  void readHead() {
    if (core_.stopping) return close();
    enter(Phase::Head);
    request_ = Request();
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(core_.limits.maxHead));
    // The body's limit depends on the route; it is checked once the head is in.
    parser_->body_limit(std::uint64_t(1) << 62);
    stream_.expires_after(overShare_ ? std::chrono::duration_cast<std::chrono::milliseconds>(OVER_SHARE_HEAD_TIME)
                                     : core_.limits.headTime);
    bhttp::async_read_header(stream_, buffer_, *parser_,
                             [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onHead(ec); });
  }

  void onHead(beast::error_code ec) {
    if (phase_ == Phase::Closing) return;
    if (ec == bhttp::error::header_limit || ec == bhttp::error::buffer_overflow) {
      // The request line is taken as soon as it is whole: without a target
      // it was the line itself that grew too long.
      return refuse(parser_->get().target().empty() ? 414 : 431);
    }
    if (ec == bhttp::error::body_limit) return refuse(413);
    if (ec) {
      // A quiet end, a timeout or garbage: nothing worth an answer to a
      // client that sent nothing; a malformed head is told so.
      if (ec == bhttp::error::end_of_stream || ec == beast::error::timeout || ec == net::error::operation_aborted ||
          ec == net::error::connection_reset || ec == net::error::eof)
        return close();
      return refuse(400);
    }

    const auto& message = parser_->get();
    request_ = Request();
    if (overShare_) {
      request_.method = std::string(message.method_string());
      const std::string target(message.target());
      request_.path = decodeUrl(std::string_view(target).substr(0, target.find('?')), false);
      return refuse(503);
    }
    request_.method = std::string(message.method_string());
    request_.target = std::string(message.target());
    request_.remote_addr = peer_;
    std::size_t fields = 0;
    for (const auto& field : message) {
      if (++fields > core_.limits.maxFields) return refuse(431);
      request_.headers.emplace(std::string(field.name_string()), std::string(field.value()));
    }
    if (message.version() != 10 && message.version() != 11) return refuse(505);
    keepAlive_ = parser_->keep_alive();
    if (request_.target.empty() || request_.target.front() != '/') return refuse(400);
    const std::size_t query = request_.target.find('?');
    request_.path = decodeUrl(std::string_view(request_.target).substr(0, query), false);
    if (query != std::string::npos) parseQuery(std::string_view(request_.target).substr(query + 1), request_.params);
    request_.remote_addr =
        clientAddress(peer_, request_.get_header_value("X-Forwarded-For"), core_.limits.trustedProxies);

    // The body: its length known and within the route's limit, or chunked
    // and cut at that limit; never packed, which could hide any size.
    const auto length = parser_->content_length();
    const bool chunked = parser_->chunked();
    const bool body = chunked || (length && *length > 0);
    const std::string coding = lowered(trimmedView(request_.get_header_value("Content-Encoding")));
    if (body && !coding.empty() && coding != "identity") return refuse(415);
    if (request_.has_header("Transfer-Encoding") && !chunked) return refuse(501);
    if (chunked && lowered(trimmedView(request_.get_header_value("Transfer-Encoding"))) != "chunked")
      return refuse(501);
    if (!length && !chunked && request_.method == "POST") return refuse(411);
    const std::size_t limit = core_.routes.bodyLimit(request_.method, request_.path);
    if (length && *length > limit) return refuse(413);
    parser_->body_limit(limit);
    if (parser_->is_done()) return dispatch();

    const std::string expect = lowered(trimmedView(request_.get_header_value("Expect")));
    if (!expect.empty() && expect != "100-continue") return refuse(417);
    enter(Phase::Body);
    stream_.expires_after(core_.limits.bodyTime);
    if (!expect.empty() && message.version() == 11) {
      static const std::string CONTINUE = "HTTP/1.1 100 Continue\r\n\r\n";
      net::async_write(stream_, net::buffer(CONTINUE), [self = shared_from_this()](beast::error_code e, std::size_t) {
        if (e || self->phase_ == Phase::Closing) return self->close();
        self->readBody();
      });
      return;
    }
    readBody();
  }

  void readBody() {
    bhttp::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      if (self->phase_ == Phase::Closing) return;
      if (ec == bhttp::error::body_limit) return self->refuse(413);
      if (ec == bhttp::error::end_of_stream || ec == net::error::operation_aborted ||
          ec == net::error::connection_reset || ec == net::error::eof)
        return self->close();
      if (ec) return self->refuse(400);
      self->dispatch();
    });
  }

  void dispatch() {
    request_.body = std::move(parser_->get().body());
    parser_.reset();
    if (lowered(request_.get_header_value("Content-Type")).starts_with("application/x-www-form-urlencoded"))
      parseQuery(request_.body, request_.params);
    enter(Phase::Handling);
    // The handler may wait for the database or a password hash: never on
    // the event loop. The work guard keeps the loop alive until it is back.
    net::post(core_.pool, [self = shared_from_this(), work = net::make_work_guard(core_.io)]() mutable {
      Response response;
      try {
        self->core_.routes.handle(self->request_, response);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "kortix: %s %s: %s\n", escapeForLog(self->request_.method).c_str(),
                     escapeForLog(self->request_.path).c_str(), escapeForLog(e.what()).c_str());
        response = Response();
        response.status = 500;
        response.set_content("Internal Server Error\r\n", "text/plain; charset=utf-8");
      }
      auto& io = self->core_.io;
      net::post(io, [self = std::move(self), response = std::move(response)]() mutable {
        self->respond(std::move(response));
      });
      work.reset();
    });
  }

  void refuse(int status) {
    keepAlive_ = false;
    drainAfter_ = true;
    Response response;
    response.status = status;
    response.set_content(std::to_string(status) + " " + reason(status) + "\r\n", "text/plain; charset=utf-8");
    if (status == 503) response.set_header("Retry-After", "10");
    if (request_.method.empty()) request_.method = "-";
    if (request_.path.empty()) request_.path = "-";
    respond(std::move(response));
  }

  void respond(Response response) {
    if (phase_ == Phase::Closing) return;
    response_ = std::move(response);
    if (core_.stopping) keepAlive_ = false;
    const int status = response_.status;
    std::string& head = head_;
    head.clear();
    head += "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\n";
    for (const auto& [name, value] : response_.headers) {
      if (!safeInHead(name) || !safeInHead(value)) continue;
      const std::string lower = lowered(name);
      if (lower == "content-length" || lower == "transfer-encoding" || lower == "connection" || lower == "date")
        continue;
      head += name + ": " + value + "\r\n";
    }
    head += "Date: " + httpDate() + "\r\n";
    body_ = bodyless(status) ? std::string_view() : response_.content();
    if (!bodyless(status)) head += "Content-Length: " + std::to_string(body_.size()) + "\r\n";
    if (request_.method == "HEAD") body_ = {};
    head += keepAlive_ ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";

    std::fprintf(stderr, "%s %s %s %d\n", escapeForLog(request_.remote_addr.empty() ? peer_ : request_.remote_addr).c_str(),
                 escapeForLog(request_.method).c_str(), escapeForLog(request_.path).c_str(), status);
    enter(Phase::Writing);
    sent_ = 0;
    writeSome(true);
  }

  void writeSome(bool withHead) {
    const std::size_t slice = std::min(WRITE_SLICE, body_.size() - sent_);
    std::array<net::const_buffer, 2> buffers = {net::buffer(withHead ? std::string_view(head_) : std::string_view()),
                                                net::buffer(body_.data() + sent_, slice)};
    stream_.expires_after(core_.limits.writeTime);
    net::async_write(stream_, buffers, [self = shared_from_this(), slice](beast::error_code ec, std::size_t) {
      if (self->phase_ == Phase::Closing) return;
      if (ec) return self->close();
      self->sent_ += slice;
      if (self->sent_ < self->body_.size()) return self->writeSome(false);
      self->written();
    });
  }

  void written() {
    response_ = Response();
    body_ = {};
    if (drainAfter_) return drain();
    if (!keepAlive_) return close();
    readHead();
  }

  // After a refusal the client may still be sending: stop writing, read and
  // drop a little of what comes, then close.
  void drain() {
    enter(Phase::Closing);
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    scratch_.resize(16 * 1024);
    drained_ = 0;
    drainDeadline_ = Clock::now() + DRAIN_TIME;
    drainSome();
  }

  void drainSome() {
    const auto left = drainDeadline_ - Clock::now();
    if (left <= Clock::duration::zero() || drained_ >= DRAIN_BYTES) return close();
    stream_.expires_after(std::chrono::duration_cast<std::chrono::milliseconds>(left) + std::chrono::milliseconds(1));
    stream_.async_read_some(net::buffer(scratch_), [self = shared_from_this()](beast::error_code ec, std::size_t n) {
      if (ec) return self->close();
      self->drained_ += n;
      self->drainSome();
    });
  }

  void close() {
    leave();
    phase_ = Phase::Closing;
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream_.socket().close(ignored);
  }

  HttpServer::Core& core_;
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::string peer_, share_;
  std::list<Connection*>::iterator slot_;
  bool registered_ = false;
  Phase phase_ = Phase::Head;
  Clock::time_point since_ = Clock::now();
  std::optional<bhttp::request_parser<bhttp::string_body>> parser_;
  Request request_;
  Response response_;
  std::string head_;
  std::string_view body_;
  std::size_t sent_ = 0;
  bool overShare_ = false;
  bool keepAlive_ = true;
  bool drainAfter_ = false;
  std::string scratch_;
  std::size_t drained_ = 0;
  Clock::time_point drainDeadline_;
};

void HttpServer::Core::accept() {
  acceptor.async_accept([self = shared_from_this()](beast::error_code ec, tcp::socket socket) {
    if (self->stopping) return;
    if (ec) {
      if (ec == net::error::operation_aborted) return;
      // Out of file descriptors or the like: try again shortly rather than spin.
      self->retry.expires_after(std::chrono::milliseconds(50));
      self->retry.async_wait([self](beast::error_code e) {
        if (!e && !self->stopping) self->accept();
      });
      return;
    }
    self->admit(std::move(socket));
    self->accept();
  });
}

void HttpServer::Core::admit(tcp::socket socket) {
  beast::error_code error;
  const auto endpoint = socket.remote_endpoint(error);
  if (error) return;
  const auto address = endpoint.address();
  const std::string peer = address.is_v6() && address.to_v6().is_v4_mapped()
                               ? net::ip::make_address_v4(net::ip::v4_mapped, address.to_v6()).to_string()
                               : address.to_string();
  const bool proxy = std::find(limits.trustedProxies.begin(), limits.trustedProxies.end(), peer) !=
                     limits.trustedProxies.end();
  const std::string share = connectionShare(peer);
  bool overShare = false;
  if (!proxy) {
    const auto it = perAddress.find(share);
    const std::size_t held = it == perAddress.end() ? 0 : it->second;
    if (held >= 2 * limits.maxPerAddress) return;  // closed as it goes
    overShare = held >= limits.maxPerAddress;
  }
  if (open.size() >= limits.maxConnections) {
    // Full: a connection only waiting to be told "busy" or to be closed goes
    // first, then the client that has kept us waiting longest.
    Connection* slowest = nullptr;
    for (Connection* c : open) {
      if (!c->waitingOnClient()) continue;
      if (!slowest || (c->expendable() && !slowest->expendable()) ||
          (c->expendable() == slowest->expendable() && c->since() < slowest->since()))
        slowest = c;
    }
    if (!slowest) return;
    slowest->drop();
  }
  socket.set_option(tcp::no_delay(true), error);
  std::make_shared<Connection>(*this, std::move(socket), peer, share, overShare)->start();
}

void HttpServer::Core::shutdown() {
  stopping = true;
  beast::error_code ignored;
  acceptor.close(ignored);
  retry.cancel();
  // Copied: dropping a connection takes it off the list.
  const std::vector<Connection*> all(open.begin(), open.end());
  for (Connection* c : all) c->stopSoon();
}

HttpServer::HttpServer(ServerLimits limits, ServerRoutes routes) {
  // A thousand slow clients need a thousand descriptors: raise the soft
  // limit as far as allowed, and keep the cap below it.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
    if (files.rlim_cur < files.rlim_max) {
      files.rlim_cur = files.rlim_max == RLIM_INFINITY ? 65536 : std::min<rlim_t>(files.rlim_max, 65536);
      setrlimit(RLIMIT_NOFILE, &files);
      getrlimit(RLIMIT_NOFILE, &files);
    }
    const rlim_t usable = files.rlim_cur > SPARE_FILES * 2 ? files.rlim_cur - SPARE_FILES : files.rlim_cur / 2;
    if (limits.maxConnections > usable) limits.maxConnections = static_cast<std::size_t>(usable);
  }
  core_ = std::make_shared<Core>(std::move(limits), std::move(routes));
}

HttpServer::~HttpServer() {
  core_->pool.join();
}

const ServerLimits& HttpServer::limits() const { return core_->limits; }

int HttpServer::listen(const std::string& host, int port) {
  tcp::resolver resolver(core_->io);
  const auto found = resolver.resolve(host, std::to_string(port), tcp::resolver::passive);
  if (found.empty()) throw std::runtime_error("no address for " + host);
  const tcp::endpoint endpoint = found.begin()->endpoint();
  auto& acceptor = core_->acceptor;
  acceptor.open(endpoint.protocol());
  // SO_REUSEADDR, not SO_REUSEPORT: a second service on the same port must
  // fail to start rather than quietly share it, and the connections left in
  // TIME_WAIT must not keep others off the port.
  acceptor.set_option(tcp::acceptor::reuse_address(true));
  acceptor.bind(endpoint);
  acceptor.listen(net::socket_base::max_listen_connections);
  return acceptor.local_endpoint().port();
}

void HttpServer::run() {
  core_->accept();
  core_->io.run();
  core_->pool.join();
}

void HttpServer::stop() {
  net::post(core_->io, [core = core_] { core->shutdown(); });
}

}  // namespace kortix
