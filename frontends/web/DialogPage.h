#pragma once
// A dialog shown as HTML on the page. The page only shows the template and
// reports which button was used; what the buttons do stays in the dialog
// classes of the game.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Dialog.h"

namespace vilmar::web {

class DialogPage {
 public:
  virtual ~DialogPage() = default;
  virtual void open(int templateId) = 0;
  virtual void setCaption(std::string_view text) = 0;
  virtual void setItemText(int id, std::string_view text) = 0;
  // The entry's text as the page holds it (UTF-8, not yet cut).
  virtual std::string itemText(int id) = 0;
  // Puts the keyboard focus into an entry, its text selected.
  virtual void focus(int id) = 0;
  // Waits, giving the browser its turn, until a button is used (Enter is
  // ID_OK, Escape ID_CANCEL); 0 when the page can no longer answer.
  virtual int waitCommand() = 0;
  virtual void close() = 0;
};

// Shows the dialog and hands every command to it until it ends.
void runDialogOnPage(Dialog& dialog, DialogPage& page);

}  // namespace vilmar::web
