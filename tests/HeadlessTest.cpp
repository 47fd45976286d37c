#include <gtest/gtest.h>

#include <sstream>

#include "app/App.h"
#include "frontends/headless/HeadlessPlatform.h"
#include "frontends/headless/InputScript.h"
#include "tools/sim/Trace.h"

namespace vilmar {
namespace {

TEST(InputScript, ParsesEventsAndComments) {
  InputScript script;
  std::istringstream in("# a game\n3 f1 tap\n\n10 space down # serve\n12 space up\n");
  std::string error;
  ASSERT_TRUE(script.parse(in, "demo.txt", error)) << error;
  ASSERT_EQ(script.events().size(), 3u);
  EXPECT_EQ(script.events()[1].pass, 10u);
  EXPECT_EQ(script.events()[1].key, Key::Space);
}

TEST(InputScript, NamesTheFileAndLineOfAMalformedLine) {
  for (auto [text, line] : {std::pair{"1 f1 tap\nx space tap\n", 2}, {"1 shift tap\n", 1},
                            {"1 up\n", 1}, {"1 up hold\n", 1}, {"\n\n1 up tap now\n", 3}, {"-1 up tap\n", 1}}) {
    InputScript script;
    std::istringstream in(text);
    std::string error;
    EXPECT_FALSE(script.parse(in, "keys.txt", error)) << text;
    EXPECT_EQ(error.rfind("keys.txt:" + std::to_string(line) + ":", 0), 0u) << error;
    EXPECT_TRUE(script.events().empty());
  }
}

TEST(InputScript, ATapIsSeenByOneQueryOnly) {
  HeadlessPlatform platform;
  InputScript script;
  std::istringstream in("0 space tap\n0 up down\n");
  std::string error;
  ASSERT_TRUE(script.parse(in, "t", error));
  script.apply(0, platform);
  EXPECT_EQ(platform.keyState(Key::Space), KEY_PRESSED_SINCE);
  EXPECT_EQ(platform.keyState(Key::Space), 0);
  EXPECT_EQ(platform.keyState(Key::Up), KEY_DOWN | KEY_PRESSED_SINCE);
  EXPECT_EQ(platform.keyState(Key::Up), KEY_DOWN);
}

std::string runTrace(const std::string& keys, int passes) {
  HeadlessPlatform platform;
  App app(platform);
  InputScript script;
  std::istringstream in(keys);
  std::string error;
  EXPECT_TRUE(script.parse(in, "t", error));
  std::string out;
  for (int pass = 0; pass < passes; ++pass) {
    script.apply(static_cast<std::uint64_t>(pass), platform);
    platform.beginPass();
    app.pass();
    out += traceLine(static_cast<std::uint64_t>(pass), app, platform) + "\n";
  }
  return out;
}

TEST(Simulator, TheSameKeysGiveTheSameTraceByteForByte) {
  const std::string keys = "1 f1 tap\n5 space tap\n20 down tap\n22 space down\n30 space up\n";
  const std::string a = runTrace(keys, 400);
  EXPECT_EQ(a, runTrace(keys, 400));
  EXPECT_NE(a.find("\"sounds\":[230]"), std::string::npos);
}

TEST(Simulator, FrameHashIsFnv1a) {
  const std::uint8_t bytes[] = {'a'};
  EXPECT_EQ(fnv1a64(bytes), 0xaf63dc4c8601ec8cull);
  EXPECT_EQ(fnv1a64({}), 0xcbf29ce484222325ull);
}

}  // namespace
}  // namespace vilmar
