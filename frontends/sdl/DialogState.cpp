#include "frontends/sdl/DialogState.h"

#include <algorithm>
#include <cstring>

#include "net/Windows1252.h"

namespace vilmar::sdl {

namespace {

// The Windows program's templates, in dialog units.
const std::vector<DialogTemplate>& templates() {
  static const std::vector<DialogTemplate> all{
      {DIALOG_INFO, "Information", 263, 170, false,
       {{ID_TEXT, ControlKind::TextBox, "", 7, 7, 249, 124},
        {ID_OK, ControlKind::DefaultButton, "OK", 105, 149, 50, 14}}},
      {DIALOG_SIGN_IN, "Anmäl din high-score", 196, 109, false,
       {{-1, ControlKind::Group, "Användarnamn (e-mailadress)", 7, 11, 182, 29},
        {ID_EMAIL, ControlKind::Edit, "", 11, 21, 171, 12},
        {-1, ControlKind::Group, "Lösenord", 7, 45, 182, 31},
        {ID_PASSWORD, ControlKind::Password, "", 11, 56, 171, 12},
        {ID_OK, ControlKind::DefaultButton, "OK", 7, 88, 50, 14},
        {ID_CANCEL, ControlKind::Button, "Avbryt", 73, 88, 50, 14},
        {ID_NEW_USER, ControlKind::Button, "Ny användare", 139, 88, 50, 14}}},
      {DIALOG_QUESTION, "", 142, 53, true,
       {{ID_TEXT, ControlKind::TextLine, "", 7, 7, 122, 22},
        {ID_OK, ControlKind::DefaultButton, "Ja", 7, 32, 50, 14},
        {ID_CANCEL, ControlKind::Button, "Nej", 85, 32, 50, 14}}},
      // The native game's own: the same look as the dialogs above.
      {DIALOG_SETTINGS, "Inställningar", 200, 150, true,
       {{ID_SET_SCALE, ControlKind::Button, "", 7, 7, 90, 14},
        {ID_SET_FULLSCREEN, ControlKind::Button, "", 103, 7, 90, 14},
        {ID_SET_VOLUME, ControlKind::TextLine, "", 7, 28, 40, 10},
        {ID_SET_VOLUME_DOWN, ControlKind::Button, "", 49, 25, 45, 14},
        {ID_SET_VOLUME_UP, ControlKind::Button, "", 96, 25, 45, 14},
        {ID_SET_MUTE, ControlKind::Button, "", 143, 25, 50, 14},
        {ID_SET_SPEED, ControlKind::Button, "", 7, 43, 186, 14},
        {-1, ControlKind::Group, "Tangenter", 7, 60, 186, 46},
        {ID_SET_KEY_UP, ControlKind::Button, "", 11, 70, 88, 14},
        {ID_SET_KEY_DOWN, ControlKind::Button, "", 101, 70, 88, 14},
        {ID_SET_KEY_SERVE, ControlKind::Button, "", 11, 88, 88, 14},
        {ID_SET_KEY_NEW_GAME, ControlKind::Button, "", 101, 88, 88, 14},
        {ID_SET_STATUS, ControlKind::TextLine, "", 7, 109, 186, 18},
        {ID_OK, ControlKind::DefaultButton, "OK", 7, 130, 50, 14},
        {ID_CANCEL, ControlKind::Button, "Avbryt", 143, 130, 50, 14}}},
  };
  return all;
}

std::vector<TabStop> tabStops(const DialogTemplate& layout) {
  std::vector<TabStop> stops;
  for (const ControlTemplate& c : layout.controls) {
    switch (c.kind) {
      case ControlKind::Edit:
      case ControlKind::Password: stops.push_back({c.id, StopKind::Entry}); break;
      case ControlKind::TextBox: stops.push_back({c.id, StopKind::Text}); break;
      case ControlKind::Button:
      case ControlKind::DefaultButton: stops.push_back({c.id, StopKind::Button}); break;
      case ControlKind::Group:
      case ControlKind::TextLine: break;
    }
  }
  return stops;
}

}  // namespace

const DialogTemplate& dialogTemplate(int id) {
  for (const DialogTemplate& t : templates())
    if (t.id == id) return t;
  return templates().front();
}

DialogState::DialogState(const DialogTemplate& layout, int defaultButton)
    : layout_(layout), caption_(layout.caption), keys_(tabStops(layout), defaultButton) {
  for (const ControlTemplate& c : layout.controls) {
    if (c.kind == ControlKind::Edit || c.kind == ControlKind::Password) edits_[c.id].fill('\0');
    else if (c.id >= 0) texts_[c.id] = c.text;
  }
}

void DialogState::setItemText(int id, std::string_view text) {
  if (EditBuffer* buffer = edit(id)) {
    // What does not fit is cut at a character's start, never inside one.
    std::size_t size = std::min(text.size(), EDIT_BYTES - 1);
    while (size > 0 && size < text.size() && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) --size;
    buffer->fill('\0');
    std::memcpy(buffer->data(), text.data(), size);
    return;
  }
  texts_[id] = text;
}

std::string DialogState::itemText(int id, std::size_t maxChars) {
  const EditBuffer* buffer = edit(id);
  const std::string_view text = buffer != nullptr ? std::string_view(buffer->data()) : this->text(id);
  return std::string(utf8Prefix(text, maxChars));
}

std::string_view DialogState::text(int id) const {
  const auto found = texts_.find(id);
  return found == texts_.end() ? std::string_view{} : std::string_view(found->second);
}

DialogState::EditBuffer* DialogState::edit(int id) {
  const auto found = edits_.find(id);
  return found == edits_.end() ? nullptr : &found->second;
}

}  // namespace vilmar::sdl
