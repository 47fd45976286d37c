#include "http/Downloads.h"

#include <sodium.h>

#include <fstream>
#include <vector>

namespace kortix {

bool playerPlatform(const std::string& platform) { return platform != "web"; }

std::string platformName(const std::string& platform) {
  if (platform == "windows") return "Windows";
  if (platform == "linux") return "Linux (Debian, Ubuntu)";
  return platform;
}

std::string swedishSize(std::uintmax_t bytes) {
  if (bytes < 1000) return std::to_string(bytes) + " byte";
  if (bytes < 999500) return std::to_string((bytes + 500) / 1000) + " kB";
  // Tenths of a megabyte, rounded; whole megabytes from 100 MB up.
  const std::uintmax_t tenths = (bytes + 50 * 1000) / (100 * 1000);
  if (tenths >= 1000) return std::to_string((tenths + 5) / 10) + " MB";
  return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " MB";
}

std::optional<DownloadFile> DownloadFiles::facts(const std::string& name) {
  if (name.empty() || name.front() == '.' || name.find_first_of("/\\") != std::string::npos ||
      name.find('\0') != std::string::npos)
    return std::nullopt;
  const std::filesystem::path path = folder_ / name;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  const auto time = std::filesystem::last_write_time(path, error);
  if (error) return std::nullopt;
  {
    std::lock_guard lock(mutex_);
    const auto it = known_.find(name);
    if (it != known_.end() && it->second.size == size && it->second.time == time)
      return DownloadFile{size, it->second.sha256};
  }
  // Read outside the lock: a large file holds up no other page.
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  std::vector<char> buffer(64 * 1024);
  std::uintmax_t read = 0;
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto got = in.gcount();
    if (got <= 0) break;
    crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(buffer.data()),
                              static_cast<unsigned long long>(got));
    read += static_cast<std::uintmax_t>(got);
  }
  if (in.bad() || read != size) return std::nullopt;  // changed while read: not cached, not shown
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&state, digest);
  char hex[crypto_hash_sha256_BYTES * 2 + 1];
  sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
  std::lock_guard lock(mutex_);
  known_[name] = Known{size, time, hex};
  return DownloadFile{size, hex};
}

}  // namespace kortix
