#include "http/Message.h"

#include <algorithm>

namespace kortix {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool breaksLine(std::string_view text) { return text.find_first_of("\r\n", 0) != std::string_view::npos; }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool Caseless::operator()(std::string_view a, std::string_view b) const {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char x = lower(a[i]), y = lower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  return a.size() < b.size();
}

std::string Request::get_header_value(std::string_view name) const {
  const auto it = headers.find(name);
  return it == headers.end() ? std::string() : it->second;
}

std::string Request::get_param_value(std::string_view name) const {
  const auto it = params.find(name);
  return it == params.end() ? std::string() : it->second;
}

void Response::set_header(const std::string& name, const std::string& value) {
  if (breaksLine(name) || breaksLine(value)) return;
  headers.emplace(name, value);
}

std::string Response::get_header_value(std::string_view name) const {
  const auto it = headers.find(name);
  return it == headers.end() ? std::string() : it->second;
}

void Response::set_content(std::string content, const std::string& type) {
  body = std::move(content);
  shared_body.reset();
  headers.erase("Content-Type");
  set_header("Content-Type", type);
}

void Response::set_shared_content(std::shared_ptr<const std::string> content, const std::string& type) {
  body.clear();
  shared_body = std::move(content);
  headers.erase("Content-Type");
  set_header("Content-Type", type);
}

void Response::set_redirect(const std::string& location, int code) {
  if (breaksLine(location)) return;
  headers.erase("Location");
  headers.emplace("Location", location);
  status = code >= 300 && code < 400 ? code : 302;
}

std::string decodeUrl(std::string_view text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
      i += 2;
    } else if (c == '+' && plusIsSpace) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

void parseQuery(std::string_view text, Params& params) {
  while (!text.empty()) {
    const std::size_t amp = text.find('&');
    const std::string_view pair = text.substr(0, amp);
    const std::size_t eq = pair.find('=');
    const std::string_view key = pair.substr(0, eq);
    if (!key.empty())
      params.emplace(decodeUrl(key, true), eq == std::string_view::npos ? std::string() : decodeUrl(pair.substr(eq + 1), true));
    if (amp == std::string_view::npos) break;
    text.remove_prefix(amp + 1);
  }
}

}  // namespace kortix
