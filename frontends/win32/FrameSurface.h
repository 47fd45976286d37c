#pragma once
// The game's 8-bit frame inside a GDI DIB section, with the game's palette
// as its colour table and as a logical palette for 256-colour displays. It
// keeps the last frame so the window can be repainted from it at any time
// (WM_PAINT, or behind an open dialog) without asking the game.

#include <windows.h>

#include <cstdint>
#include <span>

#include "platform/Platform.h"

namespace vilmar::win32 {

class FrameSurface {
 public:
  FrameSurface();
  ~FrameSurface();
  FrameSurface(const FrameSurface&) = delete;
  FrameSurface& operator=(const FrameSurface&) = delete;

  // Takes a new frame. False (and the old frame kept) when the sizes do not
  // fit the pixels or the section cannot be made.
  bool update(std::span<const std::uint8_t> pixels, int width, int height,
              const Palette& palette);

  // Copies the frame 1:1 to the top-left corner of the window's client area.
  void paint(HWND window, HDC dc);

  // The next paint realises the palette again (WM_QUERYNEWPALETTE).
  void markPaletteDirty() { paletteDirty_ = true; }

  bool hasFrame() const { return bits_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  struct Info {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  };

  bool makeSection(int width, int height);
  void setPalette(const Palette& palette);

  Info info_{};
  HBITMAP section_ = nullptr;
  std::uint8_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  HPALETTE logicalPalette_ = nullptr;
  Palette palette_{};
  bool havePalette_ = false;
  bool paletteDirty_ = true;
};

}  // namespace vilmar::win32
