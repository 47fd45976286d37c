#include "http/Message.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

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
  shared_offset = 0;
  shared_length = shared_body ? shared_body->size() : 0;
  headers.erase("Content-Type");
  set_header("Content-Type", type);
}

void Response::set_shared_part(std::size_t offset, std::size_t length) {
  const std::size_t size = shared_body ? shared_body->size() : 0;
  shared_offset = std::min(offset, size);
  shared_length = std::min(length, size - shared_offset);
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

std::string escapeForLog(std::string_view text) {
  static const char* const HEX = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  const auto byte = [&](unsigned char c) {
    out += "\\x";
    out += HEX[c >> 4];
    out += HEX[c & 15];
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\\') {
      out += "\\\\";
      ++i;
    } else if (c < 0x20 || c == 0x7f) {
      byte(c);
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else {
      // A whole UTF-8 character, or its first byte escaped.
      const std::size_t n = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 ? 2 : 0;
      std::uint32_t code = n == 4 ? c & 0x07u : n == 3 ? c & 0x0fu : c & 0x1fu;
      bool ok = n != 0 && i + n <= text.size();
      for (std::size_t k = 1; ok && k < n; ++k) {
        const auto t = static_cast<unsigned char>(text[i + k]);
        ok = (t & 0xc0) == 0x80;
        code = (code << 6) | (t & 0x3fu);
      }
      ok = ok && !(n == 3 && code < 0x800) && !(n == 4 && (code < 0x10000 || code > 0x10ffff)) &&
           !(code >= 0xd800 && code <= 0xdfff);
      if (!ok) {
        byte(c);
        ++i;
        continue;
      }
      const bool control = code < 0xa0 || (code >= 0x202a && code <= 0x202e) || (code >= 0x2066 && code <= 0x2069) ||
                           code == 0x200e || code == 0x200f || code == 0x061c || code == 0x2028 || code == 0x2029;
      if (control) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "\\u{%04x}", static_cast<unsigned>(code));
        out += buffer;
      } else {
        out.append(text.substr(i, n));
      }
      i += n;
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
