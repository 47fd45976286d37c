#pragma once
// The command line of kortix-server. Defaults run locally at once.

#include <optional>
#include <string>
#include <vector>

namespace kortix {

struct Options {
  std::string host = "127.0.0.1";
  int port = 8080;
  std::string database;  // empty: sqlite:<var>/kortix.db
  std::string varDir = "var";
  std::string shareDir;  // templates/, static/, migrations/
  std::string publicUrl;  // empty: http://<listen>
  std::string smtpUrl, smtpUser, mailFrom = "kortix@localhost";
  std::string siteDir, downloadsDir;
  std::string sponsorUrl;  // empty: the browser game keeps its own sponsor link
  int threads = 128;  // running handlers (which may wait for a hash or the database)
  int verifySlots = 0;  // 0: one per processor
  int maxConnections = 1024;
  int maxPerAddress = 64;
  int headTimeout = 10;  // seconds for a whole request head
  // Proxies whose X-Forwarded-For names the client.
  std::vector<std::string> trustedProxies;
  bool minimalHashCost = false;
  // The lists show only scores whose recorded game the service played to them.
  bool requireReplay = false;
  std::string testClock;  // a file whose number is the time (seconds since 1970), for tests
  bool help = false;
  bool version = false;
  std::vector<std::string> command;  // an operator command and its arguments
};

// Nothing, with the reason in error, when the line is not understood.
std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error);

extern const char* const USAGE;

}  // namespace kortix
