// The browser game's folder under /spela/: whatever path and headers come,
// only the folder's own files go out, whole, and nothing beside the folder
// does.
//
// An input is the path after "/spela" (as the server has decoded it), then
// after a byte 0x1F the Accept-Encoding header and after another the
// If-None-Match header.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "http/SiteFiles.h"

using namespace kortix;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view SECRET = "kortix-secret: what lies beside the site folder";

struct Site {
  Site() {
    char pattern[] = "/tmp/vilmar-site-fuzz-XXXXXX";
    FUZZ_CHECK(mkdtemp(pattern) != nullptr);
    root = pattern;
    const fs::path site = root / "site";
    fs::create_directories(site / "data");
    put(root / "secret.txt", SECRET, false);
    put(site / ".hidden", SECRET, false);
    put(site / "index.html", "<!DOCTYPE html><title>Spela</title>" + std::string(2000, ' '), true);
    put(site / "page.js", "'use strict';\n" + std::string(3000, ';'), true);
    put(site / "vilmar.wasm", std::string("\0asm\1\0\0\0", 8), true);
    put(site / "data" / "index.html", "<p>data</p>", true);
    files = std::make_unique<SiteFiles>(site.string(), "/spela");
  }
  ~Site() {
    std::error_code error;
    fs::remove_all(root, error);
  }

  void put(const fs::path& path, std::string_view bytes, bool servable) {
    std::ofstream(path, std::ios::binary) << bytes;
    if (servable) {
      plain.emplace(bytes);
      packed.insert(site::gzip(bytes));
    }
  }

  fs::path root;
  std::set<std::string> plain, packed;  // every file that may go out, as it is and gzipped
  std::unique_ptr<SiteFiles> files;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Site site;
  auto parts = fuzzParts(std::string_view(reinterpret_cast<const char*>(data), size), '\x1f', 3);
  parts.resize(3);
  // The router hands over only "/spela" and "/spela/...".
  if (!parts[0].empty() && parts[0].front() != '/') return 0;
  Request req;
  req.method = "GET";
  req.path = "/spela" + std::string(parts[0]);
  req.headers.emplace("Accept-Encoding", std::string(parts[1]));
  req.headers.emplace("If-None-Match", std::string(parts[2]));

  Response res;
  site.files->serve(req, res);
  if (res.status == 301 || res.status == 304 || res.status == 404) return 0;
  FUZZ_CHECK(res.status == 200);
  FUZZ_CHECK(res.shared_body != nullptr);
  const std::string body(res.content());
  const bool gzipped = res.get_header_value("Content-Encoding") == "gzip";
  FUZZ_CHECK((gzipped ? site.packed : site.plain).count(body) == 1);
  return 0;
}
