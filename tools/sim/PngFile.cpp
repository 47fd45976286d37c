#include "tools/sim/PngFile.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace vilmar {

namespace {
bool writePng(const std::string& path, int width, int height, int colorType, int bytesPerPixel,
              std::span<const std::uint8_t> data, const Palette* palette) {
  if (data.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * static_cast<std::size_t>(bytesPerPixel))
    return false;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colorType,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> colours;
  if (palette != nullptr) {
    for (const Rgb& c : *palette) colours.push_back(png_color{c.r, c.g, c.b});
    png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
  }
  png_write_info(png, info);
  const auto stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel);
  for (int y = 0; y < height; ++y)
    png_write_row(png, const_cast<png_bytep>(data.data() + static_cast<std::size_t>(y) * stride));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}
}  // namespace

bool writeIndexedPng(const std::string& path, int width, int height, std::span<const std::uint8_t> pixels,
                     const Palette& palette) {
  return writePng(path, width, height, PNG_COLOR_TYPE_PALETTE, 1, pixels, &palette);
}

bool writeRgbPng(const std::string& path, int width, int height, std::span<const std::uint8_t> rgb) {
  return writePng(path, width, height, PNG_COLOR_TYPE_RGB, 3, rgb, nullptr);
}

}  // namespace vilmar
