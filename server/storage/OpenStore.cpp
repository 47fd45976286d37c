#include "storage/PostgresStore.h"
#include "storage/SqliteStore.h"

namespace kortix {

std::unique_ptr<Store> openStore(const std::string& url, const std::string& migrationsDir) {
  if (url.rfind("sqlite:", 0) == 0) {
    const std::string path = url.substr(7);
    if (path.empty()) throw StoreError("sqlite: no file named in " + url);
    return std::make_unique<SqliteStore>(path, migrationsDir + "/sqlite");
  }
  if (url.rfind("postgresql://", 0) == 0 || url.rfind("postgres://", 0) == 0)
    return std::make_unique<PostgresStore>(url, migrationsDir + "/postgresql");
  throw StoreError("unknown database (use sqlite:PATH or postgresql://...)");
}

}  // namespace kortix
