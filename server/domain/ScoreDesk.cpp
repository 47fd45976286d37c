#include "domain/ScoreDesk.h"

#include <algorithm>
#include <charconv>

#include "domain/Calendar.h"
#include "net/FormCheck.h"

namespace kortix {

namespace {

// The operator's log keeps at most this much of a refused e-mail entry.
constexpr std::size_t LOGGED_EMAIL_MAX = 128;

std::vector<std::string_view> parts(std::string_view version) {
  std::vector<std::string_view> out;
  for (std::size_t start = 0;;) {
    const std::size_t dot = version.find('.', start);
    out.push_back(version.substr(start, dot == std::string_view::npos ? dot : dot - start));
    if (dot == std::string_view::npos) return out;
    start = dot + 1;
  }
}

std::optional<unsigned long long> wholeNumber(std::string_view text) {
  unsigned long long value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

constexpr std::int64_t TICK_MS = 40;
constexpr std::int64_t TICKS_PER_SERVE = 5;
constexpr std::int64_t CUSTOMER_POINTS_MAX = 10 + 54000;
constexpr std::int64_t CLEAR_BONUS = 100;

}  // namespace

std::int64_t reachableScore(std::int32_t playTime) {
  const std::int64_t ticks = static_cast<std::int64_t>(static_cast<std::uint32_t>(playTime)) / TICK_MS + 1;
  return (ticks / TICKS_PER_SERVE + 1) * (CUSTOMER_POINTS_MAX + CLEAR_BONUS);
}

std::string ScoreReply::body() const {
  std::string text = std::to_string(code) + "\r\n";
  if (newerVersion) text += std::to_string(VERSION_NEWER_EXISTS) + "\r\n";
  return text;
}

bool olderVersion(std::string_view a, std::string_view b) {
  const auto pa = parts(a), pb = parts(b);
  for (std::size_t i = 0; i < std::max(pa.size(), pb.size()); ++i) {
    const std::string_view x = i < pa.size() ? pa[i] : "0";
    const std::string_view y = i < pb.size() ? pb[i] : "0";
    const auto nx = wholeNumber(x), ny = wholeNumber(y);
    if (nx && ny) {
      if (*nx != *ny) return *nx < *ny;
    } else if (x != y) {
      return x < y;
    }
  }
  return false;
}

bool newerBuildExists(const std::vector<Build>& builds, std::uint32_t integrity, std::uint32_t length) {
  const Build* mine = nullptr;
  for (const Build& b : builds)
    if (b.integrity == integrity && b.length == length) mine = &b;
  if (!mine) return false;  // an unknown build (a developer's own) is never told to update
  for (const Build& b : builds)
    if (b.platform == mine->platform && olderVersion(mine->version, b.version)) return true;
  return false;
}

void ScoreDesk::refuse(const std::string& address, const std::string& reason, const std::string& email,
                       std::int64_t userId, std::int32_t score, std::int64_t now) {
  store_.addRejected({now, address, reason, email.substr(0, LOGGED_EMAIL_MAX), userId, score});
}

ScoreReply ScoreDesk::submit(std::string_view body, const std::string& address) {
  const std::int64_t now = clock_();
  // A sender who keeps posting broken forms is turned away before the log fills.
  if (!auth_.limiter().allowed(address, now)) return {ScoreReply::Kind::Limited};

  const vilmar::FormCheck form = vilmar::checkForm(body);
  const auto field = [&](const char* key) {
    const auto it = form.fields.find(key);
    return it == form.fields.end() ? std::string() : it->second;
  };
  // The check has read the entries from the game's Windows-1252 into UTF-8.
  const std::string email = field("f1");
  if (!form.error.empty()) {
    auth_.limiter().failed(address, now);
    refuse(address, "malformed: " + form.error, email, 0, 0, now);
    return {ScoreReply::Kind::Verdict, CODE_REFUSED};
  }

  const std::string password = field("f3");
  const SignInResult signIn = auth_.signIn(email, password, address, now);
  switch (signIn.outcome) {
    case SignIn::Limited: return {ScoreReply::Kind::Limited};
    case SignIn::Busy: return {ScoreReply::Kind::Busy};
    case SignIn::UnknownEmail: return {ScoreReply::Kind::Verdict, CODE_UNKNOWN_EMAIL};
    case SignIn::WrongPassword: return {ScoreReply::Kind::Verdict, CODE_WRONG_PASSWORD};
    case SignIn::Ok: break;
  }
  const User& user = *signIn.user;
  if (form.score < 0) {
    refuse(address, "tampered", email, user.id, form.score, now);
    return {ScoreReply::Kind::Verdict, CODE_REFUSED};
  }
  if (form.score > reachableScore(form.playTime)) {
    refuse(address, "faster than the rules allow (" + std::to_string(form.playTime) + " ms)", email, user.id,
           form.score, now);
    return {ScoreReply::Kind::Verdict, CODE_REFUSED};
  }
  // A form with its recorded game stands or falls with the game played again.
  if (form.hasReplay) {
    const ReplayRuling ruling = replays_.judge(form.replay, form.score, form.playTime, address);
    if (ruling.kind == ReplayRuling::Kind::Busy) return {ScoreReply::Kind::Busy};
    if (ruling.kind == ReplayRuling::Kind::Refused) {
      refuse(address, ruling.reason, email, user.id, form.score, now);
      return {ScoreReply::Kind::Verdict, CODE_REFUSED};
    }
  }

  ScoreEntry entry;
  entry.userId = user.id;
  entry.score = form.score;
  entry.playTime = form.playTime;
  entry.day = dayKeyAt(now);
  entry.week = weekKeyAt(now);
  entry.at = now;
  entry.integrity = form.integrity;
  entry.length = form.length;
  // Only a replay that verified gets this far with one.
  entry.verified = form.hasReplay;
  if (form.hasReplay) {
    entry.replaySha256 = replaySha256(form.replay);
    entry.replay.assign(form.replay.begin(), form.replay.end());
  }
  const PreviousBests before = store_.addScore(entry);
  if (before.replayTaken) {
    // Someone else's game re-sent as one's own.
    refuse(address, "replay: already counts for another member (" + entry.replaySha256 + ")", email, user.id,
           form.score, now);
    return {ScoreReply::Kind::Verdict, CODE_REFUSED};
  }
  const bool best = !before.day || !before.week || form.score > *before.day || form.score > *before.week;

  ScoreReply reply{ScoreReply::Kind::Verdict, best ? CODE_BEST : CODE_ACCEPTED};
  reply.newerVersion = newerBuildExists(store_.builds(), form.integrity, form.length);
  return reply;
}

}  // namespace kortix
