#pragma once
// What a high-score server makes of a posted score form: the reference
// server of the tests and the game service read it with this one check.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vilmar {

// The most bytes of a recorded game a form may carry (as many hex digits twice).
inline constexpr std::size_t FORM_REPLAY_MAX_BYTES = 64 * 1024;

struct FormCheck {
  std::string error;                          // empty when the form is sound
  // f1..fb decoded; the entries f1, f3 and fa turned from the form's
  // Windows-1252 into UTF-8.
  std::map<std::string, std::string> fields;
  // The numbers of a sound form.
  std::int32_t score = 0;  // negative when the game found its counters tampered with
  std::int32_t playTime = 0;
  std::int32_t speed = 0;
  std::uint32_t integrity = 0;
  std::uint32_t length = 0;
  // The recorded game of the twelfth field fr, when the form has one.
  bool hasReplay = false;
  std::vector<std::uint8_t> replay;
};

// Decodes the body with the game's key and checks every field: all eleven in
// order, f2 the game id, numbers where numbers belong, a known processor
// name, fa and fb consistent with f4, f1 and f9, entries within their limits
// (64 and 16 characters, one byte each). A twelfth field fr may follow:
// lowercase hexadecimal, an even number of digits, at most
// FORM_REPLAY_MAX_BYTES bytes; what it holds is the replay's own check.
FormCheck checkForm(std::string_view body);

}  // namespace vilmar
