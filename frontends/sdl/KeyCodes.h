#pragma once
// Physical keys by the names the settings use (the browser's names).

#include <SDL.h>

#include <string>

namespace vilmar::sdl {

// "KeyA", "Digit1", "ArrowUp", "F5", ...; empty for a key without a name here.
std::string keyCodeName(SDL_Scancode code);

}  // namespace vilmar::sdl
