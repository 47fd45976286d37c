#include "net/ServiceEndpoint.h"

#ifndef VILMAR_SERVICE_HOST
#error "VILMAR_SERVICE_HOST must be set by the build"
#endif
#ifndef VILMAR_SERVICE_PORT
#define VILMAR_SERVICE_PORT 80
#endif

namespace vilmar {

ServiceEndpoint serviceEndpoint() {
  static_assert(VILMAR_SERVICE_PORT > 0 && VILMAR_SERVICE_PORT < 65536, "bad service port");
  return {VILMAR_SERVICE_HOST, static_cast<std::uint16_t>(VILMAR_SERVICE_PORT), {}};
}

std::optional<ServiceEndpoint> parseServiceAddress(std::string_view text) {
  constexpr std::string_view SCHEME = "http://";
  if (text.substr(0, SCHEME.size()) != SCHEME) return std::nullopt;
  text.remove_prefix(SCHEME.size());
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);
  const std::size_t colon = text.find(':');
  const std::string_view host = text.substr(0, colon);
  // A host name's labels are at most 63 characters and the name at most 253.
  if (host.empty() || host.size() > 253 || host.front() == '.' || host.front() == '-') return std::nullopt;
  for (const char c : host) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
    if (!allowed) return std::nullopt;
  }
  ServiceEndpoint endpoint{std::string(host), 80, {}};
  if (colon == std::string_view::npos) return endpoint;
  const std::string_view port = text.substr(colon + 1);
  if (port.empty() || port.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (const char c : port) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  endpoint.port = static_cast<std::uint16_t>(value);
  return endpoint;
}

std::string serviceUrl(const ServiceEndpoint& address, std::string_view path) {
  if (!address.pages.empty()) return address.pages + std::string(path);
  std::string url = "http://";
  url += address.host;
  if (address.port != 80) {
    url += ':';
    url += std::to_string(address.port);
  }
  url += path;
  return url;
}

std::string percentEncode(std::string_view text) {
  static constexpr char HEX[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                       (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                       byte == '_' || byte == '~';
    if (plain) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(HEX[byte >> 4]);
      out.push_back(HEX[byte & 0x0F]);
    }
  }
  return out;
}

}  // namespace vilmar
