#pragma once
// The HTTP side: one table of routes, each handler translating a request into
// a call of the domain and its answer into a page or the game's reply.

#include <httplib.h>

#include <memory>
#include <string>
#include <vector>

#include "domain/Accounts.h"
#include "domain/ScoreDesk.h"
#include "http/SiteFiles.h"
#include "http/Templates.h"
#include "storage/Store.h"

namespace kortix {

struct WebConfig {
  std::string staticDir;     // the style sheet and pictures, under /static/
  std::string siteDir;       // an optional folder served under /spela/ (the browser game)
  std::string downloadsDir;  // an optional folder of released builds, under /filer/
  bool trustProxy = false;   // take the sender from X-Forwarded-For (behind a reverse proxy)
  std::size_t maxBody = 16 * 1024;
};

class WebApp {
 public:
  WebApp(Store& store, ScoreDesk& desk, Accounts& accounts, const Templates& templates, Clock clock,
         WebConfig config)
      : store_(store), desk_(desk), accounts_(accounts), templates_(templates), clock_(std::move(clock)),
        config_(std::move(config)) {}

  void install(httplib::Server& server);

  using Handler = void (WebApp::*)(const httplib::Request&, httplib::Response&);
  struct Route {
    const char* method;
    const char* path;
    Handler handler;
  };
  // Every route of the service in one table.
  static const std::vector<Route>& routes();

  // Runs a route's handler as the server does: a failure inside it (a
  // database gone away) becomes a 503 page, or no verdict for the game.
  void handle(const Route& route, const httplib::Request& req, httplib::Response& res);

 private:
  void score(const httplib::Request& req, httplib::Response& res);
  void home(const httplib::Request& req, httplib::Response& res);
  void topList(const httplib::Request& req, httplib::Response& res);
  void rules(const httplib::Request& req, httplib::Response& res);
  void registerForm(const httplib::Request& req, httplib::Response& res);
  void registerSubmit(const httplib::Request& req, httplib::Response& res);
  void resetForm(const httplib::Request& req, httplib::Response& res);
  void resetSubmit(const httplib::Request& req, httplib::Response& res);
  void newPasswordForm(const httplib::Request& req, httplib::Response& res);
  void newPasswordSubmit(const httplib::Request& req, httplib::Response& res);
  void endForm(const httplib::Request& req, httplib::Response& res);
  void endSubmit(const httplib::Request& req, httplib::Response& res);
  void challengeForm(const httplib::Request& req, httplib::Response& res);
  void challengeSubmit(const httplib::Request& req, httplib::Response& res);
  void version(const httplib::Request& req, httplib::Response& res);
  void dll(const httplib::Request& req, httplib::Response& res);
  void downloads(const httplib::Request& req, httplib::Response& res);

  void page(httplib::Response& res, const std::string& name, PageData data, int status = 200);
  // The newest build of each platform, on the version and download pages.
  void buildsPage(httplib::Response& res, const std::string& title, const std::string& name);
  // The form's anti-forgery token: the visitor's cookie, or a new one.
  std::string csrfToken(const httplib::Request& req, httplib::Response& res);
  bool csrfValid(const httplib::Request& req);
  void csrfRefused(const httplib::Request& req, httplib::Response& res);
  std::string sender(const httplib::Request& req) const;

  Store& store_;
  ScoreDesk& desk_;
  Accounts& accounts_;
  const Templates& templates_;
  Clock clock_;
  WebConfig config_;
  std::unique_ptr<SiteFiles> site_;
};

}  // namespace kortix
