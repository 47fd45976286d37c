#pragma once
#include "input/InputDevice.h"

namespace vilmar {

class KeyReader;

// The arrow keys and Space, polled once per tick.
class KeyboardInput : public InputDevice {
 public:
  explicit KeyboardInput(KeyReader& keys) : keys_(keys) {}
  void poll() override;

 private:
  KeyReader& keys_;
};

}  // namespace vilmar
