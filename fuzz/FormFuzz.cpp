// The score form as the service reads it: any body gets a verdict, and a form
// it accepts says the same again once the game writes its values back.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "net/FormCheck.h"
#include "net/FormEncoding.h"
#include "net/Windows1252.h"

using namespace vilmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  const FormCheck check = checkForm(body);
  if (!check.error.empty()) return 0;

  // Entries come out as UTF-8, whatever bytes they were sent in.
  const auto& f = check.fields;
  FUZZ_CHECK(f.size() == 11);
  for (const char* key : {"f1", "f3", "fa"}) FUZZ_CHECK(utf8ToWindows1252(f.at(key)).has_value());

  ScoreSubmission again;
  const std::string email = *utf8ToWindows1252(f.at("f1"));
  const std::string password = *utf8ToWindows1252(f.at("f3"));
  FUZZ_CHECK(!email.empty() && email.size() <= ScoreSubmission::EMAIL_ENTRY_MAX);
  FUZZ_CHECK(!password.empty() && password.size() <= ScoreSubmission::PASSWORD_ENTRY_MAX);
  again.email.assign(email);
  again.password.assign(password);
  again.sentScore = check.score;
  again.playTime = check.playTime;
  again.replay = check.replay;
  const MachineFacts facts{check.speed, f.at("f7"), check.integrity, check.length};

  const FormCheck reread = checkForm(formBody(again, facts));
  FUZZ_CHECK(reread.error.empty());
  FUZZ_CHECK(reread.score == check.score && reread.playTime == check.playTime);
  FUZZ_CHECK(reread.speed == check.speed && reread.integrity == check.integrity);
  FUZZ_CHECK(reread.length == check.length);
  FUZZ_CHECK(reread.hasReplay == check.hasReplay && reread.replay == check.replay);
  FUZZ_CHECK(reread.fields.at("f1") == f.at("f1") && reread.fields.at("f3") == f.at("f3"));
  return 0;
}
