#include "domain/Calendar.h"

#include <array>
#include <chrono>
#include <cstdio>

namespace kortix {

namespace {

using namespace std::chrono;

sys_days toDays(const LocalDate& d) {
  return sys_days{year{d.year} / month{d.month} / day{d.day}};
}

LocalDate fromDays(sys_days days) {
  const year_month_day ymd{days};
  return {static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day())};
}

// 01:00 UTC on the last Sunday of the month, as seconds since 1970.
std::int64_t lastSundayOneUtc(int y, unsigned m) {
  const sys_days last = sys_days{year{y} / month{m} / std::chrono::last};
  const sys_days sunday = last - (weekday{last} - Sunday);
  return static_cast<std::int64_t>(sunday.time_since_epoch().count()) * 86400 + 3600;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// ISO year and week of a date.
std::pair<int, unsigned> isoWeek(const LocalDate& date) {
  const sys_days d = toDays(date);
  // The Thursday of this week decides the year.
  const unsigned iso = weekday{d}.iso_encoding();  // Monday 1 .. Sunday 7
  const sys_days thursday = d + days{4 - static_cast<int>(iso)};
  const int isoYear = static_cast<int>(year_month_day{thursday}.year());
  const sys_days firstJan = sys_days{year{isoYear} / January / 1};
  const auto week = static_cast<unsigned>((thursday - firstJan).count() / 7 + 1);
  return {isoYear, week};
}

unsigned weeksInYear(int isoYear) {
  // 28 December is always in the last week of its ISO year.
  return isoWeek(LocalDate{isoYear, 12, 28}).second;
}

bool digits(std::string_view text) {
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return !text.empty();
}

int number(std::string_view text) {
  int value = 0;
  for (const char c : text) value = value * 10 + (c - '0');
  return value;
}

}  // namespace

int stockholmOffset(std::int64_t unixSeconds) {
  // The year in UTC is close enough: the switches are far from new year.
  const auto days = sys_days{std::chrono::days{floorDiv(unixSeconds, 86400)}};
  const int y = static_cast<int>(year_month_day{days}.year());
  const bool summer = unixSeconds >= lastSundayOneUtc(y, 3) && unixSeconds < lastSundayOneUtc(y, 10);
  return summer ? 7200 : 3600;
}

LocalDate stockholmDate(std::int64_t unixSeconds) {
  const std::int64_t local = unixSeconds + stockholmOffset(unixSeconds);
  return fromDays(sys_days{std::chrono::days{floorDiv(local, 86400)}});
}

std::string dayKey(const LocalDate& date) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", date.year, date.month, date.day);
  return text;
}

std::string weekKey(const LocalDate& date) {
  const auto [isoYear, week] = isoWeek(date);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-W%02u", isoYear, week);
  return text;
}

std::string dayKeyAt(std::int64_t unixSeconds) { return dayKey(stockholmDate(unixSeconds)); }
std::string weekKeyAt(std::int64_t unixSeconds) { return weekKey(stockholmDate(unixSeconds)); }

std::optional<LocalDate> parseDayKey(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  if (!digits(text.substr(0, 4)) || !digits(text.substr(5, 2)) || !digits(text.substr(8, 2))) return std::nullopt;
  const LocalDate date{number(text.substr(0, 4)), static_cast<unsigned>(number(text.substr(5, 2))),
                       static_cast<unsigned>(number(text.substr(8, 2)))};
  if (date.year < 1970 || !year_month_day{year{date.year} / month{date.month} / day{date.day}}.ok())
    return std::nullopt;
  return date;
}

std::optional<std::string> normaliseWeekKey(std::string_view text) {
  if (text.size() < 7 || text.size() > 8 || text[4] != '-' || (text[5] != 'W' && text[5] != 'w'))
    return std::nullopt;
  if (!digits(text.substr(0, 4)) || !digits(text.substr(6))) return std::nullopt;
  const int y = number(text.substr(0, 4));
  const int w = number(text.substr(6));
  if (y < 1970 || w < 1 || static_cast<unsigned>(w) > weeksInYear(y)) return std::nullopt;
  char key[32];
  std::snprintf(key, sizeof key, "%04d-W%02d", y, w);
  return std::string(key);
}

std::optional<LocalDate> mondayOfWeek(std::string_view key) {
  const auto normal = normaliseWeekKey(key);
  if (!normal) return std::nullopt;
  const int y = number(std::string_view(*normal).substr(0, 4));
  const int w = number(std::string_view(*normal).substr(6));
  // Week 1 holds 4 January.
  const sys_days jan4 = sys_days{year{y} / January / 4};
  const sys_days monday1 = jan4 - (weekday{jan4} - Monday);
  return fromDays(monday1 + days{7 * (w - 1)});
}

LocalDate addDays(const LocalDate& date, int n) { return fromDays(toDays(date) + days{n}); }

std::int64_t stockholmMidnight(const LocalDate& date) {
  const std::int64_t utcMidnight = static_cast<std::int64_t>(toDays(date).time_since_epoch().count()) * 86400;
  // Clocks change at 01:00 UTC, so two hours before UTC midnight the offset
  // is the one of Stockholm's midnight.
  return utcMidnight - stockholmOffset(utcMidnight - 7200);
}

std::int64_t dayCloses(const LocalDate& date) { return stockholmMidnight(addDays(date, 1)); }

std::optional<std::int64_t> weekCloses(std::string_view key) {
  const auto monday = mondayOfWeek(key);
  if (!monday) return std::nullopt;
  return stockholmMidnight(addDays(*monday, 7));
}

std::string closesIn(std::int64_t secondsLeft) {
  const std::int64_t minutes = secondsLeft / 60;
  if (minutes <= 0) return "om mindre än en minut";
  if (minutes < 60) return "om " + std::to_string(minutes) + " min";
  return "om " + std::to_string(minutes / 60) + " h " + std::to_string(minutes % 60) + " min";
}

std::string swedishDay(const LocalDate& date) {
  static constexpr std::array<const char*, 7> WEEKDAYS = {"söndag", "måndag", "tisdag", "onsdag",
                                                          "torsdag", "fredag", "lördag"};
  static constexpr std::array<const char*, 12> MONTHS = {"januari", "februari", "mars",     "april",
                                                         "maj",     "juni",     "juli",     "augusti",
                                                         "september", "oktober", "november", "december"};
  const unsigned wd = weekday{toDays(date)}.c_encoding();
  return std::string(WEEKDAYS[wd]) + " " + std::to_string(date.day) + " " + MONTHS[date.month - 1] + " " +
         std::to_string(date.year);
}

std::string swedishWeek(std::string_view key) {
  const auto normal = normaliseWeekKey(key);
  if (!normal) return std::string(key);
  return "vecka " + std::to_string(number(std::string_view(*normal).substr(6))) + ", " + normal->substr(0, 4);
}

}  // namespace kortix
