#pragma once
// What the tests do to a running service as its users would: the game posts
// its form, a browser joins through the registration form.

#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "net/FormEncoding.h"
#include "net/Windows1252.h"

namespace kortix::test {

// The game's form, the entries given in UTF-8 and sent as the game does (Windows-1252).
inline std::string gameForm(const std::string& email, const std::string& password, std::int32_t score,
                            vilmar::MachineFacts facts = {1999, "CPU INTEL PENTIUM", 77, 5000}) {
  vilmar::ScoreSubmission s;
  s.email.assign(vilmar::utf8ToWindows1252(email).value_or(email));
  s.password.assign(vilmar::utf8ToWindows1252(password).value_or(password));
  s.sentScore = score;
  s.playTime = 61000;
  return vilmar::formBody(s, facts);
}

// Joins through the registration page: its cookie and token, then the post.
inline bool joinOnTheWeb(int port, const std::string& email, const std::string& nick, const std::string& password) {
  httplib::Client c("127.0.0.1", port);
  const auto form = c.Get("/registrera/");
  if (!form) return false;
  std::smatch cookie, token;
  const std::string setCookie = form->get_header_value("Set-Cookie");
  if (!std::regex_search(setCookie, cookie, std::regex("kortix_csrf=([0-9a-f]+)")) ||
      !std::regex_search(form->body, token, std::regex("name=\"csrf\" value=\"([0-9a-f]+)\"")))
    return false;
  const auto res = c.Post("/registrera/", {{"Cookie", "kortix_csrf=" + std::string(cookie[1])}},
                          httplib::Params{{"csrf", token[1]}, {"email", email}, {"nick", nick},
                                          {"password", password}, {"password2", password}, {"rules", "ja"}});
  return res && res->status == 200 && res->body.find("Välkommen") != std::string::npos;
}

// Follows the confirmation link mailed to the address into the service's
// outbox (VAR/outbox), as the new member would.
inline bool confirmOnTheWeb(int port, const std::string& varDir, const std::string& email) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(varDir + "/outbox", error)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string mail = text.str();
    std::smatch link;
    if (mail.find("To: <" + email + ">") == std::string::npos ||
        !std::regex_search(mail, link, std::regex("/bekrafta/\\?t=[0-9a-f]{64}")))
      continue;
    httplib::Client c("127.0.0.1", port);
    const auto res = c.Get(link[0].str().c_str());
    return res && res->status == 200;
  }
  return false;
}

}  // namespace kortix::test
