// The entries' way into the form: UTF-8 from the dialogs to Windows-1252
// and back, the character counts the dialogs cut by, and the scrambled hex
// fields the service reads.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "net/FormEncoding.h"
#include "net/Windows1252.h"

using namespace vilmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // Every byte string survives the trip through UTF-8.
  const std::string utf8 = windows1252ToUtf8(text);
  const auto back = utf8ToWindows1252(utf8);
  FUZZ_CHECK(back && *back == text);
  FUZZ_CHECK(utf8Length(utf8) == size);

  // A UTF-8 text the code page can carry comes back the same; its bytes are
  // one a character.
  if (const auto bytes = utf8ToWindows1252(text)) {
    FUZZ_CHECK(windows1252ToUtf8(*bytes) == text);
    FUZZ_CHECK(bytes->size() == utf8Length(text));
  }

  // Counting and cutting never overrun and never split a character of a
  // valid text.
  const std::size_t length = utf8Length(text);
  FUZZ_CHECK(length <= size);
  for (std::size_t n : {std::size_t{0}, std::size_t{1}, length / 2, length, length + 1}) {
    const std::string_view prefix = utf8Prefix(text, n);
    FUZZ_CHECK(text.starts_with(prefix));
    FUZZ_CHECK(utf8Length(prefix) == std::min(n, length));
  }
  return 0;
}
