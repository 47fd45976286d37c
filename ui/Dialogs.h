#pragma once
#include "platform/Dialog.h"

namespace vilmar {

// Asks whether the new best score is to be sent; "Ja" leads straight on to
// the sign-in dialog in the same pass of the main loop.
class QuestionDialog : public Dialog {
 public:
  int templateId() const override { return DIALOG_QUESTION; }
  void init(DialogView& view) override;
  void command(int id, DialogView& view) override;
  // "Ja" ended it.
  bool accepted() const { return accepted_; }

 private:
  bool accepted_ = false;
};

// Shows one of the three long texts; OK is the only way out.
class InfoDialog : public Dialog {
 public:
  explicit InfoDialog(int textIndex) : textIndex_(textIndex) {}
  int templateId() const override { return DIALOG_INFO; }
  void init(DialogView& view) override;
  void command(int id, DialogView& view) override;
  // OK ended it: the player has read the text and play goes on from now.
  bool confirmed() const { return confirmed_; }

 private:
  int textIndex_;
  bool confirmed_ = false;
};

}  // namespace vilmar
