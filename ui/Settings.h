#pragma once
// The player's settings, kept between runs by every frontend the same way:
// the native game in a settings.ini, the browser version in its local
// storage under the same keys. The text is a tiny format of our own (one
// "key=value" a line, '#' starts a comment; docs/settings.md) so the one
// parser here serves the browser build too.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/GameSpeed.h"
#include "platform/Platform.h"

namespace vilmar {

// The four keys a player can move: Up and Down switch bars, Serve pours and
// sends a mug, New game restarts. Left and Right steer nothing.
enum class GameKey : std::uint8_t { Up, Down, Serve, NewGame };
inline constexpr std::size_t GAME_KEY_COUNT = 4;

// The key each game key is on, named as the browser names physical keys
// ("ArrowUp", "Space", "KeyW", "Digit1", "F1"): the native frontend
// translates its scan codes to the same names.
struct KeyBindings {
  std::array<std::string, GAME_KEY_COUNT> codes{"ArrowUp", "ArrowDown", "Space", "F1"};
  const std::string& operator[](GameKey k) const { return codes[static_cast<std::size_t>(k)]; }
  // The game key a physical key plays, if any. Left and Right stay on the
  // arrows whatever is bound (unless an arrow is bound to a game key).
  std::optional<Key> gameKey(std::string_view code) const;
  bool operator==(const KeyBindings&) const = default;
};

// Keys that cannot be bound: Escape cancels, M mutes, F10 and Alt open the
// menu, F11 toggles fullscreen, Tab and Enter work the dialogs; and any name
// this game does not know.
bool bindableKey(std::string_view code);
// The name a player reads in the settings dialog ("Upp", "Mellanslag", "W").
std::string keyLabel(std::string_view code);

// The key that mutes and unmutes in play.
inline constexpr std::string_view MUTE_KEY = "KeyM";

enum class RebindResult { Done, Used, NotBindable };
// Puts `which` on `code`: refused when another game key is on it already or
// the key cannot be bound; binding a key to the key it is on is Done.
RebindResult rebind(KeyBindings& keys, GameKey which, std::string_view code);

inline constexpr int MAX_VOLUME = 100;
inline constexpr int MIN_SETTINGS_SCALE = 1;
inline constexpr int MAX_SETTINGS_SCALE = 8;
// A settings text longer than this is damaged, not read.
inline constexpr std::size_t SETTINGS_MAX_BYTES = 16 * 1024;

struct Settings {
  int scale = 0;  // 0: the largest that fits the screen
  bool fullscreen = false;
  int volume = MAX_VOLUME;  // 0 to 100
  bool mute = false;
  GameSpeed speed = GameSpeed::Full;
  KeyBindings keys;
  bool operator==(const Settings&) const = default;
};

// Reads a settings text. Unknown keys are skipped (a later version's
// settings); anything else that does not read (a line without '=', a value
// out of range, one key on two game keys, a text over SETTINGS_MAX_BYTES or
// with a NUL) makes the whole text damaged: `out` becomes the defaults and
// `problem` says what and where, for one report to the player.
bool parseSettings(std::string_view text, Settings& out, std::string& problem);
std::string formatSettings(const Settings& settings);

}  // namespace vilmar
