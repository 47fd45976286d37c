#include "frontends/sdl/TestHooks.h"

#include <cstdlib>
#include <sstream>

#include "frontends/sdl/DialogState.h"

namespace vilmar::sdl {

TestHooks TestHooks::fromEnvironment() {
  TestHooks hooks;
  if (const char* script = std::getenv("VILMAR_TEST_GAMEPAD")) hooks.gamepadScript = script;
  if (const char* log = std::getenv("VILMAR_TEST_DIALOG_LOG")) hooks.dialogLog = log;
  return hooks;
}

TestPad::TestPad(const std::string& script) {
  plug();
  script_.open(script);
}

TestPad::~TestPad() {
  if (pad_ != nullptr) SDL_JoystickClose(pad_);
}

void TestPad::plug() {
  if (pad_ != nullptr) return;
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1u;
  desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1u;
  desc.name = "Vilmar test pad";
  const int index = SDL_JoystickAttachVirtualEx(&desc);
  if (index >= 0) pad_ = SDL_JoystickOpen(index);
}

void TestPad::unplug() {
  if (pad_ == nullptr) return;
  const SDL_JoystickID id = SDL_JoystickInstanceID(pad_);
  SDL_JoystickClose(pad_);
  pad_ = nullptr;
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
}

void TestPad::readScript() {
  if (!script_.is_open()) return;
  std::string line;
  while (std::getline(script_, line)) {
    std::istringstream words(line);
    std::string name;
    int state = 0;
    if (line == "unplug") unplug();
    if (line == "plug") plug();
    if (pad_ == nullptr || !(words >> name >> state)) continue;
    const SDL_GameControllerButton button = SDL_GameControllerGetButtonFromString(name.c_str());
    if (button != SDL_CONTROLLER_BUTTON_INVALID)
      SDL_JoystickSetVirtualButton(pad_, button, static_cast<Uint8>(state != 0));
  }
  script_.clear();  // at the end for now: the test appends more later
}

void logDialog(const std::string& path, const DialogState& state, std::string_view event) {
  std::ofstream log(path, std::ios::app);
  auto escaped = [](std::string_view text) {
    std::string out;
    for (const char c : text) {
      if (c == '\\') out += "\\\\";
      else if (c == '\r') out += "\\r";
      else if (c == '\n') out += "\\n";
      else out += c;
    }
    return out;
  };
  log << event << ' ' << state.layout().id << '\n' << "caption " << escaped(state.caption()) << '\n';
  for (const ControlTemplate& c : state.layout().controls) {
    if (c.kind == ControlKind::Edit || c.kind == ControlKind::Password || c.kind == ControlKind::Group) continue;
    log << "item " << c.id << ' ' << escaped(state.text(c.id)) << '\n';
  }
}

}  // namespace vilmar::sdl
