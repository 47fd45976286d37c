#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "net/Counter.h"
#include "gfx/FrameBuffer.h"
#include "gfx/NumberDisplay.h"
#include "gfx/Palette.h"
#include "gfx/Rle.h"
#include "tests/TestSupport.h"

namespace vilmar {
namespace {

std::vector<std::uint8_t> rleResource(int w, int h, std::vector<std::uint8_t> stream) {
  std::vector<std::uint8_t> r = {'z', 'p', 'x', '/', 'r', 'l', 'e', static_cast<std::uint8_t>(w >> 8),
                                 static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(h >> 8),
                                 static_cast<std::uint8_t>(h)};
  for (std::uint8_t b : stream) r.push_back(b);
  return r;
}

TEST(Rle, DecodesLiteralsRunsAndRunsAcrossRows) {
  int w = 0, h = 0;
  std::vector<std::uint8_t> px;
  // A zero-length run writes nothing; a run continues on the next row.
  ASSERT_TRUE(decodeRleResource(rleResource(3, 2, {7, 0xFF, 9, 0, 0xFF, 5, 4, 0xFF, 0xFF, 1}), w, h, px));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(px, (std::vector<std::uint8_t>{7, 5, 5, 5, 5, 255}));
}

TEST(Rle, BrokenStreamsStayInsideTheirBuffers) {
  int w = 0, h = 0;
  std::vector<std::uint8_t> px;
  // Too short for a header: refused, outputs untouched.
  EXPECT_FALSE(decodeRleResource(std::vector<std::uint8_t>(10, 'z'), w, h, px));
  EXPECT_TRUE(px.empty());
  // Larger than any picture could be: refused rather than allocated.
  EXPECT_FALSE(decodeRleResource(rleResource(0xFFFF, 0xFFFF, {}), w, h, px));
  // A stream that stops early leaves the rest transparent.
  ASSERT_TRUE(decodeRleResource(rleResource(4, 1, {1, 2}), w, h, px));
  EXPECT_EQ(px, (std::vector<std::uint8_t>{1, 2, TRANSPARENT_INDEX, TRANSPARENT_INDEX}));
  // A run cut off by the end of the resource produces nothing.
  ASSERT_TRUE(decodeRleResource(rleResource(2, 1, {3, 0xFF, 4}), w, h, px));
  EXPECT_EQ(px, (std::vector<std::uint8_t>{3, TRANSPARENT_INDEX}));
  // A run longer than the picture is cut at its last pixel.
  ASSERT_TRUE(decodeRleResource(rleResource(2, 2, {0xFF, 8, 200, 1, 1}), w, h, px));
  EXPECT_EQ(px, (std::vector<std::uint8_t>(4, 8)));
}

TEST(Rle, DecoderNeverReadsOrWritesOutOfBoundsOnRandomBytes) {
  std::mt19937 rng(42);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> stream(rng() % 64);
    for (auto& b : stream) b = static_cast<std::uint8_t>(rng() % 3 == 0 ? 0xFF : rng());
    std::vector<std::uint8_t> out(rng() % 50);
    const std::size_t produced = decodeRleStream(stream, out);
    ASSERT_LE(produced, out.size());
    for (std::size_t i = produced; i < out.size(); ++i) ASSERT_EQ(out[i], TRANSPARENT_INDEX);
  }
}

TEST(Rle, EncoderFollowsTheGamesStreamRuleAndRoundTrips) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 10);
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w * h));
    // Long and short stretches of few colours, as pictures have.
    for (std::size_t i = 0; i < px.size();) {
      const auto v = static_cast<std::uint8_t>(rng() % 237);
      for (std::size_t n = 1 + rng() % 300; n > 0 && i < px.size(); --n) px[i++] = v;
    }
    const auto rle = encodeRle(w, h, px);
    // Walk the stream: every run 4..255, no literal 255, ends at the last pixel.
    std::size_t at = RLE_HEADER_SIZE, count = 0;
    while (at < rle.size()) {
      if (rle[at] == RLE_RUN) {
        ASSERT_LE(at + 3, rle.size());
        ASSERT_GE(rle[at + 2], 4);
        count += rle[at + 2];
        at += 3;
      } else {
        ++count;
        ++at;
      }
    }
    ASSERT_EQ(count, px.size());
    int dw = 0, dh = 0;
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(decodeRleResource(rle, dw, dh, back));
    ASSERT_EQ(back, px);
  }
}

Sprite filled(int w, int h, std::uint8_t v) {
  Sprite s(w, h);
  std::fill(s.pixels().begin(), s.pixels().end(), v);
  return s;
}

TEST(Sprite, BlitClipsOnAllFourSides) {
  Sprite src(3, 3);
  for (int i = 0; i < 9; ++i) src.pixels()[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(10 + i);
  Sprite dst = filled(5, 4, 0);
  dst.blit(src, -1, -2);  // loses the first column and the first two rows
  EXPECT_EQ(dst.at(0, 0), 17);
  EXPECT_EQ(dst.at(1, 0), 18);
  EXPECT_EQ(dst.at(2, 0), 0);
  EXPECT_EQ(dst.at(0, 1), 0);
  dst = filled(5, 4, 0);
  dst.blit(src, 3, 2);  // cut at the right and bottom edges
  EXPECT_EQ(dst.at(3, 2), 10);
  EXPECT_EQ(dst.at(4, 3), 14);
  dst = filled(5, 4, 0);
  for (auto [x, y] : {std::pair{-3, 0}, {5, 0}, {0, -3}, {0, 4}}) dst.blit(src, x, y);
  EXPECT_TRUE(std::all_of(dst.pixels().begin(), dst.pixels().end(), [](auto v) { return v == 0; }));
}

// Found by fuzzing: a picture cut by the left edge in the frame's top row
// made a pointer to before the frame's first pixel. Each way of drawing
// (opaque rows, spans from decoding, plain rows) against the plain rule.
TEST(Sprite, BlitCutByTheLeftEdgeInTheTopRow) {
  Sprite opaque(2, 2);
  for (std::size_t i = 0; i < 4; ++i) opaque.pixels()[i] = static_cast<std::uint8_t>(20 + i);
  opaque.pixelsChanged();
  Sprite spans;  // transparent margins, as decoding notes them
  ASSERT_TRUE(spans.loadRle(rleResource(4, 2, {0xFF, TRANSPARENT_INDEX, 1, 30, 31, 32, 33, 34, 0xFF, TRANSPARENT_INDEX, 1})));
  Sprite holes(3, 1);  // a transparent pixel, no spans
  holes.pixels()[0] = 40;
  holes.pixels()[2] = 42;
  for (const Sprite* source : {&opaque, &spans, &holes}) {
    for (auto [x, y] : {std::pair{-1, 0}, {-2, 0}, {-1, -1}}) {
      Sprite dst = filled(3, 2, 7);
      dst.blit(*source, x, y);
      for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
          const int sx = c - x, sy = r - y;
          std::uint8_t want = 7;
          if (sx >= 0 && sy >= 0 && sx < source->width() && sy < source->height() &&
              source->at(sx, sy) != TRANSPARENT_INDEX)
            want = source->at(sx, sy);
          EXPECT_EQ(dst.at(c, r), want) << "source " << source->width() << "x" << source->height() << " at " << x
                                        << "," << y << " pixel " << c << "," << r;
        }
      }
    }
  }
}

TEST(Sprite, TransparentPixelsLeaveTheDestination) {
  Sprite src(2, 1);
  src.pixels()[0] = TRANSPARENT_INDEX;
  src.pixels()[1] = 5;
  Sprite dst = filled(2, 1, 9);
  dst.blit(src, 0, 0);
  EXPECT_EQ(dst.at(0, 0), 9);
  EXPECT_EQ(dst.at(1, 0), 5);
}

TEST(Sprite, DecodedPicturesBlitLikeThePlainRule) {
  // Figures with transparent margins, holes and rows, drawn at clipped and
  // unclipped places, must come out as the pixel-by-pixel rule says.
  std::mt19937 rng(3);
  for (int round = 0; round < 300; ++round) {
    const int w = 1 + static_cast<int>(rng() % 70), h = 1 + static_cast<int>(rng() % 30);
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w * h), TRANSPARENT_INDEX);
    for (int y = 0; y < h; ++y) {
      if (rng() % 5 == 0) continue;  // an empty row
      const int a = static_cast<int>(rng() % static_cast<unsigned>(w));
      const int b = a + static_cast<int>(rng() % static_cast<unsigned>(w - a + 1));
      for (int x = a; x < b; ++x)
        px[static_cast<std::size_t>(y * w + x)] = rng() % 7 == 0 ? TRANSPARENT_INDEX : static_cast<std::uint8_t>(rng() % 20);
    }
    Sprite sprite;
    ASSERT_TRUE(sprite.loadRle(encodeRle(w, h, px)));
    Sprite frame = filled(60, 40, 99);
    std::vector<std::uint8_t> expected(frame.pixels().begin(), frame.pixels().end());
    const int x = static_cast<int>(rng() % 100) - 50, y = static_cast<int>(rng() % 60) - 30;
    for (int r = 0; r < h; ++r)
      for (int c = 0; c < w; ++c) {
        const std::uint8_t v = px[static_cast<std::size_t>(r * w + c)];
        if (v != TRANSPARENT_INDEX && x + c >= 0 && x + c < 60 && y + r >= 0 && y + r < 40)
          expected[static_cast<std::size_t>((y + r) * 60 + x + c)] = v;
      }
    frame.blit(sprite, x, y);
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), frame.pixels().begin())) << round;
  }
}

TEST(Sprite, MissingPictureIsASixteenSquareMark) {
  test::Game game;
  Sprite missing(game.platform, 999);
  EXPECT_EQ(missing.width(), 16);
  EXPECT_EQ(missing.height(), 16);
  EXPECT_EQ(missing.resourceId(), 999);
  EXPECT_NE(missing.at(5, 9), TRANSPARENT_INDEX);
}

TEST(Sprite, LoadsAnEightBitBitmapBottomUp) {
  // 3 x 2, rows padded to 4 bytes, stored bottom row first.
  std::vector<std::uint8_t> dib(40 + 4 * 2 + 8, 0);
  dib[0] = 40;
  dib[4] = 3;
  dib[8] = 2;
  dib[14] = 8;
  dib[32] = 2;  // two colours in the table
  const std::uint8_t rows[8] = {4, 5, 6, 0, 1, 2, 3, 0};
  std::memcpy(&dib[48], rows, 8);
  Sprite s;
  ASSERT_TRUE(s.loadBitmap(dib));
  EXPECT_EQ(s.at(0, 0), 1);
  EXPECT_EQ(s.at(2, 1), 6);
  // Cut short: the missing row stays transparent instead of being read past the end.
  dib.resize(52);
  ASSERT_TRUE(s.loadBitmap(dib));
  EXPECT_EQ(s.at(0, 1), 4);
  EXPECT_EQ(s.at(0, 0), TRANSPARENT_INDEX);
}

TEST(Palette, ReadsTheColourTableAndToleratesShortOnes) {
  Palette p{};
  ASSERT_TRUE(paletteFromBitmap(test::testPaletteBitmap(), p));
  EXPECT_EQ(p[0], (Rgb{0, 255, 7}));
  EXPECT_EQ(p[236], (Rgb{236, 19, 7}));
  auto cut = test::testPaletteBitmap();
  cut.resize(40 + 2 * 4 + 2);
  ASSERT_TRUE(paletteFromBitmap(cut, p));
  EXPECT_EQ(p[1], (Rgb{1, 254, 7}));
  EXPECT_EQ(p[2], (Rgb{}));
  EXPECT_FALSE(paletteFromBitmap(std::vector<std::uint8_t>(12), p));
}

TEST(FrameBuffer, DrawsAndShowsNothingUntilThePaletteLoads) {
  HeadlessPlatform platform;
  platform.useCompiledResources(false);
  FrameBuffer frame(platform, FRAME_WIDTH, FRAME_HEIGHT);
  const Sprite dot = filled(1, 1, 42);
  frame.setUp();
  frame.draw(dot, 0, 0);
  frame.present();
  EXPECT_EQ(frame.at(0, 0), 0);
  EXPECT_EQ(platform.presentCount, 0);
  platform.setResource(ResourceType::Bitmap, 139, test::testPaletteBitmap());
  frame.setUp();  // tried again on the next frame
  frame.draw(dot, 0, 0);
  frame.present();
  EXPECT_EQ(platform.presentCount, 1);
  EXPECT_EQ(platform.frame[0], 42);
  EXPECT_EQ(platform.palette[42], (Rgb{42, 213, 7}));
}

TEST(Counter, KeepsThePlainValueAndNoticesTampering) {
  Counter c;
  EXPECT_EQ(c.get(), 0);
  c.add(-1);
  EXPECT_EQ(c.get(), -1);
  c.set(INT32_MAX);
  c.add(1);  // wraps instead of being undefined
  EXPECT_EQ(c.get(), INT32_MIN);
  Counter::tamperFlag() = false;
  c.set(1200);
  // Poke the stored bytes as a memory editor would.
  auto* bytes = reinterpret_cast<unsigned char*>(&c);
  bytes[sizeof(Counter) - 1] ^= 0x40;
  c.get();
  EXPECT_TRUE(Counter::tamperFlag());
  Counter::tamperFlag() = false;
}

struct Digits {
  std::vector<Sprite> sprites;
  std::array<const Sprite*, 10> table{};
  Digits() {
    sprites.reserve(10);
    for (int d = 0; d < 10; ++d) sprites.push_back(filled(12, 16, static_cast<std::uint8_t>(100 + d)));
    for (std::size_t d = 0; d < 10; ++d) table[d] = &sprites[d];
  }
};

TEST(NumberDisplay, PlacesDigitsAndIcons) {
  test::Game game;
  FrameBuffer& frame = *game.w().frame();
  frame.setUp();
  Digits digits;
  NumberDisplay score(digits.table, &frame);
  score.setPosition(220, 276);
  score.gap = 1;
  score.draw(1209);
  EXPECT_EQ(frame.at(220, 276), 101);
  EXPECT_EQ(frame.at(233, 276), 102);
  EXPECT_EQ(frame.at(246, 276), 100);
  EXPECT_EQ(frame.at(259, 276), 109);
  EXPECT_EQ(frame.at(232, 276), 0);  // the one-pixel gap
  // negative shows as 0
  score.alignment = NumberDisplay::CENTRED;
  score.setPosition(100, 0);
  score.draw(-5);
  EXPECT_EQ(frame.at(94, 0), 100);  // one digit of step 13 starts at x - 6
  EXPECT_EQ(frame.at(93, 0), 0);

  const Sprite icon = filled(8, 16, 77);
  NumberDisplay lives(&icon, 6, &frame);
  lives.gap = 0;
  lives.alignment = NumberDisplay::TO_X;
  lives.setPosition(100, 40);
  lives.draw(9);  // at most six marks
  EXPECT_EQ(frame.at(52, 40), 77);
  EXPECT_EQ(frame.at(51, 40), 0);
  EXPECT_EQ(frame.at(99, 40), 77);
  EXPECT_EQ(frame.at(100, 40), 0);

  NumberDisplay nowhere;
  nowhere.draw(5);  // has no frame: draws nothing, does not crash
}

}  // namespace
}  // namespace vilmar
