// The browser version's pieces that need no browser: keys, text cuts, the
// frame's colours, the loop with a hidden tab and menu commands, dialogs on a
// page, and the score's steps over fetch.

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <tuple>
#include <optional>
#include <string>
#include <vector>

#include "app/App.h"
#include "net/Counter.h"
#include "net/ScoreSender.h"
#include "net/ScoreSubmission.h"
#include "frontends/headless/HeadlessPlatform.h"
#include "frontends/web/DialogPage.h"
#include "frontends/web/FetchTransport.h"
#include "platform/KeyLatch.h"
#include "frontends/web/WebKeys.h"
#include "frontends/web/WebFrame.h"
#include "frontends/web/WebLoop.h"
#include "frontends/web/WebText.h"
#include "ui/Dialogs.h"
#include "ui/SignInDialog.h"

namespace vilmar::web {
namespace {

TEST(WebKeys, BrowserCodesNameOnlyTheGamesSixKeys) {
  EXPECT_EQ(keyFromCode("ArrowLeft"), Key::Left);
  EXPECT_EQ(keyFromCode("ArrowRight"), Key::Right);
  EXPECT_EQ(keyFromCode("ArrowUp"), Key::Up);
  EXPECT_EQ(keyFromCode("ArrowDown"), Key::Down);
  EXPECT_EQ(keyFromCode("Space"), Key::Space);
  EXPECT_EQ(keyFromCode("F1"), Key::F1);
  for (const char* other : {"", "KeyA", "Numpad8", "F12", "space", "ArrowUpX", "Enter"}) {
    EXPECT_FALSE(keyFromCode(other).has_value()) << other;
  }
}

TEST(WebKeys, ATapBetweenTwoReadsIsSeenOnceAndAHeldKeyStaysDown) {
  KeyLatch keys;
  keys.press(Key::Space);
  keys.release(Key::Space);  // down and up before the tick looked
  EXPECT_EQ(keys.read(Key::Space), KEY_PRESSED_SINCE);
  EXPECT_EQ(keys.read(Key::Space), 0);

  keys.press(Key::Up);
  EXPECT_EQ(keys.read(Key::Up), KEY_DOWN | KEY_PRESSED_SINCE);
  EXPECT_EQ(keys.read(Key::Up), KEY_DOWN);
  EXPECT_EQ(keys.read(Key::Down), 0);  // keys are apart
  keys.release(Key::Up);
  EXPECT_EQ(keys.read(Key::Up), 0);
}

TEST(WebKeys, AScriptedTapIsPressedSinceWithoutEverBeingDown) {
  KeyLatch keys;
  keys.tap(Key::Left);
  EXPECT_EQ(keys.read(Key::Left), KEY_PRESSED_SINCE);
  keys.press(Key::Left);
  keys.tap(Key::Left);  // a tap while held leaves it held
  EXPECT_EQ(keys.read(Key::Left), KEY_DOWN | KEY_PRESSED_SINCE);
}

TEST(WebKeys, LosingTheFocusDropsHeldKeysAndUnreadTaps) {
  KeyLatch keys;
  keys.press(Key::Down);
  keys.press(Key::F1);
  keys.release(Key::F1);
  keys.releaseAll();  // the key-ups will never come
  EXPECT_EQ(keys.read(Key::Down), 0);
  EXPECT_EQ(keys.read(Key::F1), 0);
}

TEST(WebText, EntriesAreCutByCharactersNeverInsideOne) {
  EXPECT_EQ(firstChars("abcdef", 4), "abcd");
  EXPECT_EQ(firstChars("abc", 64), "abc");
  EXPECT_EQ(firstChars("abc", 0), "");
  EXPECT_EQ(firstChars("åäöx", 3), "åäö");           // two bytes each
  EXPECT_EQ(firstChars("€€€", 2), "€€");             // three bytes each
  EXPECT_EQ(firstChars("a\xF0\x9F\x8D\xBA" "b", 2), "a\xF0\x9F\x8D\xBA");  // four bytes
  const std::string seventy(70, 'x');
  EXPECT_EQ(firstChars(seventy, 64).size(), 64u);
}

TEST(WebText, BrokenSequencesCountByteForByteAndStayInBounds) {
  // A lead byte at the very end, a lead without its follower, a stray follower.
  EXPECT_EQ(firstChars("ab\xC3", 5), "ab\xC3");
  EXPECT_EQ(firstChars("\xE2\x82" "c", 2), "\xE2\x82");
  EXPECT_EQ(firstChars("\x80\x80x", 2), "\x80\x80");
  EXPECT_EQ(firstChars("\xF4", 1), "\xF4");
}

TEST(WebFrame, EachIndexBecomesItsOpaquePaletteColour) {
  Palette palette{};
  palette[0] = {1, 2, 3};
  palette[236] = {200, 100, 50};
  palette[255] = {255, 254, 253};
  const std::vector<std::uint8_t> pixels{236, 0, 255};
  std::vector<std::uint8_t> rgba(12, 0x11);
  ASSERT_TRUE(toRgba(pixels, palette, rgba));
  EXPECT_EQ(rgba, (std::vector<std::uint8_t>{200, 100, 50, 255, 1, 2, 3, 255, 255, 254, 253, 255}));

  std::vector<std::uint8_t> small(11, 0x11);
  EXPECT_FALSE(toRgba(pixels, palette, small));
  EXPECT_EQ(small, std::vector<std::uint8_t>(11, 0x11));
}

TEST(WebFrame, OnlyTheChangedRectangleIsRedrawn) {
  constexpr int W = 6;
  constexpr int H = 4;
  std::vector<std::uint8_t> before(W * H, 7);
  std::vector<std::uint8_t> after = before;
  EXPECT_TRUE(changedArea(before, after, W, H).empty());

  after[1 * W + 4] = 9;  // one pixel
  EXPECT_EQ(changedArea(before, after, W, H), (FrameArea{4, 1, 1, 1}));
  after[3 * W + 0] = 9;  // and the bottom-left corner
  EXPECT_EQ(changedArea(before, after, W, H), (FrameArea{0, 1, 5, 3}));
  after[0 * W + 5] = 9;  // and the top-right one: everything
  EXPECT_EQ(changedArea(before, after, W, H), (FrameArea{0, 0, 6, 4}));

  std::vector<std::uint8_t> middle = before;
  middle[2 * W + 2] = 1;
  middle[2 * W + 3] = 1;
  EXPECT_EQ(changedArea(before, middle, W, H), (FrameArea{2, 2, 2, 1}));
}

TEST(WebFrame, AFrameOfAnotherSizeIsRedrawnWhole) {
  const std::vector<std::uint8_t> none;
  const std::vector<std::uint8_t> frame(12, 0);
  EXPECT_EQ(changedArea(none, frame, 4, 3), (FrameArea{0, 0, 4, 3}));
  EXPECT_EQ(changedArea(frame, std::vector<std::uint8_t>(11, 0), 4, 3), (FrameArea{0, 0, 4, 3}));
  EXPECT_TRUE(changedArea(frame, frame, 0, 3).empty());
}

TEST(WebLoop, CommandsComeInOrderAndTooManyAreDropped) {
  CommandQueue queue;
  for (int i = 0; i < static_cast<int>(CommandQueue::LIMIT) + 5; ++i) queue.post(i);
  for (int i = 0; i < static_cast<int>(CommandQueue::LIMIT); ++i) EXPECT_EQ(queue.next(), i);
  EXPECT_FALSE(queue.next().has_value());
}

// The page as the loop sees it, scripted pass by pass.
class ScriptedPage : public PageEvents {
 public:
  ScriptedPage(App& app, HeadlessPlatform& platform) : app_(app), platform_(platform) {}

  bool hidden() override { return hiddenAtPass.has_value() && *hiddenAtPass == passes; }
  void waitUntilShown() override {
    platform_.now += awayMs;  // the tab was away this long
    ++shownAgain;
  }
  std::optional<int> nextCommand() override { return commands.next(); }
  void breathe() override {
    ++passes;
    drew.push_back(app_.gameSession && app_.gameSession->lastTickDrew);
    ticks.push_back(app_.gameSession ? app_.gameSession->tickCount : 0);
    if (passes == quitAtPass) commands.post(CMD_QUIT);
  }

  std::optional<int> hiddenAtPass;
  std::uint32_t awayMs = 0;
  int quitAtPass = -1;
  CommandQueue commands;
  int passes = 0;
  int shownAgain = 0;
  std::vector<bool> drew;
  std::vector<std::uint32_t> ticks;

 private:
  App& app_;
  HeadlessPlatform& platform_;
};

TEST(WebLoop, AHiddenTabResumesWithoutReplayingTheTimeAway) {
  HeadlessPlatform platform;
  App app(platform);
  ScriptedPage page(app, platform);
  platform.keyTap(Key::F1);  // a game is running
  page.hiddenAtPass = 20;
  page.awayMs = 120'000;     // two minutes in another tab
  page.quitAtPass = 30;
  runWebLoop(app, page);

  EXPECT_EQ(page.shownAgain, 1);
  ASSERT_GE(page.passes, 25);
  // One tick per pass: no 3000 late ticks run back to back.
  EXPECT_EQ(page.ticks[20] - page.ticks[19], 1u);
  // The first tick back is due at once and does not draw; the next one does.
  EXPECT_FALSE(page.drew[20]);
  EXPECT_TRUE(page.drew[21]);
  EXPECT_TRUE(app.quitting());
}

TEST(WebLoop, MenuCommandsWaitForTheEndOfThePassOneAtATime) {
  HeadlessPlatform platform;
  App app(platform);
  ScriptedPage page(app, platform);
  page.commands.post(CMD_NEW_GAME);
  page.commands.post(CMD_QUIT);  // chosen while a tick was waiting: never inside it
  runWebLoop(app, page);
  EXPECT_EQ(page.passes, 2);
  EXPECT_TRUE(app.quitting());
}

// A page that answers a dialog with scripted buttons and typed entries.
class ScriptedDialogPage : public DialogPage {
 public:
  void open(int id) override {
    opened.push_back(id);
    isOpen = true;
  }
  void setCaption(std::string_view text) override { caption = text; }
  void setItemText(int id, std::string_view text) override { items[id] = text; }
  std::string itemText(int id) override { return items[id]; }
  void focus(int id) override { focused = id; }
  int waitCommand() override {
    // The player types once the dialog is up.
    for (const auto& [id, text] : typed) items[id] = text;
    typed.clear();
    ++waits;
    if (buttons.empty()) return 0;
    const int id = buttons.front();
    buttons.pop_front();
    return id;
  }
  void close() override { isOpen = false; }

  std::vector<int> opened;
  bool isOpen = false;
  std::string caption;
  std::map<int, std::string> items;
  std::deque<int> buttons;
  std::map<int, std::string> typed;
  int waits = 0;
  int focused = 0;
};

TEST(WebDialogs, TheQuestionsYesLeadsToSignInAndClosesTheDialog) {
  HeadlessPlatform platform;
  App app(platform);
  QuestionDialog question;
  ScriptedDialogPage page;
  page.buttons = {ID_OK, ID_CANCEL};
  runDialogOnPage(question, page);
  EXPECT_EQ(page.opened, std::vector<int>{DIALOG_QUESTION});
  EXPECT_EQ(page.caption, "Registrera");
  EXPECT_EQ(page.items[ID_TEXT], "Vill du skicka din highscore till Internet?");
  EXPECT_TRUE(question.accepted());
  EXPECT_FALSE(page.isOpen);
  EXPECT_EQ(page.buttons.size(), 1u);  // nothing read after the end
}

TEST(WebDialogs, EscapeDoesNothingInTheInformationDialogOkClosesIt) {
  HeadlessPlatform platform;
  App app(platform);
  InfoDialog info(0);
  ScriptedDialogPage page;
  page.buttons = {ID_CANCEL, ID_CANCEL, ID_OK};
  runDialogOnPage(info, page);
  EXPECT_EQ(page.waits, 3);
  EXPECT_TRUE(info.confirmed());
  EXPECT_NE(page.items[ID_TEXT].find("Lycka till!"), std::string::npos);
  EXPECT_FALSE(page.isOpen);
}

TEST(WebDialogs, SignInCutsEntriesByCharactersAndStaysOpenWhenOneIsEmpty) {
  HeadlessPlatform platform;
  ScoreSubmission submission;
  Counter best;
  best.set(120);
  int resyncs = 0;
  SignInDialog signIn(platform, submission, SignInScores{best, 5000, false}, [&] { ++resyncs; });
  ScriptedDialogPage page;
  page.buttons = {ID_OK, ID_CANCEL};
  page.typed[ID_EMAIL] = std::string(70, 'e');  // and no password
  runDialogOnPage(signIn, page);
  EXPECT_EQ(page.caption, "Registrera din poäng (120)");
  EXPECT_EQ(submission.email.view(), std::string(64, 'e'));
  EXPECT_EQ(page.items[ID_OK], "");  // OK with empty entries left the button as it was
  EXPECT_EQ(page.focused, ID_EMAIL);  // it opened with the focus in the empty address
  EXPECT_EQ(resyncs, 1);             // Avbryt resynchronised the clock
  EXPECT_FALSE(page.isOpen);
}

TEST(WebDialogs, APageThatCanNoLongerAnswerClosesTheDialog) {
  HeadlessPlatform platform;
  App app(platform);
  InfoDialog info(1);
  ScriptedDialogPage page;  // no buttons: waitCommand answers 0
  runDialogOnPage(info, page);
  EXPECT_EQ(page.waits, 1);
  EXPECT_FALSE(info.confirmed());
  EXPECT_FALSE(page.isOpen);
}

TEST(WebFetch, HeaderLinesAreSplitTrimmedAndMalformedOnesLeftOut) {
  const auto headers = parseHeaderLines("Content-Type: text/plain\r\nbroken line\r\n: empty\r\nBad Name: x\nX-A:b\n");
  ASSERT_EQ(headers.size(), 2u);
  EXPECT_EQ(headers[0], (std::pair<std::string, std::string>{"Content-Type", "text/plain"}));
  EXPECT_EQ(headers[1], (std::pair<std::string, std::string>{"X-A", "b"}));
}

// A score sent through the real submission steps over a scripted fetch.
struct FetchScript {
  FetchReply reply{true, 200, "0", {}};
  std::vector<FetchRequest> requests;
  FetchFunction function() {
    return [this](const FetchRequest& request) {
      requests.push_back(request);
      return reply;
    };
  }
};

ScoreSubmission filledSubmission() {
  ScoreSubmission submission;
  submission.email.assign("spelare@example.com");
  submission.password.assign("hemligt");
  submission.sentScore = 1234;
  return submission;
}

TEST(WebFetch, TheFormGoesAsAPostToTheSitesOwnScorePathWithTheGamesAgent) {
  FetchScript script;
  HeadlessPlatform platform;
  platform.useTransport(std::make_unique<FetchTransport>(script.function()));
  ScoreSubmission submission = filledSubmission();
  submitScore(submission, platform);
  ASSERT_EQ(script.requests.size(), 1u);
  const FetchRequest& request = script.requests[0];
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.path, "/r0002.asp");
  EXPECT_NE(request.body.find("f1="), std::string::npos);  // the form, scrambled
  bool typed = false;
  bool agent = false;
  for (const auto& [name, value] : request.headers) {
    typed = typed || (name == "Content-Type" && value == "application/x-www-form-urlencoded");
    agent = agent || (name == AGENT_HEADER && value == USER_AGENT);
  }
  EXPECT_TRUE(typed);
  EXPECT_TRUE(agent);
  EXPECT_EQ(submission.resultCode, 0);
}

TEST(WebFetch, NoReplyIsATransferErrorWithTheBrowsersWord) {
  FetchScript script;
  script.reply = FetchReply{false, 0, {}, "Failed to fetch"};
  HeadlessPlatform platform;
  platform.useTransport(std::make_unique<FetchTransport>(script.function()));
  ScoreSubmission submission = filledSubmission();
  submitScore(submission, platform);
  EXPECT_EQ(submission.resultCode, static_cast<std::int32_t>(FETCH_ERROR_NETWORK));
  EXPECT_NE(submission.message.view().find("Failed to fetch"), std::string_view::npos);
}

TEST(WebFetch, ServerVerdictsAndBadStatusesReachTheSubmission) {
  for (const auto& [status, body, code] : std::vector<std::tuple<int, std::string, std::int32_t>>{
           {200, "3", 3}, {200, "2\r\n", 2}, {500, "0", RESULT_BAD_REPLY}, {200, "<html>", RESULT_BAD_REPLY}}) {
    FetchScript script;
    script.reply = FetchReply{true, status, body, {}};
    HeadlessPlatform platform;
    platform.useTransport(std::make_unique<FetchTransport>(script.function()));
    ScoreSubmission submission = filledSubmission();
    submitScore(submission, platform);
    EXPECT_EQ(submission.resultCode, code) << status << " " << body;
  }
}

TEST(WebFetch, ALongReplyIsKeptOnlyToItsLimitAndReadWithinTheCallersBuffer) {
  FetchScript script;
  script.reply = FetchReply{true, 200, std::string(FetchTransport::REPLY_KEEP * 3, 'x'), {}};
  FetchTransport transport(script.function());
  ASSERT_TRUE(transport.openSession("a"));
  ASSERT_TRUE(transport.connect("ignored.example", 1));
  ASSERT_TRUE(transport.openRequest("POST", "/r0002.asp"));
  ASSERT_TRUE(transport.send("", "body"));
  std::vector<char> buffer(100, '-');
  std::size_t got = 0;
  ASSERT_TRUE(transport.read(buffer.data(), 10, got));
  EXPECT_EQ(got, 10u);
  EXPECT_EQ(buffer[10], '-');
  std::vector<char> big(FetchTransport::REPLY_KEEP * 4);
  ASSERT_TRUE(transport.read(big.data(), big.size(), got));
  EXPECT_EQ(got, FetchTransport::REPLY_KEEP);
}

TEST(WebFetch, StepsOutOfTurnAndForeignAddressesFailWithoutAFetch) {
  FetchScript script;
  FetchTransport transport(script.function());
  std::string text;
  EXPECT_FALSE(transport.connect("h", 80));  // no session yet
  EXPECT_EQ(transport.lastError(text), FETCH_ERROR_ORDER);
  ASSERT_TRUE(transport.openSession("a"));
  EXPECT_FALSE(transport.send("", "x"));  // no request
  ASSERT_TRUE(transport.connect("h", 80));
  for (const char* object : {"", "r0002.asp", "//evil.example/r0002.asp", "http://evil.example/"}) {
    EXPECT_FALSE(transport.openRequest("POST", object)) << object;
  }
  std::size_t got = 99;
  char c = 0;
  EXPECT_FALSE(transport.read(&c, 1, got));
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(script.requests.empty());
}

}  // namespace
}  // namespace vilmar::web
