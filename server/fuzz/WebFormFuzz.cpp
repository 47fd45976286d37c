// Every page and form of the game service, called in-process the way the
// HTTP server calls them, against a fresh service with one member, one build
// and one open password-reset link.
//
// An input is up to eight requests, one after another on the same service,
// separated by the byte 0x1E. A request is: a byte choosing the route, a
// byte of flags (bit 0: a valid form token in cookie and form), then its
// query, its body and its header lines ("Name: value", one a line),
// separated by 0x1F. Whatever comes, the service must answer without a
// failure of its own (no 5xx), every page must be UTF-8, and a mail may only
// go to a checked address with headers nobody added.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "domain/Accounts.h"
#include "domain/Entries.h"
#include "domain/ScoreDesk.h"
#include "fuzz/FuzzSupport.h"
#include "http/Templates.h"
#include "http/WebApp.h"
#include "storage/SqliteStore.h"

using namespace kortix;

namespace {

// 2026-12-08 12:00 in Stockholm.
constexpr std::int64_t NOW = 1796727600;
constexpr const char* TOKEN = "0123456789abcdef0123456789abcdef";
constexpr const char* RESET_LINK = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

class CheckingMailer final : public Mailer {
 public:
  bool send(const Mail& mail) override {
    FUZZ_CHECK(!emailProblem(mail.to));
    FUZZ_CHECK(validUtf8(mail.subject) && validUtf8(mail.body));
    const std::string text = composeMessage("kortix@example.se", mail, NOW, "fuzz@kortix");
    const std::string head = text.substr(0, text.find("\r\n\r\n") + 2);
    std::size_t lines = 0;
    for (std::size_t at = head.find("\r\n"); at != std::string::npos; at = head.find("\r\n", at + 2)) ++lines;
    FUZZ_CHECK(lines == 8);
    FUZZ_CHECK(head.find('\n') == head.find("\r\n") + 1);
    return true;
  }
};

// The service as the program wires it, on a database in memory.
struct Service {
  Service()
      : store(":memory:", KORTIX_SOURCE_DIR "/migrations/sqlite", 1),
        auth(store, hasher, limiter),
        desk(store, auth, clock),
        accounts(store, auth, mailer, clock, "http://kortix.test"),
        app(store, desk, accounts, templates(), clock, WebConfig{KORTIX_SOURCE_DIR "/static", "", "", "http://kortix.test", ""}) {
    store.migrate();
    FUZZ_CHECK(accounts.registerMember({"spelare@example.se", "Spelaren", "hemligt1", "hemligt1", "", true}).empty());
    store.addResetToken(store.userByEmail("spelare@example.se")->id, tokenHash(RESET_LINK), NOW, NOW + 3600);
    Build build;
    build.integrity = 77;
    build.length = 5000;
    build.platform = "windows";
    build.version = "1.0.0";
    build.fileName = "vilmar.zip";
    store.addBuild(build);
  }

  static const Templates& templates() {
    static const Templates loaded(KORTIX_SOURCE_DIR "/templates");
    return loaded;
  }

  Clock clock = [] { return NOW; };
  SqliteStore store;
  PasswordHasher hasher{HashCost::Minimal, 1};
  AttemptLimiter limiter;
  Authenticator auth;
  CheckingMailer mailer;
  ScoreDesk desk;
  Accounts accounts;
  WebApp app;
};

void request(Service& service, std::string_view text) {
  if (text.size() < 2) return;
  const auto& routes = WebApp::routes();
  const WebApp::Route& route = routes[static_cast<unsigned char>(text[0]) % routes.size()];
  const bool validToken = (text[1] & 1) != 0;
  const auto parts = fuzzParts(text.substr(2), '\x1f', 3);

  Request req;
  req.method = route.method;
  req.path = route.path;
  req.remote_addr = "192.0.2.1";
  if (parts.size() > 2) {
    for (std::string_view line : fuzzParts(parts[2], '\n', 64)) {
      const std::size_t colon = line.find(':');
      if (colon == std::string_view::npos) continue;
      std::string_view value = line.substr(colon + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      req.headers.emplace(std::string(line.substr(0, colon)), std::string(value));
    }
  }
  if (validToken) req.headers.emplace("Cookie", std::string("kortix_csrf=") + TOKEN);
  // As the HTTP server fills them: the query, then a form body.
  parseQuery(parts[0], req.params);
  if (parts.size() > 1 && req.method == "POST") {
    req.body = parts[1];
    if (!req.has_header("Content-Type")) req.headers.emplace("Content-Type", "application/x-www-form-urlencoded");
    if (req.get_header_value("Content-Type").rfind("application/x-www-form-urlencoded", 0) == 0)
      parseQuery(req.body, req.params);
  }
  if (validToken) req.params.emplace("csrf", TOKEN);

  Response res;
  service.app.handle(route, req, res);
  FUZZ_CHECK(res.status >= 200 && res.status < 500);
  FUZZ_CHECK(validUtf8(res.body));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Service service;
  for (std::string_view one : fuzzParts(std::string_view(reinterpret_cast<const char*>(data), size), '\x1e', 8))
    request(service, one);
  return 0;
}
