#pragma once
// A script of key events for the headless platform, one a line:
//   PASS KEY ACTION     # comment
// KEY is left, right, up, down, space or f1; ACTION is down (pressed and
// held), up (released) or tap (pressed and released before the next query).

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace vilmar {

class HeadlessPlatform;

struct KeyEvent {
  enum class Action { Down, Up, Tap };
  std::uint64_t pass = 0;
  Key key = Key::Space;
  Action action = Action::Tap;
};

class InputScript {
 public:
  // Parses a whole script. On a malformed line returns false and sets error
  // to "NAME:LINE: what is wrong"; nothing is kept then.
  bool parse(std::istream& in, const std::string& name, std::string& error);

  // Applies the events that take effect just before the given pass.
  void apply(std::uint64_t pass, HeadlessPlatform& platform);

  const std::vector<KeyEvent>& events() const { return events_; }

 private:
  std::vector<KeyEvent> events_;  // in pass order, stable within a pass
  std::size_t next_ = 0;
};

}  // namespace vilmar
