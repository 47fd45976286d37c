#pragma once
// Sends the record's score to the high-score server as one form POST and
// reads the verdict back into the record. Runs synchronously; the speed
// measurement alone takes three to four seconds.

#include <cstdint>

#include "net/ScoreSubmission.h"
#include "net/ServiceEndpoint.h"

namespace vilmar {

class Platform;
class HttpTransport;

inline constexpr std::string_view USER_AGENT = "RureRora";
// The reply is read once, into a buffer of this size less one.
inline constexpr std::size_t REPLY_BUFFER_SIZE = 16384;

// 0 when the server answered 0, -1 when no connection was opened, -2 otherwise.
// The dialog acts on the record's resultCode and versionCode instead.
int submitScore(ScoreSubmission& submission, Platform& platform);
int submitScore(ScoreSubmission& submission, Platform& platform, const ServiceEndpoint& address);

// Loads the transfer library if need be and opens a session and a connection.
bool openConnection(ScoreSubmission& submission, HttpTransport& http, const ServiceEndpoint& address);
// Posts the form on the open connection and reads the reply; true when the
// result code is 0.
bool postScore(ScoreSubmission& submission, Platform& platform);
void closeConnection(HttpTransport& http);

// Stores the library's last error in the record and returns its number. A
// number that could pass for a server verdict (0 to 4) or that does not fit a
// positive result code is stored as RESULT_TRANSFER_FAILED, so a failed step
// never looks accepted or like a missing library.
std::uint32_t recordLastError(ScoreSubmission& submission, HttpTransport& http);

}  // namespace vilmar
