#pragma once
// What the download page tells about a released file: the platform in
// Swedish, the size in Swedish units and the SHA-256 a careful player checks.

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace kortix {

struct DownloadFile {
  std::uintmax_t size = 0;
  std::string sha256;  // lowercase hex
};

// Builds of these platforms are for players; the browser version's bundle
// ("web") is for those who run a service and is left off the player's pages.
bool playerPlatform(const std::string& platform);
// "Windows", "Linux (Debian, Ubuntu)"; an unknown platform keeps its own name.
std::string platformName(const std::string& platform);
// "812 byte", "64 kB", "2,4 MB": decimal units and a decimal comma.
std::string swedishSize(std::uintmax_t bytes);

// The size and checksum of files in the downloads folder, read once per
// version of a file (its size and time) and kept.
class DownloadFiles {
 public:
  explicit DownloadFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}
  // Nothing for a name that is not a plain file name in the folder or a file
  // that cannot be read.
  std::optional<DownloadFile> facts(const std::string& name);

 private:
  struct Known {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type time;
    std::string sha256;
  };
  std::filesystem::path folder_;
  std::mutex mutex_;
  std::map<std::string, Known> known_;
};

}  // namespace kortix
