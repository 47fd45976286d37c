#pragma once
// The schema lives in numbered SQL files, one folder per database; each runs
// once, in name order, and is noted in schema_migrations.

#include <string>
#include <utility>
#include <vector>

namespace kortix {

// (name, SQL text) of every .sql file in dir, sorted by name. Throws
// StoreError when the folder cannot be read or holds none.
std::vector<std::pair<std::string, std::string>> readMigrations(const std::string& dir);

// The first migration of dir that applied (the names in schema_migrations)
// lacks, or empty when the schema is current.
std::string missingMigration(const std::string& dir, const std::vector<std::string>& applied);

}  // namespace kortix
