#include <gtest/gtest.h>

#include "app/Settings.h"

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

}  // namespace
}  // namespace vilmar
