#pragma once
// One recorded game as a file of its own (.vpr): a short header with the
// game's result, then the input its world took, as changes. The layout is
// in docs/replay.md. Reading treats the bytes as hostile: every length and
// count is checked against what is left, and the result is either a whole
// replay or a reason.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vilmar {

inline constexpr std::uint8_t REPLAY_FORMAT = 1;
inline constexpr std::size_t REPLAY_HEADER_BYTES = 40;
inline constexpr std::size_t REPLAY_MAX_BYTES = 64 * 1024;
// Six hours of play: no game lasts that long, since a player who stops
// misses within minutes and every level from 29 on costs a life.
inline constexpr std::uint32_t REPLAY_MAX_TICKS = 6u * 3600u * 25u;
// Level n spawns n customers at once; no game gets past level 29, and a
// header asking for a level of a million would keep its reader busy for good.
inline constexpr std::int32_t REPLAY_MAX_FIRST_LEVEL = 100;

// What one key read found, as bits: Up, Down, Space (down now or pressed
// since the read before).
inline constexpr std::uint8_t TAPE_UP = 1;
inline constexpr std::uint8_t TAPE_DOWN = 2;
inline constexpr std::uint8_t TAPE_SPACE = 4;
inline constexpr std::uint8_t TAPE_KEYS = TAPE_UP | TAPE_DOWN | TAPE_SPACE;

// The keys changed to `keys` at a read that came `unchanged` reads after the
// previous change (the first change counts from the game's first read).
struct KeyChange {
  std::uint32_t unchanged = 0;
  std::uint8_t keys = 0;
  bool operator==(const KeyChange&) const = default;
};

struct Replay {
  std::uint16_t rulesVersion = 0;
  std::uint8_t tickMs = 40;      // the game's speed: milliseconds per tick
  bool gameOver = false;         // ended in game over; otherwise cut short by a new game
  std::int32_t firstLevel = 1;
  std::uint32_t ticks = 0;       // ticks from the game's start to its end, both counted
  std::int32_t score = 0;        // the score when it ended
  std::uint64_t finalHash = 0;   // worldHash() of the world when it ended
  std::vector<KeyChange> keys;
  // Each time a rule read the clock after the first: how far the clock was
  // from the previous read plus tickMs for each tick between the two.
  std::vector<std::int32_t> clock;
  bool operator==(const Replay&) const = default;
};

enum class ReplayError {
  None,
  TooShort,        // cut before the header's end or before its counts are read
  TooLong,         // over REPLAY_MAX_BYTES
  NotAReplay,      // wrong magic
  FormatVersion,   // a format this program does not know
  BadHeader,       // a field out of its range (speed 0, level below 1, ticks over the limit)
  BadKeys,         // a change that changes nothing, a key bit that does not exist, a varint too long
  BadClock,        // a clock deviation that is no 32-bit value, a varint too long
  TrailingBytes,   // bytes after the last record
};

const char* replayErrorName(ReplayError error);

std::vector<std::uint8_t> encodeReplay(const Replay& replay);
// Reads a whole file. On failure `out` is left as it was.
ReplayError parseReplay(std::span<const std::uint8_t> bytes, Replay& out);

// Reads and parses a replay file of at most REPLAY_MAX_BYTES, for the
// tools and the native game's --replay; error tells the user what is wrong.
bool loadReplay(const std::string& path, Replay& out, std::string& error);

// Sizes of the parts, for a recording that keeps within REPLAY_MAX_BYTES.
std::size_t keyChangeBytes(const KeyChange& change);
std::size_t clockBytes(std::int32_t deviation);

}  // namespace vilmar
