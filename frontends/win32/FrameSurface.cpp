#include "frontends/win32/FrameSurface.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace vilmar::win32 {

FrameSurface::FrameSurface() {
  info_.header.biSize = sizeof(BITMAPINFOHEADER);
  info_.header.biPlanes = 1;
  info_.header.biBitCount = 8;
  info_.header.biCompression = BI_RGB;
  info_.header.biClrUsed = 256;
  info_.header.biClrImportant = 256;
}

FrameSurface::~FrameSurface() {
  if (section_ != nullptr) DeleteObject(section_);
  if (logicalPalette_ != nullptr) DeleteObject(logicalPalette_);
}

bool FrameSurface::makeSection(int width, int height) {
  if (section_ != nullptr && width == width_ && height == height_) return true;
  Info info = info_;
  info.header.biWidth = width;
  info.header.biHeight = -height;  // rows top-down, like the game's frame
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP section = CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&info),
                                     DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (section == nullptr || bits == nullptr) {
    if (section != nullptr) DeleteObject(section);
    return false;
  }
  if (section_ != nullptr) DeleteObject(section_);
  section_ = section;
  bits_ = static_cast<std::uint8_t*>(bits);
  info_ = info;
  width_ = width;
  height_ = height;
  stride_ = (width + 3) & ~3;
  return true;
}

void FrameSurface::setPalette(const Palette& palette) {
  if (havePalette_ && palette == palette_) return;
  palette_ = palette;
  havePalette_ = true;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    info_.colours[i] = RGBQUAD{palette[i].b, palette[i].g, palette[i].r, 0};
  }

  // LOGPALETTE declares one entry; the other 255 follow it in the same block.
  std::vector<std::uint8_t> block(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = 256;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    logical->palPalEntry[i] =
        PALETTEENTRY{palette[i].r, palette[i].g, palette[i].b, PC_NOCOLLAPSE};
  }
  HPALETTE created = CreatePalette(logical);
  if (created != nullptr) {
    if (logicalPalette_ != nullptr) DeleteObject(logicalPalette_);
    logicalPalette_ = created;
  }
  paletteDirty_ = true;
}

bool FrameSurface::update(std::span<const std::uint8_t> pixels, int width, int height,
                          const Palette& palette) {
  if (width <= 0 || height <= 0 || width > 4096 || height > 4096) return false;
  const auto rowBytes = static_cast<std::size_t>(width);
  if (pixels.size() < rowBytes * static_cast<std::size_t>(height)) return false;
  if (!makeSection(width, height)) return false;
  GdiFlush();  // GDI must be done with the section before it is written
  for (int y = 0; y < height; ++y) {
    std::memcpy(bits_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_),
                pixels.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
  }
  setPalette(palette);
  return true;
}

void FrameSurface::paint(HWND window, HDC dc) {
  if (bits_ == nullptr || dc == nullptr) return;
  if (logicalPalette_ != nullptr) {
    SelectPalette(dc, logicalPalette_, FALSE);
    if (paletteDirty_) {
      RealizePalette(dc);
      paletteDirty_ = false;
    }
  }
  RECT client{};
  GetClientRect(window, &client);
  const int w = std::min<int>(client.right, width_);
  const int h = std::min<int>(client.bottom, height_);
  if (w <= 0 || h <= 0) return;
  // The DIB is stored top-down, so the source rectangle counts from the top.
  StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, bits_, reinterpret_cast<const BITMAPINFO*>(&info_),
                DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace vilmar::win32
