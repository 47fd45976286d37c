#include "domain/Entries.h"

#include <cstdint>

#include "net/Windows1252.h"

namespace kortix {

namespace {

// Control characters (C0, DEL and C1) have no place in any entry.
bool hasControl(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x20 || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < utf8.size()) {
      const auto next = static_cast<unsigned char>(utf8[i + 1]);
      if (next >= 0x80 && next < 0xA0) return true;
    }
  }
  return false;
}

// Characters that turn the direction of the text around them (embeddings,
// overrides, isolates and the direction marks): a nick holding one could
// make a list, a mail or the operator's output read differently from what it is.
bool hasBidiControl(std::string_view utf8) {
  for (std::size_t i = 0; i + 1 < utf8.size(); ++i) {
    const auto a = static_cast<unsigned char>(utf8[i]), b = static_cast<unsigned char>(utf8[i + 1]);
    if (a == 0xD8 && b == 0x9C) return true;  // U+061C
    if (i + 2 >= utf8.size() || a != 0xE2) continue;
    const auto c = static_cast<unsigned char>(utf8[i + 2]);
    if (b == 0x80 && (c == 0x8E || c == 0x8F || (c >= 0xAA && c <= 0xAE))) return true;  // U+200E-F, U+202A-E
    if (b == 0x81 && c >= 0xA6 && c <= 0xA9) return true;                                 // U+2066-9
  }
  return false;
}

}  // namespace

bool validUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t extra = 0;
    std::uint32_t cp = 0, minimum = 0;
    if ((lead & 0xE0) == 0xC0) { extra = 1; cp = lead & 0x1Fu; minimum = 0x80; }
    else if ((lead & 0xF0) == 0xE0) { extra = 2; cp = lead & 0x0Fu; minimum = 0x800; }
    else if ((lead & 0xF8) == 0xF0) { extra = 3; cp = lead & 0x07u; minimum = 0x10000; }
    else return false;
    if (i + extra >= text.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string trimmed(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t' || text[begin] == '\r' || text[begin] == '\n'))
    ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r' || text[end - 1] == '\n'))
    --end;
  return std::string(text.substr(begin, end - begin));
}

std::string foldKey(std::string_view text) {
  std::string key(text);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

std::optional<std::string> emailProblem(std::string_view email) {
  if (email.empty()) return "Skriv din e-mailadress.";
  if (!validUtf8(email) || hasControl(email)) return "E-mailadressen innehåller otillåtna tecken.";
  if (vilmar::utf8Length(email) > EMAIL_MAX)
    return "E-mailadressen får vara högst 64 tecken lång, så att spelet kan skicka den.";
  if (!vilmar::utf8ToWindows1252(email)) return "E-mailadressen innehåller tecken som spelet inte kan skicka.";
  const std::size_t at = email.find('@');
  if (at == std::string_view::npos || at == 0 || email.find('@', at + 1) != std::string_view::npos ||
      email.find(' ') != std::string_view::npos)
    return "Det där ser inte ut som en e-mailadress.";
  const std::string_view domain = email.substr(at + 1);
  const std::size_t dot = domain.find('.');
  if (domain.empty() || dot == 0 || dot == std::string_view::npos || domain.back() == '.')
    return "Det där ser inte ut som en e-mailadress.";
  return std::nullopt;
}

std::optional<std::string> passwordProblem(std::string_view password) {
  if (!validUtf8(password) || hasControl(password)) return "Lösenordet innehåller otillåtna tecken.";
  const std::size_t length = vilmar::utf8Length(password);
  if (length < PASSWORD_MIN) return "Lösenordet måste vara minst 6 tecken långt.";
  if (length > PASSWORD_MAX)
    return "Lösenordet får vara högst 16 tecken långt, så att spelet kan skicka det.";
  if (!vilmar::utf8ToWindows1252(password)) return "Lösenordet innehåller tecken som spelet inte kan skicka.";
  return std::nullopt;
}

std::optional<std::string> nickProblem(std::string_view nick) {
  if (!validUtf8(nick) || hasControl(nick) || hasBidiControl(nick)) return "Smeknamnet innehåller otillåtna tecken.";
  const std::size_t length = vilmar::utf8Length(nick);
  if (length < NICK_MIN) return "Smeknamnet måste vara minst 2 tecken långt.";
  if (length > NICK_MAX) return "Smeknamnet får vara högst 24 tecken långt.";
  return std::nullopt;
}

}  // namespace kortix
