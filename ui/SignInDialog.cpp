#include "ui/SignInDialog.h"

#include <string>
#include <utility>

#include "net/Counter.h"
#include "net/ScoreSender.h"
#include "net/Windows1252.h"
#include "platform/Platform.h"

namespace vilmar {

SignInDialog::SignInDialog(Platform& platform, ScoreSubmission& submission, SignInScores scores,
                           std::function<void()> resyncClock, ServiceEndpoint service)
    : platform_(platform),
      submission_(submission),
      scores_(scores),
      resyncClock_(std::move(resyncClock)),
      service_(std::move(service)) {}

void SignInDialog::init(DialogView& view) {
  view.setCaption("Registrera din poäng (" + std::to_string(scores_.bestScore.get()) + ")");
  // The entries last confirmed with OK stay for the life of the program. The
  // record holds them as the form sends them, in Windows-1252.
  view.setItemText(ID_EMAIL, windows1252ToUtf8(submission_.email.view()));
  view.setItemText(ID_PASSWORD, windows1252ToUtf8(submission_.password.view()));
  // The player types at once: into the address, or into the password when
  // the address is remembered.
  view.focus(submission_.email.empty() ? ID_EMAIL : ID_PASSWORD);
}

void SignInDialog::command(int id, DialogView& view) {
  switch (id) {
    case ID_OK: send(view); break;
    case ID_CANCEL:
      if (resyncClock_) resyncClock_();
      view.end();
      break;
    case ID_NEW_USER: openPage("/registrera/"); break;
    default: break;  // the edits' notifications
  }
}

void SignInDialog::send(DialogView& view) {
  // Longer entries are cut by characters, whatever the view hands over, and
  // go into the record as the form carries them: one byte a character.
  const std::string emailText = view.itemText(ID_EMAIL, ScoreSubmission::EMAIL_ENTRY_MAX);
  const std::string passwordText = view.itemText(ID_PASSWORD, ScoreSubmission::PASSWORD_ENTRY_MAX);
  const auto email = utf8ToWindows1252(utf8Prefix(emailText, ScoreSubmission::EMAIL_ENTRY_MAX));
  const auto password = utf8ToWindows1252(utf8Prefix(passwordText, ScoreSubmission::PASSWORD_ENTRY_MAX));
  platform_.sleep(10);
  if (emailText.empty() || passwordText.empty()) {
    if (email) submission_.email.assign(*email);
    if (password) submission_.password.assign(*password);
    return;
  }
  if (!email || !password) {
    // A character the code page lacks would go out mangled and never
    // match: say so and send nothing. The entries stay for mending, and the
    // record keeps what was last confirmed.
    view.setItemText(ID_OK, REFUSED_CHARACTER_CAPTION);
    view.focus(email ? ID_PASSWORD : ID_EMAIL);
    return;
  }
  submission_.email.assign(*email);
  submission_.password.assign(*password);

  submission_.sentScore = scores_.bestScore.get();
  submission_.playTime = scores_.bestScoreTime;
  submission_.tampered = scores_.bestScoreTampered || Counter::tamperFlag();
  submission_.replay.assign(scores_.bestReplay.begin(), scores_.bestReplay.end());
  view.setItemText(ID_OK, "Skickar...");
  submitScore(submission_, platform_, service_);

  // Only a score the server took is used up; after a failure "Försök igen"
  // sends the same score again.
  const bool accepted = scoreAccepted(submission_.resultCode);
  if (accepted) {
    submission_.sentScore = 0;
    scoreTaken_ = true;
  }
  if (submission_.versionCode > 1) {
    openPage("/version.asp?gameid=" + std::to_string(submission_.versionCode));
    view.end();
  }
  if (accepted) {
    view.end();
    return;
  }
  view.setItemText(ID_OK, "Försök igen");
  switch (submission_.resultCode) {
    case RESULT_NO_LIBRARY: openPage("/dll/"); break;
    case 2: openPage("/registrera/"); break;
    case 3:
      openPage("/getpass.asp?mail=" + percentEncode(windows1252ToUtf8(submission_.email.view())));
      break;
    default: break;
  }
}

void SignInDialog::openPage(std::string_view path) { platform_.openUrl(serviceUrl(service_, path)); }

}  // namespace vilmar
