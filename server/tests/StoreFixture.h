#pragma once
// Every store test runs against SQLite and, when the test run has started a
// PostgreSQL server (KORTIX_TEST_POSTGRES names it), against PostgreSQL too:
// each test in a schema of its own, so tests can run side by side.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <pqxx/pqxx>
#include <random>
#include <string>

#include "storage/Store.h"

#ifndef KORTIX_MIGRATIONS
#error "KORTIX_MIGRATIONS must name the migrations folder"
#endif

namespace kortix::test {

inline std::string uniqueName(const std::string& prefix) {
  // The process id alone comes back (ids wrap at 32768 here), and a test
  // would take over the database an earlier run left: a random part too.
  static const std::string run = std::to_string(std::random_device{}());
  static std::atomic<int> counter{0};
  return prefix + std::to_string(getpid()) + "_" + run + "_" + std::to_string(++counter);
}

inline const char* postgresUrl() { return std::getenv("KORTIX_TEST_POSTGRES"); }

// The database URL of a fresh, empty store of that kind.
inline std::string freshDatabase(const std::string& kind) {
  if (kind == "sqlite") {
    const std::string dir = ::testing::TempDir() + uniqueName("kortix_");
    // A process id comes back in a later run: what an earlier test left there is not fresh.
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return "sqlite:" + dir + "/kortix.db";
  }
  const std::string schema = uniqueName("t_");
  pqxx::connection admin(postgresUrl());
  pqxx::work w(admin);
  w.exec("CREATE SCHEMA " + schema);
  w.commit();
  const std::string base = postgresUrl();
  return base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema;
}

inline std::unique_ptr<Store> freshStore(const std::string& kind) {
  auto store = openStore(freshDatabase(kind), KORTIX_MIGRATIONS);
  store->migrate();
  return store;
}

// Parameter: "sqlite" or "postgresql".
class StoreTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "postgresql" && !postgresUrl())
      GTEST_SKIP() << "no PostgreSQL in this run (tools/server-tests.sh starts one)";
    store = freshStore(GetParam());
  }
  std::unique_ptr<Store> store;
};

inline std::string storeName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

}  // namespace kortix::test
