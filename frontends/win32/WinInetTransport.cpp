#include "frontends/win32/WinInetTransport.h"

#include <algorithm>
#include <limits>

namespace vilmar {

namespace {

template <typename F>
bool lookUp(HMODULE library, const char* name, F& entry) {
  const FARPROC address = GetProcAddress(library, name);
  if (!address) return false;
  entry = reinterpret_cast<F>(reinterpret_cast<void (*)()>(address));
  return true;
}

DWORD clampToDword(std::size_t size) {
  return static_cast<DWORD>(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
}

}  // namespace

WinInetTransport::~WinInetTransport() { closeSession(); }

bool WinInetTransport::load(std::string& message) {
  if (!library_) {
    library_ = LoadLibraryA("WinINet");
    if (!library_) {
      message = "Kunde inte hitta WinInet.dll";
      return false;
    }
    const char* missing = nullptr;
    if (!lookUp(library_, "InternetOpenA", internetOpen_)) missing = "InternetOpenA";
    else if (!lookUp(library_, "InternetConnectA", internetConnect_)) missing = "InternetConnectA";
    else if (!lookUp(library_, "InternetReadFile", internetReadFile_)) missing = "InternetReadFile";
    else if (!lookUp(library_, "InternetGetLastResponseInfoA", internetGetLastResponseInfo_))
      missing = "InternetGetLastResponseInfoA";
    else if (!lookUp(library_, "HttpOpenRequestA", httpOpenRequest_)) missing = "HttpOpenRequestA";
    else if (!lookUp(library_, "HttpSendRequestA", httpSendRequest_)) missing = "HttpSendRequestA";
    else if (!lookUp(library_, "InternetCloseHandle", internetCloseHandle_)) missing = "InternetCloseHandle";
    if (missing) {
      loadMessage_ = std::string("Kunde inte hitta funktionen ") + missing + " i WinInet.dll";
    } else {
      lookUp(library_, "HttpQueryInfoA", httpQueryInfo_);
      ready_ = true;
    }
  }
  // A lookup that failed at the first submission fails every later one: the
  // functions that were not found are never called.
  if (!ready_) {
    message = loadMessage_;
    return false;
  }
  return true;
}

bool WinInetTransport::failed() { return failed(GetLastError()); }

bool WinInetTransport::failed(DWORD error) {
  lastFailure_ = error;
  return false;
}

bool WinInetTransport::openSession(std::string_view agent) {
  if (!ready_) return failed(ERROR_INTERNET_INTERNAL_ERROR);
  closeSession();
  const std::string agentText(agent);
  session_ = internetOpen_(agentText.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  return session_ ? true : failed();
}

bool WinInetTransport::connect(std::string_view host, std::uint16_t port) {
  if (!session_) return failed(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  const std::string hostText(host);
  connection_ = internetConnect_(session_, hostText.c_str(), port, "", "", INTERNET_SERVICE_HTTP, 0, 0);
  return connection_ ? true : failed();
}

bool WinInetTransport::openRequest(std::string_view verb, std::string_view object) {
  if (!connection_) return failed(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  closeRequest();
  sendFailed_ = false;
  const std::string verbText(verb), objectText(object);
  request_ = httpOpenRequest_(connection_, verbText.c_str(), objectText.c_str(), nullptr, nullptr,
                              nullptr, 0, 0);
  return request_ ? true : failed();
}

bool WinInetTransport::send(std::string_view header, std::string_view body) {
  status_ = 0;
  sendFailed_ = true;
  if (!request_) return failed(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  const std::string headerText(header);
  std::string bodyBytes(body);
  if (!httpSendRequest_(request_, headerText.c_str(), clampToDword(headerText.size()),
                        bodyBytes.data(), clampToDword(bodyBytes.size()))) {
    return failed();
  }
  sendFailed_ = false;
  if (!httpQueryInfo_) {
    status_ = 200;
    return true;
  }
  DWORD code = 0;
  DWORD size = sizeof code;
  if (httpQueryInfo_(request_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr)) {
    status_ = static_cast<int>(code);
  }
  return true;
}

bool WinInetTransport::read(char* buffer, std::size_t limit, std::size_t& bytesRead) {
  bytesRead = 0;
  if (!request_) return failed(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  // A request that was never sent has no reply, though InternetReadFile may
  // well report zero bytes read; the send's error is the one to keep.
  if (sendFailed_) return false;
  DWORD got = 0;
  if (!internetReadFile_(request_, buffer, clampToDword(limit), &got)) return failed();
  bytesRead = std::min<std::size_t>(got, limit);
  return true;
}

int WinInetTransport::status() { return status_; }

void WinInetTransport::closeRequest() {
  if (request_) internetCloseHandle_(request_);
  request_ = nullptr;
}

void WinInetTransport::closeConnection() {
  closeRequest();
  if (connection_) internetCloseHandle_(connection_);
  connection_ = nullptr;
}

void WinInetTransport::closeSession() {
  closeConnection();
  if (session_) internetCloseHandle_(session_);
  session_ = nullptr;
}

std::uint32_t WinInetTransport::lastError(std::string& text) {
  text.clear();
  DWORD number = 0;
  if (internetGetLastResponseInfo_) {
    char info[8192] = {};
    DWORD length = sizeof info;
    if (internetGetLastResponseInfo_(&number, info, &length)) {
      text.assign(info, std::min<std::size_t>(length, sizeof info - 1));
    }
  }
  if (number == 0) number = lastFailure_;
  if (text.empty() && number != 0) {
    // WinINet's own error texts live in its module.
    char description[512] = {};
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        library_, number, 0, description, sizeof description, nullptr);
    text.assign(description, std::min<std::size_t>(length, sizeof description - 1));
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (text.empty()) text = "WinINet-fel " + std::to_string(number);
  }
  return number;
}

}  // namespace vilmar
