#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "app/App.h"
#include "tests/TestSupport.h"
#include "ui/Settings.h"
#include "ui/SettingsDialog.h"

namespace vilmar {
namespace {

TEST(Settings, RoundTripAndDefaults) {
  Settings s;
  s.scale = 3;
  s.fullscreen = true;
  s.volume = 35;
  s.mute = true;
  s.speed = GameSpeed::Half;
  ASSERT_EQ(rebind(s.keys, GameKey::Serve, "KeyX"), RebindResult::Done);
  Settings back;
  std::string problem;
  ASSERT_TRUE(parseSettings(formatSettings(s), back, problem)) << problem;
  EXPECT_EQ(back, s);
  ASSERT_TRUE(parseSettings(formatSettings(Settings{}), back, problem));
  EXPECT_EQ(back, Settings{});
  // Empty, comments, CRLF, spaces and a later version's keys read fine.
  ASSERT_TRUE(parseSettings("", back, problem));
  EXPECT_EQ(back, Settings{});
  ASSERT_TRUE(parseSettings("# hi\r\n volume = 7 \r\ncolour=blue\n\nkey.up=KeyW", back, problem)) << problem;
  EXPECT_EQ(back.volume, 7);
  EXPECT_EQ(back.keys[GameKey::Up], "KeyW");
  EXPECT_EQ(back.keys.gameKey("KeyW"), Key::Up);
  EXPECT_EQ(back.keys.gameKey("ArrowUp"), std::nullopt);
  EXPECT_EQ(back.keys.gameKey("ArrowLeft"), Key::Left);
}

TEST(Settings, ADamagedTextGivesTheDefaultsAndSaysWhere) {
  const char* damaged[] = {
      "volume=101", "volume=-1", "volume=", "scale=9", "scale=0", "fullscreen=yes", "speed=60",
      "mute", "key.up=Escape", "key.serve=KeyM", "key.down=NoSuchKey",
      "key.up=Space\n",  // on Serve's key too
      "volume=50\nvolume=99999999999999999999",
  };
  for (const char* text : damaged) {
    Settings s;
    s.volume = 3;
    std::string problem;
    EXPECT_FALSE(parseSettings(text, s, problem)) << text;
    EXPECT_EQ(s, Settings{}) << text;
    EXPECT_FALSE(problem.empty());
  }
  std::string problem;
  Settings s;
  EXPECT_FALSE(parseSettings("volume=4\nbroken line\n", s, problem));
  EXPECT_EQ(problem, "line 2: no '=' in it");
  EXPECT_FALSE(parseSettings(std::string("volume=4\0", 9), s, problem));
  EXPECT_FALSE(parseSettings(std::string(SETTINGS_MAX_BYTES + 1, '#'), s, problem));
}

TEST(Settings, RebindingRefusesAKeyInUseAndReservedKeys) {
  KeyBindings keys;
  EXPECT_EQ(rebind(keys, GameKey::Up, "ArrowDown"), RebindResult::Used);
  EXPECT_EQ(keys[GameKey::Up], "ArrowUp");
  EXPECT_EQ(rebind(keys, GameKey::Up, "ArrowUp"), RebindResult::Done);  // its own key
  for (const char* reserved : {"Escape", "KeyM", "F10", "F11", "Tab", "Enter", "AltLeft", "", "F13", "F0", "Key"})
    EXPECT_EQ(rebind(keys, GameKey::NewGame, reserved), RebindResult::NotBindable) << reserved;
  EXPECT_EQ(rebind(keys, GameKey::NewGame, "F2"), RebindResult::Done);
  EXPECT_EQ(keys.gameKey("F2"), Key::F1);
  EXPECT_EQ(keys.gameKey("F1"), std::nullopt);
  EXPECT_EQ(keyLabel("ArrowUp"), "Upp");
  EXPECT_EQ(keyLabel("KeyQ"), "Q");
  EXPECT_EQ(keyLabel("Space"), "Mellanslag");
}

struct View : DialogView {
  std::map<int, std::string> items;
  bool ended = false;
  void setCaption(std::string_view) override {}
  void setItemText(int id, std::string_view text) override { items[id] = text; }
  std::string itemText(int id, std::size_t) override { return items[id]; }
  void end() override { ended = true; }
  void press(SettingsDialog& d, std::string_view code) {
    ASSERT_EQ(items[ID_SET_CAPTURE], "1");
    items[ID_KEY_PRESSED] = code;
    d.command(ID_KEY_PRESSED, *this);
  }
};

TEST(SettingsDialog, StepsEachValueAndRebindsAKeyRefusingOneInUse) {
  SettingsDialog d{Settings{}};
  View v;
  d.init(v);
  EXPECT_EQ(v.items[ID_SET_KEY_SERVE], "Servera: Mellanslag");
  EXPECT_EQ(v.items[ID_SET_CAPTURE], "");
  for (int id : {ID_SET_SCALE, ID_SET_SCALE, ID_SET_FULLSCREEN, ID_SET_VOLUME_DOWN, ID_SET_MUTE, ID_SET_SPEED, ID_SET_SPEED})
    d.command(id, v);
  EXPECT_EQ(v.items[ID_SET_SCALE], "Storlek: 2×");
  EXPECT_EQ(v.items[ID_SET_SPEED], "Spelhastighet: 50 % (Övningsläge)");
  EXPECT_EQ(v.items[ID_SET_VOLUME], "Volym: 90");
  for (int i = 0; i < 12; ++i) d.command(ID_SET_VOLUME_UP, v);
  EXPECT_EQ(v.items[ID_SET_VOLUME], "Volym: 100");

  d.command(ID_SET_KEY_SERVE, v);
  EXPECT_EQ(v.items[ID_SET_KEY_SERVE], "Servera: …");
  d.command(ID_CANCEL, v);  // a click elsewhere while a key is awaited does nothing
  EXPECT_FALSE(v.ended);
  v.press(d, "ArrowUp");
  EXPECT_EQ(v.items[ID_SET_STATUS], "Tangenten används redan. Tryck på en annan, eller Esc.");
  v.press(d, "KeyM");
  EXPECT_EQ(v.items[ID_SET_STATUS], "Den tangenten kan inte användas. Tryck på en annan, eller Esc.");
  v.press(d, "KeyX");
  EXPECT_EQ(v.items[ID_SET_CAPTURE], "");
  EXPECT_EQ(v.items[ID_SET_KEY_SERVE], "Servera: X");
  // Escape while waiting keeps the key it had.
  d.command(ID_SET_KEY_UP, v);
  v.press(d, "Escape");
  EXPECT_FALSE(v.ended);
  EXPECT_EQ(d.settings().keys[GameKey::Up], "ArrowUp");

  d.command(ID_OK, v);
  EXPECT_TRUE(v.ended);
  EXPECT_TRUE(d.accepted());
  EXPECT_EQ(d.settings().scale, 2);
  EXPECT_TRUE(d.settings().fullscreen);
  EXPECT_TRUE(d.settings().mute);
  EXPECT_EQ(d.settings().speed, GameSpeed::Half);
  EXPECT_EQ(d.settings().keys[GameKey::Serve], "KeyX");
}

// A platform whose settings dialog is worked by a list of commands.
struct ScriptedPlatform : HeadlessPlatform {
  ScriptedPlatform() : HeadlessPlatform(5000) {
    useCompiledResources(false);
    setResource(ResourceType::Bitmap, 139, test::testPaletteBitmap());
  }
  std::vector<int> script;
  int opened = 0;
  void runDialog(Dialog& dialog) override {
    if (dialog.templateId() != DIALOG_SETTINGS) return HeadlessPlatform::runDialog(dialog);
    ++opened;
    View v;
    dialog.init(v);
    for (int id : script) dialog.command(id, v);
  }
};

TEST(SettingsDialog, OkHandsTheSettingsToTheFrontendAndTheNextGameTakesTheSpeed) {
  ScriptedPlatform p;
  App app(p);
  std::vector<Settings> handed;
  app.settingsChanged = [&](const Settings& s) { handed.push_back(s); };
  p.script = {ID_SET_SPEED, ID_CANCEL};
  app.menuCommand(CMD_SETTINGS);
  app.pass();
  EXPECT_EQ(p.opened, 1);
  EXPECT_TRUE(handed.empty());
  EXPECT_EQ(app.settings, Settings{});

  app.menuCommand(CMD_NEW_GAME);
  app.pass();
  p.script = {ID_SET_SPEED, ID_OK};
  app.menuCommand(CMD_SETTINGS);
  app.pass();
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0].speed, GameSpeed::ThreeQuarters);
  EXPECT_FALSE(app.gameSession->practice());  // the game in play keeps its speed
  app.menuCommand(CMD_NEW_GAME);
  app.pass();
  EXPECT_TRUE(app.gameSession->practice());
  EXPECT_EQ(app.gameSession->tickMs(), 53u);
}

}  // namespace
}  // namespace vilmar
