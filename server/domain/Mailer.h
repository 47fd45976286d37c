#pragma once
// Mail to members: reset links and invitations. Over SMTP to a relay when one
// is configured, otherwise as .eml files in an outbox folder.

#include <cstdint>
#include <memory>
#include <string>

namespace kortix {

struct Mail {
  std::string to;
  std::string subject;  // UTF-8
  std::string body;     // UTF-8 text, LF line ends
};

class Mailer {
 public:
  virtual ~Mailer() = default;
  // Whether the mail was handed over (written, or taken by the relay).
  virtual bool send(const Mail& mail) = 0;
};

// The message as RFC 5322 text with CRLF line ends, subject encoded.
std::string composeMessage(const std::string& from, const Mail& mail, std::int64_t unixSeconds,
                           const std::string& messageId);

// Writes each mail whole to DIR/<time>-<random>.eml (via a temporary name, so
// a reader never sees half a mail).
std::unique_ptr<Mailer> outboxMailer(std::string dir, std::string from);
// smtp://host:port (or smtps://); user and password optional.
std::unique_ptr<Mailer> smtpMailer(std::string url, std::string from, std::string user, std::string password);

}  // namespace kortix
