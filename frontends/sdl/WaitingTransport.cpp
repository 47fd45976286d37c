#include "frontends/sdl/WaitingTransport.h"

#include <chrono>
#include <future>
#include <utility>

namespace vilmar::sdl {

WaitingTransport::WaitingTransport(std::unique_ptr<HttpTransport> inner, std::function<void()> whileWaiting)
    : inner_(std::move(inner)), whileWaiting_(std::move(whileWaiting)) {}

template <class Step>
auto WaitingTransport::run(Step step) {
  auto done = std::async(std::launch::async, std::move(step));
  while (done.wait_for(std::chrono::milliseconds(15)) != std::future_status::ready)
    if (whileWaiting_) whileWaiting_();
  return done.get();
}

bool WaitingTransport::openSession(std::string_view agent) {
  return run([&] { return inner_->openSession(agent); });
}

bool WaitingTransport::connect(std::string_view host, std::uint16_t port) {
  return run([&] { return inner_->connect(host, port); });
}

bool WaitingTransport::openRequest(std::string_view verb, std::string_view object) {
  return run([&] { return inner_->openRequest(verb, object); });
}

bool WaitingTransport::send(std::string_view header, std::string_view body) {
  return run([&] { return inner_->send(header, body); });
}

bool WaitingTransport::read(char* buffer, std::size_t limit, std::size_t& bytesRead) {
  return run([&] { return inner_->read(buffer, limit, bytesRead); });
}

void WaitingTransport::closeRequest() {
  run([&] { inner_->closeRequest(); });
}

void WaitingTransport::closeConnection() {
  run([&] { inner_->closeConnection(); });
}

void WaitingTransport::closeSession() {
  run([&] { inner_->closeSession(); });
}

}  // namespace vilmar::sdl
