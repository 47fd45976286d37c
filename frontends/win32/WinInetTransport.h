#pragma once
// The score submission's HTTP steps on WinINet. The library is loaded by name
// at the first submission, not linked, so the game starts and plays where it
// is missing; only the submission then fails, with the result code -1.

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

#include "platform/HttpTransport.h"

namespace vilmar {

class WinInetTransport : public HttpTransport {
 public:
  WinInetTransport() = default;
  ~WinInetTransport() override;
  WinInetTransport(const WinInetTransport&) = delete;
  WinInetTransport& operator=(const WinInetTransport&) = delete;

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

 private:
  bool failed();
  bool failed(DWORD error);

  // The library stays loaded until the program ends; the lookups are made
  // once, right after loading, and their outcome is kept.
  HMODULE library_ = nullptr;
  bool ready_ = false;
  std::string loadMessage_;

  decltype(&::InternetOpenA) internetOpen_ = nullptr;
  decltype(&::InternetConnectA) internetConnect_ = nullptr;
  decltype(&::InternetReadFile) internetReadFile_ = nullptr;
  decltype(&::InternetGetLastResponseInfoA) internetGetLastResponseInfo_ = nullptr;
  decltype(&::HttpOpenRequestA) httpOpenRequest_ = nullptr;
  decltype(&::HttpSendRequestA) httpSendRequest_ = nullptr;
  decltype(&::InternetCloseHandle) internetCloseHandle_ = nullptr;
  // Only for the reply's status; without it every reply counts as 200.
  decltype(&::HttpQueryInfoA) httpQueryInfo_ = nullptr;

  HINTERNET session_ = nullptr;
  HINTERNET connection_ = nullptr;
  HINTERNET request_ = nullptr;
  int status_ = 0;
  bool sendFailed_ = false;
  // The system's error number of the last failed call, for when WinINet's
  // response information carries none (as it mostly does not for HTTP).
  DWORD lastFailure_ = 0;
};

}  // namespace vilmar
