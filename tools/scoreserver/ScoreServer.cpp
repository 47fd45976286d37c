// The reference high-score server for the tests: listens on the loopback
// address, decodes and checks each posted score form, and answers as the test
// asked. It serves a fixed number of requests and never lives longer than its
// lifetime, so a test that goes wrong cannot leave it behind.
//
//   vilmar-scoreserver [--port N] [--reply MODE] [--delay-ms N] [--user EMAIL]
//                      [--password PW] [--requests N] [--lifetime S] [--record FILE]
//
// MODE: 0 1 2 3 4 (that verdict), version (0 and version line 2), page (a web
// page with status 200), status (a 0 with status 500), big (20000 bytes
// beginning with a 0), drop (close without answering). With --user or
// --password a form from anyone else gets 2, a wrong password 3. The decoded
// form goes to the record file, the password only as "match" or "mismatch".

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>

#include "net/FormCheck.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  int port = 80;
  std::string reply = "0";
  int delayMs = 0;
  std::optional<std::string> user, password;
  int requests = 1;
  int lifetimeSeconds = 20;
  std::string recordPath;
};

Clock::time_point deadline;

int msLeft() {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool waitReadable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, msLeft()) == 1;
}

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

struct Request {
  std::string requestLine;
  std::string agent, contentType;
  std::string body;
  std::string error;
};

Request readRequest(int fd) {
  constexpr std::size_t MAX_REQUEST = 65536;
  Request request;
  std::string data;
  std::size_t headerEnd = std::string::npos;
  std::size_t contentLength = 0;
  for (;;) {
    if (headerEnd == std::string::npos) {
      headerEnd = data.find("\r\n\r\n");
      if (headerEnd != std::string::npos) {
        std::size_t lineStart = data.find("\r\n") + 2;
        request.requestLine = data.substr(0, lineStart - 2);
        bool haveLength = false;
        while (lineStart < headerEnd + 2) {
          const std::size_t lineEnd = data.find("\r\n", lineStart);
          const std::string line = data.substr(lineStart, lineEnd - lineStart);
          lineStart = lineEnd + 2;
          const std::size_t colon = line.find(':');
          if (colon == std::string::npos) continue;
          const std::string name = lower(line.substr(0, colon));
          std::string value = line.substr(colon + 1);
          value.erase(0, value.find_first_not_of(' '));
          if (name == "user-agent") request.agent = value;
          if (name == "content-type") request.contentType = value;
          if (name == "content-length") {
            contentLength = std::strtoul(value.c_str(), nullptr, 10);
            haveLength = true;
          }
        }
        if (!haveLength || contentLength > MAX_REQUEST) {
          request.error = "no usable Content-Length";
          return request;
        }
      }
    }
    if (headerEnd != std::string::npos && data.size() >= headerEnd + 4 + contentLength) {
      request.body = data.substr(headerEnd + 4, contentLength);
      return request;
    }
    if (data.size() > 2 * MAX_REQUEST || !waitReadable(fd)) {
      request.error = "request incomplete";
      return request;
    }
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) {
      request.error = "request incomplete";
      return request;
    }
    data.append(buffer, static_cast<std::size_t>(got));
  }
}

void writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

std::string response(int status, std::string_view type, const std::string& body) {
  const char* reason = status == 200 ? "OK" : status == 400 ? "Bad Request" : "Internal Server Error";
  return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: " +
         std::string(type) + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

void serve(int fd, const Options& options, std::ofstream& record) {
  const Request request = readRequest(fd);
  std::string error = request.error;
  vilmar::FormCheck form;
  if (error.empty() && request.requestLine.rfind("POST /r0002.asp HTTP/1.", 0) != 0)
    error = "request line " + request.requestLine;
  if (error.empty() && request.agent != "RureRora") error = "user agent " + request.agent;
  if (error.empty() && request.contentType != "application/x-www-form-urlencoded")
    error = "content type " + request.contentType;
  if (error.empty()) {
    form = vilmar::checkForm(request.body);
    error = form.error;
  }

  std::string verdict = options.reply;
  if (!error.empty()) {
    verdict = "error";
  } else if (options.user && form.fields["f1"] != *options.user) {
    verdict = "2";
  } else if (options.password && form.fields["f3"] != *options.password) {
    verdict = "3";
  }

  if (record) {
    for (const auto& [key, value] : form.fields) {
      if (key == "f3") continue;
      record << key << '=' << value << '\n';
    }
    if (options.password) {
      record << "password=" << (form.fields["f3"] == *options.password ? "match" : "mismatch") << '\n';
    }
    if (!error.empty()) record << "error=" << error << '\n';
    record << "verdict=" << verdict << "\n\n";
    record.flush();
  }

  if (options.delayMs > 0) poll(nullptr, 0, std::min(options.delayMs, msLeft()));

  if (verdict == "error") writeAll(fd, response(400, "text/plain", "form error: " + error));
  else if (verdict == "version") writeAll(fd, response(200, "text/plain", "0\r\n2\r\n"));
  else if (verdict == "page")
    writeAll(fd, response(200, "text/html", "<html><body><h1>Inloggning</h1></body></html>"));
  else if (verdict == "status") writeAll(fd, response(500, "text/plain", "0"));
  else if (verdict == "big") writeAll(fd, response(200, "text/plain", "0\r\n" + std::string(19997, 'x')));
  else if (verdict == "drop") return;
  else writeAll(fd, response(200, "text/plain", verdict + "\r\n"));
}

std::optional<Options> parseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return std::nullopt;
    const std::string value = argv[++i];
    if (arg == "--port") options.port = std::atoi(value.c_str());
    else if (arg == "--reply") options.reply = value;
    else if (arg == "--delay-ms") options.delayMs = std::atoi(value.c_str());
    else if (arg == "--user") options.user = value;
    else if (arg == "--password") options.password = value;
    else if (arg == "--requests") options.requests = std::atoi(value.c_str());
    else if (arg == "--lifetime") options.lifetimeSeconds = std::atoi(value.c_str());
    else if (arg == "--record") options.recordPath = value;
    else return std::nullopt;
  }
  if (options.port < 0 || options.port > 65535 || options.lifetimeSeconds <= 0) return std::nullopt;
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = parseOptions(argc, argv);
  if (!options) {
    std::fprintf(stderr, "usage: vilmar-scoreserver [--port N] [--reply MODE] [--delay-ms N] "
                         "[--user EMAIL] [--password PW] [--requests N] [--lifetime S] [--record FILE]\n");
    return 2;
  }
  deadline = Clock::now() + std::chrono::seconds(options->lifetimeSeconds);

  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(options->port));
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 4) != 0) {
    std::perror("vilmar-scoreserver: cannot listen");
    return 1;
  }
  socklen_t size = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  std::printf("port %d\n", ntohs(address.sin_port));
  std::fflush(stdout);

  std::ofstream record;
  if (!options->recordPath.empty()) record.open(options->recordPath, std::ios::app);

  for (int served = 0; served < options->requests;) {
    if (!waitReadable(listener)) break;  // lifetime over
    const int client = accept(listener, nullptr, nullptr);
    if (client < 0) continue;
    serve(client, *options, record);
    close(client);
    ++served;
  }
  close(listener);
  return 0;
}
