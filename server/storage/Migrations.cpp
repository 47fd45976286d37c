#include "storage/Migrations.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "storage/Store.h"

namespace kortix {

std::vector<std::pair<std::string, std::string>> readMigrations(const std::string& dir) {
  std::vector<std::pair<std::string, std::string>> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    if (entry.path().extension() != ".sql") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) throw StoreError("cannot read migration " + entry.path().string());
    files.emplace_back(entry.path().filename().string(), text.str());
  }
  if (error) throw StoreError("cannot read the migrations in " + dir + ": " + error.message());
  if (files.empty()) throw StoreError("no migrations in " + dir);
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace kortix
