#pragma once
#include <array>
#include <cstdint>

#include "platform/Platform.h"

namespace vilmar {

// Reads keys through the platform, counting them only while the game window
// has the focus: typing in another program must not steer the bartender or
// restart the game, and a key held while the window gains the focus makes
// no press until it has been released.
class KeyReader {
 public:
  explicit KeyReader(Platform& platform) : platform_(platform) {}

  // True when the key is down now or went down since the last read of it.
  bool pressed(Key key);

 private:
  Platform& platform_;
  std::array<bool, KEY_COUNT> blocked_{};
};

}  // namespace vilmar
