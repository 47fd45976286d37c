#pragma once
// The score form as the high-score server reads it, and the server's reply.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/MachineFacts.h"
#include "net/ScoreSubmission.h"

namespace vilmar {

// Every value but the game id travels scrambled with these bytes; the
// high-score server holds the same ones.
inline constexpr std::array<std::uint8_t, 8> fieldKey = {0x4B, 0xE1, 0x27, 0x93,
                                                         0x5C, 0x0F, 0xB8, 0x6A};

inline constexpr std::string_view SCORE_PATH = "/r0002.asp";
inline constexpr std::string_view FORM_HEADER = "Content-Type: application/x-www-form-urlencoded";

// Byte i xor fieldKey[i % 8], as two uppercase hex digits each.
std::string encodeField(std::string_view in);
// The reverse, for the server's side; nothing when the text is not pairs of hex digits.
std::optional<std::string> decodeField(std::string_view hex);

// Cuts space, CR, LF and tab from both ends.
void trimBlanks(std::string& text);

// The request body, fields f1 to fb in order. sentScore is taken as it
// stands; postScore negates it first for a tampered score.
// With a replay, a twelfth field fr follows the eleven: its bytes in
// lowercase hexadecimal, not scrambled.
std::string formBody(const ScoreSubmission& submission, const MachineFacts& facts);

// The number at the very start of text as the server writes it: an optional
// sign and digits, nothing skipped before them (the reply is trimmed first,
// and a line that begins with a blank holds no number). Nothing when there
// are no digits; values beyond 32 bits are held at the nearest limit.
std::optional<std::int32_t> leadingNumber(std::string_view text);

// Reads a reply into the record: the first number is the result code, the
// number after the first line feed the version code. A reply that does not
// begin with a number, or came with a status other than 200, is no verdict:
// RESULT_BAD_REPLY, and the version code stays as it was.
void parseReply(std::string_view bytes, int httpStatus, ScoreSubmission& submission);

}  // namespace vilmar
