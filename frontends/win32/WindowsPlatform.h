#pragma once
// The game's platform on Windows: resources from the executable, the frame
// in a DIB section, keys from GetAsyncKeyState, the winmm clock and sounds,
// dialog templates, the shell for web pages.

#include <windows.h>

#include <memory>

#include "platform/HttpTransport.h"
#include "platform/Platform.h"
#include "frontends/win32/FrameSurface.h"
#include "frontends/win32/TickTimer.h"

namespace vilmar::win32 {

class WindowsPlatform final : public Platform {
 public:
  explicit WindowsPlatform(HINSTANCE instance);
  ~WindowsPlatform() override;

  // The game window, once it exists; frames before it are kept and shown
  // by its first paint.
  void setWindow(HWND window) { window_ = window; }
  HWND window() const { return window_; }

  // WM_PAINT and WM_QUERYNEWPALETTE of the game window.
  void paint(HDC dc) { surface_.paint(window_, dc); }
  void paletteChanged() { surface_.markPaletteDirty(); }

  std::span<const std::uint8_t> resource(ResourceType type, int id) override;
  void present(std::span<const std::uint8_t> pixels, int width, int height,
               const Palette& palette) override;
  std::uint16_t keyState(Key key) override;
  bool hasFocus() override;
  std::uint32_t milliseconds() override;
  void sleep(std::uint32_t ms) override;
  void spin() override;
  // Sleeps to the due moment on a high-resolution timer where there is one.
  void waitUntil(std::uint32_t start, std::uint32_t due) override;
  void playSound(int waveId) override;
  void runDialog(Dialog& dialog) override;
  void openUrl(std::string_view url) override;
  HttpTransport& http() override;
  int processorType() override;
  std::uint32_t secondsOfDay() override;
  bool readProgramFile(std::string& bytes) override;
  void debugOutput(std::string_view text) override;

 private:
  HINSTANCE instance_;
  HWND window_ = nullptr;
  FrameSurface surface_;
  TickTimer tickTimer_;
  std::unique_ptr<HttpTransport> http_;
};

// Virtual-key code of one of the game's keys.
int virtualKey(Key key);

}  // namespace vilmar::win32
