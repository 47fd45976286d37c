#pragma once
// A request as the handlers see it and the answer they build, independent of
// the server underneath. The accessor names follow the usual HTTP library
// spelling so handlers read the same whichever server carries them.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace kortix {

// Header names compare without regard to case.
struct Caseless {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

using Headers = std::multimap<std::string, std::string, Caseless>;
using Params = std::multimap<std::string, std::string, std::less<>>;

struct Request {
  std::string method;
  std::string path;  // decoded, without the query
  std::string target;  // as sent: path and query, still encoded
  Headers headers;
  Params params;  // from the query and an urlencoded form body
  std::string body;
  std::string remote_addr;  // the peer of the connection

  bool has_header(std::string_view name) const { return headers.find(name) != headers.end(); }
  // The first value of the header, or empty.
  std::string get_header_value(std::string_view name) const;
  bool has_param(std::string_view name) const { return params.find(name) != params.end(); }
  // The first value of the parameter, or empty.
  std::string get_param_value(std::string_view name) const;
};

struct Response {
  int status = 200;
  Headers headers;
  std::string body;
  // A file's bytes kept in a cache: sent as they are, without a copy (a
  // part of them for a range).
  std::shared_ptr<const std::string> shared_body;
  std::size_t shared_offset = 0, shared_length = 0;

  // Adds a header (a second Set-Cookie is a second line); a name or value
  // holding a line break is dropped rather than let split the head.
  void set_header(const std::string& name, const std::string& value);
  std::string get_header_value(std::string_view name) const;
  bool has_header(std::string_view name) const { return headers.find(name) != headers.end(); }
  void set_content(std::string content, const std::string& type);
  void set_shared_content(std::shared_ptr<const std::string> content, const std::string& type);
  // Only length bytes from offset (both within the content).
  void set_shared_part(std::size_t offset, std::size_t length);
  void set_redirect(const std::string& location, int code = 302);
  // The bytes that go out as the body.
  std::string_view content() const {
    return shared_body ? std::string_view(*shared_body).substr(shared_offset, shared_length) : std::string_view(body);
  }
};

// Decodes %XX escapes; with plusIsSpace also '+' (as forms send a space).
// A malformed escape stays as it is.
std::string decodeUrl(std::string_view text, bool plusIsSpace);

// Text as a log line or an operator's terminal may show it: control bytes,
// bytes that are not UTF-8, C1 controls and bidirectional overrides come out
// as \xHH or \u{HHHH}, a backslash as \\. Nothing in it can end a line,
// colour the terminal or turn text around.
std::string escapeForLog(std::string_view text);

// Adds the name=value pairs of a query string or urlencoded form to params.
void parseQuery(std::string_view text, Params& params);

}  // namespace kortix
