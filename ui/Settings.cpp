#include "ui/Settings.h"

#include <charconv>

namespace vilmar {

namespace {

struct KeyName {
  std::string_view code;
  std::string_view label;
};

// The keys that can be bound, and what the dialog calls them.
constexpr KeyName NAMED_KEYS[] = {
    {"ArrowUp", "Upp"}, {"ArrowDown", "Ned"}, {"ArrowLeft", "Vänster"}, {"ArrowRight", "Höger"},
    {"Space", "Mellanslag"}, {"Backspace", "Backsteg"}, {"Insert", "Insert"}, {"Delete", "Delete"},
    {"Home", "Home"}, {"End", "End"}, {"PageUp", "Page Up"}, {"PageDown", "Page Down"},
    {"ShiftLeft", "Vänster Shift"}, {"ShiftRight", "Höger Shift"}, {"ControlLeft", "Vänster Ctrl"},
    {"ControlRight", "Höger Ctrl"}, {"Comma", ","}, {"Period", "."}, {"Minus", "-"}, {"Slash", "/"},
    {"Semicolon", ";"}, {"Quote", "'"}, {"BracketLeft", "["}, {"BracketRight", "]"}, {"Backslash", "\\"},
    {"Equal", "="}, {"Backquote", "`"}, {"NumpadEnter", "Enter (numeriskt)"}, {"NumpadAdd", "+ (numeriskt)"},
    {"NumpadSubtract", "- (numeriskt)"}, {"NumpadMultiply", "* (numeriskt)"}, {"NumpadDivide", "/ (numeriskt)"},
    {"NumpadDecimal", ", (numeriskt)"},
};

constexpr std::string_view RESERVED[] = {"Escape", "KeyM", "F10", "F11", "Tab", "Enter", "AltLeft", "AltRight"};

bool isSuffixedRange(std::string_view code, std::string_view prefix, char first, char last) {
  return code.size() == prefix.size() + 1 && code.substr(0, prefix.size()) == prefix && code.back() >= first &&
         code.back() <= last;
}

bool isFunctionKey(std::string_view code) {
  if (code.size() < 2 || code.size() > 3 || code[0] != 'F') return false;
  int n = 0;
  const auto [end, ec] = std::from_chars(code.data() + 1, code.data() + code.size(), n);
  return ec == std::errc{} && end == code.data() + code.size() && n >= 1 && n <= 12 && code[1] != '0';
}

bool knownKey(std::string_view code) {
  for (const KeyName& k : NAMED_KEYS)
    if (k.code == code) return true;
  return isSuffixedRange(code, "Key", 'A', 'Z') || isSuffixedRange(code, "Digit", '0', '9') ||
         isSuffixedRange(code, "Numpad", '0', '9') || isFunctionKey(code);
}

constexpr std::string_view BINDING_NAMES[GAME_KEY_COUNT] = {"key.up", "key.down", "key.serve", "key.newgame"};

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool readInt(std::string_view v, int lo, int hi, int& out) {
  int n = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
  if (v.empty() || ec != std::errc{} || end != v.data() + v.size() || n < lo || n > hi) return false;
  out = n;
  return true;
}

bool readBool(std::string_view v, bool& out) {
  if (v == "true" || v == "1") return out = true, true;
  if (v == "false" || v == "0") return out = false, true;
  return false;
}

}  // namespace

std::optional<Key> KeyBindings::gameKey(std::string_view code) const {
  constexpr Key PLAYS[GAME_KEY_COUNT] = {Key::Up, Key::Down, Key::Space, Key::F1};
  for (std::size_t i = 0; i < GAME_KEY_COUNT; ++i)
    if (codes[i] == code) return PLAYS[i];
  if (code == "ArrowLeft") return Key::Left;
  if (code == "ArrowRight") return Key::Right;
  return std::nullopt;
}

bool bindableKey(std::string_view code) {
  for (std::string_view r : RESERVED)
    if (r == code) return false;
  return knownKey(code);
}

std::string keyLabel(std::string_view code) {
  for (const KeyName& k : NAMED_KEYS)
    if (k.code == code) return std::string(k.label);
  if (isSuffixedRange(code, "Key", 'A', 'Z') || isSuffixedRange(code, "Digit", '0', '9')) return std::string(1, code.back());
  if (isSuffixedRange(code, "Numpad", '0', '9')) return std::string(1, code.back()) + " (numeriskt)";
  return std::string(code);
}

RebindResult rebind(KeyBindings& keys, GameKey which, std::string_view code) {
  if (!bindableKey(code)) return RebindResult::NotBindable;
  const auto index = static_cast<std::size_t>(which);
  for (std::size_t i = 0; i < GAME_KEY_COUNT; ++i)
    if (i != index && keys.codes[i] == code) return RebindResult::Used;
  keys.codes[index] = std::string(code);
  return RebindResult::Done;
}

bool parseSettings(std::string_view text, Settings& out, std::string& problem) {
  Settings s;
  auto damaged = [&](std::size_t line, const std::string& why) {
    problem = line == 0 ? why : "line " + std::to_string(line) + ": " + why;
    out = Settings{};
    return false;
  };
  if (text.size() > SETTINGS_MAX_BYTES) return damaged(0, "longer than " + std::to_string(SETTINGS_MAX_BYTES) + " bytes");
  if (text.find('\0') != std::string_view::npos) return damaged(0, "holds a NUL byte");
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    line = trim(line);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return damaged(lineNumber, "no '=' in it");
    const std::string_view key = trim(line.substr(0, eq));
    const std::string_view value = trim(line.substr(eq + 1));
    bool ok = true;
    if (key == "scale") {
      ok = value == "auto" ? (s.scale = 0, true) : readInt(value, MIN_SETTINGS_SCALE, MAX_SETTINGS_SCALE, s.scale);
    } else if (key == "fullscreen") {
      ok = readBool(value, s.fullscreen);
    } else if (key == "volume") {
      ok = readInt(value, 0, MAX_VOLUME, s.volume);
    } else if (key == "mute") {
      ok = readBool(value, s.mute);
    } else if (key == "speed") {
      int percent = 0;
      ok = readInt(value, 0, 100, percent) && speedFromPercent(percent, s.speed);
    } else {
      // Any other key is a later version's setting: skipped.
      for (std::size_t i = 0; i < GAME_KEY_COUNT; ++i) {
        if (key != BINDING_NAMES[i]) continue;
        ok = bindableKey(value);
        if (ok) s.keys.codes[i] = std::string(value);
      }
    }
    if (!ok) return damaged(lineNumber, "bad value for " + std::string(key));
  }
  for (std::size_t i = 0; i < GAME_KEY_COUNT; ++i)
    for (std::size_t j = i + 1; j < GAME_KEY_COUNT; ++j)
      if (s.keys.codes[i] == s.keys.codes[j])
        return damaged(0, std::string(BINDING_NAMES[i]) + " and " + std::string(BINDING_NAMES[j]) + " are one key");
  out = s;
  problem.clear();
  return true;
}

std::string formatSettings(const Settings& s) {
  std::string t = "# Vilmar Pintkeeper settings; the game rewrites this file.\n";
  t += "scale=" + (s.scale == 0 ? std::string("auto") : std::to_string(s.scale)) + "\n";
  t += std::string("fullscreen=") + (s.fullscreen ? "true" : "false") + "\n";
  t += "volume=" + std::to_string(s.volume) + "\n";
  t += std::string("mute=") + (s.mute ? "true" : "false") + "\n";
  t += "speed=" + std::to_string(speedPercent(s.speed)) + "\n";
  for (std::size_t i = 0; i < GAME_KEY_COUNT; ++i) t += std::string(BINDING_NAMES[i]) + "=" + s.keys.codes[i] + "\n";
  return t;
}

}  // namespace vilmar
