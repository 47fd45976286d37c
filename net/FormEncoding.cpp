#include "net/FormEncoding.h"

#include <limits>

namespace vilmar {

namespace {

constexpr char HEX_DIGITS[] = "0123456789ABCDEF";

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

}  // namespace

std::string encodeField(std::string_view in) {
  std::string out;
  out.reserve(in.size() * 2);
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(static_cast<std::uint8_t>(in[i]) ^ fieldKey[i % 8]);
    out.push_back(HEX_DIGITS[byte >> 4]);
    out.push_back(HEX_DIGITS[byte & 0x0F]);
  }
  return out;
}

std::optional<std::string> decodeField(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = hexValue(hex[i]);
    const int low = hexValue(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    const std::size_t index = i / 2;
    out.push_back(static_cast<char>((high << 4 | low) ^ fieldKey[index % 8]));
  }
  return out;
}

void trimBlanks(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && isBlank(text[end - 1])) --end;
  std::size_t begin = 0;
  while (begin < end && isBlank(text[begin])) ++begin;
  text = text.substr(begin, end - begin);
}

std::string formBody(const ScoreSubmission& submission, const MachineFacts& facts) {
  const std::string score = std::to_string(submission.sentScore);
  // "%d" of the unsigned length plus the score: the sum wraps at 32 bits.
  const auto lengthPlusScore = static_cast<std::int32_t>(
      facts.length + static_cast<std::uint32_t>(submission.sentScore));

  std::string body;
  body += "f1=" + encodeField(submission.email.view());
  body += "&f2=" + std::to_string(submission.gameId);
  body += "&f3=" + encodeField(submission.password.view());
  body += "&f4=" + encodeField(score);
  body += "&f5=" + encodeField(std::to_string(submission.playTime));
  body += "&f6=" + encodeField(std::to_string(facts.speed));
  body += "&f7=" + encodeField(facts.cpu);
  body += "&f8=" + encodeField(std::to_string(facts.integrity));
  body += "&f9=" + encodeField(std::to_string(facts.length));
  body += "&fa=" + encodeField(score + submission.email.str());
  body += "&fb=" + encodeField(std::to_string(lengthPlusScore));
  if (!submission.replay.empty()) {
    static constexpr char HEX[] = "0123456789abcdef";
    body.reserve(body.size() + 4 + 2 * submission.replay.size());
    body += "&fr=";
    for (const std::uint8_t b : submission.replay) {
      body += HEX[b >> 4];
      body += HEX[b & 15];
    }
  }
  return body;
}

std::optional<std::int32_t> leadingNumber(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
  constexpr std::int64_t LIMIT = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < LIMIT) value = value * 10 + (text[i] - '0');
  }
  if (value > LIMIT) value = LIMIT;
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(value == LIMIT ? LIMIT - 1 : value);
}

void parseReply(std::string_view bytes, int httpStatus, ScoreSubmission& submission) {
  std::string text(bytes);
  trimBlanks(text);
  submission.message.assign(std::string_view(text).substr(0, ScoreSubmission::REPLY_MESSAGE_MAX));

  const std::optional<std::int32_t> code = leadingNumber(text);
  if (!code || httpStatus != 200) {
    submission.resultCode = RESULT_BAD_REPLY;
    return;
  }
  submission.resultCode = *code;
  const std::size_t lineFeed = text.find('\n');
  submission.versionCode =
      lineFeed == std::string::npos ? 0
                                    : leadingNumber(std::string_view(text).substr(lineFeed + 1)).value_or(0);
}

}  // namespace vilmar
