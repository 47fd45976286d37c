#pragma once
#include <array>
#include <cstdint>

#include "platform/Platform.h"

namespace vilmar {

// Reads keys through the platform, counting them only while the game window
// has the focus: typing in another program or in one of the game's own
// dialogs must not steer the bartender or restart the game. Once the focus
// has been away, every key's pressed-since bit is dropped, and a key still
// held makes no press until it has been released.
class KeyReader {
 public:
  explicit KeyReader(Platform& platform) : platform_(platform) {}

  // True when the key is down now or went down since the last read of it.
  bool pressed(Key key);

  // Forgets what was pressed while the game looked away: called when a
  // dialog has ended, and done by itself when a read finds the focus gone.
  void forgetPresses();

 private:
  Platform& platform_;
  std::array<bool, KEY_COUNT> blocked_{};
};

}  // namespace vilmar
