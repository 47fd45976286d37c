#include "domain/Mailer.h"

#include <curl/curl.h>
#include <sodium.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace kortix {

namespace {

std::int64_t nowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string randomHex(std::size_t bytes) {
  std::string raw(bytes, '\0');
  randombytes_buf(raw.data(), raw.size());
  std::string hex(bytes * 2 + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
  hex.pop_back();
  return hex;
}

std::string base64(std::string_view text) {
  std::string out(sodium_base64_encoded_len(text.size(), sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(out.data(), out.size(), reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                    sodium_base64_VARIANT_ORIGINAL);
  out.pop_back();
  return out;
}

// Header values never carry a line break: an address or subject with one
// could add headers of its own.
std::string oneLine(std::string_view text) {
  std::string out;
  for (const char c : text) out.push_back(c == '\r' || c == '\n' ? ' ' : c);
  return out;
}

class OutboxMailer final : public Mailer {
 public:
  OutboxMailer(std::string dir, std::string from) : dir_(std::move(dir)), from_(std::move(from)) {}

  bool send(const Mail& mail) override {
    std::error_code error;
    std::filesystem::create_directories(dir_, error);
    const std::int64_t now = nowSeconds();
    const std::string name = std::to_string(now) + "-" + randomHex(8);
    const std::string text = composeMessage(from_, mail, now, name + "@kortix");
    const std::filesystem::path temporary = std::filesystem::path(dir_) / ("." + name + ".tmp");
    const std::filesystem::path final = std::filesystem::path(dir_) / (name + ".eml");
    {
      std::ofstream out(temporary, std::ios::binary);
      out << text;
      out.flush();
      if (!out) return false;
    }
    std::filesystem::rename(temporary, final, error);
    return !error;
  }

 private:
  std::string dir_, from_;
};

class SmtpMailer final : public Mailer {
 public:
  SmtpMailer(std::string url, std::string from, std::string user, std::string password)
      : url_(std::move(url)), from_(std::move(from)), user_(std::move(user)), password_(std::move(password)) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
  }

  bool send(const Mail& mail) override {
    const std::int64_t now = nowSeconds();
    const std::string text = composeMessage(from_, mail, now, std::to_string(now) + "-" + randomHex(8) + "@kortix");
    CURL* curl = curl_easy_init();
    if (!curl) return false;
    struct Reader {
      const std::string* text;
      std::size_t at = 0;
    } reader{&text};
    curl_slist* recipients = curl_slist_append(nullptr, ("<" + oneLine(mail.to) + ">").c_str());
    const std::string from = "<" + from_ + ">";
    curl_easy_setopt(curl, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    if (!user_.empty()) {
      curl_easy_setopt(curl, CURLOPT_USERNAME, user_.c_str());
      curl_easy_setopt(curl, CURLOPT_PASSWORD, password_.c_str());
      curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    }
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 20L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_READDATA, &reader);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, +[](char* buffer, std::size_t size, std::size_t count, void* data) {
      auto* r = static_cast<Reader*>(data);
      const std::size_t n = std::min(size * count, r->text->size() - r->at);
      std::copy_n(r->text->data() + r->at, n, buffer);
      r->at += n;
      return n;
    });
    const CURLcode result = curl_easy_perform(curl);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) std::fprintf(stderr, "kortix: mail not sent: %s\n", curl_easy_strerror(result));
    return result == CURLE_OK;
  }

 private:
  std::string url_, from_, user_, password_;
};

}  // namespace

std::string composeMessage(const std::string& from, const Mail& mail, std::int64_t unixSeconds,
                           const std::string& messageId) {
  char date[64];
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm utc{};
  gmtime_r(&t, &utc);
  std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S +0000", &utc);
  std::string text;
  text += "From: Kortix <" + oneLine(from) + ">\r\n";
  text += "To: <" + oneLine(mail.to) + ">\r\n";
  text += "Subject: =?UTF-8?B?" + base64(oneLine(mail.subject)) + "?=\r\n";
  text += std::string("Date: ") + date + "\r\n";
  text += "Message-ID: <" + oneLine(messageId) + ">\r\n";
  text += "MIME-Version: 1.0\r\n";
  text += "Content-Type: text/plain; charset=utf-8\r\n";
  text += "Content-Transfer-Encoding: 8bit\r\n\r\n";
  for (const char c : mail.body) {
    if (c == '\r') continue;
    if (c == '\n') text += "\r\n";
    else text.push_back(c);
  }
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) text += "\r\n";
  return text;
}

std::unique_ptr<Mailer> outboxMailer(std::string dir, std::string from) {
  return std::make_unique<OutboxMailer>(std::move(dir), std::move(from));
}

std::unique_ptr<Mailer> smtpMailer(std::string url, std::string from, std::string user, std::string password) {
  return std::make_unique<SmtpMailer>(std::move(url), std::move(from), std::move(user), std::move(password));
}

}  // namespace kortix
