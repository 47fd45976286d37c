#include "http/SiteFiles.h"

#include <sodium.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kortix {

namespace fs = std::filesystem;

// The game page runs WebAssembly and has its style sheet in the page; the
// rest is as strict as on the service's own pages.
constexpr const char* SITE_POLICY =
    "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self' 'unsafe-inline'; "
    "img-src 'self' data:; connect-src 'self'; form-action 'self'; frame-ancestors 'none'; base-uri 'none'";

namespace site {

std::string contentType(std::string_view name) {
  static const std::map<std::string_view, const char*> types = {
      {".html", "text/html; charset=utf-8"},       {".js", "text/javascript; charset=utf-8"},
      {".wasm", "application/wasm"},                {".css", "text/css; charset=utf-8"},
      {".json", "application/json"},                {".map", "application/json"},
      {".txt", "text/plain; charset=utf-8"},        {".svg", "image/svg+xml"},
      {".png", "image/png"},                        {".ico", "image/x-icon"},
      {".webmanifest", "application/manifest+json"}, {".zip", "application/zip"},
      {".gz", "application/gzip"},
  };
  const std::size_t dot = name.rfind('.');
  const std::size_t slash = name.rfind('/');
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
    const auto it = types.find(name.substr(dot));
    if (it != types.end()) return it->second;
  }
  return "application/octet-stream";
}

bool compressible(std::string_view type) {
  return type.starts_with("text/") || type == "application/wasm" || type == "application/json" ||
         type == "image/svg+xml" || type == "application/manifest+json";
}

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Calls f on each comma-separated item of a header, trimmed.
template <typename F>
void eachItem(std::string_view header, F f) {
  while (!header.empty()) {
    const std::size_t comma = header.find(',');
    f(trim(header.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    header.remove_prefix(comma + 1);
  }
}

}  // namespace

bool acceptsGzip(std::string_view acceptEncoding) {
  bool gzip = false, star = false, gzipNamed = false;
  eachItem(acceptEncoding, [&](std::string_view item) {
    const std::size_t semi = item.find(';');
    const std::string_view coding = trim(item.substr(0, semi));
    bool zero = false;
    if (semi != std::string_view::npos) {
      std::string_view param = trim(item.substr(semi + 1));
      if (param.size() >= 2 && (param[0] == 'q' || param[0] == 'Q') && param[1] == '=') {
        param.remove_prefix(2);
        zero = param.find_first_not_of("0.") == std::string_view::npos;
      }
    }
    if (equalsIgnoringCase(coding, "gzip") || equalsIgnoringCase(coding, "x-gzip")) {
      gzipNamed = true;
      gzip = !zero;
    } else if (coding == "*") {
      star = !zero;
    }
  });
  return gzipNamed ? gzip : star;
}

bool etagMatches(std::string_view ifNoneMatch, std::string_view etag) {
  bool match = false;
  eachItem(ifNoneMatch, [&](std::string_view item) {
    if (item.starts_with("W/")) item.remove_prefix(2);  // a revalidation compares weakly
    if (item == "*" || item == etag) match = true;
  });
  return match;
}

std::string safeRelative(std::string_view path) {
  std::string relative;
  std::string_view rest = path;
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    // No climbing out, no hidden files, no doubled slashes or odd bytes.
    if (part.empty() || part.front() == '.' || part.find_first_of(std::string_view("\\:\0", 3)) != std::string_view::npos)
      return {};
    if (!relative.empty()) relative += '/';
    relative += part;
    if (slash == std::string_view::npos) return relative;
    rest.remove_prefix(slash + 1);
    if (rest.empty()) relative += '/';
  }
  return relative;
}

ByteRange byteRange(std::string_view header, std::size_t size) {
  ByteRange range;
  header = trim(header);
  if (!header.starts_with("bytes=")) return range;
  const std::string_view wanted = trim(header.substr(6));
  if (wanted.find(',') != std::string_view::npos) return range;  // several: the whole file, once
  const std::size_t dash = wanted.find('-');
  if (dash == std::string_view::npos) return range;
  const auto number = [](std::string_view digits, std::size_t& value) {
    if (digits.empty() || digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string_view::npos)
      return false;
    value = 0;
    for (char c : digits) value = value * 10 + static_cast<std::size_t>(c - '0');
    return true;
  };
  const std::string_view from = trim(wanted.substr(0, dash)), to = trim(wanted.substr(dash + 1));
  std::size_t first = 0, last = 0;
  if (from.empty()) {  // the last n bytes
    if (!number(to, last)) return range;
    if (last == 0) {
      range.kind = ByteRange::Kind::Unsatisfiable;
      return range;
    }
    range.kind = ByteRange::Kind::Part;
    range.length = std::min(last, size);
    range.first = size - range.length;
    return range;
  }
  if (!number(from, first)) return range;
  if (to.empty()) last = size == 0 ? 0 : size - 1;
  else if (!number(to, last) || last < first) return range;
  if (first >= size) {
    range.kind = ByteRange::Kind::Unsatisfiable;
    return range;
  }
  range.kind = ByteRange::Kind::Part;
  range.first = first;
  range.length = std::min(last, size - 1) - first + 1;
  return range;
}

std::string gzip(std::string_view bytes) {
  z_stream z{};
  // 15 + 16: a gzip wrapper rather than zlib's own.
  if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("gzip: deflateInit2 failed");
  std::string out(deflateBound(&z, static_cast<uLong>(bytes.size())) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (result != Z_STREAM_END) throw std::runtime_error("gzip: deflate failed");
  return out;
}

}  // namespace site

SiteFiles::SiteFiles(std::string dir, std::string prefix, bool gamePage)
    : dir_(std::move(dir)), prefix_(std::move(prefix)), gamePage_(gamePage) {}

std::shared_ptr<const SiteFiles::Entry> SiteFiles::load(const std::string& relative) {
  std::error_code error;
  const fs::path root = fs::canonical(dir_, error);
  if (error) return nullptr;
  const fs::path file = fs::canonical(root / relative, error);
  if (error) return nullptr;
  // A link inside the folder must not lead out of it.
  const auto [end, _] = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
  if (end != root.end() || !fs::is_regular_file(file, error)) return nullptr;
  const std::uintmax_t size = fs::file_size(file, error);
  if (error || size > MAX_FILE) return nullptr;
  const auto written = fs::last_write_time(file, error);
  if (error) return nullptr;
  const std::int64_t mtime = written.time_since_epoch().count();

  {
    std::lock_guard lock(mutex_);
    const auto it = cache_.find(relative);
    if (it != cache_.end() && it->second->mtime == mtime && it->second->size == size) return it->second;
  }
  // Read and compress outside the lock; two first requests at once both do
  // the work once, which is harmless.
  auto entry = std::make_shared<Entry>();
  std::ifstream in(file, std::ios::binary);
  if (!in) return nullptr;
  entry->plain.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return nullptr;
  entry->type = site::contentType(relative);
  entry->mtime = mtime;
  entry->size = entry->plain.size();  // a file still being written is read again next time
  if (site::compressible(entry->type)) {
    std::string packed = site::gzip(entry->plain);
    if (packed.size() < entry->plain.size()) entry->gzipped = std::move(packed);
  }
  unsigned char digest[16];
  crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(entry->plain.data()),
                     entry->plain.size(), nullptr, 0);
  char hex[sizeof digest * 2 + 1];
  sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
  entry->etag = hex;
  std::lock_guard lock(mutex_);
  cache_[relative] = entry;
  return entry;
}

void SiteFiles::serve(const Request& req, Response& res) {
  if (req.path == prefix_) {
    res.set_redirect(prefix_ + "/", 301);
    return;
  }
  std::string relative = site::safeRelative(std::string_view(req.path).substr(prefix_.size() + 1));
  if (relative.empty() && req.path != prefix_ + "/") {
    res.status = 404;
    return;
  }
  if (relative.empty() || relative.back() == '/') relative += "index.html";
  const auto entry = load(relative);
  if (!entry) {
    std::error_code error;
    // A folder asked for without its slash: its page is at the slashed path.
    if (fs::is_directory(fs::path(dir_) / relative, error)) res.set_redirect(req.path + "/", 301);
    else res.status = 404;
    return;
  }

  // A range is of the plain bytes: a resumed download must fit what it has.
  const std::string plainTag = "\"" + entry->etag + "\"";
  const std::string rangeHeader = req.get_header_value("Range");
  const bool ranged = !rangeHeader.empty() && req.method == "GET" &&
                      (!req.has_header("If-Range") || req.get_header_value("If-Range") == plainTag);
  const bool packed =
      !ranged && !entry->gzipped.empty() && site::acceptsGzip(req.get_header_value("Accept-Encoding"));
  const std::string etag = packed ? "\"" + entry->etag + "-gz\"" : plainTag;
  if (gamePage_) {
    res.headers.erase("Content-Security-Policy");
    res.set_header("Content-Security-Policy", SITE_POLICY);
  }
  res.set_header("Cache-Control", "no-cache");
  res.set_header("ETag", etag);
  res.set_header("Accept-Ranges", "bytes");
  if (site::compressible(entry->type)) res.set_header("Vary", "Accept-Encoding");
  if (site::etagMatches(req.get_header_value("If-None-Match"), etag)) {
    res.status = 304;
    return;
  }
  if (packed) res.set_header("Content-Encoding", "gzip");
  // The cached bytes go out as they are, kept alive by the entry while sent.
  res.set_shared_content(std::shared_ptr<const std::string>(entry, packed ? &entry->gzipped : &entry->plain),
                         entry->type);
  if (!ranged) return;
  const site::ByteRange range = site::byteRange(rangeHeader, entry->plain.size());
  const std::string size = std::to_string(entry->plain.size());
  if (range.kind == site::ByteRange::Kind::Unsatisfiable) {
    res.status = 416;
    res.set_header("Content-Range", "bytes */" + size);
    res.set_content("", "text/plain; charset=utf-8");
  } else if (range.kind == site::ByteRange::Kind::Part) {
    res.status = 206;
    res.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                        std::to_string(range.first + range.length - 1) + "/" + size);
    res.set_shared_part(range.first, range.length);
  }
}

}  // namespace kortix
