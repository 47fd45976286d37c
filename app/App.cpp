#include "app/App.h"

#include "net/ServiceEndpoint.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"
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

App::App(Platform& p, std::int32_t firstLevel) : platform(p), keys_(p), keyboard_(keys_) {
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
  bestScoreAsked = bestScore.get();
  bestScoreTime = static_cast<std::int32_t>(platform.milliseconds() - gameSession->clockStart);
  bestScoreTampered = Counter::tamperFlag();
  gameSession->askToSubmit = true;
}

void App::openRequestedDialogs() {
  GameSession& session = *gameSession;
  // Keys pressed inside a dialog (F1 for help, Space on a button) were meant
  // for the dialog; none of them may act once play resumes.
  const bool anyDialog = session.askToSubmit || session.signInRequested || session.infoRequested;
  if (session.askToSubmit) {
    QuestionDialog question(session);
    platform.runDialog(question);
    session.askToSubmit = false;
  }
  if (session.signInRequested) {
    SignInDialog signIn(platform, submission,
                        SignInScores{bestScore, *session.world->score, bestScoreTime, bestScoreTampered},
                        [&session] { session.resyncClock(); });
    platform.runDialog(signIn);
    session.signInRequested = false;
  }
  if (session.infoRequested) {
    InfoDialog info(session, infoTextIndex);
    platform.runDialog(info);
    session.infoRequested = false;
  }
  if (anyDialog) keys_.forgetPresses();
}

void App::keepBestScore() {
  if (gameSession->playingBack()) return;  // someone else's game, not the player's best
  const std::int32_t current = gameSession->world->score->get();
  if (current <= bestScore.get()) return;
  bestScore.set(current);
  bestScoreTime = static_cast<std::int32_t>(platform.milliseconds() - gameSession->clockStart);
  bestScoreTampered = Counter::tamperFlag();
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
    case CMD_REGISTER_SCORE:
      if (session.gameOverSeen) session.signInRequested = true;
      break;
    case CMD_CHALLENGE: platform.openUrl(serviceAddress("/useradm/challenge/")); break;
    case CMD_SERVICE_SITE: platform.openUrl(serviceAddress("/")); break;
    case CMD_SPONSOR_SITE: platform.openUrl(webAddress(VILMAR_SPONSOR_HOST, "/")); break;
    default: break;
  }
}

}  // namespace vilmar
