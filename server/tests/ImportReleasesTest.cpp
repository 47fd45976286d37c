// The operator imports a release's list of programs: all of them, or none
// when the list is damaged, so a half-registered release never sends
// players of the newest build to the version page.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Operator.h"
#include "StoreFixture.h"

namespace kortix::test {
namespace {

class ImportReleases : public StoreTest {
 protected:
  int import(const std::string& json, std::string* errors = nullptr) {
    const std::string path = ::testing::TempDir() + uniqueName("releases_") + ".json";
    std::ofstream(path) << json;
    std::ostringstream out, err;
    const int status = runOperatorCommand(*store, {"import-releases", path}, out, err, 100);
    if (errors) *errors = err.str();
    return status;
  }
};

TEST_P(ImportReleases, EveryProgramOfTheListIsRegisteredUnderItsDownload) {
  ASSERT_EQ(import(R"({"version": "1.2.0", "programs": [
      {"platform": "windows", "file": "VilmarPintkeeper-1.2.0-windows.zip", "integrity": 4000000000, "length": 1042304},
      {"platform": "linux", "version": "1.2.1", "file": "vilmar-pintkeeper_1.2.1_amd64.deb", "integrity": 7, "length": 9}]})"),
            0);
  const auto builds = store->builds();
  ASSERT_EQ(builds.size(), 2u);
  EXPECT_EQ(builds[0].platform, "windows");
  EXPECT_EQ(builds[0].version, "1.2.0");  // the list's own version
  EXPECT_EQ(builds[0].fileName, "VilmarPintkeeper-1.2.0-windows.zip");
  EXPECT_EQ(builds[0].integrity, 4000000000u);
  EXPECT_EQ(builds[1].version, "1.2.1");  // a program's version wins
  // The same list again changes nothing.
  ASSERT_EQ(import(R"({"version": "1.2.0", "programs": [
      {"platform": "windows", "file": "VilmarPintkeeper-1.2.0-windows.zip", "integrity": 4000000000, "length": 1042304}]})"),
            0);
  EXPECT_EQ(store->builds().size(), 2u);
}

TEST_P(ImportReleases, ADamagedListRegistersNothing) {
  const std::string good = R"({"platform": "web", "file": "vilmar-web-1.tar.gz", "integrity": 1, "length": 2})";
  for (const std::string& bad : {
           std::string("not json"),
           std::string(R"([1, 2])"),
           std::string(R"({"version": "1", "programs": {}})"),
           R"({"version": "1", "programs": [)" + good + R"(, {"platform": "web", "file": "../etc/passwd", "integrity": 1, "length": 2}]})",
           R"({"version": "1", "programs": [)" + good + R"(, {"platform": "web", "file": "a.zip", "integrity": -1, "length": 2}]})",
           R"({"version": "1", "programs": [)" + good + R"(, {"platform": "web", "file": "a.zip", "integrity": 1, "length": 4294967296}]})",
           R"({"version": "1", "programs": [)" + good + R"(, {"platform": "web", "file": "a.zip", "integrity": "1", "length": 2}]})",
           R"({"version": "1", "programs": [)" + good + R"(, {"file": "a.zip", "integrity": 1, "length": 2}]})",
           R"({"programs": [)" + good + R"(]})",  // no version anywhere
       }) {
    std::string errors;
    EXPECT_EQ(import(bad, &errors), 1) << bad;
    EXPECT_FALSE(errors.empty()) << bad;
    EXPECT_TRUE(store->builds().empty()) << bad;
  }
}

INSTANTIATE_TEST_SUITE_P(Sqlite, ImportReleases, ::testing::Values("sqlite"), storeName);
INSTANTIATE_TEST_SUITE_P(Postgres, ImportReleases, ::testing::Values("postgresql"), storeName);

}  // namespace
}  // namespace kortix::test
