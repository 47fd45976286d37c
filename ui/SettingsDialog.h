#pragma once
// "Inställningar": the player's settings, changed on a copy that OK keeps
// and "Avbryt" (or Escape) throws away. Each value is a button that steps
// through its choices; a game key's button waits for the new key, refuses
// one already in use and lets Escape cancel the wait.

#include "ui/Settings.h"
#include "platform/Dialog.h"

namespace vilmar {

class SettingsDialog : public Dialog {
 public:
  explicit SettingsDialog(const Settings& settings) : settings_(settings) {}
  int templateId() const override { return DIALOG_SETTINGS; }
  void init(DialogView& view) override;
  void command(int id, DialogView& view) override;

  bool accepted() const { return accepted_; }
  const Settings& settings() const { return settings_; }
  bool waitingForKey() const { return capturing_ >= 0; }

 private:
  void show(DialogView& view) const;
  void keyPressed(std::string_view code, DialogView& view);

  Settings settings_;
  int capturing_ = -1;  // the game key waiting for its new key
  bool accepted_ = false;
};

}  // namespace vilmar
