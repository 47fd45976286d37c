#include "ui/SignInDialog.h"

#include <string>
#include <utility>

#include "gfx/Counter.h"
#include "net/ScoreSender.h"
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
  // The entries last confirmed with OK stay for the life of the program.
  view.setItemText(ID_EMAIL, submission_.email.view());
  view.setItemText(ID_PASSWORD, submission_.password.view());
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
  // Longer entries are cut, whatever the view hands over.
  const std::string email = view.itemText(ID_EMAIL, ScoreSubmission::EMAIL_ENTRY_MAX);
  const std::string password = view.itemText(ID_PASSWORD, ScoreSubmission::PASSWORD_ENTRY_MAX);
  submission_.email.assign(std::string_view(email).substr(0, ScoreSubmission::EMAIL_ENTRY_MAX));
  submission_.password.assign(std::string_view(password).substr(0, ScoreSubmission::PASSWORD_ENTRY_MAX));
  platform_.sleep(10);
  if (submission_.email.empty() || submission_.password.empty()) return;

  submission_.sentScore = scores_.bestScore.get();
  submission_.playTime = scores_.bestScoreTime;
  submission_.tampered = scores_.bestScoreTampered || Counter::tamperFlag();
  view.setItemText(ID_OK, "Skickar...");
  submitScore(submission_, platform_, service_);

  // Only a score the server took is used up; after a failure "Försök igen"
  // sends the same score again.
  const bool accepted = scoreAccepted(submission_.resultCode);
  if (accepted) {
    submission_.sentScore = 0;
    scores_.bestScore.set(0);
    scores_.score.set(0);
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
    case 3: openPage("/getpass.asp?mail=" + percentEncode(submission_.email.view())); break;
    default: break;
  }
}

void SignInDialog::openPage(std::string_view path) { platform_.openUrl(serviceUrl(service_, path)); }

}  // namespace vilmar
