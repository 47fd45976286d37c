#pragma once
// One open dialog as the SDL frontend shows it: the texts its template
// starts with, what the core's behaviour sets, and the two entry fields'
// buffers. The behaviour itself stays in the core's Dialog classes.

#include <array>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Dialog.h"
#include "ui/DialogFocus.h"

namespace vilmar::sdl {

enum class ControlKind { DefaultButton, Button, Group, Edit, Password, TextLine, TextBox };

struct ControlTemplate {
  int id;  // -1 for the group boxes
  ControlKind kind;
  std::string_view text;
  int x, y, w, h;  // dialog units
};

struct DialogTemplate {
  int id;
  std::string_view caption;
  int w, h;  // dialog units
  bool closeBox;
  std::vector<ControlTemplate> controls;  // in tab order
};

// The template of the given id; the information dialog's for an unknown one.
const DialogTemplate& dialogTemplate(int id);

class DialogState final : public DialogView {
 public:
  // Room for a 64-character entry of 4-byte characters and its end.
  static constexpr std::size_t EDIT_BYTES = 257;
  using EditBuffer = std::array<char, EDIT_BYTES>;

  DialogState(const DialogTemplate& layout, int defaultButton = ID_OK);

  void setCaption(std::string_view text) override { caption_ = text; }
  void setItemText(int id, std::string_view text) override;
  std::string itemText(int id, std::size_t maxChars) override;
  void end() override { ended_ = true; }
  void focus(int id) override { focusMoved_ = keys_.focus(id) || focusMoved_; }

  const DialogTemplate& layout() const { return layout_; }
  const std::string& caption() const { return caption_; }
  std::string_view text(int id) const;
  // The entry buffer of an edit control (the game's two entries), or null.
  EditBuffer* edit(int id);
  bool ended() const { return ended_; }
  // Which control has the keyboard and what the dialog keys do.
  DialogFocus& keys() { return keys_; }
  // A key or the behaviour moved the focus since the last look: the view
  // moves its own to match.
  void noteFocusMoved() { focusMoved_ = true; }
  bool takeFocusMoved() { return std::exchange(focusMoved_, false); }
  // While the score is on its way the dialog is drawn but takes nothing.
  bool busy = false;

 private:
  const DialogTemplate& layout_;
  std::string caption_;
  std::map<int, std::string> texts_;
  std::map<int, EditBuffer> edits_;
  bool ended_ = false;
  DialogFocus keys_;
  bool focusMoved_ = true;  // the first control takes the focus as the dialog opens
};

// The dialog as a behaviour that runs on a thread of its own sees it (the
// score's exchange takes seconds, and the window is drawn meanwhile): each
// change waits for the drawing of the moment to finish.
class LockedDialogView final : public DialogView {
 public:
  LockedDialogView(DialogState& state, std::mutex& lock) : state_(state), lock_(lock) {}
  void setCaption(std::string_view text) override {
    const std::lock_guard<std::mutex> hold(lock_);
    state_.setCaption(text);
  }
  void setItemText(int id, std::string_view text) override {
    const std::lock_guard<std::mutex> hold(lock_);
    state_.setItemText(id, text);
  }
  std::string itemText(int id, std::size_t maxChars) override {
    const std::lock_guard<std::mutex> hold(lock_);
    return state_.itemText(id, maxChars);
  }
  void end() override {
    const std::lock_guard<std::mutex> hold(lock_);
    state_.end();
  }
  void focus(int id) override {
    const std::lock_guard<std::mutex> hold(lock_);
    state_.focus(id);
  }

 private:
  DialogState& state_;
  std::mutex& lock_;
};

}  // namespace vilmar::sdl
