#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "frontends/sdl/KeyCodes.h"
#include "frontends/sdl/SettingsFile.h"

namespace vilmar::sdl {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  fs::path path = fs::temp_directory_path() / ("vilmar-settings-" + std::to_string(::getpid()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
  TempDir() { fs::remove_all(path); }
  ~TempDir() { fs::remove_all(path); }
};

std::string contents(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(SettingsFile, LivesInTheConfigFolder) {
  EXPECT_EQ(settingsPath("/x/conf", "/home/v"), fs::path("/x/conf/vilmar-pintkeeper/settings.ini"));
  EXPECT_EQ(settingsPath(nullptr, "/home/v"), fs::path("/home/v/.config/vilmar-pintkeeper/settings.ini"));
  EXPECT_EQ(settingsPath("relative", "/home/v"), fs::path("/home/v/.config/vilmar-pintkeeper/settings.ini"));
  EXPECT_EQ(settingsPath("", nullptr), std::nullopt);
}

TEST(SettingsFile, RoundTripsThroughANewFolderAndLeavesNoTemporaryFile) {
  TempDir dir;
  const fs::path file = dir.path / "vilmar-pintkeeper" / "settings.ini";
  std::string report;
  EXPECT_EQ(loadSettings(file, report), Settings{});  // none yet: quietly the defaults
  EXPECT_TRUE(report.empty());
  Settings s;
  s.volume = 20;
  s.keys.codes[0] = "KeyW";
  std::string error;
  ASSERT_TRUE(saveSettings(file, s, error)) << error;
  EXPECT_EQ(loadSettings(file, report), s);
  EXPECT_TRUE(report.empty());
  s.mute = true;
  ASSERT_TRUE(saveSettings(file, s, error)) << error;
  EXPECT_EQ(loadSettings(file, report), s);
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator{}), 1);
}

TEST(SettingsFile, ADamagedFileIsReportedOnceAndReplacedByTheDefaults) {
  TempDir dir;
  const fs::path file = dir.path / "settings.ini";
  fs::create_directories(dir.path);
  std::ofstream(file) << "volume=40\nkey.up=ArrowDown\n";
  std::string report;
  EXPECT_EQ(loadSettings(file, report), Settings{});
  EXPECT_NE(report.find("damaged"), std::string::npos) << report;
  EXPECT_EQ(contents(file), formatSettings(Settings{}));
  EXPECT_EQ(loadSettings(file, report), Settings{});
  EXPECT_TRUE(report.empty());  // the second start says nothing
}

TEST(SettingsFile, AnUnwritablePlaceFailsWithAReasonAndKeepsTheOldFile) {
  TempDir dir;
  fs::create_directories(dir.path);
  std::ofstream(dir.path / "plain") << "a file, not a folder";
  std::string error;
  EXPECT_FALSE(saveSettings(dir.path / "plain" / "settings.ini", Settings{}, error));
  EXPECT_NE(error.find("cannot"), std::string::npos);

  // The file's name taken by a folder: the rename fails, the temporary goes.
  const fs::path file = dir.path / "taken";
  fs::create_directories(file / "inside");
  error.clear();
  EXPECT_FALSE(saveSettings(file, Settings{}, error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(file / "inside"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator{}), 2);
  std::string report;
  EXPECT_EQ(loadSettings(file, report), Settings{});  // a folder cannot be read: defaults, told
  EXPECT_FALSE(report.empty());
}

TEST(SettingsFile, ScanCodesHaveTheBrowsersNames) {
  EXPECT_EQ(keyCodeName(SDL_SCANCODE_W), "KeyW");
  EXPECT_EQ(keyCodeName(SDL_SCANCODE_0), "Digit0");
  EXPECT_EQ(keyCodeName(SDL_SCANCODE_1), "Digit1");
  EXPECT_EQ(keyCodeName(SDL_SCANCODE_F12), "F12");
  EXPECT_EQ(keyCodeName(SDL_SCANCODE_UP), "ArrowUp");
  EXPECT_EQ(keyCodeName(SDL_SCANCODE_KP_0), "Numpad0");
  EXPECT_EQ(keyCodeName(SDL_SCANCODE_APPLICATION), "");
}

}  // namespace
}  // namespace vilmar::sdl
