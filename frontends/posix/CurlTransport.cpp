#include "frontends/posix/CurlTransport.h"

#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace vilmar {

// The entry points used, looked up by name right after the library is opened.
struct CurlTransport::Api {
  CURL* (*easyInit)() = nullptr;
  CURLcode (*easySetopt)(CURL*, CURLoption, ...) = nullptr;
  CURLcode (*easyPerform)(CURL*) = nullptr;
  CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...) = nullptr;
  void (*easyCleanup)(CURL*) = nullptr;
  const char* (*easyStrerror)(CURLcode) = nullptr;
  curl_slist* (*slistAppend)(curl_slist*, const char*) = nullptr;
  void (*slistFreeAll)(curl_slist*) = nullptr;
};

namespace {

template <typename F>
bool lookUp(void* library, const char* name, F& entry) {
  void* address = dlsym(library, name);
  if (!address) return false;
  static_assert(sizeof(F) == sizeof(void*));
  std::memcpy(&entry, &address, sizeof entry);
  return true;
}

}  // namespace

CurlTransport::CurlTransport(std::string libraryName, std::chrono::milliseconds timeout)
    : libraryName_(std::move(libraryName)), timeout_(timeout) {}

CurlTransport::~CurlTransport() {
  closeSession();
  // The library itself stays loaded until the program ends.
  delete api_;
}

bool CurlTransport::load(std::string& message) {
  if (loadState_ == LoadState::NotTried) {
    loadState_ = LoadState::Failed;
    void* library = dlopen(libraryName_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      loadMessage_ = "Kunde inte hitta " + libraryName_;
    } else {
      auto api = std::make_unique<Api>();
      const char* missing = nullptr;
      if (!lookUp(library, "curl_easy_init", api->easyInit)) missing = "curl_easy_init";
      else if (!lookUp(library, "curl_easy_setopt", api->easySetopt)) missing = "curl_easy_setopt";
      else if (!lookUp(library, "curl_easy_perform", api->easyPerform)) missing = "curl_easy_perform";
      else if (!lookUp(library, "curl_easy_getinfo", api->easyGetinfo)) missing = "curl_easy_getinfo";
      else if (!lookUp(library, "curl_easy_cleanup", api->easyCleanup)) missing = "curl_easy_cleanup";
      else if (!lookUp(library, "curl_easy_strerror", api->easyStrerror)) missing = "curl_easy_strerror";
      else if (!lookUp(library, "curl_slist_append", api->slistAppend)) missing = "curl_slist_append";
      else if (!lookUp(library, "curl_slist_free_all", api->slistFreeAll)) missing = "curl_slist_free_all";
      if (missing) {
        loadMessage_ = std::string("Kunde inte hitta funktionen ") + missing + " i " + libraryName_;
      } else {
        api_ = api.release();
        loadState_ = LoadState::Loaded;
      }
    }
  }
  if (loadState_ != LoadState::Loaded) {
    message = loadMessage_;
    return false;
  }
  return true;
}

bool CurlTransport::fail(std::uint32_t number, std::string text) {
  errorNumber_ = number;
  errorText_ = std::move(text);
  return false;
}

bool CurlTransport::openSession(std::string_view agent) {
  if (!api_) return fail(CURL_ERROR_BASE + CURLE_FAILED_INIT, "libcurl är inte laddat");
  closeSession();
  session_ = api_->easyInit();
  if (!session_) return fail(CURL_ERROR_BASE + CURLE_FAILED_INIT, "curl_easy_init misslyckades");
  agent_ = agent;
  return true;
}

bool CurlTransport::connect(std::string_view host, std::uint16_t port) {
  if (!session_) return fail(CURL_ERROR_BASE + CURLE_FAILED_INIT, "ingen session");
  // Host names and addresses only: anything else would change the URL.
  const bool plainHost = !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '.' || c == '-';
  });
  if (!plainHost || port == 0) return fail(CURL_ERROR_BASE + CURLE_URL_MALFORMAT, "ogiltig värd");
  // Like WinINet, nothing goes on the wire until the request is sent.
  host_ = host;
  port_ = port;
  connected_ = true;
  return true;
}

bool CurlTransport::openRequest(std::string_view verb, std::string_view object) {
  if (!connected_) return fail(CURL_ERROR_BASE + CURLE_FAILED_INIT, "ingen förbindelse");
  if (verb != "POST") return fail(CURL_ERROR_BASE + CURLE_UNSUPPORTED_PROTOCOL, "bara POST");
  if (object.empty() || object.front() != '/' ||
      object.find_first_of(" \r\n") != std::string_view::npos) {
    return fail(CURL_ERROR_BASE + CURLE_URL_MALFORMAT, "ogiltig sökväg");
  }
  object_ = object;
  requestOpen_ = true;
  sendFailed_ = false;
  replied_ = false;
  reply_.clear();
  status_ = 0;
  return true;
}

std::size_t CurlTransport::onData(char* data, std::size_t size, std::size_t count, void* self) {
  auto& transport = *static_cast<CurlTransport*>(self);
  const std::size_t bytes = size * count;
  const std::size_t room = REPLY_KEEP - transport.reply_.size();
  transport.reply_.append(data, std::min(bytes, room));
  if (bytes > room) {
    // Enough of the reply: stop the transfer rather than wait for the rest.
    transport.replyCut_ = true;
    return 0;
  }
  return bytes;
}

bool CurlTransport::send(std::string_view header, std::string_view body) {
  if (!requestOpen_) return fail(CURL_ERROR_BASE + CURLE_FAILED_INIT, "ingen begäran");
  if (header.find_first_of("\r\n") != std::string_view::npos) {
    return fail(CURL_ERROR_BASE + CURLE_BAD_FUNCTION_ARGUMENT, "ogiltigt huvud");
  }
  CURL* curl = session_;
  const Api& api = *api_;
  const std::string url = "http://" + host_ + ":" + std::to_string(port_) + object_;
  curl_slist* headers = api.slistAppend(nullptr, std::string(header).c_str());
  if (headers) {
    curl_slist* more = api.slistAppend(headers, "Expect:");
    if (more) headers = more;
  }
  char errorBuffer[CURL_ERROR_SIZE] = {};

  api.easySetopt(curl, CURLOPT_URL, url.c_str());
  api.easySetopt(curl, CURLOPT_USERAGENT, agent_.c_str());
  api.easySetopt(curl, CURLOPT_POST, 1L);
  api.easySetopt(curl, CURLOPT_POSTFIELDS, body.data());
  api.easySetopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  api.easySetopt(curl, CURLOPT_HTTPHEADER, headers);
  api.easySetopt(curl, CURLOPT_WRITEFUNCTION, &CurlTransport::onData);
  api.easySetopt(curl, CURLOPT_WRITEDATA, this);
  api.easySetopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  api.easySetopt(curl, CURLOPT_NOSIGNAL, 1L);
  api.easySetopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  api.easySetopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout_.count()));
  api.easySetopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout_.count()));

  replyCut_ = false;
  reply_.clear();
  const CURLcode code = api.easyPerform(curl);
  long status = 0;
  api.easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  // The easy handle must not keep pointers to these locals.
  api.easySetopt(curl, CURLOPT_ERRORBUFFER, static_cast<char*>(nullptr));
  api.easySetopt(curl, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
  api.easySetopt(curl, CURLOPT_POSTFIELDS, static_cast<char*>(nullptr));
  api.slistFreeAll(headers);
  status_ = static_cast<int>(status);

  if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && replyCut_)) {
    replied_ = true;
    return true;
  }
  sendFailed_ = true;
  std::string text = errorBuffer[0] ? errorBuffer : api.easyStrerror(code);
  return fail(CURL_ERROR_BASE + static_cast<std::uint32_t>(code), std::move(text));
}

bool CurlTransport::read(char* buffer, std::size_t limit, std::size_t& bytesRead) {
  bytesRead = 0;
  if (!replied_) {
    // After a failed send its error is the one worth keeping.
    if (sendFailed_) return false;
    return fail(CURL_ERROR_BASE + CURLE_RECV_ERROR, "inget svar att läsa");
  }
  bytesRead = std::min(limit, reply_.size());
  std::memcpy(buffer, reply_.data(), bytesRead);
  return true;
}

int CurlTransport::status() { return status_; }

void CurlTransport::closeRequest() {
  requestOpen_ = false;
  replied_ = false;
  reply_.clear();
}

void CurlTransport::closeConnection() {
  closeRequest();
  connected_ = false;
}

void CurlTransport::closeSession() {
  closeConnection();
  if (session_ && api_) api_->easyCleanup(session_);
  session_ = nullptr;
}

std::uint32_t CurlTransport::lastError(std::string& text) {
  text = errorText_;
  return errorNumber_;
}

}  // namespace vilmar
