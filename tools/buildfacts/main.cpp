// Prints one program of a releases list: its platform, version, download
// name, and the integrity value and length the game computes from its own
// file, so the service knows the build when a score arrives from it.
//
//   vilmar-buildfacts --platform P --version V --file NAME PROGRAM

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>

#include "net/MachineFacts.h"

namespace {

// The names and versions come from the release script; quote them anyway.
std::string jsonText(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) continue;
    out += c;
  }
  return out + '"';
}

}  // namespace

int main(int argc, char** argv) {
  std::string platform, version, file, program;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (i + 1 < argc && arg == "--platform") platform = argv[++i];
    else if (i + 1 < argc && arg == "--version") version = argv[++i];
    else if (i + 1 < argc && arg == "--file") file = argv[++i];
    else if (program.empty() && !arg.starts_with("--")) program = arg;
    else program.clear(), platform.clear();
  }
  if (platform.empty() || version.empty() || file.empty() || program.empty()) {
    std::cerr << "usage: vilmar-buildfacts --platform P --version V --file NAME PROGRAM\n";
    return 2;
  }
  std::ifstream in(program, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!in || bytes.empty()) {
    std::cerr << "vilmar-buildfacts: cannot read " << program << '\n';
    return 1;
  }
  const vilmar::ProgramFileFacts facts = vilmar::programFileFacts(bytes);
  std::cout << "    {\"platform\": " << jsonText(platform) << ", \"version\": " << jsonText(version)
            << ", \"file\": " << jsonText(file) << ", \"integrity\": " << facts.integrity
            << ", \"length\": " << facts.length << "}";
  return 0;
}
