// The scrambled hex fields of the score form: what the game writes the
// service reads back exactly, and any other text is refused or read sanely.

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "net/FormEncoding.h"

using namespace vilmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const std::string encoded = encodeField(text);
  FUZZ_CHECK(encoded.size() == 2 * size);
  for (const char c : encoded) FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
  FUZZ_CHECK(decodeField(encoded) == std::string(text));

  // The same bytes read as a field from a form.
  const auto decoded = decodeField(text);
  if (decoded) {
    FUZZ_CHECK(size % 2 == 0 && decoded->size() == size / 2);
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    FUZZ_CHECK(encodeField(*decoded) == upper);
  }
  return 0;
}
