#pragma once
// A transport that keeps the window alive while a step of the exchange
// waits on the network: each step that may block runs on a thread of its
// own, and until it is done the caller's wait function (draw the window,
// read its events) runs every few milliseconds. The steps still come one
// after another, in the order the score sender takes them.

#include <functional>
#include <memory>

#include "platform/HttpTransport.h"

namespace vilmar::sdl {

class WaitingTransport final : public HttpTransport {
 public:
  WaitingTransport(std::unique_ptr<HttpTransport> inner, std::function<void()> whileWaiting);

  bool load(std::string& message) override { return inner_->load(message); }
  bool openSession(std::string_view agent) override;
  bool connect(std::string_view host, std::uint16_t port) override;
  bool openRequest(std::string_view verb, std::string_view object) override;
  bool send(std::string_view header, std::string_view body) override;
  bool read(char* buffer, std::size_t limit, std::size_t& bytesRead) override;
  int status() override { return inner_->status(); }
  void closeRequest() override;
  void closeConnection() override;
  void closeSession() override;
  std::uint32_t lastError(std::string& text) override { return inner_->lastError(text); }

 private:
  template <class Step>
  auto run(Step step);

  std::unique_ptr<HttpTransport> inner_;
  std::function<void()> whileWaiting_;
};

}  // namespace vilmar::sdl
