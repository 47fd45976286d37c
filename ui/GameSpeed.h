#pragma once
// The game's speed: full speed, or one of two practice speeds for players
// who want more time to react. A slower game is a longer tick; the rules do
// not change. A practice game is never sent as a score: its recording says
// its tick, and the service plays only full-speed games.

#include <cstdint>
#include <string>
#include <string_view>

namespace vilmar {

enum class GameSpeed : std::uint8_t { Full, ThreeQuarters, Half };

inline constexpr std::uint32_t FULL_SPEED_TICK_MS = 40;

// 100, 75 or 50.
constexpr int speedPercent(GameSpeed speed) {
  switch (speed) {
    case GameSpeed::ThreeQuarters: return 75;
    case GameSpeed::Half: return 50;
    case GameSpeed::Full: break;
  }
  return 100;
}

// 40 ms at full speed; 40 / 0.75 rounded down to 53 ms; 80 ms at half.
constexpr std::uint32_t speedTickMs(GameSpeed speed) {
  return FULL_SPEED_TICK_MS * 100u / static_cast<std::uint32_t>(speedPercent(speed));
}

// The speed of a percentage from a settings file or a command line; false
// for anything but 100, 75 and 50.
bool speedFromPercent(long percent, GameSpeed& out);
// The speed a recorded tick length plays at; false for a tick of no speed.
bool speedFromTickMs(std::uint32_t tickMs, GameSpeed& out);

inline constexpr std::string_view PRACTICE_LABEL = "Övningsläge";
inline constexpr std::string_view GAME_TITLE = "Vilmar Pintkeeper";

// The window's title: the game's name, and for a practice game the label
// after it, so a practice game is never taken for one that counts.
std::string windowTitle(bool practice);

}  // namespace vilmar
