#pragma once
// Where the game service lives: its web site and the high-score server are on
// one host. Both are build settings (VILMAR_SERVICE_HOST, VILMAR_SERVICE_PORT),
// the default of the programs' --service option.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vilmar {

struct ServiceEndpoint {
  std::string host;
  std::uint16_t port = 80;
  // Where the service's pages are when not at http://host[:port]: an origin
  // such as "https://kortix.se" (the browser version served by a service
  // opens that service's pages, whatever this build was made for).
  std::string pages = {};
};

// The address this build was made for.
ServiceEndpoint serviceEndpoint();

// Reads "http://HOST:PORT" or "http://HOST" (port 80), a trailing "/"
// allowed: the --service option of the programs, for a service on another
// machine or on this one. HOST is a name or an IPv4 address; nothing else
// (no user, path, query or https) is taken. Nothing when the text is not
// such an address.
std::optional<ServiceEndpoint> parseServiceAddress(std::string_view text);

// "http://host" (with ":port" unless it is 80), or the pages' origin when
// one is set, followed by path.
std::string serviceUrl(const ServiceEndpoint& address, std::string_view path);

// Percent-encodes everything but letters, digits and "-._~", so that an
// e-mail address survives as one query value.
std::string percentEncode(std::string_view text);

}  // namespace vilmar
