// Addresses of the service's pages with the player's entries in them: the
// percent-encoding must leave only plain characters and come back exactly.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "net/ServiceEndpoint.h"

using namespace vilmar;

namespace {

bool plain(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // the encoder writes upper case only
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string encoded = percentEncode(text);
  FUZZ_CHECK(encoded.size() >= text.size() && encoded.size() <= 3 * text.size());

  // Only plain characters and %XX, and decoding gives the text back.
  std::string decoded;
  for (std::size_t i = 0; i < encoded.size();) {
    if (encoded[i] != '%') {
      FUZZ_CHECK(plain(encoded[i]));
      decoded.push_back(encoded[i++]);
      continue;
    }
    FUZZ_CHECK(i + 2 < encoded.size());
    const int high = hexValue(encoded[i + 1]);
    const int low = hexValue(encoded[i + 2]);
    FUZZ_CHECK(high >= 0 && low >= 0);
    const char c = static_cast<char>(high << 4 | low);
    FUZZ_CHECK(!plain(c));  // plain characters are never escaped
    decoded.push_back(c);
    i += 3;
  }
  FUZZ_CHECK(decoded == text);

  // The address keeps the encoded entry whole at its end.
  const std::string path = "/page?user=" + encoded;
  const std::string url = serviceUrl(ServiceEndpoint{"kortix.example", static_cast<std::uint16_t>(size)}, path);
  FUZZ_CHECK(url.starts_with("http://kortix.example"));
  FUZZ_CHECK(url.ends_with(path));
  return 0;
}
