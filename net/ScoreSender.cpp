#include "net/ScoreSender.h"

#include <cstdint>
#include <string>
#include <vector>

#include "net/FormEncoding.h"
#include "net/MachineFacts.h"
#include "platform/HttpTransport.h"
#include "platform/Platform.h"

namespace vilmar {

int submitScore(ScoreSubmission& submission, Platform& platform) {
  return submitScore(submission, platform, serviceEndpoint());
}

int submitScore(ScoreSubmission& submission, Platform& platform, const ServiceEndpoint& address) {
  HttpTransport& http = platform.http();
  if (!openConnection(submission, http, address)) return -1;
  const bool accepted = postScore(submission, platform);
  closeConnection(http);
  return accepted ? 0 : -2;
}

bool openConnection(ScoreSubmission& submission, HttpTransport& http, const ServiceEndpoint& address) {
  std::string message;
  if (!http.load(message)) {
    submission.resultCode = RESULT_NO_LIBRARY;
    submission.message.assign(message);
    return false;
  }
  if (!http.openSession(USER_AGENT)) {
    recordLastError(submission, http);
    return false;
  }
  if (!http.connect(address.host, address.port)) {
    recordLastError(submission, http);
    http.closeSession();
    return false;
  }
  return true;
}

bool postScore(ScoreSubmission& submission, Platform& platform) {
  HttpTransport& http = platform.http();
  if (submission.tampered) {
    // Negated with wrap-around, so even the lowest value has a negation.
    submission.sentScore = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(submission.sentScore));
  }
  if (!http.openRequest("POST", SCORE_PATH)) recordLastError(submission, http);

  const std::string body = formBody(submission, surveyMachine(platform));
  if (!http.send(FORM_HEADER, body)) recordLastError(submission, http);

  std::vector<char> reply(REPLY_BUFFER_SIZE);
  std::size_t bytesRead = 0;
  if (http.read(reply.data(), REPLY_BUFFER_SIZE - 1, bytesRead)) {
    if (bytesRead > REPLY_BUFFER_SIZE - 1) bytesRead = REPLY_BUFFER_SIZE - 1;
    parseReply(std::string_view(reply.data(), bytesRead), http.status(), submission);
  } else {
    recordLastError(submission, http);
  }
  http.closeRequest();
  return submission.resultCode == 0;
}

void closeConnection(HttpTransport& http) {
  http.closeConnection();
  http.closeSession();
}

std::uint32_t recordLastError(ScoreSubmission& submission, HttpTransport& http) {
  std::string text;
  const std::uint32_t number = http.lastError(text);
  if (number <= 4 || number > static_cast<std::uint32_t>(INT32_MAX)) {
    submission.resultCode = RESULT_TRANSFER_FAILED;
    text = "(fel " + std::to_string(number) + ") " + text;
  } else {
    submission.resultCode = static_cast<std::int32_t>(number);
  }
  submission.message.assign(std::string_view(text).substr(0, ScoreSubmission::ERROR_MESSAGE_MAX));
  return number;
}

}  // namespace vilmar
