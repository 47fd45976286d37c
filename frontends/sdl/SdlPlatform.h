#pragma once
// The game's platform on SDL2: a scalable window with the menu bar and the
// dialogs drawn by Dear ImGui, keys and game controllers, the monotonic
// clock, sounds through SDL's audio, the browser through SDL_OpenURL and the
// score through libcurl.

#include <SDL.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <mutex>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/HttpTransport.h"
#include "platform/Platform.h"
#include "frontends/posix/MonotonicClock.h"
#include "platform/KeyLatch.h"
#include "ui/Settings.h"
#include "frontends/sdl/Options.h"
#include "frontends/sdl/SdlAudio.h"
#include "frontends/sdl/TestHooks.h"
#include "ui/MenuBarState.h"

struct ImFont;

namespace vilmar::sdl {

class DialogState;

class SdlPlatform final : public Platform {
 public:
  explicit SdlPlatform(const Options& options, TestHooks hooks = {});
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  // False when the window could not be made; error() says why.
  bool ready() const { return renderer_ != nullptr; }
  const std::string& error() const { return error_; }

  // Between two passes of the main loop: handles the window's events, draws
  // the window if anything changed and returns the menu commands chosen.
  std::vector<int> betweenPasses();
  // Asked to close (window's close box, Alt+F4, the desktop).
  bool closeRequested() const { return closeRequested_; }
  // The player's settings: the keys, the volume and mute. What the player
  // changes in play (M) is in settings(), and takeSettingsChanged() says
  // once that it should be kept.
  void useSettings(const Settings& settings);
  const Settings& settings() const { return settings_; }
  bool takeSettingsChanged();
  // The window as the settings say: the scale (0 leaves its size) and fullscreen.
  void useWindowSettings(int scale, bool fullscreen);
  // The window's title; set only when it changes.
  void showTitle(const std::string& title);

  // Writes the tick start errors gathered so far to the --tick-log file.
  void writeTickLog();

  std::span<const std::uint8_t> resource(ResourceType type, int id) override;
  void present(std::span<const std::uint8_t> pixels, int width, int height, const Palette& palette) override;
  std::uint16_t keyState(Key key) override { return keys_.read(key); }
  bool hasFocus() override;
  std::uint32_t milliseconds() override { return clock_.milliseconds(); }
  void sleep(std::uint32_t ms) override { MonotonicClock::sleep(ms); }
  void spin() override {}
  void waitUntil(std::uint32_t start, std::uint32_t due) override;
  void playSound(int waveId) override { audio_.play(waveId); }
  void runDialog(Dialog& dialog) override;
  void openUrl(std::string_view url) override;
  HttpTransport& http() override { return *http_; }
  int processorType() override { return 586; }
  std::uint32_t secondsOfDay() override;
  bool readProgramFile(std::string& bytes) override;
  void debugOutput(std::string_view text) override;

 private:
  void setUpImGui(int uiScale);
  void handleEvent(const SDL_Event& event, bool inDialog);
  void toggleFullscreen();
  void openController(int deviceIndex);
  void closeController(SDL_JoystickID id);
  // Draws the frame, the menu bar and, when given, an open dialog; the
  // command of the dialog's button clicked, if any.
  std::optional<int> render(DialogState* dialog);
  // While a button's behaviour runs (the score on its way): the window's
  // events read, the dialog drawn as it stands, greyed, nothing pressed.
  void whileBusy(DialogState& state);
  void menuKeyDown(const SDL_Keysym& key, bool repeat);
  void dialogKeyDown(const SDL_Keysym& key, bool repeat);
  // Whether a key event is the open dialog's own (Tab, Enter, Escape, and
  // Space and the arrows on a button): ImGui never sees those.
  bool dialogKey(const SDL_Event& event) const;
  void menuPointer(const SDL_Event& event);
  void reloadPicture(bool deviceLost);
  int menuHeight() const;

  Options options_;
  TestHooks hooks_;
  std::string error_;
  MonotonicClock clock_;
  SdlAudio audio_;
  KeyLatch keys_;
  std::unique_ptr<HttpTransport> http_;

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  bool imguiReady_ = false;
  int ui_ = 1;  // the menu's and dialogs' scale
  bool haveFrame_ = false;
  DialogState* openDialog_ = nullptr;
  std::mutex dialogLock_;  // the open dialog, between its drawing and its behaviour
  MenuBarState menu_;
  bool altAlone_ = false;  // Alt is down and no other key came since
  SDL_Rect windowed_{};    // the window's place before it went fullscreen
  int dirty_ = 2;  // passes still to draw: ImGui settles a change over two frames
  bool closeRequested_ = false;
  std::string title_;
  Settings settings_;
  bool settingsChanged_ = false;
  bool abandonDialog_ = false;         // quitting from outside: no dialog waits
  std::optional<int> dialogCommand_;  // a command for the open dialog from a key SDL handles
  std::vector<int> chosen_;
  std::vector<std::uint32_t> rgb_;
  std::vector<std::uint8_t> lastFrame_;
  Palette lastPalette_{};

  std::map<SDL_JoystickID, SDL_GameController*> controllers_;
  // The tests' virtual pad, when they asked for one.
  std::unique_ptr<TestPad> testPad_;

  std::vector<std::int64_t> tickErrorsUs_;
};

}  // namespace vilmar::sdl
