#include "net/FormCheck.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "net/FormEncoding.h"
#include "net/MachineFacts.h"
#include "net/Windows1252.h"

namespace vilmar {

namespace {

constexpr std::string_view KEYS[] = {"f1", "f2", "f3", "f4", "f5", "f6",
                                     "f7", "f8", "f9", "fa", "fb"};

template <typename T>
bool parseWhole(std::string_view text, T& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  if (text.front() == '+') return false;
  const auto result = std::from_chars(text.data(), end, value);
  return result.ec == std::errc{} && result.ptr == end;
}

bool knownProcessor(std::string_view name) {
  for (int type : {386, 486, 586, 4000, 21064, 0}) {
    if (cpuName(type) == name) return true;
  }
  return false;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// fr=HEX: the recorded game, in lowercase hexadecimal.
bool readReplayField(std::string_view pair, FormCheck& check) {
  if (!pair.starts_with("fr=")) {
    check.error = "field 12 is not fr";
    return false;
  }
  const std::string_view hex = pair.substr(3);
  if (hex.empty() || hex.size() % 2 != 0 || hex.size() > 2 * FORM_REPLAY_MAX_BYTES) {
    check.error = "fr is not an even count of hex digits up to the limit";
    return false;
  }
  check.replay.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = hexDigit(hex[i]), low = hexDigit(hex[i + 1]);
    if (high < 0 || low < 0) {
      check.error = "fr is not lowercase hex";
      check.replay.clear();
      return false;
    }
    check.replay.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  check.hasReplay = true;
  return true;
}

}  // namespace

FormCheck checkForm(std::string_view body) {
  FormCheck check;
  std::vector<std::string_view> pairs;
  for (std::size_t start = 0;;) {
    const std::size_t end = body.find('&', start);
    pairs.push_back(body.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (pairs.size() == std::size(KEYS) + 1) {
    if (!readReplayField(pairs.back(), check)) return check;
    pairs.pop_back();
  }
  if (pairs.size() != std::size(KEYS)) {
    check.error = "expected 11 fields, got " + std::to_string(pairs.size());
    return check;
  }
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    const std::string_view pair = pairs[i];
    const std::size_t eq = pair.find('=');
    if (eq == std::string_view::npos || pair.substr(0, eq) != KEYS[i]) {
      check.error = "field " + std::to_string(i + 1) + " is not " + std::string(KEYS[i]);
      return check;
    }
    const std::string_view value = pair.substr(eq + 1);
    if (KEYS[i] == "f2") {
      check.fields["f2"] = value;
      continue;
    }
    const auto decoded = decodeField(value);
    if (!decoded) {
      check.error = std::string(KEYS[i]) + " is not scrambled hex";
      return check;
    }
    check.fields[std::string(KEYS[i])] = *decoded;
  }

  auto& f = check.fields;
  std::int32_t gameId = 0, score = 0, playTime = 0, speed = 0, sum = 0;
  std::uint32_t integrity = 0, length = 0;
  if (!parseWhole(f["f2"], gameId) || gameId != 6) check.error = "f2 is not the game id 6";
  else if (f["f1"].empty() || f["f1"].size() > 64) check.error = "f1 empty or longer than 64";
  else if (f["f3"].empty() || f["f3"].size() > 16) check.error = "f3 empty or longer than 16";
  else if (!parseWhole(f["f4"], score)) check.error = "f4 is not a number";
  else if (!parseWhole(f["f5"], playTime)) check.error = "f5 is not a number";
  else if (!parseWhole(f["f6"], speed) || speed < 0) check.error = "f6 is not a count";
  else if (!knownProcessor(f["f7"])) check.error = "f7 is not a processor name";
  else if (!parseWhole(f["f8"], integrity)) check.error = "f8 is not an unsigned number";
  else if (!parseWhole(f["f9"], length)) check.error = "f9 is not an unsigned number";
  else if (f["fa"] != f["f4"] + f["f1"]) check.error = "fa is not f4 followed by f1";
  else if (!parseWhole(f["fb"], sum) ||
           sum != static_cast<std::int32_t>(length + static_cast<std::uint32_t>(score)))
    check.error = "fb is not f9 plus f4";
  if (check.error.empty()) {
    check.score = score;
    check.playTime = playTime;
    check.speed = speed;
    check.integrity = integrity;
    check.length = length;
  }
  // The entries travel one byte a character in Windows-1252, as the game
  // sends them; from here on they are compared and recorded in UTF-8.
  for (const char* key : {"f1", "f3", "fa"}) f[key] = windows1252ToUtf8(f[key]);
  return check;
}

}  // namespace vilmar
