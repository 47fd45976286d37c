#include "frontends/sdl/SdlPlatform.h"

#include <imgui.h>
#include <imgui_impl_sdl.h>
#include <imgui_impl_sdlrenderer.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <array>
#include <optional>
#include <utility>
#include <ctime>
#include <iostream>
#include <iterator>
#include <sstream>

#include "frontends/posix/CurlTransport.h"
#include "frontends/sdl/DialogState.h"
#include "frontends/sdl/ImGuiViews.h"
#include "frontends/sdl/KeyCodes.h"
#include "frontends/sdl/Layout.h"
#include "app/MenuLayout.h"
#include "resources/CompiledResources.h"
#include "platform/Dialog.h"

namespace vilmar::sdl {

namespace {

// The user interface grows with the picture, in whole steps.
int uiScaleFor(int scale) { return std::max(1, (scale + 1) / 2); }

// D-pad up and down switch bars, the south button serves, Start starts a new game.
std::optional<Key> keyOf(SDL_GameControllerButton button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return Key::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return Key::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return Key::Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return Key::Right;
    case SDL_CONTROLLER_BUTTON_A: return Key::Space;
    case SDL_CONTROLLER_BUTTON_START: return Key::F1;
    default: return std::nullopt;
  }
}

MenuBarState menuBarState() {
  std::vector<MenuBarState::Menu> menus;
  for (const MenuPopup& popup : MENU_BAR) {
    MenuBarState::Menu menu{popup.title, {}};
    for (const MenuItem& item : popup.items) menu.items.push_back(item.text);
    menus.push_back(std::move(menu));
  }
  return MenuBarState(std::move(menus));
}

std::optional<MenuKey> menuKeyOf(SDL_Keycode key) {
  switch (key) {
    case SDLK_F10: return MenuKey::F10;
    case SDLK_LEFT: return MenuKey::Left;
    case SDLK_RIGHT: return MenuKey::Right;
    case SDLK_UP: return MenuKey::Up;
    case SDLK_DOWN: return MenuKey::Down;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return MenuKey::Enter;
    case SDLK_ESCAPE: return MenuKey::Escape;
    default: return std::nullopt;
  }
}

// A letter as a menu takes it: a to z and the Swedish å, ä and ö.
std::optional<char32_t> letterOf(SDL_Keycode key) {
  if ((key >= SDLK_a && key <= SDLK_z) || key == 0xE5 || key == 0xE4 || key == 0xF6) return static_cast<char32_t>(key);
  return std::nullopt;
}

bool isAlt(SDL_Keycode key) { return key == SDLK_LALT || key == SDLK_RALT; }

}  // namespace

SdlPlatform::SdlPlatform(const Options& options, TestHooks hooks)
    : options_(options),
      hooks_(std::move(hooks)),
      audio_([this](int id) { return resource(ResourceType::Wave, id); }),
      http_(std::make_unique<CurlTransport>()),
      menu_(menuBarState()) {
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // The close box arrives as a window event only; SDL_QUIT means a signal.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER) != 0) {
    error_ = std::string("SDL could not start: ") + SDL_GetError();
    return;
  }
  audio_.open();  // without a device the game is silent

  int scale = options.scale;
  if (scale == 0) {
    SDL_Rect usable{0, 0, 1024, 768};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) SDL_GetDisplayBounds(0, &usable);
    scale = defaultScale(usable.w, usable.h, menuBarHeight(uiScaleFor(defaultScale(usable.w, usable.h, menuBarHeight(1)))));
  }
  ui_ = uiScaleFor(scale);

  const Uint32 flags = SDL_WINDOW_RESIZABLE | (options.fullscreen ? static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP) : 0u);
  window_ = SDL_CreateWindow("Vilmar Pintkeeper", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, FRAME_WIDTH * scale,
                             FRAME_HEIGHT * scale + menuBarHeight(ui_), flags);
  if (window_ == nullptr) {
    error_ = std::string("no window: ") + SDL_GetError();
    return;
  }
  SDL_SetWindowMinimumSize(window_, FRAME_WIDTH, FRAME_HEIGHT + menuBarHeight(ui_));
  // No waiting for the screen's refresh: the game's own tick paces the loop.
  renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
  if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (renderer_ == nullptr) {
    error_ = std::string("no renderer: ") + SDL_GetError();
    return;
  }
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, FRAME_WIDTH, FRAME_HEIGHT);
  if (texture_ == nullptr) {
    error_ = std::string("no picture for the frame: ") + SDL_GetError();
    SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    return;
  }
  SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
  rgb_.assign(static_cast<std::size_t>(FRAME_WIDTH) * FRAME_HEIGHT, 0xFF000000u);
  setUpImGui(ui_);

  if (!hooks_.gamepadScript.empty()) testPad_ = std::make_unique<TestPad>(hooks_.gamepadScript);
}

SdlPlatform::~SdlPlatform() {
  writeTickLog();
  for (auto& [id, controller] : controllers_) SDL_GameControllerClose(controller);
  testPad_.reset();
  if (imguiReady_) {
    ImGui_ImplSDLRenderer_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext();
  }
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) SDL_DestroyWindow(window_);
  audio_.close();
  SDL_Quit();
}

void SdlPlatform::setUpImGui(int ui) {
  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGui::GetIO().IniFilename = nullptr;  // nothing is stored on disk
  setUpClassicLook(ui);
  ImGui_ImplSDL2_InitForSDLRenderer(window_);
  ImGui_ImplSDLRenderer_Init(renderer_);
  imguiReady_ = true;
}

int SdlPlatform::menuHeight() const { return menuBarHeight(ui_); }

std::span<const std::uint8_t> SdlPlatform::resource(ResourceType type, int id) { return compiledResource(type, id); }

void SdlPlatform::useSettings(const Settings& settings) {
  settings_ = settings;
  audio_.setVolume(settings_.volume, settings_.mute);
}

bool SdlPlatform::takeSettingsChanged() { return std::exchange(settingsChanged_, false); }

void SdlPlatform::showTitle(const std::string& title) {
  if (title == title_ || window_ == nullptr) return;
  title_ = title;
  SDL_SetWindowTitle(window_, title_.c_str());
}

void SdlPlatform::present(std::span<const std::uint8_t> pixels, int width, int height, const Palette& palette) {
  if (width != FRAME_WIDTH || height != FRAME_HEIGHT ||
      pixels.size() < static_cast<std::size_t>(FRAME_WIDTH) * FRAME_HEIGHT || texture_ == nullptr)
    return;
  // A frame like the one on screen needs no drawing: a game that stands
  // still (the opening screen, a freeze) costs next to nothing.
  const auto frame = pixels.first(static_cast<std::size_t>(FRAME_WIDTH) * FRAME_HEIGHT);
  if (haveFrame_ && palette == lastPalette_ && std::equal(frame.begin(), frame.end(), lastFrame_.begin())) return;
  lastFrame_.assign(frame.begin(), frame.end());
  lastPalette_ = palette;
  std::array<std::uint32_t, 256> colours{};
  for (std::size_t i = 0; i < colours.size(); ++i) {
    const Rgb c = palette[i];
    colours[i] = 0xFF000000u | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
  }
  std::transform(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(rgb_.size()), rgb_.begin(),
                 [&colours](std::uint8_t p) { return colours[p]; });
  SDL_UpdateTexture(texture_, nullptr, rgb_.data(), FRAME_WIDTH * 4);
  haveFrame_ = true;
  dirty_ = std::max(dirty_, 1);
}

bool SdlPlatform::hasFocus() {
  return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

void SdlPlatform::waitUntil(std::uint32_t start, std::uint32_t due) {
  clock_.waitUntil(start, due);
  if (options_.tickLog.empty()) return;
  // How far past its due moment this tick starts (the ms reading may wrap).
  const std::int64_t now = clock_.elapsedNanoseconds();
  const auto nowMs = static_cast<std::uint32_t>(now / 1'000'000);
  const std::uint32_t overMs = (nowMs - start) - due;
  const std::int64_t errorNs = std::int64_t{overMs} * 1'000'000 + now % 1'000'000;
  // At most about eleven hours of ticks are kept.
  if (tickErrorsUs_.size() < 1'000'000) tickErrorsUs_.push_back(errorNs / 1000);
}

void SdlPlatform::writeTickLog() {
  if (options_.tickLog.empty() || tickErrorsUs_.empty()) return;
  std::ofstream out(options_.tickLog);
  for (const std::int64_t us : tickErrorsUs_) out << us << '\n';
  if (!out) std::cerr << "vilmar-pintkeeper: cannot write " << options_.tickLog << '\n';
  tickErrorsUs_.clear();
}

void SdlPlatform::openUrl(std::string_view url) { SDL_OpenURL(std::string(url).c_str()); }

std::uint32_t SdlPlatform::secondsOfDay() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return 0;
  return static_cast<std::uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

bool SdlPlatform::readProgramFile(std::string& bytes) {
  bytes.clear();
  std::ifstream file("/proc/self/exe", std::ios::binary);
  if (!file) return false;
  std::ostringstream all;
  all << file.rdbuf();
  if (!file.good() && !file.eof()) return false;
  bytes = std::move(all).str();
  return !bytes.empty();
}

void SdlPlatform::debugOutput(std::string_view text) { std::cerr << text; }

void SdlPlatform::useWindowSettings(int scale, bool fullscreen) {
  if (window_ == nullptr) return;
  const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
  if (full && !fullscreen) toggleFullscreen();
  if (scale > 0) {
    // The picture scale times, and the menu bar above it.
    const int w = FRAME_WIDTH * scale;
    const int h = FRAME_HEIGHT * scale + menuBarHeight(ui_);
    if (fullscreen) windowed_ = SDL_Rect{windowed_.x, windowed_.y, w, h};
    else SDL_SetWindowSize(window_, w, h);
  }
  if (!full && fullscreen) toggleFullscreen();
  dirty_ = 2;
}

void SdlPlatform::toggleFullscreen() {
  const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
  if (!full) {
    SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
    SDL_GetWindowSize(window_, &windowed_.w, &windowed_.h);
    // Without a window manager nobody answers SDL's fullscreen request: the
    // window is first made as large as its screen, which a manager then
    // takes over.
    SDL_Rect screen{};
    if (SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(window_)), &screen) == 0) {
      SDL_SetWindowPosition(window_, screen.x, screen.y);
      SDL_SetWindowSize(window_, screen.w, screen.h);
    }
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
  } else {
    SDL_SetWindowFullscreen(window_, 0);
    // Without a window manager nothing puts the window back as it was: the
    // size and place it had are set again, the menu bar's height included.
    if (windowed_.w > 0 && windowed_.h > 0) {
      SDL_SetWindowSize(window_, windowed_.w, windowed_.h);
      SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
    }
  }
  menu_.close();
  dirty_ = 2;
}

void SdlPlatform::reloadPicture(bool deviceLost) {
  // A renderer that lost its textures (a resize on some drivers, a device
  // reset) would show black behind the menu and the dialogs: the last frame
  // goes up again, and ImGui's font with it.
  if (deviceLost && texture_ != nullptr) {
    SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, FRAME_WIDTH, FRAME_HEIGHT);
    if (texture_ != nullptr) SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
    if (imguiReady_) {
      ImGui_ImplSDLRenderer_DestroyDeviceObjects();
      ImGui_ImplSDLRenderer_CreateDeviceObjects();
    }
  }
  if (texture_ != nullptr && haveFrame_) SDL_UpdateTexture(texture_, nullptr, rgb_.data(), FRAME_WIDTH * 4);
  dirty_ = 2;
}

void SdlPlatform::openController(int deviceIndex) {
  if (!SDL_IsGameController(deviceIndex)) return;
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (controller == nullptr) return;
  const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  if (!controllers_.emplace(id, controller).second) SDL_GameControllerClose(controller);
}

void SdlPlatform::closeController(SDL_JoystickID id) {
  const auto found = controllers_.find(id);
  if (found == controllers_.end()) return;
  SDL_GameControllerClose(found->second);
  controllers_.erase(found);
  keys_.releaseAll(KeySource::Pad);  // an unplugged pad holds nothing down
}

bool SdlPlatform::dialogKey(const SDL_Event& event) const {
  if (openDialog_ == nullptr || (event.type != SDL_KEYDOWN && event.type != SDL_KEYUP)) return false;
  const SDL_Keycode key = event.key.keysym.sym;
  if (openDialog_->text(ID_SET_CAPTURE) == "1") return true;  // a key for the settings, not for a control
  if ((event.key.keysym.mod & KMOD_ALT) != 0) return false;  // Alt+Enter, Alt+F4 are the window's
  if (key == SDLK_TAB || key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_ESCAPE) return true;
  const bool onButton = openDialog_->keys().focusedKind() == StopKind::Button;
  return onButton && (key == SDLK_SPACE || key == SDLK_LEFT || key == SDLK_RIGHT || key == SDLK_UP || key == SDLK_DOWN);
}

void SdlPlatform::dialogKeyDown(const SDL_Keysym& k, bool repeat) {
  if (openDialog_ == nullptr || openDialog_->busy) return;
  if (openDialog_->text(ID_SET_CAPTURE) == "1") {
    // The dialog waits for a key: this one, whatever it is, is the answer.
    if (!repeat) {
      openDialog_->setItemText(ID_KEY_PRESSED, keyCodeName(k.scancode));
      dialogCommand_ = ID_KEY_PRESSED;
    }
    return;
  }
  std::optional<DialogKey> key;
  switch (k.sym) {
    case SDLK_TAB: key = (k.mod & KMOD_SHIFT) != 0 ? DialogKey::BackTab : DialogKey::Tab; break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: key = DialogKey::Enter; break;
    case SDLK_ESCAPE: key = DialogKey::Escape; break;
    case SDLK_SPACE: key = DialogKey::Space; break;
    case SDLK_LEFT: key = DialogKey::Left; break;
    case SDLK_RIGHT: key = DialogKey::Right; break;
    case SDLK_UP: key = DialogKey::Up; break;
    case SDLK_DOWN: key = DialogKey::Down; break;
    default: return;
  }
  // A held key moves the focus again and again but presses a button once.
  const bool moves = *key == DialogKey::Tab || *key == DialogKey::BackTab || *key == DialogKey::Left ||
                     *key == DialogKey::Right || *key == DialogKey::Up || *key == DialogKey::Down;
  if (repeat && !moves) return;
  const int before = openDialog_->keys().focused();
  if (const auto command = openDialog_->keys().key(*key)) dialogCommand_ = command;
  if (openDialog_->keys().focused() != before) openDialog_->noteFocusMoved();
}

void SdlPlatform::menuKeyDown(const SDL_Keysym& k, bool repeat) {
  std::optional<MenuChoice> choice;
  if (const auto letter = letterOf(k.sym); letter && (k.mod & (KMOD_CTRL | KMOD_GUI)) == 0) {
    menu_.letter(*letter, (k.mod & KMOD_ALT) != 0, choice);
  } else if (const auto key = menuKeyOf(k.sym); key && (k.mod & KMOD_ALT) == 0) {
    // F10 works from play; the other keys only once the bar has the keyboard.
    if (*key == MenuKey::F10 ? !repeat : menu_.active()) choice = menu_.key(*key);
  }
  if (choice)
    chosen_.push_back(MENU_BAR[static_cast<std::size_t>(choice->menu)].items[static_cast<std::size_t>(choice->item)].command);
}

void SdlPlatform::menuPointer(const SDL_Event& event) {
  const bool motion = event.type == SDL_MOUSEMOTION;
  const float x = static_cast<float>(motion ? event.motion.x : event.button.x);
  const float y = static_cast<float>(motion ? event.motion.y : event.button.y);
  auto [menu, item] = menuTarget(x, y);
  std::optional<MenuChoice> choice;
  if (motion) {
    menu_.pointerMoved(menu, item);
  } else if (event.button.button == SDL_BUTTON_LEFT) {
    // A press on the open menu's frame, between its items, is no press beside it.
    if (event.type == SDL_MOUSEBUTTONDOWN && menu == MenuBarState::NONE && item == MenuBarState::NONE &&
        overOpenMenu(x, y))
      return;
    choice = event.type == SDL_MOUSEBUTTONDOWN ? menu_.pointerPressed(menu, item) : menu_.pointerReleased(menu, item);
  }
  if (choice)
    chosen_.push_back(MENU_BAR[static_cast<std::size_t>(choice->menu)].items[static_cast<std::size_t>(choice->item)].command);
}

void SdlPlatform::handleEvent(const SDL_Event& event, bool inDialog) {
  // The dialog's own keys and the menu's are not ImGui's.
  const bool menuHasKeys = !inDialog && menu_.active() && (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP);
  if (imguiReady_ && !dialogKey(event) && !menuHasKeys) ImGui_ImplSDL2_ProcessEvent(&event);
  switch (event.type) {
    case SDL_QUIT:
      // With the window's close box reported as a window event, this comes
      // only from outside (SIGTERM, SIGINT): no dialog is waited for.
      closeRequested_ = true;
      abandonDialog_ = true;
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) closeRequested_ = true;
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        keys_.releaseAll(KeySource::Keyboard);
        menu_.close();
        altAlone_ = false;
      }
      dirty_ = 2;
      break;
    case SDL_RENDER_TARGETS_RESET: reloadPicture(false); break;
    case SDL_RENDER_DEVICE_RESET: reloadPicture(true); break;
    case SDL_KEYDOWN: {
      const SDL_Keysym& k = event.key.keysym;
      const bool alt = (k.mod & KMOD_ALT) != 0;
      const bool repeat = event.key.repeat != 0;
      if (isAlt(k.sym)) {
        if (!repeat) altAlone_ = true;
      } else {
        altAlone_ = false;
      }
      if (k.sym == SDLK_F4 && alt) {
        // The desktop may not do it for us. In a dialog it is the dialog's
        // close, as the cancel button (which the information dialog ignores).
        if (inDialog) dialogCommand_ = ID_CANCEL;
        else closeRequested_ = true;
      } else if (k.sym == SDLK_F11 || (alt && (k.sym == SDLK_RETURN || k.sym == SDLK_KP_ENTER))) {
        if (!repeat) toggleFullscreen();
      } else if (inDialog) {
        dialogKeyDown(k, repeat);
      } else {
        const bool menuBefore = menu_.active();
        menuKeyDown(k, repeat);
        // While the bar has the keyboard the game gets no key.
        if (!menuBefore && !menu_.active() && !repeat) {
          if (keyCodeName(k.scancode) == MUTE_KEY) {
            // M mutes and unmutes in play, and the choice is kept.
            settings_.mute = !settings_.mute;
            audio_.setVolume(settings_.volume, settings_.mute);
            settingsChanged_ = true;
          } else if (const auto key = settings_.keys.gameKey(keyCodeName(k.scancode))) {
            keys_.press(*key, KeySource::Keyboard);
          }
        }
      }
      dirty_ = 2;
      break;
    }
    case SDL_KEYUP:
      if (isAlt(event.key.keysym.sym) && std::exchange(altAlone_, false) && !inDialog) {
        // Alt pressed and let go on its own: the bar takes the keyboard (or lets it go).
        menu_.key(MenuKey::Alt);
        dirty_ = 2;
      }
      if (const auto key = settings_.keys.gameKey(keyCodeName(event.key.keysym.scancode)))
        keys_.release(*key, KeySource::Keyboard);
      break;
    case SDL_CONTROLLERDEVICEADDED:
      openController(event.cdevice.which);
      break;
    case SDL_CONTROLLERDEVICEREMOVED:
      closeController(event.cdevice.which);
      break;
    case SDL_CONTROLLERBUTTONDOWN:
      if (!inDialog) {
        if (const auto key = keyOf(static_cast<SDL_GameControllerButton>(event.cbutton.button)))
          keys_.press(*key, KeySource::Pad);
      }
      break;
    case SDL_CONTROLLERBUTTONUP:
      if (const auto key = keyOf(static_cast<SDL_GameControllerButton>(event.cbutton.button)))
        keys_.release(*key, KeySource::Pad);
      break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      altAlone_ = false;
      if (!inDialog) menuPointer(event);
      dirty_ = 2;
      break;
    case SDL_MOUSEWHEEL:
    case SDL_TEXTINPUT:
      dirty_ = 2;
      break;
    default:
      break;
  }
}

std::vector<int> SdlPlatform::betweenPasses() {
  if (testPad_) testPad_->readScript();
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) handleEvent(event, false);
  if (dirty_ > 0) {
    --dirty_;
    render(nullptr);
  }
  return std::exchange(chosen_, {});
}

std::optional<int> SdlPlatform::render(DialogState* dialog) {
  if (renderer_ == nullptr) return std::nullopt;
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  int width = 0;
  int height = 0;
  SDL_GetRendererOutputSize(renderer_, &width, &height);
  if (haveFrame_) {
    const Rect place = frameRect(width, height, menuHeight());
    const SDL_Rect target{place.x, place.y, place.w, place.h};
    SDL_RenderCopy(renderer_, texture_, nullptr, &target);
  }
  std::optional<int> command;
  if (imguiReady_) {
    ImGui_ImplSDLRenderer_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    drawMenuBar(menu_, dialog == nullptr, ui_);
    if (dialog != nullptr) command = drawDialog(*dialog, ui_);
    ImGui::Render();
    ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
  }
  SDL_RenderPresent(renderer_);
  return command;
}

void SdlPlatform::whileBusy(DialogState& state) {
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) handleEvent(event, true);
  dialogCommand_.reset();  // nothing is pressed while the behaviour runs
  const std::lock_guard<std::mutex> hold(dialogLock_);
  state.busy = true;
  render(&state);
}

void SdlPlatform::runDialog(Dialog& dialog) {
  DialogState state(dialogTemplate(dialog.templateId()), dialog.defaultButton());
  dialog.init(state);
  if (!hooks_.dialogLog.empty()) logDialog(hooks_.dialogLog, state, "open");
  menu_.close();
  openDialog_ = &state;
  int settle = 3;
  dialogCommand_.reset();
  while (!state.ended() && !abandonDialog_) {
    SDL_Event event;
    // Sleep until something happens; redraw now and then for ImGui to settle.
    bool any = SDL_WaitEventTimeout(&event, settle > 0 ? 15 : 250) != 0;
    if (any) {
      handleEvent(event, true);
      // Keys typed ahead act in order: once one has pressed the focused
      // button, the rest wait until its command has run (it may change what
      // the next key means, as a settings key button does). Typing into an
      // entry goes on in the same frame, so the entry keeps its caret.
      auto pressedAButton = [&] { return dialogCommand_ && state.keys().focusedKind() == StopKind::Button; };
      while (!pressedAButton() && SDL_PollEvent(&event) != 0) handleEvent(event, true);
      settle = 3;
    } else if (settle > 0) {
      --settle;
    }
    // The button's behaviour runs after the frame is out, as a window
    // procedure runs after the click.
    std::optional<int> command = render(&state);
    if (!command) command = std::exchange(dialogCommand_, std::nullopt);
    if (command && !state.ended()) {
      // The behaviour runs beside the window: sending the score measures
      // the machine and waits on the server for seconds, and the window is
      // drawn meanwhile ("Skickar..." on the button). No tick runs: the
      // main loop waits here as for any dialog.
      LockedDialogView view(state, dialogLock_);
      auto done = std::async(std::launch::async, [&dialog, &view, id = *command] { dialog.command(id, view); });
      while (done.wait_for(std::chrono::milliseconds(15)) != std::future_status::ready) whileBusy(state);
      done.get();
      state.busy = false;
      settle = 3;
    }
  }
  openDialog_ = nullptr;
  if (!hooks_.dialogLog.empty()) logDialog(hooks_.dialogLog, state, "end");
  dirty_ = 2;
}

}  // namespace vilmar::sdl
