#pragma once
// A folder of files served under a prefix (the browser game under /spela/,
// the style sheet under /static/, released builds under /filer/): each file
// read once and, where it pays, gzipped once, both kept in memory until the
// file on disk changes. Every answer is revalidated (no-cache) against a
// strong ETag, so a new release reaches players at once and an unchanged one
// costs a 304. Nothing hidden and nothing a link leads to outside the folder
// goes out; one byte range at most (a download resumed).

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "http/Message.h"

namespace kortix {

class SiteFiles {
 public:
  // prefix is the address the folder appears under, without the trailing
  // slash; gamePage: its pages may run WebAssembly and inline styles.
  SiteFiles(std::string dir, std::string prefix, bool gamePage = true);

  // Answers GET and HEAD for prefix + "/..." (and prefix alone: a redirect).
  void serve(const Request& req, Response& res);

  // Files larger than this are not served (the game's own are a few hundred KB).
  static constexpr std::uintmax_t MAX_FILE = 64u * 1024 * 1024;

  struct Entry {
    std::string type;
    std::string plain, gzipped;  // gzipped empty: not worth compressing
    std::string etag;            // of the plain bytes; the gzipped ones add "-gz"
    std::int64_t mtime = 0;
    std::uintmax_t size = 0;
  };

 private:
  // The file for a relative path, loaded or reloaded as needed; null if there is none.
  std::shared_ptr<const Entry> load(const std::string& relative);

  std::string dir_, prefix_;
  bool gamePage_;
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const Entry>> cache_;
};

// What the helpers below decide, exposed for their tests.
namespace site {
// The content type of a file name by its extension.
std::string contentType(std::string_view name);
// Whether that type is sent gzipped to a client that accepts it.
bool compressible(std::string_view type);
// Whether an Accept-Encoding header admits gzip (a "gzip;q=0" refuses it).
bool acceptsGzip(std::string_view acceptEncoding);
// Whether an If-None-Match header names this ETag (or is "*").
bool etagMatches(std::string_view ifNoneMatch, std::string_view etag);
// The path below the folder, or empty when it leaves the folder or is not a plain path.
std::string safeRelative(std::string_view path);
// The one byte range a Range header asks for over size bytes. Whole when
// there is none, more than one, or it cannot be read: the whole file goes
// out. Unsatisfiable when it starts past the end.
struct ByteRange {
  enum class Kind { Whole, Part, Unsatisfiable } kind = Kind::Whole;
  std::size_t first = 0, length = 0;
};
ByteRange byteRange(std::string_view header, std::size_t size);
// gzip of the bytes at the best level.
std::string gzip(std::string_view bytes);
}  // namespace site

}  // namespace kortix
