#include "ui/Dialogs.h"

#include "ui/InfoTexts.h"

namespace vilmar {

void QuestionDialog::init(DialogView& view) {
  view.setCaption("Registrera");
  view.setItemText(ID_TEXT, "Vill du skicka din highscore till Internet?");
}

void QuestionDialog::command(int id, DialogView& view) {
  if (id == ID_OK) {
    accepted_ = true;
    view.end();
  } else if (id == ID_CANCEL) {
    view.end();
  }
}

void InfoDialog::init(DialogView& view) { view.setItemText(ID_TEXT, infoText(textIndex_)); }

void InfoDialog::command(int id, DialogView& view) {
  if (id != ID_OK) return;  // Escape does nothing here
  confirmed_ = true;
  view.end();
}

}  // namespace vilmar
