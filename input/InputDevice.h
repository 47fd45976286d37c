#pragma once
#include <cstdint>

namespace vilmar {

// Levels (is a key held) and latched events (a key went down since the
// events were last cleared) of the play keys.
class InputDevice {
 public:
  virtual void poll() = 0;
  virtual ~InputDevice() = default;

  void clearEvents() {
    fireEvent = 0;
    verticalEvent = 0;
    horizontalEvent = 0;
  }

  std::int32_t fireHeld = 0;
  std::int32_t fireEvent = 0;
  std::int32_t verticalHeld = 0;
  std::int32_t horizontalHeld = 0;
  std::int32_t verticalEvent = 0;
  std::int32_t horizontalEvent = 0;
};

}  // namespace vilmar
