#include "app/App.h"

#include <utility>

#include "net/ServiceEndpoint.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"
#include "ui/SettingsDialog.h"
#include "ui/SignInDialog.h"

namespace vilmar {

std::string webAddress(std::string_view host, std::string_view path) {
  std::string url = "http://";
  url += host;
  url += path;
  return url;
}

// The service's pages are on the score server's host (and port, where a test
// build moves it).
std::string serviceAddress(std::string_view path) { return serviceUrl(serviceEndpoint(), path); }

App::App(Platform& p, std::int32_t firstLevel, ServiceEndpoint serviceAt)
    : platform(p), service(std::move(serviceAt)), keys_(p), keyboard_(keys_) {
  gameSession = std::make_unique<GameSession>(platform, keyboard_, firstLevel);
  bestScore.set(0);
}

App::~App() = default;

void App::quitProgram() { gameSession.reset(); }

void App::pass() {
  if (!gameSession) return;
  askAboutNewBest();
  openRequestedDialogs();
  gameSession->tick();
  keepBestScore();
  if (keys_.pressed(Key::F1)) gameSession->restartRequested = true;
}

void App::askAboutNewBest() {
  if (!gameSession->gameOverSeen || bestScore.get() <= bestScoreAsked) return;
  if (gameSession->practice()) return;  // a practice game is never offered as a score
  bestScoreAsked = bestScore.get();
  bestScoreTime = static_cast<std::int32_t>(platform.milliseconds() - gameSession->clockStart);
  bestScoreTampered = Counter::tamperFlag();
  gameSession->askToSubmit = true;
}

void App::openRequestedDialogs() {
  GameSession& session = *gameSession;
  // Keys pressed inside a dialog (F1 for help, Space on a button) were meant
  // for the dialog; none of them may act once play resumes.
  const bool anyDialog = session.askToSubmit || session.signInRequested || session.infoRequested || settingsRequested_;
  if (session.askToSubmit) {
    QuestionDialog question;
    platform.runDialog(question);
    session.askToSubmit = false;
    if (question.accepted()) session.signInRequested = true;
  }
  if (session.signInRequested) {
    SignInDialog signIn(platform, submission,
                        SignInScores{bestScore, bestScoreTime, bestScoreTampered, bestReplay_},
                        [&session] { session.resyncClock(); }, service);
    platform.runDialog(signIn);
    if (signIn.scoreTaken()) {
      bestScore.set(0);
      session.world->scoreSent();
    }
    session.signInRequested = false;
  }
  if (session.infoRequested) {
    InfoDialog info(infoTextIndex);
    platform.runDialog(info);
    session.infoRequested = false;
    // The time spent reading is not made up in ticks.
    if (info.confirmed()) session.resyncClock();
  }
  if (settingsRequested_) openSettings();
  if (anyDialog) keys_.forgetPresses();
}

void App::openSettings() {
  settingsRequested_ = false;
  SettingsDialog dialog(settings);
  platform.runDialog(dialog);
  // The time in the dialog is not made up in ticks.
  gameSession->resyncClock();
  if (!dialog.accepted() || dialog.settings() == settings) return;
  settings = dialog.settings();
  gameSession->setSpeed(settings.speed);
  if (settingsChanged) settingsChanged(settings);
}

void App::keepBestScore() {
  GameSession& session = *gameSession;
  const std::int32_t current = session.world->score().get();
  // Someone else's game, or a practice game: neither is the player's best.
  // The bookkeeping of ended games below still runs for them, so a best
  // game cut short by one of them keeps its own recording.
  if (!session.playingBack() && !session.practice() && current > bestScore.get()) {
    bestScore.set(current);
    bestScoreTime = static_cast<std::int32_t>(platform.milliseconds() - session.clockStart);
    bestScoreTampered = Counter::tamperFlag();
    bestInCurrentGame_ = true;
    bestReplay_.clear();
  }
  // The game that made the best has ended (over, or cut short by a new one):
  // its recording goes with the score. One that outgrew a file has none.
  if (session.finishedGames != gamesSeen_) {
    gamesSeen_ = session.finishedGames;
    if (bestInCurrentGame_) bestReplay_ = session.lastGame ? encodeReplay(*session.lastGame) : std::vector<std::uint8_t>{};
    bestInCurrentGame_ = false;
  }
}

void App::menuCommand(int id) {
  if (!gameSession) return;  // quitting: the menu no longer acts
  GameSession& session = *gameSession;
  switch (id) {
    case CMD_NEW_GAME: session.restartRequested = true; break;
    case CMD_RULES: infoTextIndex = 0; session.infoRequested = true; break;
    case CMD_COMPETITION_RULES: infoTextIndex = 1; session.infoRequested = true; break;
    case CMD_ABOUT: infoTextIndex = 2; session.infoRequested = true; break;
    case CMD_QUIT: quitProgram(); break;
    case CMD_SETTINGS: settingsRequested_ = true; break;
    case CMD_REGISTER_SCORE:
      if (session.gameOverSeen) session.signInRequested = true;
      break;
    case CMD_CHALLENGE: platform.openUrl(serviceUrl(service, "/useradm/challenge/")); break;
    case CMD_SERVICE_SITE: platform.openUrl(serviceUrl(service, "/")); break;
    case CMD_SPONSOR_SITE: platform.openUrl(sponsorUrl); break;
    default: break;
  }
}

}  // namespace vilmar
