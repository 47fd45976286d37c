#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

#include "app/App.h"
#include "ui/GameSpeed.h"
#include "app/ReplayCheck.h"
#include "input/InputTape.h"
#include "input/Replay.h"
#include "net/FormCheck.h"
#include "tests/FakeNet.h"
#include "tests/TestSupport.h"
#include "tools/sim/Trace.h"
#include "world/RulesVersion.h"
#include "world/WorldHash.h"

namespace vilmar {
namespace {

Replay sample() {
  Replay r;
  r.rulesVersion = RULES_VERSION;
  r.gameOver = true;
  r.firstLevel = 3;
  r.ticks = 5000;
  r.score = 1234;
  r.finalHash = 0x0123456789abcdefull;
  r.keys = {{0, TAPE_SPACE}, {2, 0}, {200000, TAPE_UP}, {UINT32_MAX, TAPE_UP | TAPE_SPACE}, {1, TAPE_DOWN}};
  r.clock = {0, 1, -1, 40, INT32_MIN, INT32_MAX};
  return r;
}

std::vector<std::uint8_t> withByte(std::vector<std::uint8_t> bytes, std::size_t at, std::uint8_t value) {
  bytes[at] = value;
  return bytes;
}

ReplayError parse(const std::vector<std::uint8_t>& bytes) {
  Replay r;
  return parseReplay(bytes, r);
}

TEST(ReplayFile, ReadsBackWhatWasWritten) {
  const Replay r = sample();
  const auto bytes = encodeReplay(r);
  Replay back;
  ASSERT_EQ(parseReplay(bytes, back), ReplayError::None);
  EXPECT_EQ(back, r);
  // A byte for each short distance, a varint's worth for the long ones.
  std::size_t body = 0;
  for (const KeyChange& k : r.keys) body += keyChangeBytes(k);
  for (const std::int32_t d : r.clock) body += clockBytes(d);
  EXPECT_EQ(bytes.size(), REPLAY_HEADER_BYTES + body);
}

TEST(ReplayFile, RefusesEveryDamagedFileWithItsReason) {
  const auto good = encodeReplay(sample());
  for (std::size_t n = 0; n < good.size(); ++n) {
    const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_NE(parse(cut), ReplayError::None) << "cut to " << n;
  }
  EXPECT_EQ(parse(withByte(good, 0, 'X')), ReplayError::NotAReplay);
  EXPECT_EQ(parse(withByte(good, 4, 2)), ReplayError::FormatVersion);
  EXPECT_EQ(parse(withByte(good, 5, 3)), ReplayError::BadHeader);   // an unknown flag
  EXPECT_EQ(parse(withByte(good, 8, 0)), ReplayError::BadHeader);   // no tick length
  EXPECT_EQ(parse(withByte(good, 10, 1)), ReplayError::BadHeader);  // reserved
  EXPECT_EQ(parse(withByte(withByte(good, 12, 0), 13, 0)), ReplayError::BadHeader);  // level 0
  EXPECT_EQ(parse(withByte(good, 12, REPLAY_MAX_FIRST_LEVEL + 1)), ReplayError::BadHeader);
  EXPECT_EQ(parse(withByte(good, 14, 0x0e)), ReplayError::BadHeader);  // level 917 507: found by the fuzzer
  EXPECT_EQ(parse(withByte(good, 12, REPLAY_MAX_FIRST_LEVEL)), ReplayError::None);
  EXPECT_EQ(parse(withByte(withByte(good, 16, 0), 17, 0)), ReplayError::BadHeader);  // no ticks
  EXPECT_EQ(parse(withByte(good, 19, 0x7f)), ReplayError::BadHeader);               // ticks past the limit
  EXPECT_EQ(parse(withByte(good, 35, 0x7f)), ReplayError::TooShort);   // more keys than bytes
  EXPECT_EQ(parse(withByte(good, 39, 0x7f)), ReplayError::TooShort);   // more clock reads than bytes
  // The first change says Space, a second that says Space again changes nothing.
  EXPECT_EQ(parse(withByte(good, REPLAY_HEADER_BYTES + 1, (2 << 3) | TAPE_SPACE)), ReplayError::BadKeys);
  auto longer = good;
  longer.push_back(0);
  EXPECT_EQ(parse(longer), ReplayError::TrailingBytes);

  // A varint that never ends, and one past 64 bits.
  Replay one = sample();
  one.keys = {{0, TAPE_UP}};
  one.clock.clear();
  auto endless = encodeReplay(one);
  endless.back() = 0x80;
  endless.insert(endless.end(), 12, 0x80);
  endless.push_back(0);
  endless[32] = 1;
  EXPECT_EQ(parse(endless), ReplayError::BadKeys);
  auto wide = encodeReplay(one);
  wide.pop_back();
  wide.insert(wide.end(), {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f});
  EXPECT_EQ(parse(wide), ReplayError::BadKeys);
  // Clock deviations are 32-bit.
  one.keys.clear();
  one.clock = {0};
  auto bigClock = encodeReplay(one);
  bigClock.pop_back();
  bigClock.insert(bigClock.end(), {0xff, 0xff, 0xff, 0xff, 0x1f});
  EXPECT_EQ(parse(bigClock), ReplayError::BadClock);

  std::vector<std::uint8_t> huge(REPLAY_MAX_BYTES + 1, 0);
  EXPECT_EQ(parse(huge), ReplayError::TooLong);
}

TEST(InputTape, ARecordingThatOutgrowsAFileIsDroppedAndPlayGoesOn) {
  InputTape tape;
  tape.startRecording(40);
  std::uint8_t answered = 0;
  for (int i = 0; i < 100000; ++i) {
    const auto live = static_cast<std::uint8_t>(i % 2 == 0 ? TAPE_SPACE : 0);
    answered = tape.keys(live);
    EXPECT_EQ(answered, live);  // the live keys always pass through
    tape.endTick();
  }
  EXPECT_TRUE(tape.overflowed());
  const Replay r = tape.recorded();
  EXPECT_TRUE(r.keys.empty());
  EXPECT_EQ(r.ticks, 100000u);
}

TEST(InputTape, PlaysTheClockBackAsTheWorldReadItRelativeToItsFirstRead) {
  InputTape rec;
  rec.startRecording(40);
  const std::uint32_t reads[] = {0xFFFFFF00u, 0xFFFFFF00u + 81, 0xFFFFFF00u + 81 + 3, 0xFFFFFF00u + 500};
  const std::uint32_t atTick[] = {0, 2, 5, 5};
  std::uint32_t tick = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    while (tick < atTick[i]) rec.endTick(), ++tick;
    EXPECT_EQ(rec.clock(reads[i]), reads[i]);
  }
  const Replay r = rec.recorded();
  EXPECT_EQ(r.clock, (std::vector<std::int32_t>{1, 3 - 120, 500 - 84}));

  InputTape play;
  play.startPlaying(r);
  tick = 0;
  std::uint32_t first = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    while (tick < atTick[i]) play.endTick(), ++tick;
    const std::uint32_t v = play.clock(12345);
    if (i == 0) first = v;
    EXPECT_EQ(v - first, reads[i] - reads[0]);  // the live clock plays no part
  }
  EXPECT_TRUE(play.playedExactly());
  play.clock(0);
  EXPECT_TRUE(play.clockRanOut());
  EXPECT_FALSE(play.playedExactly());
}

struct TestPlatform : HeadlessPlatform {
  TestPlatform() : HeadlessPlatform(7000) {
    useCompiledResources(false);
    setResource(ResourceType::Bitmap, 139, test::testPaletteBitmap());
  }
  // With jitter the wait overshoots now and then, as a real one does, so
  // ticks start a little late and the customers' points depend on it.
  void spin() override { now += jitter && ++spins % 3 == 0 ? 3 : 1; }
  bool jitter = false;
  unsigned spins = 0;
};

// Seeded random play through the real main-loop pass: switching bars,
// serving, holding Space, now and then a new game.
struct RandomPlay {
  explicit RandomPlay(std::uint32_t seed, bool jitter = false) : random(seed) { platform.jitter = jitter; }
  TestPlatform platform;
  App app{platform};
  std::mt19937 random;
  std::vector<std::string> lines;

  void pass(std::uint64_t n) {
    if (n == 1 || random() % 1500 == 0) platform.keyTap(Key::F1);
    if (random() % 7 == 0) platform.keyTap(random() % 2 == 0 ? Key::Up : Key::Down);
    if (random() % 5 == 0) platform.keyTap(Key::Space);
    if (random() % 50 == 0) platform.keyDown(Key::Space);
    if (random() % 9 == 0) platform.keyUp(Key::Space);
    platform.beginPass();
    app.pass();
    lines.push_back(traceLine(n, app, platform));
  }
};

std::string withoutPass(const std::string& line) { return line.substr(line.find(',')); }

TEST(Replay, PlaysBackTheSameTraceLinePassForPass) {
  RandomPlay live(2024);
  std::vector<std::uint64_t> firstPass;  // the pass each recorded game began on
  std::uint32_t seen = 0;
  for (std::uint64_t n = 0; n < 30000 && (live.app.gameSession->finishedGames < 3); ++n) {
    const bool restarting = live.app.gameSession->restartRequested;
    live.pass(n);
    if (restarting) firstPass.push_back(n);
    if (live.app.gameSession->finishedGames == seen) continue;
    seen = live.app.gameSession->finishedGames;
    const Replay game = *live.app.gameSession->lastGame;
    const std::uint64_t from = firstPass[seen - 1];
    ASSERT_EQ(game.ticks, n - from + (game.gameOver ? 1 : 0));

    TestPlatform platform;
    App replay(platform);
    replay.gameSession->playBack(game);
    for (std::uint64_t i = 0; i < game.ticks; ++i) {
      platform.beginPass();
      replay.pass();
      ASSERT_EQ(withoutPass(traceLine(i, replay, platform)), withoutPass(live.lines[from + i])) << "tick " << i;
    }
    EXPECT_TRUE(replay.gameSession->playbackEnded());
    EXPECT_TRUE(replay.gameSession->playbackExact());
    EXPECT_EQ(replay.bestScore.get(), 0);  // someone's recorded game is not the viewer's best
    // It stands still once played out.
    const std::uint64_t end = worldHash(*replay.gameSession->world);
    EXPECT_EQ(end, game.finalHash);
    for (int i = 0; i < 30; ++i) replay.pass();
    EXPECT_EQ(worldHash(*replay.gameSession->world), end);
    EXPECT_EQ(replay.gameSession->world->score().get(), game.score);
  }
  EXPECT_EQ(seen, 3u);
}

TEST(Replay, VerifiesAnHonestGameOnAJitteryClockAndRefusesATamperedOne) {
  RandomPlay live(77, true);
  std::optional<Replay> over;
  for (std::uint64_t n = 0; n < 40000 && !over; ++n) {
    live.pass(n);
    const auto& last = live.app.gameSession->lastGame;
    if (last && last->gameOver && last->score > 0) over = last;
  }
  ASSERT_TRUE(over);
  ASSERT_TRUE(std::any_of(over->clock.begin(), over->clock.end(), [](std::int32_t d) { return d != 0; }));
  TestPlatform platform;
  ReplayOutcome outcome;
  EXPECT_EQ(checkReplay(platform, *over, &outcome), ReplayVerdict::Verified);
  EXPECT_EQ(outcome.score, over->score);

  Replay higher = *over;
  higher.score += 1000;
  EXPECT_EQ(checkReplay(platform, higher), ReplayVerdict::ScoreDiffers);
  Replay later = *over;
  later.ticks += 10;
  EXPECT_EQ(checkReplay(platform, later), ReplayVerdict::EndedEarly);
  Replay future = *over;
  future.rulesVersion = RULES_VERSION + 1;
  EXPECT_EQ(checkReplay(platform, future), ReplayVerdict::UnknownRules);
  Replay fast = *over;
  fast.tickMs = 20;
  EXPECT_EQ(checkReplay(platform, fast), ReplayVerdict::UnknownSpeed);
  // A quicker clock would give more points: the hash and the score tell.
  Replay quicker = *over;
  for (std::int32_t& d : quicker.clock) d -= 1000;
  EXPECT_EQ(checkReplay(platform, quicker), ReplayVerdict::ImpossibleClock);
  // Keys of another game: the world does not end where the header says.
  Replay other = *over;
  other.keys.erase(other.keys.begin(), other.keys.begin() + static_cast<std::ptrdiff_t>(other.keys.size() / 2));
  EXPECT_NE(checkReplay(platform, other), ReplayVerdict::Verified);
}

// A practice game runs the same rules on a longer tick: its recording says
// so, it plays back at its own speed line for line, the service's check
// refuses it as practice, and the player is never asked to send its score.
TEST(Replay, APracticeGameIsRecordedAtItsTickPlaysBackAndIsNeverAScore) {
  for (const GameSpeed speed : {GameSpeed::ThreeQuarters, GameSpeed::Half}) {
    RandomPlay live(77);
    live.app.gameSession->setSpeed(speed);
    std::optional<Replay> over;
    std::uint64_t from = 0;
    bool askedAnything = false;
    for (std::uint64_t n = 0; n < 40000 && !over; ++n) {
      if (live.app.gameSession->restartRequested) from = n;
      live.pass(n);
      askedAnything = askedAnything || !live.platform.dialogs.empty();
      const auto& last = live.app.gameSession->lastGame;
      if (last && last->gameOver && last->score > 0) over = last;
    }
    ASSERT_TRUE(over);
    for (int i = 0; i < 5; ++i) live.pass(50000 + static_cast<std::uint64_t>(i));  // the passes that would ask
    EXPECT_FALSE(askedAnything || !live.platform.dialogs.empty());
    EXPECT_EQ(live.app.bestScore.get(), 0);
    EXPECT_EQ(over->tickMs, speedTickMs(speed));
    EXPECT_TRUE(live.lines[from + 3].find("\"ms\":" + std::to_string(3 * speedTickMs(speed)) + ",") != std::string::npos)
        << live.lines[from + 3];

    std::string why;
    EXPECT_TRUE(playableHere(*over, why)) << why;
    TestPlatform platform;
    ReplayOutcome outcome;
    EXPECT_EQ(checkReplay(platform, *over, &outcome), ReplayVerdict::Practice);
    EXPECT_EQ(judgeReplay(*over, replayWorld(platform, *over)), ReplayVerdict::Practice);

    App replay(platform);
    replay.gameSession->playBack(*over);
    for (std::uint64_t i = 0; i < over->ticks; ++i) {
      platform.beginPass();
      replay.pass();
      ASSERT_EQ(withoutPass(traceLine(i, replay, platform)), withoutPass(live.lines[from + i])) << "tick " << i;
    }
    EXPECT_TRUE(replay.gameSession->playbackExact());
  }
  Replay odd;
  odd.rulesVersion = RULES_VERSION;
  odd.tickMs = 41;
  std::string why;
  EXPECT_FALSE(playableHere(odd, why));
  EXPECT_EQ(checkReplay(odd), ReplayVerdict::UnknownSpeed);
}

TEST(Replay, TheBestScoreGoesOutWithTheGameThatMadeIt) {
  RandomPlay live(5, true);
  auto transport = std::make_unique<test::FakeTransport>();
  test::FakeTransport& http = *transport;
  live.platform.useTransport(std::move(transport));
  live.platform.signIn = HeadlessPlatform::SignInEntries{"vilmar@example.se", "hemligt"};
  for (std::uint64_t n = 0; n < 60000 && http.body.empty(); ++n) live.pass(n);
  ASSERT_FALSE(http.body.empty());

  const FormCheck form = checkForm(http.body);
  ASSERT_EQ(form.error, "");
  ASSERT_TRUE(form.hasReplay);
  Replay game;
  ASSERT_EQ(parseReplay(form.replay, game), ReplayError::None);
  EXPECT_EQ(game.score, form.score);
  TestPlatform platform;
  EXPECT_EQ(checkReplay(platform, game), ReplayVerdict::Verified);
  // The game clock when the best was made, within the game's ticks.
  EXPECT_GT(form.playTime, 0);
  EXPECT_LE(static_cast<std::int64_t>(form.playTime), std::int64_t{40} * game.ticks + 40);
}

TEST(Replay, TheRulesAloneVerifyWhatWasRecordedWithPictures) {
  // The recorded games in tests/replays were played with the artwork; the
  // check without any pictures, sound or clock reaches the same worlds.
  for (const char* name : {"demo.vpr", "person.vpr", "bot.vpr"}) {
    Replay r;
    std::string error;
    ASSERT_TRUE(loadReplay(std::string(VILMAR_REPLAY_DIR) + "/" + name, r, error)) << error;
    ReplayOutcome outcome;
    EXPECT_EQ(checkReplay(r, &outcome), ReplayVerdict::Verified) << name;
    EXPECT_EQ(outcome.hash, r.finalHash);
    EXPECT_GT(outcome.scoredAt, 0u);
    EXPECT_LE(outcome.scoredAt, r.ticks);
  }
}

}  // namespace
}  // namespace vilmar
