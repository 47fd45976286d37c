#include <gtest/gtest.h>

#include "app/App.h"
#include "actors/Bartender.h"
#include "app/TickWait.h"
#include "tests/TestSupport.h"
#include "ui/Dialogs.h"

namespace vilmar {
namespace {

// A platform whose every pass costs some time, like a slow machine.
struct SlowPlatform : HeadlessPlatform {
  SlowPlatform() : HeadlessPlatform(5000) {
    useCompiledResources(false);
    setResource(ResourceType::Bitmap, 139, test::testPaletteBitmap());
  }
  std::uint32_t sleptFor = 0;
  int spins = 0;
  void sleep(std::uint32_t ms) override {
    sleptFor += ms;
    HeadlessPlatform::sleep(ms);
  }
  void spin() override {
    ++spins;
    HeadlessPlatform::spin();
  }
};

struct Session {
  SlowPlatform platform;
  KeyReader keys{platform};
  KeyboardInput keyboard{keys};
  GameSession session{platform, keyboard};
  std::vector<std::pair<std::uint32_t, bool>> run(int n) {  // (start time, drew) per tick
    std::vector<std::pair<std::uint32_t, bool>> out;
    for (int i = 0; i < n; ++i) {
      session.tick();
      out.emplace_back(platform.now - session.clockStart, session.lastTickDrew);
    }
    return out;
  }
};

TEST(TickWait, SleepsMostOfTheWayAndSpinsOnlyTheLastMoment) {
  SlowPlatform p;
  waitUntilDue(p, 5000, 40);
  EXPECT_EQ(p.now, 5040u);
  EXPECT_EQ(p.sleptFor, 38u);
  EXPECT_EQ(p.spins, 2);
  waitUntilDue(p, 5000, 40);  // already due: no wait
  EXPECT_EQ(p.now, 5040u);
  // Across the wrap of the millisecond clock.
  p.now = 0xFFFFFFF0u;
  waitUntilDue(p, 0xFFFFFFF0u, 40);
  EXPECT_EQ(p.now, 0x18u);
}

TEST(GameSession, TicksEveryFortyMillisecondsAndTickZeroNeverDraws) {
  Session s;
  const auto r = s.run(4);
  EXPECT_EQ(r[0], (std::pair<std::uint32_t, bool>{0, false}));
  EXPECT_EQ(r[1], (std::pair<std::uint32_t, bool>{40, true}));
  EXPECT_EQ(r[3], (std::pair<std::uint32_t, bool>{120, true}));
  EXPECT_TRUE(s.session.gameOverSeen);  // the opening world is a finished game
}

TEST(GameSession, LateTicksUpdateWithoutDrawingUntilTheyCatchUp) {
  Session s;
  s.run(3);
  s.platform.now += 2000;  // the loop stood still for two seconds
  const auto r = s.run(52);
  int undrawn = 0;
  while (!r[static_cast<std::size_t>(undrawn)].second) ++undrawn;
  EXPECT_EQ(undrawn, 50);  // ticks 3 to 52 were all due already
  EXPECT_EQ(s.session.tickCount, 55u);
}

TEST(GameSession, AfterAResyncTheNextTickIsDueAtOnceAndTheOneAfterDraws) {
  Session s;
  s.run(3);
  s.platform.now += 10000;
  s.session.resyncClock();
  const std::uint32_t before = s.platform.now;
  auto r = s.run(2);
  EXPECT_FALSE(r[0].second);
  EXPECT_TRUE(r[1].second);
  EXPECT_EQ(s.platform.now - before, 40u);
}

TEST(GameSession, ARestartBuildsANewGameWhoseFirstFrameComesAtTickOne) {
  Session s;
  s.run(2);
  s.session.restartRequested = true;
  auto r = s.run(2);
  EXPECT_FALSE(r[0].second);
  EXPECT_TRUE(r[1].second);
  EXPECT_FALSE(s.session.world->gameOver());
  EXPECT_FALSE(s.session.gameOverSeen);
  EXPECT_EQ(s.session.tickCount, 2u);
}

struct Program {
  SlowPlatform platform;
  App app{platform};
  void endGameWithScore(std::int32_t points) {
    app.menuCommand(CMD_NEW_GAME);
    app.pass();
    WorldProbe::score(*app.gameSession->world).set(points);
    app.pass();
    app.gameSession->world->finish();
    app.pass();
  }
};

TEST(App, OpensOnAFinishedGameAndF1StartsPlay) {
  Program p;
  p.app.pass();
  EXPECT_TRUE(p.app.gameSession->world->gameOver());
  p.platform.keyTap(Key::F1);
  p.app.pass();
  p.app.pass();
  EXPECT_FALSE(p.app.gameSession->world->gameOver());
}

TEST(GameSession, ASpeedChangeWaitsForTheNextGameButTheOpeningScreenTakesItAtOnce) {
  Session s;
  s.run(2);
  s.session.setSpeed(GameSpeed::Half);
  EXPECT_TRUE(s.session.practice());  // nothing recorded yet
  const auto opening = s.run(2);
  EXPECT_EQ(opening[1].first - opening[0].first, 80u);

  s.session.setSpeed(GameSpeed::Full);
  s.session.restartRequested = true;
  s.run(3);
  EXPECT_FALSE(s.session.practice());
  s.session.setSpeed(GameSpeed::ThreeQuarters);  // mid-game: the game keeps its tick
  auto r = s.run(2);
  EXPECT_EQ(r[1].first - r[0].first, 40u);
  EXPECT_FALSE(s.session.practice());
  s.session.restartRequested = true;
  s.run(1);
  r = s.run(3);
  EXPECT_EQ(r[2].first - r[1].first, 53u);
  EXPECT_TRUE(s.session.practice());
  ASSERT_TRUE(s.session.currentGame());
  EXPECT_EQ(s.session.currentGame()->tickMs, 53);
}

TEST(App, ANewBestScoreIsOfferedOnceAfterTheGameEnds) {
  Program p;
  p.endGameWithScore(0);  // 0 is not above anything: no question
  p.platform.beginPass();
  p.app.pass();
  EXPECT_TRUE(p.platform.dialogs.empty());

  p.endGameWithScore(1500);
  p.platform.beginPass();
  p.app.pass();
  ASSERT_EQ(p.platform.dialogs.size(), 1u);
  EXPECT_EQ(p.platform.dialogs[0].templateId, DIALOG_QUESTION);
  EXPECT_EQ(p.platform.dialogs[0].caption, "Registrera");
  EXPECT_EQ(p.app.bestScoreAsked, 1500);

  p.endGameWithScore(1200);  // not a new best
  p.platform.beginPass();
  p.app.pass();
  EXPECT_TRUE(p.platform.dialogs.empty());
}

TEST(App, APracticeGameAsksNothingAndTheBestItCutShortKeepsItsRecording) {
  Program p;
  p.app.menuCommand(CMD_NEW_GAME);
  p.app.pass();
  p.app.pass();
  WorldProbe::score(*p.app.gameSession->world).set(900);
  p.app.pass();
  EXPECT_EQ(p.app.bestScore.get(), 900);
  // The best game is cut short by a practice game.
  p.app.gameSession->setSpeed(GameSpeed::Half);
  p.endGameWithScore(5000);
  p.platform.beginPass();
  p.app.pass();
  EXPECT_TRUE(p.app.gameSession->practice());
  EXPECT_TRUE(p.platform.dialogs.empty());
  EXPECT_EQ(p.app.bestScore.get(), 900);
  p.app.menuCommand(CMD_REGISTER_SCORE);  // the best is still the full-speed game's
  p.platform.beginPass();
  p.app.pass();
  ASSERT_EQ(p.platform.dialogs.size(), 1u);
  EXPECT_EQ(p.platform.dialogs[0].templateId, DIALOG_SIGN_IN);
  Replay sent;
  ASSERT_EQ(parseReplay(p.app.bestReplay(), sent), ReplayError::None);
  EXPECT_EQ(sent.tickMs, 40);
  EXPECT_EQ(sent.score, 900);
}

TEST(App, JaInTheQuestionOpensTheSignInInTheSamePass) {
  Program p;
  p.endGameWithScore(1500);
  p.platform.signIn = HeadlessPlatform::SignInEntries{"vilmar@example.org", ""};  // "Ja", then OK, then "Avbryt"
  p.platform.beginPass();
  p.app.pass();
  ASSERT_EQ(p.platform.dialogs.size(), 2u);
  EXPECT_EQ(p.platform.dialogs[0].templateId, DIALOG_QUESTION);
  EXPECT_EQ(p.platform.dialogs[1].templateId, DIALOG_SIGN_IN);
  EXPECT_FALSE(p.app.gameSession->signInRequested);
}

TEST(App, NejInTheQuestionOpensNothingMore) {
  Program p;
  p.endGameWithScore(1500);
  p.platform.beginPass();
  p.app.pass();  // the headless platform answers "Nej"
  ASSERT_EQ(p.platform.dialogs.size(), 1u);
  EXPECT_EQ(p.platform.dialogs[0].templateId, DIALOG_QUESTION);
  p.platform.beginPass();
  p.app.pass();
  EXPECT_TRUE(p.platform.dialogs.empty());
}

// The player presses keys while a dialog is open: F1 for help, Space on a
// button, an arrow still held when the dialog closes.
struct PressingInDialogs : SlowPlatform {
  std::vector<Key> tapped, held;
  void runDialog(Dialog& dialog) override {
    for (Key key : tapped) keyTap(key);
    for (Key key : held) keyDown(key);
    HeadlessPlatform::runDialog(dialog);
  }
};

TEST(App, KeysPressedInADialogDoNotActAfterIt) {
  for (bool hold : {false, true}) {
    SCOPED_TRACE(hold ? "held through the close" : "tapped");
    PressingInDialogs platform;
    App app{platform};
    app.menuCommand(CMD_NEW_GAME);
    app.pass();
    app.pass();
    ASSERT_FALSE(app.gameSession->world->gameOver());
    (hold ? platform.held : platform.tapped) = {Key::F1, Key::Space, Key::Down};
    app.menuCommand(CMD_RULES);
    app.pass();
    EXPECT_FALSE(app.gameSession->restartRequested);  // F1 did not ask for a new game
    for (int i = 0; i < 5; ++i) app.pass();
    const auto& bartender = app.gameSession->world->bartender();
    std::int32_t mugs = 0;
    for (std::size_t lane = 0; lane < LANES; ++lane) mugs += app.gameSession->world->mugs(lane).count();
    EXPECT_EQ(mugs, 0);                    // Space served nothing
    EXPECT_EQ(bartender.lane, 0);                          // Down moved nobody

    // Once released, the keys work again.
    platform.tapped.clear();
    platform.held.clear();
    for (Key key : {Key::F1, Key::Space, Key::Down}) platform.keyUp(key);
    app.pass();
    platform.keyTap(Key::Down);
    app.pass();
    app.pass();
    EXPECT_EQ(bartender.lane, 1);
  }
}

TEST(KeyReaderFocus, AnyKeyTypedElsewhereIsForgottenEvenIfOnlyAnotherWasRead) {
  HeadlessPlatform platform;
  KeyReader reader{platform};
  platform.focus = false;
  platform.keyTap(Key::Space);        // typed into another program
  EXPECT_FALSE(reader.pressed(Key::F1));  // while frozen only F1 is read
  platform.focus = true;
  EXPECT_FALSE(reader.pressed(Key::Space));
}

TEST(App, PagesGoWhereTheFrontendMovedThem) {
  // The browser version served by a service: that service's pages, and the
  // sponsor link it names, whatever host the build was made for.
  SlowPlatform platform;
  App app(platform, 1, ServiceEndpoint{"kortix.example", 80, "https://spel.test"});
  app.sponsorUrl = "https://sponsor.test/vilmar";
  app.menuCommand(CMD_CHALLENGE);
  app.menuCommand(CMD_SERVICE_SITE);
  app.menuCommand(CMD_SPONSOR_SITE);
  EXPECT_EQ(platform.pages, (std::vector<std::string>{"https://spel.test/useradm/challenge/", "https://spel.test/",
                                                      "https://sponsor.test/vilmar"}));
}

TEST(App, MenuCommandsRaiseTheirRequests) {
  Program p;
  p.app.pass();
  p.app.menuCommand(CMD_COMPETITION_RULES);
  p.platform.beginPass();
  p.app.pass();
  ASSERT_EQ(p.platform.dialogs.size(), 1u);
  EXPECT_EQ(p.platform.dialogs[0].templateId, DIALOG_INFO);
  EXPECT_EQ(p.platform.dialogs[0].items[ID_TEXT].rfind("TÄVLINGSREGLER", 0), 0u);

  // "Registrera high-score" only once the running game is over.
  p.app.menuCommand(CMD_NEW_GAME);
  p.app.pass();
  p.app.menuCommand(CMD_REGISTER_SCORE);
  EXPECT_FALSE(p.app.gameSession->signInRequested);

  p.app.menuCommand(CMD_CHALLENGE);
  p.app.menuCommand(CMD_SERVICE_SITE);
  p.app.menuCommand(CMD_SPONSOR_SITE);
  p.app.menuCommand(12345);
  EXPECT_EQ(p.platform.pages, (std::vector<std::string>{serviceAddress("/useradm/challenge/"), serviceAddress("/"),
                                                        webAddress(VILMAR_SPONSOR_HOST, "/")}));

  p.app.menuCommand(CMD_QUIT);
  EXPECT_TRUE(p.app.quitting());
  p.app.pass();  // nothing runs any more
  p.app.menuCommand(CMD_NEW_GAME);
}

}  // namespace
}  // namespace vilmar
