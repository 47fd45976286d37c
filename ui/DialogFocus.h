#pragma once
// Which control of an open dialog has the keyboard, and what the dialog keys
// do, as a desktop dialog does it: Tab and Shift+Tab go round the controls,
// the arrows go round the buttons, Space presses the button that has the
// focus, Enter presses that button or, from an entry, the default one, and
// Escape is the cancel command. A frontend that draws its own dialogs asks
// this; one with native dialogs has the same rules from its system.

#include <optional>
#include <vector>

namespace vilmar {

enum class DialogKey { Tab, BackTab, Enter, Space, Escape, Left, Right, Up, Down };

// Entries take typing (and Space); texts only scroll; buttons press.
enum class StopKind { Entry, Text, Button };

struct TabStop {
  int id;
  StopKind kind;
};

class DialogFocus {
 public:
  // stops in tab order; the focus starts on the first. defaultButton is
  // what Enter presses from an entry or a text.
  DialogFocus(std::vector<TabStop> stops, int defaultButton);

  // The control that has the focus; 0 in a dialog without controls.
  int focused() const;
  StopKind focusedKind() const;
  // Moves the focus to a control; false (and no move) for one that takes none.
  bool focus(int id);
  // The button Enter presses and that is drawn as the default: the focused
  // button, else the dialog's default one.
  int defaultButton() const;
  // What a key does: the command of the button it presses, if any; a key
  // that moves the focus gives none.
  std::optional<int> key(DialogKey key);

 private:
  void step(int by, bool buttonsOnly);

  std::vector<TabStop> stops_;
  int default_;
  std::size_t at_ = 0;
};

}  // namespace vilmar
