#pragma once
// What the reference high-score server makes of a posted score form.

#include <map>
#include <string>
#include <string_view>

namespace vilmar::scoreserver {

struct FormCheck {
  std::string error;                          // empty when the form is sound
  // f1..fb decoded; the entries f1, f3 and fa turned from the form's
  // Windows-1252 into UTF-8.
  std::map<std::string, std::string> fields;
};

// Decodes the body with the game's key and checks every field: all eleven in
// order, f2 the game id, numbers where numbers belong, a known processor
// name, fa and fb consistent with f4, f1 and f9, entries within their limits
// (64 and 16 characters, one byte each).
FormCheck checkForm(std::string_view body);

}  // namespace vilmar::scoreserver
