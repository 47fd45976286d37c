// The read API for fan sites and apps: the lists as JSON under /api/v1/.
// Public data only: rank, nick, score and when it was reached; never an
// address. Any origin may read it (CORS), since it says nothing the pages don't.

#include <nlohmann/json.hpp>

#include <charconv>
#include <ctime>

#include "domain/Calendar.h"
#include "http/WebApp.h"

namespace kortix {

namespace {

constexpr std::size_t API_DEFAULT_COUNT = 10;
constexpr std::size_t API_MAX_COUNT = 100;

std::string utcTime(std::int64_t unixSeconds) {
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc));
}

std::string query(const Request& req, const char* name) {
  std::string value = req.has_param(name) ? req.get_param_value(name) : std::string();
  if (value.size() > 32) value.resize(32);  // nothing valid is longer; the error shows no more
  return value;
}

void answer(Response& res, int status, const nlohmann::json& body, const char* cacheControl) {
  res.status = status;
  res.set_header("Access-Control-Allow-Origin", "*");
  res.set_header("Cache-Control", cacheControl);
  // Nicks are UTF-8 when stored; a byte that is not is shown as U+FFFD, not a failure.
  res.set_content(body.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
                  "application/json; charset=utf-8");
}

void refuse(Response& res, int status, const std::string& message) {
  answer(res, status, {{"error", message}}, "no-store");
}

// A list of today or this week may change any second; an ended one only when
// a member leaves, so it may be kept a few minutes.
const char* cacheFor(bool ended) { return ended ? "public, max-age=300" : "public, max-age=5"; }

}  // namespace

void WebApp::apiTopList(const Request& req, Response& res) {
  const std::string dayParam = query(req, "dag");
  const std::string weekParam = query(req, "vecka");
  const std::string countParam = query(req, "antal");
  std::size_t count = API_DEFAULT_COUNT;
  if (!countParam.empty()) {
    const auto r = std::from_chars(countParam.data(), countParam.data() + countParam.size(), count);
    if (r.ec != std::errc{} || r.ptr != countParam.data() + countParam.size() || count < 1 || count > API_MAX_COUNT)
      return refuse(res, 400, "antal wants a number from 1 to " + std::to_string(API_MAX_COUNT));
  }
  if (!dayParam.empty() && !weekParam.empty()) return refuse(res, 400, "ask for dag or vecka, not both");
  const std::int64_t now = clock_();
  nlohmann::json body;
  std::vector<Ranked> entries;
  bool ended = false;
  if (!weekParam.empty()) {
    const auto week = normaliseWeekKey(weekParam);
    const auto closes = week ? weekCloses(*week) : std::nullopt;
    if (!closes) return refuse(res, 400, "vecka wants an ISO week, YYYY-Www");
    entries = store_.topOfWeek(*week, count, *closes);
    body["week"] = *week;
    body["closes_at"] = utcTime(*closes);
    ended = *week < weekKeyAt(now);
  } else {
    const auto date = dayParam.empty() ? std::optional<LocalDate>(stockholmDate(now)) : parseDayKey(dayParam);
    if (!date) return refuse(res, 400, "dag wants a date, YYYY-MM-DD");
    const std::string day = dayKey(*date);
    entries = store_.topOfDay(day, count, dayCloses(*date));
    body["day"] = day;
    body["closes_at"] = utcTime(dayCloses(*date));
    ended = day < dayKeyAt(now);
  }
  body["ended"] = ended;
  nlohmann::json list = nlohmann::json::array();
  std::size_t rank = 0;
  for (const Ranked& entry : entries)
    list.push_back({{"rank", ++rank},
                    {"nick", entry.nick},
                    {"score", entry.score},
                    {"reached_at", utcTime(entry.at)},
                    {"verified", entry.verified}});
  body["entries"] = std::move(list);
  answer(res, 200, body, cacheFor(ended));
}

void WebApp::apiBonus(const Request&, Response& res) {
  nlohmann::json list = nlohmann::json::array();
  std::size_t rank = 0;
  for (const Referral& r : store_.referrals(API_DEFAULT_COUNT))
    list.push_back({{"rank", ++rank}, {"nick", r.nick}, {"recruited", r.count}});
  answer(res, 200, {{"entries", std::move(list)}}, cacheFor(false));
}

// What a browser asks before a cross-origin request it cannot send plainly.
void WebApp::apiPreflight(const Request&, Response& res) {
  res.status = 204;
  res.set_header("Access-Control-Allow-Origin", "*");
  res.set_header("Access-Control-Allow-Methods", "GET, HEAD");
  res.set_header("Access-Control-Max-Age", "86400");
}

void WebApp::apiNotFound(Response& res) { refuse(res, 404, "no such resource"); }

void WebApp::apiUnavailable(Response& res) {
  res.set_header("Retry-After", "10");
  refuse(res, 503, "temporarily unavailable");
}

}  // namespace kortix
