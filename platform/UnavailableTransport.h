#pragma once
// An HTTP transport for a platform without a network: every step fails, and
// load() says why, so a score submission ends with the "library not found"
// outcome instead of hanging or crashing.

#include <string>
#include <utility>

#include "platform/HttpTransport.h"

namespace vilmar {

class UnavailableTransport final : public HttpTransport {
 public:
  explicit UnavailableTransport(std::string why) : why_(std::move(why)) {}
  bool load(std::string& message) override {
    message = why_;
    return false;
  }
  bool openSession(std::string_view) override { return false; }
  bool connect(std::string_view, std::uint16_t) override { return false; }
  bool openRequest(std::string_view, std::string_view) override { return false; }
  bool send(std::string_view, std::string_view) override { return false; }
  bool read(char*, std::size_t, std::size_t& bytesRead) override {
    bytesRead = 0;
    return false;
  }
  int status() override { return 0; }
  void closeRequest() override {}
  void closeConnection() override {}
  void closeSession() override {}
  std::uint32_t lastError(std::string& text) override {
    text = why_;
    return 0;
  }

 private:
  std::string why_;
};

}  // namespace vilmar
