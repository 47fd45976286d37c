#include "Options.h"

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
    "  --downloads DIR      the released builds, served under /filer/\n"
    "  --threads N          request threads, one per open connection (default 128)\n"
    "  --verify-slots N     password verifications at once (default: one per processor)\n"
    "  --trust-proxy        take the sender's address from X-Forwarded-For\n"
    "  --hash-cost minimal  cheapest password hashes, for tests only (default interactive)\n"
    "  --help               this text\n"
    "  --version            the program's version\n"
    "\n"
    "Commands:\n"
    "  add-build FILE --platform NAME --version VERSION   register a released build\n"
    "  import-releases FILE                               register every program of a releases.json\n"
    "  list-builds | remove-build ID\n"
    "  list-users | remove-user EMAIL\n"
    "  rejected [N]                                       the latest refused score forms\n"
    "  winners day YYYY-MM-DD | week YYYY-Www | bonus [--count N]   winners as CSV\n";

namespace {

bool number(const std::string& text, int& value, int low, int high) {
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && r.ec == std::errc{} && r.ptr == text.data() + text.size() && value >= low && value <= high;
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
    if (arg == "--trust-proxy") {
      o.trustProxy = true;
      continue;
    }
    static const char* const WITH_VALUE[] = {"--listen", "--database", "--var", "--share", "--public-url",
                                             "--smtp", "--smtp-user", "--mail-from", "--site", "--downloads",
                                             "--threads", "--verify-slots", "--hash-cost"};
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
