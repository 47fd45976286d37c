// Runs a fuzz target over files without libFuzzer: the seed corpora and the
// inputs of past findings replay in every ordinary build and its tests.
// Arguments are files or folders of files.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A copy of exactly the file's size, so that a read past its end is caught.
  std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(exact.data(), exact.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path = argv[i];
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path)) {
        if (!entry.is_regular_file()) continue;
        if (!replay(entry.path())) return 1;
        ++files;
      }
    } else {
      if (!replay(path)) return 1;
      ++files;
    }
  }
  if (files == 0) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 1;
  }
  std::printf("%d inputs replayed\n", files);
  return 0;
}
