#pragma once
#include "input/InputDevice.h"

namespace vilmar {

class InputTape;
class KeyReader;

// The arrow keys and Space, polled once per tick.
class KeyboardInput : public InputDevice {
 public:
  explicit KeyboardInput(KeyReader& keys) : keys_(keys) {}
  void poll() override;
  // Every read of Up, Down and Space goes through the tape, which records it
  // or, while playing back, answers in place of the keys. None: live keys.
  void useTape(InputTape* tape) { tape_ = tape; }

 private:
  KeyReader& keys_;
  InputTape* tape_ = nullptr;
};

}  // namespace vilmar
