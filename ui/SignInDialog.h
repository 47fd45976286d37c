#pragma once
// The sign-in dialog: takes the player's user name and password, sends the
// best score and acts on the server's verdict by relabelling its OK button and
// opening pages of the game service's site.

#include <cstdint>
#include <span>
#include <functional>
#include <string_view>

#include "net/ScoreSubmission.h"
#include "net/ServiceEndpoint.h"
#include "platform/Dialog.h"

namespace vilmar {

class Counter;
class Platform;

// The best score the dialog sends, and what goes with it.
struct SignInScores {
  const Counter& bestScore;
  std::int32_t bestScoreTime = 0;
  bool bestScoreTampered = false;
  // The recorded game of the best score, sent with it when there is one.
  std::span<const std::uint8_t> bestReplay = {};
};

// What the OK button reads when an entry holds a character that the form
// cannot carry (it travels one byte a character, in Windows-1252).
inline constexpr std::string_view REFUSED_CHARACTER_CAPTION = "Fel tecken";

class SignInDialog : public Dialog {
 public:
  SignInDialog(Platform& platform, ScoreSubmission& submission, SignInScores scores,
               std::function<void()> resyncClock, ServiceEndpoint service = serviceEndpoint());

  int templateId() const override { return DIALOG_SIGN_IN; }
  void init(DialogView& view) override;
  void command(int id, DialogView& view) override;
  // The server took the score: it is used up, and the caller sets the best
  // and the running score back to 0 so the same points are not sent twice.
  bool scoreTaken() const { return scoreTaken_; }

 private:
  void send(DialogView& view);
  void openPage(std::string_view path);

  Platform& platform_;
  ScoreSubmission& submission_;
  SignInScores scores_;
  std::function<void()> resyncClock_;
  ServiceEndpoint service_;
  bool scoreTaken_ = false;
};

}  // namespace vilmar
