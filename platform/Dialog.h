#pragma once
// A modal dialog as the game sees it: what each button does lives here, how
// the dialog looks lives in the frontend, which shows the template named by
// templateId() and forwards the commands of its controls.

#include <string>
#include <string_view>

namespace vilmar {

// Template and control ids shared with the frontends' resources.
inline constexpr int DIALOG_INFO = 129;
inline constexpr int DIALOG_SIGN_IN = 131;
inline constexpr int DIALOG_QUESTION = 135;
inline constexpr int DIALOG_SETTINGS = 140;

inline constexpr int ID_OK = 1;        // "Ja" in the question, "OK" elsewhere; also Enter
inline constexpr int ID_CANCEL = 2;    // "Nej" / "Avbryt"; also Escape and the close box
inline constexpr int ID_NEW_USER = 3;  // "Ny användare"
inline constexpr int ID_TEXT = 1000;   // the text field of the question and information dialogs
inline constexpr int ID_EMAIL = 1003;
inline constexpr int ID_PASSWORD = 1004;

// The settings dialog's controls. While ID_SET_CAPTURE's text is "1" the
// dialog waits for a key: the frontend then gives the next key pressed
// (Escape included) as ID_KEY_PRESSED's text, by its browser name
// ("KeyW"), and sends the command ID_KEY_PRESSED.
inline constexpr int ID_SET_SCALE = 1101;
inline constexpr int ID_SET_FULLSCREEN = 1102;
inline constexpr int ID_SET_VOLUME = 1103;  // the volume as text
inline constexpr int ID_SET_VOLUME_DOWN = 1104;
inline constexpr int ID_SET_VOLUME_UP = 1105;
inline constexpr int ID_SET_MUTE = 1106;
inline constexpr int ID_SET_SPEED = 1107;
inline constexpr int ID_SET_KEY_UP = 1110;  // then Down, Serve, New game
inline constexpr int ID_SET_KEY_DOWN = 1111;
inline constexpr int ID_SET_KEY_SERVE = 1112;
inline constexpr int ID_SET_KEY_NEW_GAME = 1113;
inline constexpr int ID_SET_STATUS = 1120;
inline constexpr int ID_SET_CAPTURE = 1121;
inline constexpr int ID_KEY_PRESSED = 1122;

// What the dialog's behaviour may do to the dialog on screen.
class DialogView {
 public:
  virtual ~DialogView() = default;
  virtual void setCaption(std::string_view text) = 0;
  virtual void setItemText(int id, std::string_view text) = 0;
  // The text of an edit control, cut to at most maxChars characters.
  virtual std::string itemText(int id, std::size_t maxChars) = 0;
  // Ends the dialog once the current command has been handled.
  virtual void end() = 0;
  // Puts the keyboard focus into a control, so typing goes there. A view
  // that has no keyboard may ignore it.
  virtual void focus(int /*id*/) {}
};

class Dialog {
 public:
  virtual ~Dialog() = default;
  virtual int templateId() const = 0;
  virtual void init(DialogView& view) = 0;
  virtual void command(int id, DialogView& view) = 0;
  // The button Enter presses when no button has the focus.
  virtual int defaultButton() const { return ID_OK; }
};

}  // namespace vilmar
