// The high-score server's reply, as any server (or anything pretending to
// be one) might send it: the result code, the version code and the message.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "net/FormEncoding.h"

using namespace vilmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the HTTP status: mostly 200, sometimes another.
  const int status = data[0] < 200 ? 200 : 100 + data[0];
  const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);

  ScoreSubmission submission;
  submission.versionCode = 7;
  parseReply(reply, status, submission);
  FUZZ_CHECK(submission.message.size() <= ScoreSubmission::REPLY_MESSAGE_MAX);

  std::string trimmed(reply);
  trimBlanks(trimmed);
  FUZZ_CHECK(trimmed.size() <= reply.size());
  FUZZ_CHECK(reply.find(trimmed) != std::string_view::npos);
  FUZZ_CHECK(submission.message == std::string_view(trimmed).substr(0, ScoreSubmission::REPLY_MESSAGE_MAX));

  const auto code = leadingNumber(trimmed);
  if (!code || status != 200) {
    // No verdict: the version code of the last reply stays.
    FUZZ_CHECK(submission.resultCode == RESULT_BAD_REPLY);
    FUZZ_CHECK(submission.versionCode == 7);
  } else {
    FUZZ_CHECK(submission.resultCode == *code);
    if (trimmed.find('\n') == std::string::npos) FUZZ_CHECK(submission.versionCode == 0);
  }
  // A number read back from its own decimal text is the same number.
  if (code) FUZZ_CHECK(leadingNumber(std::to_string(*code)) == code);
  return 0;
}
