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
