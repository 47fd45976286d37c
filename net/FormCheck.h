#pragma once
// What a high-score server makes of a posted score form: the reference
// server of the tests and the game service read it with this one check.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace vilmar {

struct FormCheck {
  std::string error;                          // empty when the form is sound
  std::map<std::string, std::string> fields;  // f1..fb decoded, entries as sent (Windows-1252)
  // The numbers of a sound form.
  std::int32_t score = 0;  // negative when the game found its counters tampered with
  std::int32_t playTime = 0;
  std::int32_t speed = 0;
  std::uint32_t integrity = 0;
  std::uint32_t length = 0;
};

// Decodes the body with the game's key and checks every field: all eleven in
// order, f2 the game id, numbers where numbers belong, a known processor
// name, fa and fb consistent with f4, f1 and f9, entries within their limits.
FormCheck checkForm(std::string_view body);

}  // namespace vilmar
