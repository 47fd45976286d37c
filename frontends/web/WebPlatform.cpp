#include "frontends/web/WebPlatform.h"

#include <emscripten.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "frontends/web/DialogPage.h"
#include "frontends/web/FetchTransport.h"
#include "frontends/web/WebFrame.h"
#include "resources/CompiledResources.h"

// The page's side of each call is in site/page.js (the object VilmarPage);
// these are only the crossings.

// clang-format off
EM_JS(double, js_now, (), { return performance.now(); });
EM_JS(void, js_present, (const std::uint8_t* rgba, int width, int height, int x, int y, int w, int h), {
  VilmarPage.present(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height, x, y, w, h);
});
EM_JS(int, js_has_focus, (), { return VilmarPage.hasFocus() ? 1 : 0; });
EM_JS(void, js_play_sound, (int id, const std::uint8_t* bytes, int length), {
  VilmarPage.playSound(id, HEAPU8.subarray(bytes, bytes + length));
});
EM_JS(void, js_open_url, (const char* url), { VilmarPage.openUrl(UTF8ToString(url)); });
EM_JS(void, js_debug, (const char* text), { VilmarPage.debug(UTF8ToString(text)); });
EM_JS(int, js_hidden, (), { return VilmarPage.hidden() ? 1 : 0; });
EM_ASYNC_JS(void, js_when_shown, (), { await VilmarPage.whenShown(); });
EM_JS(std::uint32_t, js_seconds_of_day, (), {
  const d = new Date();
  return d.getHours() * 3600 + d.getMinutes() * 60 + d.getSeconds();
});
EM_JS(void, js_dialog_open, (int templateId), { VilmarPage.dialogOpen(templateId); });
EM_JS(void, js_dialog_caption, (const char* text), { VilmarPage.dialogCaption(UTF8ToString(text)); });
EM_JS(void, js_dialog_item, (int id, const char* text), { VilmarPage.dialogItem(id, UTF8ToString(text)); });
EM_JS(char*, js_dialog_item_text, (int id), {
  const text = VilmarPage.dialogItemText(id);
  const size = lengthBytesUTF8(text) + 1;
  const out = _malloc(size);
  if (out) stringToUTF8(text, out, size);
  return out;
});
EM_ASYNC_JS(int, js_dialog_wait, (), { return await VilmarPage.dialogWait(); });
EM_JS(void, js_dialog_close, (), { VilmarPage.dialogClose(); });
EM_JS(void, js_dialog_focus, (int id), { VilmarPage.dialogFocus(id); });
EM_ASYNC_JS(int, js_post, (const char* path, const char* headers, const std::uint8_t* body, int bodyLength,
                           std::uint8_t** reply, int* replyLength, char** error), {
  const result = await VilmarPage.post(UTF8ToString(path), UTF8ToString(headers),
                                       HEAPU8.slice(body, body + bodyLength));
  const keep = (bytes, where, lengthAt) => {
    const out = _malloc(bytes.length + 1);
    if (!out) return;
    HEAPU8.set(bytes, out);
    HEAPU8[out + bytes.length] = 0;
    HEAP32[where >> 2] = out;
    if (lengthAt) HEAP32[lengthAt >> 2] = bytes.length;
  };
  if (result.error !== undefined) {
    keep(new TextEncoder().encode(result.error), error, 0);
    return -1;
  }
  keep(result.body, reply, replyLength);
  return result.status;
});
EM_ASYNC_JS(std::uint8_t*, js_program_bytes, (int* length), {
  const bytes = await VilmarPage.programBytes();
  if (!bytes) return 0;
  const out = _malloc(bytes.length || 1);
  if (!out) return 0;
  HEAPU8.set(bytes, out);
  HEAP32[length >> 2] = bytes.length;
  return out;
});
// clang-format on

namespace vilmar::web {

namespace {

// How long the loop may keep the browser waiting while late ticks catch up.
constexpr double BREATHE_AFTER_MS = 50;

struct MallocText {
  explicit MallocText(char* p) : text(p) {}
  ~MallocText() { std::free(text); }
  MallocText(const MallocText&) = delete;
  MallocText& operator=(const MallocText&) = delete;
  char* text;
};

class HtmlDialogPage final : public DialogPage {
 public:
  void open(int templateId) override { js_dialog_open(templateId); }
  void setCaption(std::string_view text) override { js_dialog_caption(std::string(text).c_str()); }
  void setItemText(int id, std::string_view text) override { js_dialog_item(id, std::string(text).c_str()); }
  std::string itemText(int id) override {
    MallocText text(js_dialog_item_text(id));
    return text.text != nullptr ? std::string(text.text) : std::string();
  }
  void focus(int id) override { js_dialog_focus(id); }
  int waitCommand() override { return js_dialog_wait(); }
  void close() override { js_dialog_close(); }
};

FetchReply fetchFromPage(const FetchRequest& request) {
  std::string headers;
  for (const auto& [name, value] : request.headers) headers += name + ": " + value + "\n";
  std::uint8_t* reply = nullptr;
  int replyLength = 0;
  char* error = nullptr;
  const int status = js_post(request.path.c_str(), headers.c_str(),
                             reinterpret_cast<const std::uint8_t*>(request.body.data()),
                             static_cast<int>(request.body.size()), &reply, &replyLength, &error);
  FetchReply result;
  if (status < 0) {
    result.error = error != nullptr ? error : "inget svar";
  } else {
    result.delivered = true;
    result.status = status;
    if (reply != nullptr && replyLength > 0) result.body.assign(reinterpret_cast<const char*>(reply), static_cast<std::size_t>(replyLength));
  }
  std::free(reply);
  std::free(error);
  return result;
}

}  // namespace

WebPlatform::WebPlatform()
    : rgba_(static_cast<std::size_t>(FRAME_WIDTH) * FRAME_HEIGHT * 4),
      http_(std::make_unique<FetchTransport>(fetchFromPage)),
      lastYield_(js_now()) {}

WebPlatform::~WebPlatform() = default;

std::span<const std::uint8_t> WebPlatform::resource(ResourceType type, int id) { return compiledResource(type, id); }

void WebPlatform::present(std::span<const std::uint8_t> pixels, int width, int height, const Palette& palette) {
  if (width <= 0 || height <= 0) return;
  const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (pixels.size() < count) return;
  // Only the part that changed goes to the canvas: the browser then redraws
  // a walking guest, not the whole room, 25 times a second.
  const bool sameLook = width == shownWidth_ && palette == shownPalette_;
  const FrameArea area = sameLook ? changedArea(shown_, pixels.first(count), width, height)
                                  : FrameArea{0, 0, width, height};
  shown_.assign(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(count));
  shownPalette_ = palette;
  shownWidth_ = width;
  if (area.empty()) return;
  rgba_.resize(count * 4);
  if (!toRgba(shown_, palette, rgba_)) return;
  js_present(rgba_.data(), width, height, area.x, area.y, area.width, area.height);
}

bool WebPlatform::hasFocus() { return js_has_focus() != 0; }

// performance.now() in whole milliseconds, wrapping at 2^32 as the game expects.
std::uint32_t WebPlatform::milliseconds() {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::floor(js_now())));
}

void WebPlatform::yieldFor(std::uint32_t ms) {
  emscripten_sleep(ms);
  lastYield_ = js_now();
}

void WebPlatform::sleep(std::uint32_t ms) { yieldFor(ms); }

void WebPlatform::spin() { yieldFor(0); }

// The browser's timers are coarse and the page must stay responsive, so the
// wait sleeps right up to the due moment instead of spinning the last of it.
void WebPlatform::waitUntil(std::uint32_t start, std::uint32_t due) {
  for (;;) {
    const std::uint32_t elapsed = milliseconds() - start;
    if (elapsed >= due) return;
    yieldFor(due - elapsed);
  }
}

void WebPlatform::playSound(int waveId) {
  const auto bytes = resource(ResourceType::Wave, waveId);
  if (bytes.empty()) return;
  js_play_sound(waveId, bytes.data(), static_cast<int>(bytes.size()));
}

void WebPlatform::runDialog(Dialog& dialog) {
  HtmlDialogPage page;
  runDialogOnPage(dialog, page);
  // Keys typed into the dialog are not the game's.
  keys.releaseAll();
  lastYield_ = js_now();
}

void WebPlatform::openUrl(std::string_view url) { js_open_url(std::string(url).c_str()); }

HttpTransport& WebPlatform::http() { return *http_; }

// The speed probe reads this in a tight loop for about two seconds; the page
// gets its turn in between so that it does not freeze meanwhile.
std::uint32_t WebPlatform::secondsOfDay() {
  if (js_now() - lastYield_ >= BREATHE_AFTER_MS) yieldFor(0);
  return js_seconds_of_day();
}

// The program file of the browser version is its WebAssembly module.
bool WebPlatform::readProgramFile(std::string& bytes) {
  bytes.clear();
  int length = 0;
  std::uint8_t* data = js_program_bytes(&length);
  if (data == nullptr) return false;
  bytes.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
  std::free(data);
  return true;
}

void WebPlatform::debugOutput(std::string_view text) { js_debug(std::string(text).c_str()); }

bool WebPlatform::hidden() { return js_hidden() != 0; }

void WebPlatform::waitUntilShown() {
  js_when_shown();
  lastYield_ = js_now();
}

EM_JS(void, js_show_title, (const char* text), { document.title = UTF8ToString(text); });

void WebPlatform::showTitle(const std::string& title) {
  if (title == title_) return;
  title_ = title;
  js_show_title(title_.c_str());
}

void WebPlatform::breathe() {
  if (js_now() - lastYield_ >= BREATHE_AFTER_MS) yieldFor(0);
}

}  // namespace vilmar::web
