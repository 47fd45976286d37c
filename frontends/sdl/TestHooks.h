#pragma once
// What the native game's tests may ask of it from outside: a virtual game
// controller driven by a script file, and a log of what each dialog shows.
// main() reads them from the environment; the platform only takes them.

#include <SDL.h>

#include <fstream>
#include <string>
#include <string_view>

namespace vilmar::sdl {

class DialogState;

struct TestHooks {
  // VILMAR_TEST_GAMEPAD: a file the test appends "BUTTON 1" or "BUTTON 0"
  // lines to ("unplug" and "plug" take the pad away and bring it back).
  std::string gamepadScript;
  // VILMAR_TEST_DIALOG_LOG: where each dialog's texts are appended.
  std::string dialogLog;

  static TestHooks fromEnvironment();
};

// The virtual controller whose buttons follow the script file.
class TestPad {
 public:
  explicit TestPad(const std::string& script);
  ~TestPad();
  TestPad(const TestPad&) = delete;
  TestPad& operator=(const TestPad&) = delete;

  // Takes the lines appended since the last call.
  void readScript();

 private:
  void plug();
  void unplug();

  SDL_Joystick* pad_ = nullptr;
  std::ifstream script_;
};

// Appends what the dialog shows (caption and texts, never the entry fields,
// so never the password) to the log for a test that cannot read pixels.
void logDialog(const std::string& path, const DialogState& state, std::string_view event);

}  // namespace vilmar::sdl
