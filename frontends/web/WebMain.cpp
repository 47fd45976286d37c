// The browser version: the page calls in with keys and menu commands, and the
// game's own loop runs with every wait handed back to the browser.

#include <emscripten.h>

#include <cstdlib>
#include <string>

#include "app/App.h"
#include "frontends/web/WebLoop.h"
#include "frontends/web/WebPlatform.h"

namespace {

vilmar::web::WebPlatform* platform = nullptr;

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void vilmar_key(const char* code, int down) {
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
    vilmar::App app(web, 1, service);
    if (std::string sponsor = pageSetting("sponsorUrl"); !sponsor.empty()) app.sponsorUrl = std::move(sponsor);
    js_started();
    vilmar::web::runWebLoop(app, web);
  }
  platform = nullptr;
  js_ended();
  return 0;
}
