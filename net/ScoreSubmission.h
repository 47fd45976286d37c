#pragma once
// The one record of the run that carries a score to the high-score server and
// the server's verdict back to the sign-in dialog.

#include <cstdint>
#include <vector>

#include "net/BoundedText.h"

namespace vilmar {

// Result codes of the record besides the server's own (0 and 1 accepted,
// 2 unknown user, 3 wrong password, others refused).
inline constexpr std::int32_t RESULT_NO_LIBRARY = -1;  // transfer library or a function missing
// The server's answer was no verdict: a reply not beginning with a number (an
// error page, a proxy's page) or an HTTP status other than 200.
inline constexpr std::int32_t RESULT_BAD_REPLY = -3;
// A transfer step failed and the library gave no error number for it.
inline constexpr std::int32_t RESULT_TRANSFER_FAILED = -4;

// Whether the server took the score.
inline bool scoreAccepted(std::int32_t resultCode) { return resultCode == 0 || resultCode == 1; }

struct ScoreSubmission {
  // The sign-in dialog keeps at most 64 characters of the user name and 16 of
  // the password; the fields never hold more than their buffers allowed.
  static constexpr std::size_t EMAIL_ENTRY_MAX = 64;
  static constexpr std::size_t PASSWORD_ENTRY_MAX = 16;
  static constexpr std::size_t REPLY_MESSAGE_MAX = 255;
  static constexpr std::size_t ERROR_MESSAGE_MAX = 127;

  BoundedText<131> email;
  std::int32_t gameId = 6;
  BoundedText<19> password;
  std::int32_t sentScore = 0;
  std::int32_t playTime = 0;
  bool tampered = false;
  std::int32_t resultCode = 0;
  BoundedText<259> message;
  std::int32_t versionCode = 1;
  // The recorded game in which the score was made (a .vpr file's bytes),
  // sent along so the service can play it again; empty sends none.
  std::vector<std::uint8_t> replay;
};

}  // namespace vilmar
