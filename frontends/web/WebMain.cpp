// The browser version: the page calls in with keys and menu commands, and the
// game's own loop runs with every wait handed back to the browser.

#include <emscripten.h>

#include <cstdlib>
#include <string>

#include "app/App.h"
#include "ui/Settings.h"
#include "frontends/web/WebKeys.h"
#include "frontends/web/WebLoop.h"
#include "frontends/web/WebPlatform.h"

namespace {

vilmar::web::WebPlatform* platform = nullptr;
vilmar::App* game = nullptr;
// The player's settings, kept in the page's local storage.
vilmar::Settings settings;

}  // namespace

EM_JS(char*, js_stored_settings, (), {
  const text = VilmarPage.storedSettings();
  const size = lengthBytesUTF8(text) + 1;
  const out = _malloc(size);
  if (out) stringToUTF8(text, out, size);
  return out;
});
EM_JS(int, js_store_settings, (const char* text), { return VilmarPage.storeSettings(UTF8ToString(text)) ? 1 : 0; });
EM_JS(void, js_use_volume, (int volume, int mute), { VilmarPage.useVolume(volume, mute !== 0); });
EM_JS(void, js_use_fullscreen, (int on), { VilmarPage.useFullscreen(on !== 0); });
EM_JS(void, js_use_game_keys, (const char* codes), { VilmarPage.useGameKeys(UTF8ToString(codes)); });
EM_JS(void, js_settings_report, (const char* text), { VilmarPage.settingsReport(UTF8ToString(text)); });

namespace {

// The page passes these keys in and keeps them from the browser.
void tellGameKeys() {
  std::string codes(vilmar::MUTE_KEY);
  codes += " ArrowLeft ArrowRight";
  for (const std::string& code : settings.keys.codes) codes += " " + code;
  js_use_game_keys(codes.c_str());
}

void keepSettings() {
  js_use_volume(settings.volume, settings.mute ? 1 : 0);
  tellGameKeys();
  if (js_store_settings(vilmar::formatSettings(settings).c_str()) == 0)
    js_settings_report("Inställningarna kunde inte sparas i webbläsaren.");
}

void loadSettings() {
  char* text = js_stored_settings();
  std::string problem;
  if (!vilmar::parseSettings(text != nullptr ? text : "", settings, problem)) {
    // Told once: the damaged entries are replaced by the defaults now.
    js_settings_report(("The stored settings were damaged (" + problem + "); the defaults replace them.").c_str());
    keepSettings();
  }
  std::free(text);
  js_use_volume(settings.volume, settings.mute ? 1 : 0);
  tellGameKeys();
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void vilmar_key(const char* code, int down) {
  if (platform == nullptr || code == nullptr) return;
  if (code == vilmar::MUTE_KEY) {
    if (down != 0) {
      settings.mute = !settings.mute;
      if (game != nullptr) game->settings.mute = settings.mute;
      keepSettings();
    }
    return;
  }
  const auto key = vilmar::web::keyFromCode(code, settings.keys);
  if (!key) return;
  if (down != 0) platform->keys.press(*key);
  else platform->keys.release(*key);
}

// A touch button (or a pad's button) for a game key, named by the key it is
// on by default: it plays that game key whatever the keyboard's bindings.
EMSCRIPTEN_KEEPALIVE void vilmar_button(const char* code, int down) {
  if (platform == nullptr || code == nullptr) return;
  const auto key = vilmar::web::keyFromCode(code);
  if (!key) return;
  if (down != 0) platform->keys.press(*key);
  else platform->keys.release(*key);
}

EMSCRIPTEN_KEEPALIVE void vilmar_release_keys() {
  if (platform != nullptr) platform->keys.releaseAll();
}

EMSCRIPTEN_KEEPALIVE void vilmar_command(int id) {
  if (platform != nullptr) platform->commands.post(id);
}

}  // extern "C"

EM_JS(void, js_started, (), { VilmarPage.started(); });
EM_JS(char*, js_page_setting, (const char* name), {
  const text = VilmarPage.setting(UTF8ToString(name));
  const size = lengthBytesUTF8(text) + 1;
  const out = _malloc(size);
  if (out) stringToUTF8(text, out, size);
  return out;
});

namespace {

std::string pageSetting(const char* name) {
  char* text = js_page_setting(name);
  std::string value = text != nullptr ? text : "";
  std::free(text);
  return value;
}

}  // namespace
EM_JS(void, js_ended, (), { VilmarPage.ended(); });

int main() {
  static vilmar::web::WebPlatform web;
  platform = &web;
  {
    // The first world, with all its pictures, is built before the page shows it.
    // Served by the game service, the page knows where that service's pages
    // are and where its sponsor link goes; elsewhere the build's own hold.
    vilmar::ServiceEndpoint service = vilmar::serviceEndpoint();
    service.pages = pageSetting("servicePages");
    loadSettings();
    vilmar::App app(web, 1, service);
    app.gameSession->setSpeed(settings.speed);
    app.settings = settings;
    game = &app;
    app.settingsChanged = [](const vilmar::Settings& changed) {
      // The page fits the picture to the window itself: the scale is the
      // native game's, kept here for it unchanged.
      const bool fullscreenChanged = changed.fullscreen != settings.fullscreen;
      settings = changed;
      keepSettings();
      if (fullscreenChanged) js_use_fullscreen(settings.fullscreen ? 1 : 0);
    };
    if (std::string sponsor = pageSetting("sponsorUrl"); !sponsor.empty()) app.sponsorUrl = std::move(sponsor);
    js_started();
    vilmar::web::runWebLoop(app, web);
    game = nullptr;
  }
  platform = nullptr;
  js_ended();
  return 0;
}
