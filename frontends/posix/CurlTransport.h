#pragma once
// The score submission's HTTP steps on libcurl. The library is opened by name
// at the first submission and never linked, so the game starts and plays on a
// machine without it; only the submission then fails.

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/HttpTransport.h"

namespace vilmar {

// libcurl's error codes are offset by this, so that they can never be read
// as one of the server's verdicts (0 to 4).
inline constexpr std::uint32_t CURL_ERROR_BASE = 20000;

class CurlTransport : public HttpTransport {
 public:
  explicit CurlTransport(std::string libraryName = "libcurl.so.4",
                         std::chrono::milliseconds timeout = std::chrono::seconds(30));
  ~CurlTransport() override;
  CurlTransport(const CurlTransport&) = delete;
  CurlTransport& operator=(const CurlTransport&) = delete;

  bool load(std::string& message) override;
  bool openSession(std::string_view agent) override;
  bool connect(std::string_view host, std::uint16_t port) override;
  bool openRequest(std::string_view verb, std::string_view object) override;
  bool send(std::string_view header, std::string_view body) override;
  bool read(char* buffer, std::size_t limit, std::size_t& bytesRead) override;
  int status() override;
  void closeRequest() override;
  void closeConnection() override;
  void closeSession() override;
  std::uint32_t lastError(std::string& text) override;

  // The most of a reply that is kept; the rest is not waited for.
  static constexpr std::size_t REPLY_KEEP = 16384;

 private:
  struct Api;
  enum class LoadState { NotTried, Loaded, Failed };

  bool fail(std::uint32_t number, std::string text);
  static std::size_t onData(char* data, std::size_t size, std::size_t count, void* self);

  std::string libraryName_;
  std::chrono::milliseconds timeout_;
  LoadState loadState_ = LoadState::NotTried;
  std::string loadMessage_;
  Api* api_ = nullptr;

  void* session_ = nullptr;
  std::string agent_;
  std::string host_;
  std::uint16_t port_ = 0;
  bool connected_ = false;
  bool requestOpen_ = false;
  std::string object_;

  bool replied_ = false;
  bool replyCut_ = false;
  bool sendFailed_ = false;
  std::string reply_;
  int status_ = 0;

  std::uint32_t errorNumber_ = 0;
  std::string errorText_;
};

}  // namespace vilmar
