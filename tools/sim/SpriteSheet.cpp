#include "tools/sim/SpriteSheet.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "gfx/Palette.h"
#include "gfx/Rle.h"
#include "tools/sim/PngFile.h"
#include "world/BarGame.h"

namespace vilmar {

namespace {
constexpr int SCALE = 2;
constexpr int PAD = 12;
constexpr int LABEL_HEIGHT = 14;
constexpr int SHEET_WIDTH = 1100;
constexpr std::uint8_t BACKDROP[3] = {150, 150, 158};

// A 3 x 5 pixel font for the digits of the labels.
constexpr const char* DIGIT_FONT[10] = {"111101101101111", "010110010010111", "111001111100111", "111001111001111",
                                        "101101111001001", "111100111001111", "111100111101111", "111001001001001",
                                        "111101111101111", "111101111001111"};

struct Canvas {
  int width, height;
  std::vector<std::uint8_t> rgb;
  void put(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    auto* p = &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  }
  void label(int x, int y, int number) {
    const std::string text = std::to_string(number);
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char* glyph = DIGIT_FONT[text[i] - '0'];
      for (int gy = 0; gy < 5; ++gy)
        for (int gx = 0; gx < 3; ++gx)
          if (glyph[gy * 3 + gx] == '1')
            for (int s = 0; s < 4; ++s)
              put(x + static_cast<int>(i) * 8 + gx * 2 + s % 2, y + gy * 2 + s / 2, Rgb{20, 20, 24});
    }
  }
};
}  // namespace

bool dumpSprites(Platform& platform, const BarGame& world, const std::string& dir, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  Palette palette{};
  paletteFromBitmap(platform.resource(ResourceType::Bitmap, PALETTE_RESOURCE), palette);

  std::vector<const Sprite*> order;
  for (const Sprite& s : world.pictures().all) order.push_back(&s);
  std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->resourceId() < b->resourceId(); });

  // Shelf packing, row after row.
  struct Place {
    const Sprite* sprite;
    int x, y;
  };
  std::vector<Place> places;
  int x = PAD, y = PAD, rowHeight = 0;
  for (const Sprite* s : order) {
    const int w = s->width() * SCALE, h = s->height() * SCALE + LABEL_HEIGHT;
    if (x + w + PAD > SHEET_WIDTH && x > PAD) {
      x = PAD;
      y += rowHeight + PAD;
      rowHeight = 0;
    }
    places.push_back({s, x, y});
    x += w + PAD;
    rowHeight = std::max(rowHeight, h);
  }
  Canvas sheet{SHEET_WIDTH, y + rowHeight + PAD, {}};
  sheet.rgb.resize(static_cast<std::size_t>(sheet.width) * static_cast<std::size_t>(sheet.height) * 3);
  for (std::size_t i = 0; i < sheet.rgb.size(); ++i) sheet.rgb[i] = BACKDROP[i % 3];

  for (const Place& p : places) {
    const Sprite& s = *p.sprite;
    const std::string file = dir + "/" + std::to_string(s.resourceId()) + ".png";
    if (!writeIndexedPng(file, s.width(), s.height(), s.pixels(), palette)) {
      error = "cannot write " + file;
      return false;
    }
    sheet.label(p.x, p.y, s.resourceId());
    for (int sy = 0; sy < s.height() * SCALE; ++sy)
      for (int sx = 0; sx < s.width() * SCALE; ++sx) {
        const std::uint8_t v = s.at(sx / SCALE, sy / SCALE);
        if (v != TRANSPARENT_INDEX) sheet.put(p.x + sx, p.y + LABEL_HEIGHT + sy, palette[v]);
      }
  }
  if (!writeRgbPng(dir + "/sheet.png", sheet.width, sheet.height, sheet.rgb)) {
    error = "cannot write " + dir + "/sheet.png";
    return false;
  }
  return true;
}

}  // namespace vilmar
