// kortix-server: the game service. Serves the score form the game posts and
// the web site its menu and sign-in dialog open; with a command, does one
// operator's job on the same database and exits.

#include <signal.h>
#include <sys/socket.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "Version.h"
#include "Operator.h"
#include "Options.h"
#include "ReadyProbe.h"
#include "domain/Accounts.h"
#include "domain/Mailer.h"
#include "domain/ScoreDesk.h"
#include "http/Server.h"
#include "http/Templates.h"
#include "http/WebApp.h"
#include "storage/CachedStore.h"
#include "storage/Store.h"

#ifndef KORTIX_SHARE_DIR
#error "KORTIX_SHARE_DIR must name the folder of templates, static files and migrations"
#endif

namespace {

// The time a test sets: the number in the file, read on every question; the
// real time when the file holds none.
kortix::Clock fileClock(const std::string& path) {
  return [path, real = kortix::systemClock()] {
    std::ifstream in(path);
    long long seconds = 0;
    return (in >> seconds) ? static_cast<std::int64_t>(seconds) : real();
  };
}

int serve(const kortix::Options& options, kortix::Store& store, const sigset_t& stopSignals) {
  using namespace kortix;
  const std::string share = options.shareDir.empty() ? KORTIX_SHARE_DIR : options.shareDir;
  const Templates templates(share + "/templates");

  const int slots = options.verifySlots > 0
                        ? options.verifySlots
                        : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  PasswordHasher hasher(options.minimalHashCost ? HashCost::Minimal : HashCost::Interactive, slots);
  AttemptLimiter limiter;
  Authenticator auth(store, hasher, limiter);

  std::unique_ptr<Mailer> mailer;
  if (options.smtpUrl.empty()) {
    mailer = outboxMailer(options.varDir + "/outbox", options.mailFrom);
  } else {
    const char* password = std::getenv("KORTIX_SMTP_PASSWORD");
    mailer = smtpMailer(options.smtpUrl, options.mailFrom, options.smtpUser, password ? password : "");
  }

  ServerLimits limits;
  limits.threads = options.threads;
  limits.maxConnections = static_cast<std::size_t>(options.maxConnections);
  limits.maxPerAddress = static_cast<std::size_t>(options.maxPerAddress);
  limits.headTime = std::chrono::seconds(options.headTimeout);
  limits.trustedProxies = options.trustedProxies;
  // The site needs its address (mailed links) before it exists: the server
  // listens first and serves once the site is made.
  std::unique_ptr<WebApp> app;
  HttpServer server(limits, {[&app](const Request& req, Response& res) { app->serve(req, res); }, &WebApp::bodyLimit});
  int port = 0;
  try {
    port = server.listen(options.host, options.port);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kortix-server: cannot listen on %s:%d: %s\n", options.host.c_str(), options.port, e.what());
    return 1;
  }
  std::string publicUrl = options.publicUrl;
  if (options.port == 0 && publicUrl == "http://" + options.host + ":0")
    publicUrl = "http://" + options.host + ":" + std::to_string(port);

  const Clock clock = options.testClock.empty() ? systemClock() : fileClock(options.testClock);
  ScoreDesk desk(store, auth, clock);
  Accounts accounts(store, auth, *mailer, clock, publicUrl);
  WebConfig web;
  web.staticDir = share + "/static";
  web.siteDir = options.siteDir;
  web.sponsorUrl = options.sponsorUrl;
  web.downloadsDir = options.downloadsDir;
  web.publicUrl = publicUrl;
  app = std::make_unique<WebApp>(store, desk, accounts, templates, clock, web);

  // SIGINT and SIGTERM are blocked in every thread; this one waits for them
  // and stops the server, which lets the requests in flight finish.
  std::thread stopper([&server, &stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
  });
  std::printf("kortix-server listening on http://%s:%d\n", options.host.c_str(), port);
  std::fflush(stdout);
  server.run();
  stopper.join();
  std::fprintf(stderr, "kortix-server: stopped\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread exists, so that all of them inherit the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::string error;
  const auto options = kortix::parseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "kortix-server: %s\n\n%s", error.c_str(), kortix::USAGE);
    return 2;
  }
  if (options->help) {
    std::fputs(kortix::USAGE, stdout);
    return 0;
  }
  if (options->version) {
    std::printf("kortix-server %s\n", vilmar::VERSION);
    return 0;
  }
  if (!options->command.empty() && options->command[0] == "wait-ready") {
    // Asks the running service; needs no database of its own.
    int seconds = 30;
    if (options->command.size() > 2 ||
        (options->command.size() == 2 && (seconds = std::atoi(options->command[1].c_str())) <= 0)) {
      std::fprintf(stderr, "kortix-server: wait-ready wants a number of seconds\n");
      return 2;
    }
    std::string why;
    if (kortix::waitReady(options->host, options->port, seconds, why)) return 0;
    std::fprintf(stderr, "kortix-server: not ready after %d s: %s\n", seconds, why.c_str());
    return 1;
  }
  try {
    std::error_code ignored;
    std::filesystem::create_directories(options->varDir, ignored);
    const std::string share = options->shareDir.empty() ? KORTIX_SHARE_DIR : options->shareDir;
    auto store = kortix::openStore(options->database, share + "/migrations");
    store->migrate();
    store->listVerifiedOnly(options->requireReplay);
    if (!options->command.empty())
      return kortix::runOperatorCommand(*store, options->command, std::cout, std::cerr, kortix::systemClock()());
    kortix::CachedStore cached(std::move(store), std::chrono::milliseconds(1000));
    return serve(*options, cached, stopSignals);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kortix-server: %s\n", e.what());
    return 1;
  }
}
