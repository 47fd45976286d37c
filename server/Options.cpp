#include "Options.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <iterator>

namespace kortix {

const char* const USAGE =
    "usage: kortix-server [OPTIONS] [COMMAND ...]\n"
    "\n"
    "Without a command, serves the game's score form and the web site until\n"
    "SIGINT or SIGTERM, then finishes the requests in flight and exits 0.\n"
    "\n"
    "Options:\n"
    "  --listen HOST:PORT   address to listen on (default 127.0.0.1:8080; port 0 picks a free one)\n"
    "  --database URL       sqlite:PATH or postgresql://USER@HOST:PORT/DB (default sqlite:VAR/kortix.db)\n"
    "  --var DIR            the service's own files: database, mail outbox (default var)\n"
    "  --share DIR          templates/, static/ and migrations/ (default: where it was installed)\n"
    "  --public-url URL     the site's address in mailed links (default http://HOST:PORT)\n"
    "  --smtp URL           mail relay, smtp://host:port; without it mail goes to VAR/outbox/*.eml\n"
    "  --smtp-user USER     relay login; the password is read from KORTIX_SMTP_PASSWORD\n"
    "  --mail-from ADDRESS  sender of the service's mail (default kortix@localhost)\n"
    "  --site DIR           a folder served under /spela/ (the game in the browser)\n"
    "  --sponsor-url URL    where the browser game's \"Besök Vilmars hemsida\" goes (default: the game's own)\n"
    "  --downloads DIR      the released builds, served under /filer/\n"
    "  --threads N          threads running requests (default 128; connections need none)\n"
    "  --verify-slots N     password verifications at once (default: one per processor)\n"
    "  --max-connections N  open connections at most; when full the slowest client goes (default 1024)\n"
    "  --max-per-address N  open connections from one address (default 64; trusted proxies exempt)\n"
    "  --head-timeout S     seconds for a whole request head (default 10, at most 10)\n"
    "  --trust-proxy [ADDRESS,...]\n"
    "                       take the client's address from X-Forwarded-For, but only on\n"
    "                       connections from these proxies (default 127.0.0.1,::1)\n"
    "  --require-replay     lists show only scores whose recorded game re-played to them\n"
    "                       (default: every score, verified ones marked)\n"
    "  --hash-cost minimal  cheapest password hashes, for tests only (default interactive)\n"
    "  --test-clock FILE    take the time from FILE (seconds since 1970), for tests only\n"
    "  --help               this text\n"
    "  --version            the program's version\n"
    "\n"
    "Commands:\n"
    "  add-build FILE --platform NAME --version VERSION   register a released build\n"
    "  import-releases FILE                               register every program of a releases.json\n"
    "  list-builds | remove-build ID\n"
    "  list-users | remove-user EMAIL\n"
    "  rejected [N]                                       the latest refused score forms\n"
    "  verify                                             plays every kept game again, reports mismatches\n"
    "  wait-ready [SECONDS]                               wait until the service at --listen is ready\n"
    "                                                     (GET /readyz answers 200; default 30 s)\n"
    "  winners day YYYY-MM-DD | week YYYY-Www | bonus [--count N]   winners as CSV\n";

namespace {

// An address a page may send a player to: http or https, a host, and no
// character that would need quoting.
bool webAddress(const std::string& text) {
  const std::size_t start = text.rfind("https://", 0) == 0 ? 8 : text.rfind("http://", 0) == 0 ? 7 : 0;
  if (start == 0 || text.size() <= start || text.size() > 512) return false;
  if (text[start] == '/' || text[start] == ':') return false;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '`') return false;
  }
  return true;
}

bool number(const std::string& text, int& value, int low, int high) {
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size() && value >= low && value <= high;
}

// "192.0.2.1,2001:db8::1": IPv4 and IPv6 addresses, nothing else.
bool addressList(const std::string& text, std::vector<std::string>& list) {
  list.clear();
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t comma = std::min(text.find(',', at), text.size());
    const std::string item = text.substr(at, comma - at);
    unsigned char buffer[sizeof(in6_addr)];
    if (inet_pton(AF_INET, item.c_str(), buffer) != 1 && inet_pton(AF_INET6, item.c_str(), buffer) != 1) return false;
    list.push_back(item);
    at = comma + 1;
  }
  return !list.empty();
}

}  // namespace

std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error) {
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!o.command.empty() || arg.rfind("--", 0) != 0) {
      o.command.push_back(arg);
      continue;
    }
    if (arg == "--help") {
      o.help = true;
      continue;
    }
    if (arg == "--version") {
      o.version = true;
      continue;
    }
    if (arg == "--require-replay") {
      o.requireReplay = true;
      continue;
    }
    if (arg == "--trust-proxy") {
      // Its list is optional: without one, a proxy on this machine.
      std::vector<std::string> list;
      if (i + 1 < args.size() && addressList(args[i + 1], list)) ++i;
      else list = {"127.0.0.1", "::1"};
      o.trustedProxies.insert(o.trustedProxies.end(), list.begin(), list.end());
      continue;
    }
    static const char* const WITH_VALUE[] = {"--listen", "--database", "--var", "--share", "--public-url",
                                             "--smtp", "--smtp-user", "--mail-from", "--site", "--sponsor-url", "--downloads",
                                             "--threads", "--verify-slots", "--hash-cost",
                                             "--max-connections", "--max-per-address", "--head-timeout",
                                             "--test-clock"};
    if (std::find(std::begin(WITH_VALUE), std::end(WITH_VALUE), arg) == std::end(WITH_VALUE)) {
      error = "unknown option " + arg;
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    const std::string& value = args[++i];
    if (arg == "--listen") {
      const std::size_t colon = value.rfind(':');
      if (colon == std::string::npos || colon == 0 || !number(value.substr(colon + 1), o.port, 0, 65535)) {
        error = "--listen wants HOST:PORT, got " + value;
        return std::nullopt;
      }
      o.host = value.substr(0, colon);
    } else if (arg == "--database") {
      o.database = value;
    } else if (arg == "--var") {
      o.varDir = value;
    } else if (arg == "--share") {
      o.shareDir = value;
    } else if (arg == "--public-url") {
      o.publicUrl = value;
    } else if (arg == "--smtp") {
      o.smtpUrl = value;
    } else if (arg == "--smtp-user") {
      o.smtpUser = value;
    } else if (arg == "--mail-from") {
      o.mailFrom = value;
    } else if (arg == "--site") {
      o.siteDir = value;
    } else if (arg == "--sponsor-url") {
      if (!webAddress(value)) {
        error = "--sponsor-url wants an http:// or https:// address, got " + value;
        return std::nullopt;
      }
      o.sponsorUrl = value;
    } else if (arg == "--downloads") {
      o.downloadsDir = value;
    } else if (arg == "--threads") {
      if (!number(value, o.threads, 1, 1024)) {
        error = "--threads wants 1 to 1024, got " + value;
        return std::nullopt;
      }
    } else if (arg == "--verify-slots") {
      if (!number(value, o.verifySlots, 1, 64)) {
        error = "--verify-slots wants 1 to 64, got " + value;
        return std::nullopt;
      }
    } else if (arg == "--max-connections") {
      if (!number(value, o.maxConnections, 16, 100000)) {
        error = "--max-connections wants 16 to 100000, got " + value;
        return std::nullopt;
      }
    } else if (arg == "--max-per-address") {
      if (!number(value, o.maxPerAddress, 1, 100000)) {
        error = "--max-per-address wants 1 to 100000, got " + value;
        return std::nullopt;
      }
    } else if (arg == "--head-timeout") {
      if (!number(value, o.headTimeout, 1, 10)) {
        error = "--head-timeout wants 1 to 10 seconds, got " + value;
        return std::nullopt;
      }
    } else if (arg == "--test-clock") {
      o.testClock = value;
    } else if (arg == "--hash-cost") {
      if (value != "minimal" && value != "interactive") {
        error = "--hash-cost wants interactive or minimal, got " + value;
        return std::nullopt;
      }
      o.minimalHashCost = value == "minimal";
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  if (o.database.empty()) o.database = "sqlite:" + o.varDir + "/kortix.db";
  if (o.publicUrl.empty()) o.publicUrl = "http://" + o.host + ":" + std::to_string(o.port);
  while (!o.publicUrl.empty() && o.publicUrl.back() == '/') o.publicUrl.pop_back();
  return o;
}

}  // namespace kortix
