#pragma once
// The steps of one HTTP exchange as the score submission takes them. Each
// frontend offers one: WinINet on Windows, libcurl elsewhere, a scripted one
// in the headless platform.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vilmar {

class HttpTransport {
 public:
  virtual ~HttpTransport() = default;

  // Makes the library ready; false when it or one of its functions is
  // missing, with a message naming what was not found.
  virtual bool load(std::string& message) = 0;

  virtual bool openSession(std::string_view agent) = 0;
  virtual bool connect(std::string_view host, std::uint16_t port) = 0;
  virtual bool openRequest(std::string_view verb, std::string_view object) = 0;
  virtual bool send(std::string_view header, std::string_view body) = 0;
  // One read of the reply: at most limit bytes into buffer.
  virtual bool read(char* buffer, std::size_t limit, std::size_t& bytesRead) = 0;
  // The HTTP status of the last reply, 0 if none was received.
  virtual int status() = 0;
  virtual void closeRequest() = 0;
  virtual void closeConnection() = 0;
  virtual void closeSession() = 0;

  // The error number and text of the last failed step.
  virtual std::uint32_t lastError(std::string& text) = 0;
};

}  // namespace vilmar
