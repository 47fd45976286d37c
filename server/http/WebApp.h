#pragma once
// The HTTP side: one table of routes, each handler translating a request into
// a call of the domain and its answer into a page or the game's reply.

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "domain/Accounts.h"
#include "domain/Calendar.h"
#include "domain/ScoreDesk.h"
#include "http/Downloads.h"
#include "http/Message.h"
#include "http/SiteFiles.h"
#include "http/Templates.h"
#include "storage/Store.h"

namespace kortix {

struct WebConfig {
  std::string staticDir;     // the style sheet and pictures, under /static/
  std::string siteDir;       // an optional folder served under /spela/ (the browser game)
  std::string downloadsDir;  // an optional folder of released builds, under /filer/
  // Where visitors reach the pages: form posts from another origin are
  // refused, and with https the form cookie is Secure and __Host- bound.
  std::string publicUrl;
  std::string sponsorUrl;    // where the browser game's sponsor link goes; empty: its own
};

// The largest request body: a form's, and the game's score form, which may
// carry a recorded game.
constexpr std::size_t FORM_BODY_LIMIT = 16 * 1024;
constexpr std::size_t SCORE_BODY_LIMIT = 160 * 1024;

class WebApp {
 public:
  WebApp(Store& store, ScoreDesk& desk, Accounts& accounts, const Templates& templates, Clock clock,
         WebConfig config);
  ~WebApp();

  // Answers any request: a route, a file under /static/, /spela/ or /filer/,
  // or an error page.
  void serve(const Request& req, Response& res);
  // The largest body accepted for a method and path.
  static std::size_t bodyLimit(std::string_view method, std::string_view path);

  using Handler = void (WebApp::*)(const Request&, Response&);
  struct Route {
    const char* method;
    const char* path;
    Handler handler;
    std::size_t maxBody = FORM_BODY_LIMIT;
  };
  // Every route of the service in one table.
  static const std::vector<Route>& routes();

  // Runs a route's handler as the server does: a failure inside it (a
  // database gone away) becomes a 503 page, or no verdict for the game.
  void handle(const Route& route, const Request& req, Response& res);

 private:
  void score(const Request& req, Response& res);
  void home(const Request& req, Response& res);
  void topList(const Request& req, Response& res);
  void rules(const Request& req, Response& res);
  void registerForm(const Request& req, Response& res);
  void registerSubmit(const Request& req, Response& res);
  void resetForm(const Request& req, Response& res);
  void resetSubmit(const Request& req, Response& res);
  void newPasswordForm(const Request& req, Response& res);
  void newPasswordSubmit(const Request& req, Response& res);
  void endForm(const Request& req, Response& res);
  void endSubmit(const Request& req, Response& res);
  void challengeForm(const Request& req, Response& res);
  void challengeSubmit(const Request& req, Response& res);
  void confirm(const Request& req, Response& res);
  void version(const Request& req, Response& res);
  void dll(const Request& req, Response& res);
  void downloads(const Request& req, Response& res);
  void healthz(const Request& req, Response& res);
  void signInForm(const Request& req, Response& res);
  void signInSubmit(const Request& req, Response& res);
  void signOut(const Request& req, Response& res);
  void myResults(const Request& req, Response& res);
  // The signed-in member of a request, if any.
  std::optional<User> member(const Request& req);
  const char* sessionCookie() const;
  // "Din placering" on a list: rank, score, the five places around and the
  // points to the next place.
  PageData yourPlace(const std::vector<Ranked>& all, std::int64_t userId);
  void apiTopList(const Request& req, Response& res);
  void apiBonus(const Request& req, Response& res);
  void apiPreflight(const Request& req, Response& res);
  void apiNotFound(Response& res);
  void apiUnavailable(Response& res);
  void readyz(const Request& req, Response& res);
  void siteSettings(const Request& req, Response& res);

  PageData recentWinners(const LocalDate& today);
  static PageData closingLine(const std::string& what, std::int64_t closes, std::int64_t now);
  // An error status without a body of its own gets the error page.
  void errorPage(Response& res);
  void page(Response& res, const std::string& name, PageData data, int status = 200);
  void formAgain(const Request& req, Response& res, const std::string& name, const char* title, PageData data,
                 const FormErrors& errors, int status);
  // The newest build of each platform, on the version and download pages.
  void buildsPage(Response& res, const std::string& title, const std::string& name);
  // The form's anti-forgery token: the visitor's cookie, or a new one.
  std::string csrfToken(const Request& req, Response& res);
  bool csrfValid(const Request& req);
  void csrfRefused(const Request& req, Response& res);
  // A reset link that no longer works: said once, with where to get a new one.
  void linkInvalid(Response& res, PageData& data);
  std::string sender(const Request& req) const;
  bool secureSite() const { return config_.publicUrl.rfind("https://", 0) == 0; }
  const char* csrfCookie() const;

  Store& store_;
  ScoreDesk& desk_;
  Accounts& accounts_;
  const Templates& templates_;
  Clock clock_;
  WebConfig config_;
  std::unique_ptr<SiteFiles> static_, site_, downloads_;
  // The last readiness check: probes within a second share it, so a flood
  // of them costs the database one write a second.
  std::mutex readyMutex_;
  std::chrono::steady_clock::time_point readyAt_{};
  bool readyChecked_ = false, ready_ = false;
  std::unique_ptr<DownloadFiles> downloadFiles_;
};

}  // namespace kortix
