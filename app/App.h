#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/GameSession.h"
#include "net/Counter.h"
#include "input/KeyReader.h"
#include "input/KeyboardInput.h"
#include "net/ScoreSubmission.h"
#include "net/ServiceEndpoint.h"
#include "platform/MenuCommands.h"
#include "ui/Settings.h"

namespace vilmar {

class Platform;

// "http://" + host + path.
std::string webAddress(std::string_view host, std::string_view path);
// A page of the service this build was made for.
std::string serviceAddress(std::string_view path);

// The program between its start and its end, whatever shows it: the game
// session, the best-score bookkeeping, the dialogs and the menu's commands.
// A frontend calls pass() once per turn of its main loop and handles at most
// one window message in between.
class App {
 public:
  // service: where the score goes and the service's pages are; the build's
  // own setting unless the player named another.
  explicit App(Platform& platform, std::int32_t firstLevel = 1, ServiceEndpoint service = serviceEndpoint());
  ~App();

  // One pass: the submit question, the dialogs asked for, one tick, the best
  // score and F1. Does nothing once the program is quitting.
  void pass();
  void menuCommand(int id);
  // Ends the game; the frontend then ends its loop.
  void quitProgram();
  bool quitting() const { return gameSession == nullptr; }
  // The recorded game that goes with the best score, once it has ended.
  const std::vector<std::uint8_t>& bestReplay() const { return bestReplay_; }

  Platform& platform;
  // Where "Besök Vilmars hemsida" goes: the build's sponsor unless the
  // frontend knows better (the browser version served by a service opens the
  // sponsor link that service names).
  std::string sponsorUrl = webAddress(VILMAR_SPONSOR_HOST, "/");
  std::unique_ptr<GameSession> gameSession;
  Counter bestScore;
  std::int32_t bestScoreAsked = 0;
  std::int32_t bestScoreTime = 0;
  bool bestScoreTampered = false;
  std::int32_t infoTextIndex = 0;
  // The one score record of the run; its user name and password are the
  // sign-in dialog's remembered entries.
  ScoreSubmission submission;
  const ServiceEndpoint service;
  // The player's settings as the frontend loaded them. "Inställningar…"
  // changes them; OK then hands them to settingsChanged (the frontend
  // applies and keeps them) and the next game takes the new speed.
  Settings settings;
  std::function<void(const Settings&)> settingsChanged;

 private:
  void askAboutNewBest();
  void openRequestedDialogs();
  void keepBestScore();
  void openSettings();

  KeyReader keys_;
  KeyboardInput keyboard_;
  // The recorded game in which the best score was made, once it has ended;
  // while it runs, bestInCurrentGame_ says the running game holds it.
  std::vector<std::uint8_t> bestReplay_;
  bool bestInCurrentGame_ = false;
  bool settingsRequested_ = false;
  std::uint32_t gamesSeen_ = 0;
};

}  // namespace vilmar
