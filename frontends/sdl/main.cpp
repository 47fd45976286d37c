// The native game: one window with the game's menu, and the main loop that
// runs one pass of the game and then handles the window's events. Everything
// the game decides is in App; this file only translates between it and SDL.

#include <iostream>
#include <string>
#include <vector>

#include "Version.h"
#include "app/App.h"
#include "frontends/sdl/Options.h"
#include "frontends/sdl/SdlPlatform.h"
#include "app/ReplayCheck.h"
#include "input/Replay.h"

int main(int argc, char** argv) {
  std::string error;
  const auto options = vilmar::sdl::parseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::cerr << "vilmar-pintkeeper: " << error << '\n' << vilmar::sdl::usageText();
    return 2;
  }
  if (options->showHelp) {
    std::cout << vilmar::sdl::usageText();
    return 0;
  }
  if (options->showVersion) {
    std::cout << "vilmar-pintkeeper " << vilmar::VERSION << '\n';
    return 0;
  }

  vilmar::Replay replay;
  if (!options->replay.empty() &&
      (!vilmar::loadReplay(options->replay, replay, error) || !vilmar::playableHere(replay, error))) {
    std::cerr << "vilmar-pintkeeper: " << error << '\n';
    return 2;
  }

  vilmar::sdl::SdlPlatform platform(*options);
  if (!platform.ready()) {
    std::cerr << "vilmar-pintkeeper: " << platform.error() << '\n';
    return 1;
  }
  vilmar::App app(platform, 1, options->service);
  if (!options->replay.empty()) app.gameSession->playBack(replay);
  while (!app.quitting()) {
    app.pass();
    // A close asked for while a dialog was open waits for the end of the pass.
    if (platform.closeRequested()) break;
    for (const int command : platform.betweenPasses()) app.menuCommand(command);
    if (platform.closeRequested()) break;
  }
  if (!app.quitting()) app.quitProgram();
  return 0;
}
