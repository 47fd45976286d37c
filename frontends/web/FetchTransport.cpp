#include "frontends/web/FetchTransport.h"

#include <algorithm>
#include <cstring>

namespace vilmar::web {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> parseHeaderLines(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> headers;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = trim(line.substr(0, colon));
    if (name.empty() || name.find_first_of(" \t") != std::string_view::npos) continue;
    headers.emplace_back(name, trim(line.substr(colon + 1)));
  }
  return headers;
}

bool FetchTransport::fail(std::uint32_t number, std::string text) {
  errorNumber_ = number;
  errorText_ = std::move(text);
  return false;
}

bool FetchTransport::load(std::string& message) {
  message.clear();
  if (fetch_) return true;
  message = "webbläsaren kan inte skicka";
  return false;
}

bool FetchTransport::openSession(std::string_view agent) {
  agent_ = agent;
  session_ = true;
  return true;
}

bool FetchTransport::connect(std::string_view, std::uint16_t) {
  if (!session_) return fail(FETCH_ERROR_ORDER, "ingen session");
  connected_ = true;
  return true;
}

bool FetchTransport::openRequest(std::string_view verb, std::string_view object) {
  if (!connected_) return fail(FETCH_ERROR_ORDER, "ingen förbindelse");
  // Only a path on the page's own site: no scheme, no host.
  if (object.empty() || object.front() != '/' || object.substr(0, 2) == "//") {
    return fail(FETCH_ERROR_ORDER, "ogiltig sökväg");
  }
  request_ = FetchRequest{std::string(verb), std::string(object), {}, {}};
  requestOpen_ = true;
  replied_ = false;
  errorNumber_ = 0;
  errorText_.clear();
  reply_.clear();
  status_ = 0;
  return true;
}

bool FetchTransport::send(std::string_view header, std::string_view body) {
  if (!requestOpen_) return fail(FETCH_ERROR_ORDER, "ingen begäran");
  request_.headers = parseHeaderLines(header);
  if (!agent_.empty()) request_.headers.emplace_back(AGENT_HEADER, agent_);
  request_.body = body;
  FetchReply reply = fetch_(request_);
  if (!reply.delivered) {
    return fail(FETCH_ERROR_NETWORK, reply.error.empty() ? std::string("inget svar") : reply.error);
  }
  status_ = reply.status;
  reply_ = std::move(reply.body);
  if (reply_.size() > REPLY_KEEP) reply_.resize(REPLY_KEEP);
  replied_ = true;
  return true;
}

bool FetchTransport::read(char* buffer, std::size_t limit, std::size_t& bytesRead) {
  bytesRead = 0;
  if (!replied_) {
    // After a failed send its error is the one worth keeping.
    if (errorNumber_ == FETCH_ERROR_NETWORK) return false;
    return fail(FETCH_ERROR_ORDER, "inget svar att läsa");
  }
  bytesRead = std::min(limit, reply_.size());
  if (bytesRead > 0) std::memcpy(buffer, reply_.data(), bytesRead);
  return true;
}

void FetchTransport::closeRequest() {
  requestOpen_ = false;
  replied_ = false;
  reply_.clear();
}

void FetchTransport::closeConnection() {
  closeRequest();
  connected_ = false;
}

void FetchTransport::closeSession() {
  closeConnection();
  session_ = false;
  errorNumber_ = 0;
  errorText_.clear();
}

std::uint32_t FetchTransport::lastError(std::string& text) {
  text = errorText_;
  return errorNumber_;
}

}  // namespace vilmar::web
