#pragma once
// The rules for what members type: the same limits the game's sign-in dialog
// has, so every account made here can also sign in from the game.

#include <optional>
#include <string>
#include <string_view>

namespace kortix {

inline constexpr std::size_t EMAIL_MAX = 64;     // characters the game sends of the user name
inline constexpr std::size_t PASSWORD_MAX = 16;  // and of the password
inline constexpr std::size_t PASSWORD_MIN = 6;
inline constexpr std::size_t NICK_MAX = 24;
inline constexpr std::size_t NICK_MIN = 2;

// A Swedish message for the form, or nothing when the entry is good.
std::optional<std::string> emailProblem(std::string_view email);
std::optional<std::string> passwordProblem(std::string_view password);
std::optional<std::string> nickProblem(std::string_view nick);

// Well-formed UTF-8 (no overlong forms, no surrogates).
bool validUtf8(std::string_view text);

// The text with blanks cut from both ends.
std::string trimmed(std::string_view text);
// How addresses and nicks are compared: ASCII letters folded to lower case.
std::string foldKey(std::string_view text);

}  // namespace kortix
