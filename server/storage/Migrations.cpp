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

std::string missingMigration(const std::string& dir, const std::vector<std::string>& applied) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error))
    if (entry.path().extension() == ".sql") names.push_back(entry.path().filename().string());
  if (error) throw StoreError("cannot read the migrations in " + dir + ": " + error.message());
  std::sort(names.begin(), names.end());
  for (const std::string& name : names)
    if (std::find(applied.begin(), applied.end(), name) == applied.end()) return name;
  return {};
}

}  // namespace kortix
