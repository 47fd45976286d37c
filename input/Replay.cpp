#include "input/Replay.h"

#include <array>
#include <fstream>

namespace vilmar {

namespace {

constexpr std::array<std::uint8_t, 4> MAGIC = {'V', 'P', 'R', 0x1A};
constexpr std::uint8_t FLAG_GAME_OVER = 1;
constexpr std::size_t MAX_VARINT_BYTES = 10;

void putLe(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t getLe(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
  std::uint64_t value = 0;
  for (int i = 0; i < count; ++i) value |= static_cast<std::uint64_t>(bytes[at + static_cast<std::size_t>(i)]) << (8 * i);
  return value;
}

void putVarint(std::vector<std::uint8_t>& out, std::uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(value | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(value));
}

std::size_t varintBytes(std::uint64_t value) {
  std::size_t n = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++n;
  }
  return n;
}

enum class Varint { Read, Cut, TooLong };

Varint getVarint(std::span<const std::uint8_t> bytes, std::size_t& at, std::uint64_t& value) {
  value = 0;
  for (std::size_t i = 0; i < MAX_VARINT_BYTES; ++i) {
    if (at >= bytes.size()) return Varint::Cut;
    const std::uint8_t b = bytes[at++];
    const std::uint64_t part = b & 0x7Fu;
    if (i == MAX_VARINT_BYTES - 1 && part > 1) return Varint::TooLong;  // past 64 bits
    value |= part << (7 * i);
    if ((b & 0x80) == 0) return Varint::Read;
  }
  return Varint::TooLong;
}

std::uint32_t zigzag(std::int32_t v) {
  return (static_cast<std::uint32_t>(v) << 1) ^ static_cast<std::uint32_t>(-static_cast<std::int32_t>(v < 0));
}

std::int32_t unzigzag(std::uint32_t v) {
  return static_cast<std::int32_t>((v >> 1) ^ (~(v & 1) + 1));
}

}  // namespace

const char* replayErrorName(ReplayError error) {
  switch (error) {
    case ReplayError::None: return "ok";
    case ReplayError::TooShort: return "too-short";
    case ReplayError::TooLong: return "too-long";
    case ReplayError::NotAReplay: return "not-a-replay";
    case ReplayError::FormatVersion: return "format-version";
    case ReplayError::BadHeader: return "bad-header";
    case ReplayError::BadKeys: return "bad-keys";
    case ReplayError::BadClock: return "bad-clock";
    case ReplayError::TrailingBytes: return "trailing-bytes";
  }
  return "unknown";
}

std::size_t keyChangeBytes(const KeyChange& change) {
  return varintBytes((static_cast<std::uint64_t>(change.unchanged) << 3) | (change.keys & TAPE_KEYS));
}

std::size_t clockBytes(std::int32_t deviation) { return varintBytes(zigzag(deviation)); }

std::vector<std::uint8_t> encodeReplay(const Replay& r) {
  std::vector<std::uint8_t> out(MAGIC.begin(), MAGIC.end());
  out.reserve(REPLAY_HEADER_BYTES + r.keys.size() * 2 + r.clock.size());
  out.push_back(REPLAY_FORMAT);
  out.push_back(r.gameOver ? FLAG_GAME_OVER : 0);
  putLe(out, r.rulesVersion, 2);
  out.push_back(r.tickMs);
  putLe(out, 0, 3);  // reserved
  putLe(out, static_cast<std::uint32_t>(r.firstLevel), 4);
  putLe(out, r.ticks, 4);
  putLe(out, static_cast<std::uint32_t>(r.score), 4);
  putLe(out, r.finalHash, 8);
  putLe(out, r.keys.size(), 4);
  putLe(out, r.clock.size(), 4);
  for (const KeyChange& k : r.keys) putVarint(out, (static_cast<std::uint64_t>(k.unchanged) << 3) | (k.keys & TAPE_KEYS));
  for (const std::int32_t d : r.clock) putVarint(out, zigzag(d));
  return out;
}

ReplayError parseReplay(std::span<const std::uint8_t> bytes, Replay& out) {
  if (bytes.size() > REPLAY_MAX_BYTES) return ReplayError::TooLong;
  if (bytes.size() < MAGIC.size()) return ReplayError::TooShort;
  for (std::size_t i = 0; i < MAGIC.size(); ++i)
    if (bytes[i] != MAGIC[i]) return ReplayError::NotAReplay;
  if (bytes.size() < REPLAY_HEADER_BYTES) return ReplayError::TooShort;
  if (bytes[4] != REPLAY_FORMAT) return ReplayError::FormatVersion;

  Replay r;
  const std::uint8_t flags = bytes[5];
  r.gameOver = (flags & FLAG_GAME_OVER) != 0;
  r.rulesVersion = static_cast<std::uint16_t>(getLe(bytes, 6, 2));
  r.tickMs = bytes[8];
  const auto reserved = getLe(bytes, 9, 3);
  r.firstLevel = static_cast<std::int32_t>(getLe(bytes, 12, 4));
  r.ticks = static_cast<std::uint32_t>(getLe(bytes, 16, 4));
  r.score = static_cast<std::int32_t>(getLe(bytes, 20, 4));
  r.finalHash = getLe(bytes, 24, 8);
  const auto keyCount = static_cast<std::size_t>(getLe(bytes, 32, 4));  // 32 bits: fits everywhere
  const auto clockCount = static_cast<std::size_t>(getLe(bytes, 36, 4));
  if ((flags & ~FLAG_GAME_OVER) != 0 || reserved != 0 || r.tickMs == 0 || r.firstLevel < 1 ||
      r.firstLevel > REPLAY_MAX_FIRST_LEVEL || r.ticks == 0 ||
      r.ticks > REPLAY_MAX_TICKS)
    return ReplayError::BadHeader;
  // Every record takes at least one byte: counts beyond the bytes left are
  // refused before anything is reserved for them.
  const std::size_t left = bytes.size() - REPLAY_HEADER_BYTES;
  if (keyCount > left || clockCount > left - keyCount) return ReplayError::TooShort;

  std::size_t at = REPLAY_HEADER_BYTES;
  r.keys.reserve(keyCount);
  std::uint8_t keys = 0;
  for (std::size_t i = 0; i < keyCount; ++i) {
    std::uint64_t v = 0;
    if (const Varint got = getVarint(bytes, at, v); got != Varint::Read)
      return got == Varint::Cut ? ReplayError::TooShort : ReplayError::BadKeys;
    const auto next = static_cast<std::uint8_t>(v & 7u);
    const std::uint64_t unchanged = v >> 3;
    if (unchanged > UINT32_MAX || next == keys) return ReplayError::BadKeys;
    r.keys.push_back({static_cast<std::uint32_t>(unchanged), next});
    keys = next;
  }
  r.clock.reserve(clockCount);
  for (std::size_t i = 0; i < clockCount; ++i) {
    std::uint64_t v = 0;
    if (const Varint got = getVarint(bytes, at, v); got != Varint::Read)
      return got == Varint::Cut ? ReplayError::TooShort : ReplayError::BadClock;
    if (v > UINT32_MAX) return ReplayError::BadClock;
    r.clock.push_back(unzigzag(static_cast<std::uint32_t>(v)));
  }
  if (at != bytes.size()) return ReplayError::TrailingBytes;
  out = std::move(r);
  return ReplayError::None;
}

bool loadReplay(const std::string& path, Replay& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  // One byte more than a replay may have, so a longer file is told as such.
  std::vector<std::uint8_t> bytes(REPLAY_MAX_BYTES + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  const ReplayError e = parseReplay(bytes, out);
  if (e == ReplayError::None) return true;
  error = path + ": not a replay this program can play (" + replayErrorName(e) + ")";
  return false;
}

}  // namespace vilmar
