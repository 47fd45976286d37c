#pragma once
// One open dialog as the SDL frontend shows it: the texts its template
// starts with, what the core's behaviour sets, and the two entry fields'
// buffers. The behaviour itself stays in the core's Dialog classes.

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dialog.h"

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

  explicit DialogState(const DialogTemplate& layout);

  void setCaption(std::string_view text) override { caption_ = text; }
  void setItemText(int id, std::string_view text) override;
  std::string itemText(int id, std::size_t maxChars) override;
  void end() override { ended_ = true; }

  const DialogTemplate& layout() const { return layout_; }
  const std::string& caption() const { return caption_; }
  std::string_view text(int id) const;
  // The entry buffer of an edit control (the game's two entries), or null.
  EditBuffer* edit(int id);
  bool ended() const { return ended_; }

 private:
  const DialogTemplate& layout_;
  std::string caption_;
  std::map<int, std::string> texts_;
  std::map<int, EditBuffer> edits_;
  bool ended_ = false;
};

}  // namespace vilmar::sdl
