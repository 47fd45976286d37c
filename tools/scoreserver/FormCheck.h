#pragma once
// What the reference high-score server makes of a posted score form.

#include <map>
#include <string>
#include <string_view>

namespace vilmar::scoreserver {

struct FormCheck {
  std::string error;                          // empty when the form is sound
  std::map<std::string, std::string> fields;  // f1..fb decoded
};

// Decodes the body with the game's key and checks every field: all eleven in
// order, f2 the game id, numbers where numbers belong, a known processor
// name, fa and fb consistent with f4, f1 and f9, entries within their limits.
FormCheck checkForm(std::string_view body);

}  // namespace vilmar::scoreserver
