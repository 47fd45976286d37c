// The artwork as the program holds it: every picture at its size, written the
// way the game's images are (runs of 4 to 255, no index 255, a stream that
// ends at the last pixel) and decoded back to the pixels of its PNG source;
// the palette bitmap's colour table; the three sounds' wave format.

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/Palette.h"
#include "gfx/Rle.h"
#include "resources/CompiledResources.h"

namespace vilmar {
namespace {

struct Size {
  int w, h;
};

// The 43 pictures of the game and their sizes.
std::map<int, Size> pictureSizes() {
  std::map<int, Size> s = {{238, {66, 104}}, {239, {75, 104}}, {240, {52, 104}}, {241, {71, 104}},
                           {242, {60, 104}}, {243, {285, 38}}, {244, {72, 72}},  {245, {72, 72}},
                           {246, {128, 24}}, {247, {54, 41}},  {248, {54, 41}},  {249, {54, 41}},
                           {250, {54, 41}},  {251, {132, 38}}, {252, {72, 72}},  {253, {72, 72}},
                           {256, {424, 300}}, {257, {8, 16}}};
  s[237] = {12, 16};
  for (int id = 271; id <= 279; ++id) s[id] = {12, 16};
  for (int id : {254, 255, 258, 259, 260, 261, 262, 263, 264, 265, 266, 267, 268, 269, 270}) s[id] = {64, 72};
  return s;
}

// Pictures that cover their whole rectangle: the room, the banners, the corners.
bool isOpaque(int id) {
  return id == 256 || id == 243 || id == 251 || (id >= 244 && id <= 245) || (id >= 252 && id <= 253);
}

struct PngPicture {
  bool ok = false;
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
  std::vector<Rgb> colours;
};

// libpng reports errors by longjmp, so nothing here is changed after the
// setjmp except through the pointers.
bool readPngInto(FILE* f, png_structp png, png_infop info, PngPicture* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, f);
  png_read_png(png, info, PNG_TRANSFORM_PACKING, nullptr);
  if (png_get_color_type(png, info) != PNG_COLOR_TYPE_PALETTE || png_get_bit_depth(png, info) != 8) return false;
  out->width = static_cast<int>(png_get_image_width(png, info));
  out->height = static_cast<int>(png_get_image_height(png, info));
  png_bytepp rows = png_get_rows(png, info);
  for (int y = 0; y < out->height; ++y) out->pixels.insert(out->pixels.end(), rows[y], rows[y] + out->width);
  png_colorp plte = nullptr;
  int n = 0;
  if (png_get_PLTE(png, info, &plte, &n) != 0)
    for (int i = 0; i < n; ++i) out->colours.push_back({plte[i].red, plte[i].green, plte[i].blue});
  return true;
}

PngPicture readIndexedPng(const std::string& path) {
  PngPicture out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return out;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  out.ok = readPngInto(f, png, info, &out);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return out;
}

// Resource id -> source file, as the manifest lists them.
std::map<std::pair<std::string, int>, std::string> manifest() {
  std::map<std::pair<std::string, int>, std::string> out;
  std::ifstream in(std::string(VILMAR_RESOURCE_DIR) + "/manifest.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string type, file;
    int id = 0;
    if (words >> type >> id >> file) out[{type, id}] = std::string(VILMAR_RESOURCE_DIR) + "/" + file;
  }
  return out;
}

Palette gamePalette() {
  Palette p{};
  paletteFromBitmap(compiledResource(ResourceType::Bitmap, PALETTE_RESOURCE), p);
  return p;
}

int brightness(Rgb c) { return 30 * c.r + 59 * c.g + 11 * c.b; }

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

TEST(Artwork, EveryPictureIsCompiledInAtItsSize) {
  for (const auto& [id, size] : pictureSizes()) {
    SCOPED_TRACE("picture " + std::to_string(id));
    const auto res = compiledResource(ResourceType::RcData, id);
    ASSERT_GE(res.size(), RLE_HEADER_SIZE);
    EXPECT_EQ(std::string(res.begin(), res.begin() + 7), "zpx/rle");
    int w = 0, h = 0;
    std::vector<std::uint8_t> px;
    ASSERT_TRUE(decodeRleResource(res, w, h, px));
    EXPECT_EQ(w, size.w);
    EXPECT_EQ(h, size.h);
  }
}

TEST(Artwork, StreamsHoldOnlyLongRunsAndEndAtTheLastPixel) {
  for (const auto& [id, size] : pictureSizes()) {
    SCOPED_TRACE("picture " + std::to_string(id));
    const auto res = compiledResource(ResourceType::RcData, id);
    ASSERT_GE(res.size(), RLE_HEADER_SIZE);
    const std::size_t total = static_cast<std::size_t>(size.w) * static_cast<std::size_t>(size.h);
    std::size_t at = RLE_HEADER_SIZE, produced = 0;
    while (at < res.size()) {
      ASSERT_LT(produced, total) << "codes after the last pixel at byte " << at;
      if (res[at] == RLE_RUN) {
        ASSERT_LE(at + 3, res.size()) << "a run cut off by the end";
        EXPECT_NE(res[at + 1], 255) << "index 255 at byte " << at;
        EXPECT_GE(res[at + 2], 4) << "short run at byte " << at;
        produced += res[at + 2];
        at += 3;
      } else {
        ++produced;
        ++at;
      }
    }
    EXPECT_EQ(produced, total);
  }
}

TEST(Artwork, DecodedPicturesMatchTheirPngSources) {
  const auto files = manifest();
  const Palette palette = gamePalette();
  for (const auto& [id, size] : pictureSizes()) {
    SCOPED_TRACE("picture " + std::to_string(id));
    const auto file = files.find({"RCDATA", id});
    ASSERT_NE(file, files.end()) << "not in the manifest";
    const PngPicture png = readIndexedPng(file->second);
    ASSERT_TRUE(png.ok) << file->second << " is not an 8-bit indexed PNG";
    // The source's own colours are the game's, so an editor shows it true.
    ASSERT_GE(png.colours.size(), 237u);
    for (std::size_t i = 0; i <= TRANSPARENT_INDEX; ++i) ASSERT_EQ(png.colours[i], palette[i]) << "colour " << i;
    int w = 0, h = 0;
    std::vector<std::uint8_t> px;
    ASSERT_TRUE(decodeRleResource(compiledResource(ResourceType::RcData, id), w, h, px));
    ASSERT_EQ(png.width, w);
    ASSERT_EQ(png.height, h);
    EXPECT_EQ(png.pixels, px);
  }
}

TEST(Artwork, PicturesUseTheArtColoursAndTransparencyWhereItBelongs) {
  for (const auto& [id, size] : pictureSizes()) {
    SCOPED_TRACE("picture " + std::to_string(id));
    int w = 0, h = 0;
    std::vector<std::uint8_t> px;
    ASSERT_TRUE(decodeRleResource(compiledResource(ResourceType::RcData, id), w, h, px));
    std::size_t clear = 0;
    for (std::uint8_t p : px) {
      ASSERT_LE(p, TRANSPARENT_INDEX);
      if (p == TRANSPARENT_INDEX) ++clear;
    }
    if (isOpaque(id)) {
      EXPECT_EQ(clear, 0u) << "a picture that covers its rectangle has a see-through pixel";
    } else {
      // A figure is cut out: its corners show what lies beneath.
      const auto at = [&](int x, int y) { return px[static_cast<std::size_t>(y * w + x)]; };
      EXPECT_EQ(at(0, 0), TRANSPARENT_INDEX);
      EXPECT_EQ(at(w - 1, 0), TRANSPARENT_INDEX);
      EXPECT_GT(clear, 0u);
      EXPECT_LT(clear, px.size()) << "an empty picture";
    }
  }
}

TEST(Artwork, PaletteBitmapFollowsTheColourRule) {
  const auto dib = compiledResource(ResourceType::Bitmap, PALETTE_RESOURCE);
  // One 8-bit pixel with a full table: header, 256 colours, one padded row.
  ASSERT_EQ(dib.size(), 40u + 256u * 4u + 4u);
  EXPECT_EQ(le32(dib, 0), 40u);
  EXPECT_EQ(le32(dib, 4), 1u);
  EXPECT_EQ(le32(dib, 8), 1u);
  EXPECT_EQ(le16(dib, 14), 8);
  EXPECT_EQ(le32(dib, 16), 0u);  // no compression
  EXPECT_TRUE(le32(dib, 32) == 256u || le32(dib, 32) == 0u);

  Palette p{};
  ASSERT_TRUE(paletteFromBitmap(dib, p));
  EXPECT_EQ(p[0], (Rgb{255, 255, 255}));
  for (int i = 1; i <= 233; ++i) EXPECT_LE(brightness(p[i]), brightness(p[i - 1])) << "entry " << i;
  // Near black, but a colour of the art: not the unused black.
  EXPECT_NE(p[233], (Rgb{0, 0, 0}));
  EXPECT_LT(brightness(p[233]), 30 * 32 + 59 * 32 + 11 * 32);
  EXPECT_EQ(p[236], (Rgb{255, 0, 255}));
  for (int i : {234, 235}) EXPECT_EQ(p[i], (Rgb{0, 0, 0})) << "entry " << i;
  for (int i = 237; i <= 255; ++i) EXPECT_EQ(p[i], (Rgb{0, 0, 0})) << "entry " << i;
}

TEST(Artwork, SoundsAreShortEightBitMonoWavesAt8000Hz) {
  std::vector<std::vector<std::uint8_t>> samples;
  for (int id : {228, 229, 230}) {
    SCOPED_TRACE("sound " + std::to_string(id));
    const auto w = compiledResource(ResourceType::Wave, id);
    ASSERT_GE(w.size(), 44u);
    EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
    EXPECT_EQ(le32(w, 4), w.size() - 8);
    EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 12), "WAVE");
    // Walk the chunks: a PCM format chunk and a data chunk that fits.
    std::size_t at = 12;
    bool sawFormat = false;
    std::span<const std::uint8_t> data;
    while (at + 8 <= w.size()) {
      const std::string name(w.begin() + static_cast<std::ptrdiff_t>(at),
                             w.begin() + static_cast<std::ptrdiff_t>(at + 4));
      const std::size_t len = le32(w, at + 4);
      ASSERT_LE(at + 8 + len, w.size()) << "chunk " << name << " runs past the end";
      if (name == "fmt ") {
        ASSERT_GE(len, 16u);
        EXPECT_EQ(le16(w, at + 8), 1);       // PCM
        EXPECT_EQ(le16(w, at + 10), 1);      // mono
        EXPECT_EQ(le32(w, at + 12), 8000u);  // samples a second
        EXPECT_EQ(le32(w, at + 16), 8000u);  // bytes a second
        EXPECT_EQ(le16(w, at + 20), 1);      // block align
        EXPECT_EQ(le16(w, at + 22), 8);      // bits a sample
        sawFormat = true;
      } else if (name == "data") {
        data = w.subspan(at + 8, len);
      }
      at += 8 + len + (len & 1);
    }
    ASSERT_TRUE(sawFormat);
    // Short: a tenth of a second to a second; and not silent.
    EXPECT_GE(data.size(), 800u);
    EXPECT_LE(data.size(), 8000u);
    int peak = 0;
    for (std::uint8_t s : data) peak = std::max(peak, std::abs(static_cast<int>(s) - 128));
    EXPECT_GT(peak, 40);
    samples.emplace_back(data.begin(), data.end());
  }
  ASSERT_EQ(samples.size(), 3u);
  EXPECT_NE(samples[0], samples[1]);
  EXPECT_NE(samples[1], samples[2]);
  EXPECT_NE(samples[0], samples[2]);
}

}  // namespace
}  // namespace vilmar
