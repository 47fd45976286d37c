#include "ui/SettingsDialog.h"

#include <string>

namespace vilmar {

namespace {

constexpr int VOLUME_STEP = 10;
constexpr const char* KEY_NAMES[GAME_KEY_COUNT] = {"Upp", "Ned", "Servera", "Nytt spel"};

std::string onOff(bool on) { return on ? "På" : "Av"; }

}  // namespace

void SettingsDialog::init(DialogView& view) {
  view.setCaption("Inställningar");
  show(view);
  view.setItemText(ID_SET_STATUS, "");
}

void SettingsDialog::show(DialogView& view) const {
  view.setItemText(ID_SET_SCALE, settings_.scale == 0 ? std::string("Storlek: Största")
                                                      : "Storlek: " + std::to_string(settings_.scale) + "×");
  view.setItemText(ID_SET_FULLSCREEN, "Helskärm: " + onOff(settings_.fullscreen));
  view.setItemText(ID_SET_VOLUME, "Volym: " + std::to_string(settings_.volume));
  view.setItemText(ID_SET_VOLUME_DOWN, "Volym −");
  view.setItemText(ID_SET_VOLUME_UP, "Volym +");
  view.setItemText(ID_SET_MUTE, "Ljud: " + onOff(!settings_.mute) + " (M)");
  std::string speed = "Spelhastighet: " + std::to_string(speedPercent(settings_.speed)) + " %";
  if (settings_.speed != GameSpeed::Full) speed += " (" + std::string(PRACTICE_LABEL) + ")";
  view.setItemText(ID_SET_SPEED, speed);
  for (std::size_t i = 0; i < GAME_KEY_COUNT; ++i)
    view.setItemText(ID_SET_KEY_UP + static_cast<int>(i),
                     std::string(KEY_NAMES[i]) + ": " +
                         (capturing_ == static_cast<int>(i) ? std::string("…") : keyLabel(settings_.keys.codes[i])));
  view.setItemText(ID_SET_CAPTURE, capturing_ >= 0 ? "1" : "");
}

void SettingsDialog::keyPressed(std::string_view code, DialogView& view) {
  if (capturing_ < 0) return;
  if (code == "Escape") {
    capturing_ = -1;
    view.setItemText(ID_SET_STATUS, "");
  } else {
    switch (rebind(settings_.keys, static_cast<GameKey>(capturing_), code)) {
      case RebindResult::Done:
        view.setItemText(ID_SET_STATUS, "");
        capturing_ = -1;
        break;
      case RebindResult::Used:
        view.setItemText(ID_SET_STATUS, "Tangenten används redan. Tryck på en annan, eller Esc.");
        break;
      case RebindResult::NotBindable:
        view.setItemText(ID_SET_STATUS, "Den tangenten kan inte användas. Tryck på en annan, eller Esc.");
        break;
    }
  }
  show(view);
}

void SettingsDialog::command(int id, DialogView& view) {
  if (id == ID_KEY_PRESSED) {
    keyPressed(view.itemText(ID_KEY_PRESSED, 32), view);
    return;
  }
  // While a key is awaited, only a key answers.
  if (capturing_ >= 0) return;
  switch (id) {
    case ID_OK:
      accepted_ = true;
      view.end();
      return;
    case ID_CANCEL: view.end(); return;
    case ID_SET_SCALE: settings_.scale = settings_.scale >= MAX_SETTINGS_SCALE ? 0 : settings_.scale + 1; break;
    case ID_SET_FULLSCREEN: settings_.fullscreen = !settings_.fullscreen; break;
    case ID_SET_VOLUME_DOWN: settings_.volume = std::max(0, settings_.volume - VOLUME_STEP); break;
    case ID_SET_VOLUME_UP: settings_.volume = std::min(MAX_VOLUME, settings_.volume + VOLUME_STEP); break;
    case ID_SET_MUTE: settings_.mute = !settings_.mute; break;
    case ID_SET_SPEED:
      settings_.speed = settings_.speed == GameSpeed::Full           ? GameSpeed::ThreeQuarters
                        : settings_.speed == GameSpeed::ThreeQuarters ? GameSpeed::Half
                                                                      : GameSpeed::Full;
      break;
    case ID_SET_KEY_UP:
    case ID_SET_KEY_DOWN:
    case ID_SET_KEY_SERVE:
    case ID_SET_KEY_NEW_GAME:
      capturing_ = id - ID_SET_KEY_UP;
      view.setItemText(ID_SET_STATUS, "Tryck på den nya tangenten för " + std::string(KEY_NAMES[capturing_]) +
                                          ". Esc avbryter.");
      break;
    default: return;
  }
  show(view);
}

}  // namespace vilmar
