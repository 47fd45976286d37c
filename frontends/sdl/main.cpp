// The native game: one window with the game's menu, and the main loop that
// runs one pass of the game and then handles the window's events. Everything
// the game decides is in App; this file only translates between it and SDL.

#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "Version.h"
#include "app/App.h"
#include "ui/GameSpeed.h"
#include "frontends/sdl/Options.h"
#include "frontends/sdl/SdlPlatform.h"
#include "frontends/sdl/SettingsFile.h"
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

  // The settings of the last run; the command line overrides them for this run.
  const auto settingsFile = vilmar::sdl::settingsPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  vilmar::Settings settings;
  if (settingsFile) {
    settings = vilmar::sdl::loadSettings(*settingsFile, error);
    if (!error.empty()) std::cerr << "vilmar-pintkeeper: " << error << '\n';
  }
  vilmar::sdl::Options run = *options;
  if (run.scale == 0) run.scale = settings.scale;
  run.fullscreen = run.fullscreen || settings.fullscreen;

  vilmar::sdl::SdlPlatform platform(run, vilmar::sdl::TestHooks::fromEnvironment());
  if (!platform.ready()) {
    std::cerr << "vilmar-pintkeeper: " << platform.error() << '\n';
    return 1;
  }
  vilmar::App app(platform, 1, options->service);
  platform.useSettings(settings);
  app.settings = settings;
  app.gameSession->setSpeed(options->speed ? *options->speed : settings.speed);
  // A write that fails is told once; the game goes on, and the next change
  // tries again.
  bool saveFailed = false;
  auto keep = [&](const vilmar::Settings& changed) {
    if (!settingsFile) return;
    if (vilmar::sdl::saveSettings(*settingsFile, changed, error)) return;
    if (!std::exchange(saveFailed, true)) std::cerr << "vilmar-pintkeeper: " << error << '\n';
  };
  app.settingsChanged = [&](const vilmar::Settings& changed) {
    platform.useSettings(changed);
    platform.useWindowSettings(changed.scale, changed.fullscreen);
    keep(changed);
  };
  if (!options->replay.empty()) app.gameSession->playBack(replay);
  while (!app.quitting()) {
    app.pass();
    if (app.gameSession) platform.showTitle(vilmar::windowTitle(app.gameSession->practice()));
    // A close asked for while a dialog was open waits for the end of the pass.
    if (platform.closeRequested()) break;
    for (const int command : platform.betweenPasses()) app.menuCommand(command);
    // What the player changed, over what the file held: a command-line
    // override of this run is not written.
    if (platform.takeSettingsChanged()) {
      app.settings.mute = platform.settings().mute;
      keep(app.settings);
    }
    if (platform.closeRequested()) break;
  }
  if (!app.quitting()) app.quitProgram();
  return 0;
}
