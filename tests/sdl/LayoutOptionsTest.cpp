// Where the frame goes in a window of any size, the default window size on
// screens of common sizes, and the command line.

#include <gtest/gtest.h>

#include "frontends/sdl/Layout.h"
#include "frontends/sdl/Options.h"

namespace vilmar::sdl {
namespace {

TEST(Layout, DefaultScaleIsTheLargestThatFitsTheScreen) {
  EXPECT_EQ(defaultScale(1920, 1080, 19), 3);  // 4 would be 1219 pixels tall
  EXPECT_EQ(defaultScale(2560, 1440, 38), 4);
  EXPECT_EQ(defaultScale(3840, 2160, 38), 6);
  EXPECT_EQ(defaultScale(1366, 768, 19), 2);
  EXPECT_EQ(defaultScale(800, 600, 19), 1);
  EXPECT_EQ(defaultScale(320, 200, 19), 1);       // nothing fits: still a window
  EXPECT_EQ(defaultScale(100000, 100000, 19), 8);  // never beyond 8
}

TEST(Layout, AWindowMadeForAScaleShowsTheFrameRightBelowTheMenu) {
  for (int s = 1; s <= 8; ++s) {
    const Rect r = frameRect(FRAME_WIDTH * s, FRAME_HEIGHT * s + 19, 19);
    EXPECT_EQ(r, (Rect{0, 19, FRAME_WIDTH * s, FRAME_HEIGHT * s})) << "scale " << s;
  }
}

TEST(Layout, LargerAreasGetTheLargestWholeFactorCentred) {
  // Full HD fullscreen: 3 times, black borders left, right, above and below.
  EXPECT_EQ(frameRect(1920, 1080, 19), (Rect{324, 99, 1272, 900}));
  // One pixel short of the next factor keeps the smaller one.
  EXPECT_EQ(frameRect(848 - 1, 600 + 19, 19), (Rect{(847 - 424) / 2, 19 + 150, 424, 300}));
  // The height decides when it is the tighter side.
  EXPECT_EQ(frameRect(5000, 619, 19), (Rect{(5000 - 848) / 2, 19, 848, 600}));
  // A huge screen stops at 8.
  EXPECT_EQ(frameRect(10000, 10019, 19).w, FRAME_WIDTH * 8);
}

TEST(Layout, ASmallWindowShowsTheFrameFromItsTopLeftCorner) {
  EXPECT_EQ(frameRect(200, 100, 19), (Rect{0, 19, 424, 300}));
  EXPECT_EQ(frameRect(0, 0, 19), (Rect{0, 19, 424, 300}));
}

std::optional<Options> parse(std::vector<std::string> args, std::string* error = nullptr) {
  std::string e;
  auto o = parseOptions(args, e);
  if (error != nullptr) *error = e;
  return o;
}

TEST(CommandLine, AcceptsTheDocumentedOptions) {
  const auto o = parse({"--scale", "8", "--fullscreen", "--tick-log", "t.txt", "--replay", "g.vpr"});
  ASSERT_TRUE(o);
  EXPECT_EQ(o->scale, 8);
  EXPECT_TRUE(o->fullscreen);
  EXPECT_EQ(o->tickLog, "t.txt");
  EXPECT_EQ(o->replay, "g.vpr");
  const auto none = parse({});
  ASSERT_TRUE(none);
  EXPECT_EQ(none->scale, 0);  // the screen decides
  EXPECT_FALSE(none->fullscreen);
  EXPECT_TRUE(parse({"--version"})->showVersion);
  EXPECT_TRUE(parse({"--help"})->showHelp);
  // The service: the build's own unless named.
  EXPECT_EQ(none->service.host, serviceEndpoint().host);
  const auto local = parse({"--service", "http://127.0.0.1:8080"});
  ASSERT_TRUE(local);
  EXPECT_EQ(local->service.host, "127.0.0.1");
  EXPECT_EQ(local->service.port, 8080);
  EXPECT_FALSE(none->speed);  // the settings decide
  EXPECT_EQ(parse({"--speed", "75"})->speed, GameSpeed::ThreeQuarters);
  EXPECT_EQ(parse({"--speed", "50"})->speed, GameSpeed::Half);
  std::string error;
  for (const char* bad : {"60", "0", "", "75%", "-50"}) {
    EXPECT_FALSE(parse({"--speed", bad}, &error)) << bad;
    EXPECT_NE(error.find("--speed"), std::string::npos);
  }
}

TEST(CommandLine, RejectsBadScalesAndStrayArguments) {
  std::string error;
  for (const char* bad : {"0", "9", "-1", "3x", "", "two", "99999999999"}) {
    EXPECT_FALSE(parse({"--scale", bad}, &error)) << bad;
    EXPECT_NE(error.find("--scale"), std::string::npos);
  }
  EXPECT_FALSE(parse({"--scale"}, &error));
  EXPECT_FALSE(parse({"--tick-log"}, &error));
  EXPECT_FALSE(parse({"--replay"}, &error));
  EXPECT_FALSE(parse({"--service"}, &error));
  EXPECT_FALSE(parse({"--service", "127.0.0.1:8080"}, &error));
  EXPECT_NE(error.find("--service"), std::string::npos);
  EXPECT_FALSE(parse({"--fulscreen"}, &error));
  EXPECT_NE(error.find("--fulscreen"), std::string::npos);
}

}  // namespace
}  // namespace vilmar::sdl
