#pragma once
// The score submission's HTTP steps in the browser. The page can only post to
// its own origin, so the host and port of connect() are not used: the form
// goes to the path of openRequest() on the site that served the game. The
// exchange itself (fetch) is handed in, so these steps run in tests too.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/HttpTransport.h"

namespace vilmar::web {

// Error numbers of the browser's transport, far from the server's verdicts
// (0 to 4) and from the other transports' numbers.
inline constexpr std::uint32_t FETCH_ERROR_BASE = 30000;
inline constexpr std::uint32_t FETCH_ERROR_NETWORK = FETCH_ERROR_BASE + 1;  // no reply at all
inline constexpr std::uint32_t FETCH_ERROR_ORDER = FETCH_ERROR_BASE + 2;    // a step out of turn

// Browsers do not let a page name its own user agent; the game's goes in
// this header instead.
inline constexpr const char* AGENT_HEADER = "X-Game-Agent";

struct FetchRequest {
  std::string method;
  std::string path;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;  // bytes as they are, not text
};

struct FetchReply {
  bool delivered = false;  // false: the browser got no reply
  int status = 0;
  std::string body;
  std::string error;  // why there was no reply
};

using FetchFunction = std::function<FetchReply(const FetchRequest&)>;

// "Name: value" lines (CR LF or LF between them); lines without a name or a
// colon are left out.
std::vector<std::pair<std::string, std::string>> parseHeaderLines(std::string_view text);

class FetchTransport final : public HttpTransport {
 public:
  explicit FetchTransport(FetchFunction fetch) : fetch_(std::move(fetch)) {}

  bool load(std::string& message) override;
  bool openSession(std::string_view agent) override;
  bool connect(std::string_view host, std::uint16_t port) override;
  bool openRequest(std::string_view verb, std::string_view object) override;
  bool send(std::string_view header, std::string_view body) override;
  bool read(char* buffer, std::size_t limit, std::size_t& bytesRead) override;
  int status() override { return status_; }
  void closeRequest() override;
  void closeConnection() override;
  void closeSession() override;
  std::uint32_t lastError(std::string& text) override;

  // The most of a reply that is kept.
  static constexpr std::size_t REPLY_KEEP = 16384;

 private:
  bool fail(std::uint32_t number, std::string text);

  FetchFunction fetch_;
  bool session_ = false;
  bool connected_ = false;
  bool requestOpen_ = false;
  bool replied_ = false;
  std::string agent_;
  FetchRequest request_;
  std::string reply_;
  int status_ = 0;
  std::uint32_t errorNumber_ = 0;
  std::string errorText_;
};

}  // namespace vilmar::web
