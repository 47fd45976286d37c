#include "frontends/headless/InputScript.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "frontends/headless/HeadlessPlatform.h"

namespace vilmar {

namespace {
bool keyNamed(const std::string& word, Key& key) {
  static const std::pair<const char*, Key> names[] = {{"left", Key::Left}, {"right", Key::Right},
                                                      {"up", Key::Up},     {"down", Key::Down},
                                                      {"space", Key::Space}, {"f1", Key::F1}};
  for (const auto& [name, k] : names) {
    if (word == name) {
      key = k;
      return true;
    }
  }
  return false;
}
}  // namespace

bool InputScript::parse(std::istream& in, const std::string& name, std::string& error) {
  std::vector<KeyEvent> parsed;
  std::string line;
  for (std::uint64_t number = 1; std::getline(in, line); ++number) {
    if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string passText, keyText, actionText, extra;
    if (!(words >> passText)) continue;  // blank or comment only
    auto fail = [&](const std::string& what) {
      error = name + ":" + std::to_string(number) + ": " + what;
      return false;
    };
    KeyEvent event;
    const auto [end, ec] = std::from_chars(passText.data(), passText.data() + passText.size(), event.pass);
    if (ec != std::errc() || end != passText.data() + passText.size())
      return fail("the pass must be a whole number, not '" + passText + "'");
    if (!(words >> keyText) || !keyNamed(keyText, event.key))
      return fail("expected a key (left, right, up, down, space, f1)");
    if (!(words >> actionText)) return fail("expected an action (down, up, tap)");
    if (actionText == "down") event.action = KeyEvent::Action::Down;
    else if (actionText == "up") event.action = KeyEvent::Action::Up;
    else if (actionText == "tap") event.action = KeyEvent::Action::Tap;
    else return fail("unknown action '" + actionText + "' (down, up, tap)");
    if (words >> extra) return fail("unexpected '" + extra + "' after the action");
    parsed.push_back(event);
  }
  std::stable_sort(parsed.begin(), parsed.end(),
                   [](const KeyEvent& a, const KeyEvent& b) { return a.pass < b.pass; });
  events_ = std::move(parsed);
  next_ = 0;
  return true;
}

void InputScript::apply(std::uint64_t pass, HeadlessPlatform& platform) {
  while (next_ < events_.size() && events_[next_].pass <= pass) {
    const KeyEvent& e = events_[next_++];
    if (e.pass < pass) continue;  // before the first pass that was run
    switch (e.action) {
      case KeyEvent::Action::Down: platform.keyDown(e.key); break;
      case KeyEvent::Action::Up: platform.keyUp(e.key); break;
      case KeyEvent::Action::Tap: platform.keyTap(e.key); break;
    }
  }
}

}  // namespace vilmar
