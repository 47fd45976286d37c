// kortix-server: the game service. Serves the score form the game posts and
// the web site its menu and sign-in dialog open; with a command, does one
// operator's job on the same database and exits.

#include <httplib.h>
#include <signal.h>
#include <sys/socket.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <thread>

#include "Version.h"
#include "Operator.h"
#include "Options.h"
#include "domain/Accounts.h"
#include "domain/Mailer.h"
#include "domain/ScoreDesk.h"
#include "http/Templates.h"
#include "http/WebApp.h"
#include "storage/CachedStore.h"
#include "storage/Store.h"

#ifndef KORTIX_SHARE_DIR
#error "KORTIX_SHARE_DIR must name the folder of templates, static files and migrations"
#endif

namespace {

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

  httplib::Server server;
  const int threads = options.threads;
  server.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };
  // SO_REUSEADDR, not the library's SO_REUSEPORT: a second service on the
  // same port must fail to start rather than quietly share it, and the
  // connections it leaves in TIME_WAIT must not keep others off the port.
  socket_t listener = -1;
  server.set_socket_options([&listener](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listener = sock;
  });
  // Small replies go out at once instead of waiting for the client's ACK.
  server.set_tcp_nodelay(true);
  server.set_keep_alive_max_count(100000);
  server.set_read_timeout(10);
  server.set_write_timeout(10);

  int port = options.port;
  if (port == 0) {
    port = server.bind_to_any_port(options.host);
    if (port < 0) port = 0;
  } else if (!server.bind_to_port(options.host, port)) {
    port = 0;
  }
  if (port == 0) {
    std::fprintf(stderr, "kortix-server: cannot listen on %s:%d\n", options.host.c_str(), options.port);
    return 1;
  }
  // The library listens with a queue of 5 connections; a burst of new
  // connections beyond that would wait a second for the client to try again.
  if (listener >= 0) ::listen(listener, SOMAXCONN);
  std::string publicUrl = options.publicUrl;
  if (options.port == 0 && publicUrl == "http://" + options.host + ":0")
    publicUrl = "http://" + options.host + ":" + std::to_string(port);

  const Clock clock = systemClock();
  ScoreDesk desk(store, auth, clock);
  Accounts accounts(store, auth, *mailer, clock, publicUrl);
  WebConfig web;
  web.staticDir = share + "/static";
  web.siteDir = options.siteDir;
  web.downloadsDir = options.downloadsDir;
  web.trustProxy = options.trustProxy;
  web.publicUrl = publicUrl;
  WebApp app(store, desk, accounts, templates, clock, web);
  app.install(server);
  server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
    // Method, path and status only: queries and bodies may hold addresses and passwords.
    std::fprintf(stderr, "%s %s %s %d\n", req.remote_addr.c_str(), req.method.c_str(), req.path.c_str(),
                 res.status);
  });

  // SIGINT and SIGTERM are blocked in every thread; this one waits for them
  // and stops the server, which lets the requests in flight finish.
  std::thread stopper([&server, &stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
  });
  std::printf("kortix-server listening on http://%s:%d\n", options.host.c_str(), port);
  std::fflush(stdout);
  server.listen_after_bind();
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
  try {
    std::error_code ignored;
    std::filesystem::create_directories(options->varDir, ignored);
    const std::string share = options->shareDir.empty() ? KORTIX_SHARE_DIR : options->shareDir;
    auto store = kortix::openStore(options->database, share + "/migrations");
    store->migrate();
    if (!options->command.empty())
      return kortix::runOperatorCommand(*store, options->command, std::cout, std::cerr, kortix::systemClock()());
    kortix::CachedStore cached(std::move(store), std::chrono::milliseconds(1000));
    return serve(*options, cached, stopSignals);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kortix-server: %s\n", e.what());
    return 1;
  }
}
