#pragma once
#include "platform/Dialog.h"

namespace vilmar {

class App;
class GameSession;

// Asks whether the new best score is to be sent; "Ja" leads straight on to
// the sign-in dialog in the same pass of the main loop.
class QuestionDialog : public Dialog {
 public:
  explicit QuestionDialog(GameSession& session) : session_(session) {}
  int templateId() const override { return DIALOG_QUESTION; }
  void init(DialogView& view) override;
  void command(int id, DialogView& view) override;

 private:
  GameSession& session_;
};

// Shows one of the three long texts; OK is the only way out.
class InfoDialog : public Dialog {
 public:
  InfoDialog(GameSession& session, int textIndex) : session_(session), textIndex_(textIndex) {}
  int templateId() const override { return DIALOG_INFO; }
  void init(DialogView& view) override;
  void command(int id, DialogView& view) override;

 private:
  GameSession& session_;
  int textIndex_;
};

}  // namespace vilmar
