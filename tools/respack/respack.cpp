// Converts the game's resource sources into the forms the program holds:
// indexed PNG pictures into the RLE image format, a .bmp palette into a
// BITMAP resource, .wav files as they are. Writes a C++ table of them and,
// for a resource script, each converted resource as a file.

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "gfx/Rle.h"

namespace fs = std::filesystem;

namespace {

struct Entry {
  std::string type;
  int id = 0;
  fs::path file;
  std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> pictureToRle(const fs::path& path) {
  FILE* f = std::fopen(path.string().c_str(), "rb");
  if (f == nullptr) throw std::runtime_error("cannot read " + path.string());
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<std::uint8_t> pixels;
  png_uint_32 width = 0, height = 0;
  int colorType = 0;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    throw std::runtime_error(path.string() + ": not a readable PNG file");
  }
  png_init_io(png, f);
  png_read_png(png, info, PNG_TRANSFORM_PACKING, nullptr);
  width = png_get_image_width(png, info);
  height = png_get_image_height(png, info);
  colorType = png_get_color_type(png, info);
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_bytepp rows = png_get_rows(png, info);
    pixels.reserve(static_cast<std::size_t>(width) * height);
    for (png_uint_32 y = 0; y < height; ++y) pixels.insert(pixels.end(), rows[y], rows[y] + width);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  if (colorType != PNG_COLOR_TYPE_PALETTE)
    throw std::runtime_error(path.string() + ": a picture must be an indexed PNG in the game's palette");
  if (width > 0xFFFF || height > 0xFFFF) throw std::runtime_error(path.string() + ": too large");
  return vilmar::encodeRle(static_cast<int>(width), static_cast<int>(height), pixels);
}

std::vector<std::uint8_t> bitmapResource(const fs::path& path) {
  auto bytes = readFile(path);
  if (bytes.size() < 14 + 40 || bytes[0] != 'B' || bytes[1] != 'M')
    throw std::runtime_error(path.string() + ": not a BMP file");
  bytes.erase(bytes.begin(), bytes.begin() + 14);
  return bytes;
}

std::vector<Entry> readManifest(const fs::path& manifest) {
  std::ifstream in(manifest);
  if (!in) throw std::runtime_error("cannot read " + manifest.string());
  std::vector<Entry> entries;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    Entry e;
    std::string file;
    if (!(words >> e.type)) continue;
    if (!(words >> e.id >> file) || (e.type != "RCDATA" && e.type != "BITMAP" && e.type != "WAVE"))
      throw std::runtime_error(manifest.string() + ":" + std::to_string(number) + ": expected TYPE ID FILE");
    e.file = manifest.parent_path() / file;
    entries.push_back(std::move(e));
  }
  return entries;
}

void writeTable(const fs::path& out, const std::vector<Entry>& entries) {
  std::ostringstream s;
  s << "// Generated from resources/manifest.txt; do not edit.\n"
       "#include \"resources/CompiledResources.h\"\n\nnamespace vilmar {\nnamespace {\n";
  for (const Entry& e : entries) {
    s << "const unsigned char " << e.type << "_" << e.id << "[] =";
    static const char* hex = "0123456789abcdef";
    for (std::size_t i = 0; i < e.bytes.size(); ++i) {
      if (i % 40 == 0) s << "\n  \"";
      s << "\\x" << hex[e.bytes[i] >> 4] << hex[e.bytes[i] & 15];
      if (i % 40 == 39 || i + 1 == e.bytes.size()) s << '"';
    }
    if (e.bytes.empty()) s << " \"\"";
    s << ";\n";
  }
  s << "struct Entry {\n  ResourceType type;\n  int id;\n  const unsigned char* bytes;\n  std::size_t size;\n};\n"
       "const Entry TABLE[] = {\n";
  for (const Entry& e : entries) {
    const char* type = e.type == "RCDATA" ? "RcData" : e.type == "BITMAP" ? "Bitmap" : "Wave";
    s << "  {ResourceType::" << type << ", " << e.id << ", " << e.type << "_" << e.id << ", " << e.bytes.size()
      << "},\n";
  }
  if (entries.empty()) s << "  {ResourceType::RcData, -1, nullptr, 0},\n";
  s << "};\n}  // namespace\n\n"
       "std::span<const std::uint8_t> compiledResource(ResourceType type, int id) {\n"
       "  for (const Entry& e : TABLE)\n"
       "    if (e.type == type && e.id == id && e.bytes != nullptr) return {e.bytes, e.size};\n"
       "  return {};\n}\n\n}  // namespace vilmar\n";
  fs::create_directories(out.parent_path());
  // Only touch the table when it changed, so a rebuild stays short.
  const std::string text = s.str();
  if (fs::exists(out)) {
    const auto old = readFile(out);
    if (std::string(old.begin(), old.end()) == text) return;
  }
  std::ofstream(out, std::ios::binary) << text;
}

void writeRaw(const fs::path& dir, const std::vector<Entry>& entries) {
  for (const Entry& e : entries) {
    const char* ext = e.type == "RCDATA" ? ".rle" : e.type == "BITMAP" ? ".bmp" : ".wav";
    const fs::path folder = dir / e.type;
    fs::create_directories(folder);
    std::ofstream(folder / (std::to_string(e.id) + ext), std::ios::binary)
        .write(reinterpret_cast<const char*>(e.bytes.data()), static_cast<std::streamsize>(e.bytes.size()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  fs::path manifest, cpp, rawDir;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string opt = argv[i];
    if (opt == "--manifest") manifest = argv[i + 1];
    else if (opt == "--cpp") cpp = argv[i + 1];
    else if (opt == "--raw-dir") rawDir = argv[i + 1];
  }
  if (manifest.empty() || cpp.empty()) {
    std::cerr << "usage: vilmar-respack --manifest FILE --cpp OUT.cpp [--raw-dir DIR]\n";
    return 2;
  }
  try {
    auto entries = readManifest(manifest);
    for (Entry& e : entries) {
      if (e.type == "RCDATA") e.bytes = pictureToRle(e.file);
      else if (e.type == "BITMAP") e.bytes = bitmapResource(e.file);
      else e.bytes = readFile(e.file);
    }
    writeTable(cpp, entries);
    if (!rawDir.empty()) writeRaw(rawDir, entries);
  } catch (const std::exception& ex) {
    std::cerr << "vilmar-respack: " << ex.what() << "\n";
    return 1;
  }
  return 0;
}
