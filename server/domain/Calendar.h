#pragma once
// Competition days and weeks are Swedish: calendar days in Stockholm time
// (CET, CEST in summer) and ISO weeks.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kortix {

struct LocalDate {
  int year = 1970;
  unsigned month = 1, day = 1;
};

// Seconds east of UTC in Stockholm at that moment: 3600, or 7200 from 01:00
// UTC on the last Sunday of March to 01:00 UTC on the last Sunday of October.
int stockholmOffset(std::int64_t unixSeconds);
LocalDate stockholmDate(std::int64_t unixSeconds);

std::string dayKey(const LocalDate& date);   // "2026-12-08"
std::string weekKey(const LocalDate& date);  // "2026-W50", the ISO week's own year
std::string dayKeyAt(std::int64_t unixSeconds);
std::string weekKeyAt(std::int64_t unixSeconds);

// Checked readings of what a visitor types; nothing for anything else.
std::optional<LocalDate> parseDayKey(std::string_view text);
std::optional<std::string> normaliseWeekKey(std::string_view text);  // "2026-W5" -> "2026-W05"

// The Monday of an ISO week key, and the day before or after a date.
std::optional<LocalDate> mondayOfWeek(std::string_view weekKey);
LocalDate addDays(const LocalDate& date, int days);

// The moment a Swedish day begins (midnight in Stockholm), and the moments a
// day's or a week's list closes (its last second's end), seconds since 1970.
std::int64_t stockholmMidnight(const LocalDate& date);
std::int64_t dayCloses(const LocalDate& date);
std::optional<std::int64_t> weekCloses(std::string_view weekKey);

// How long until a list closes, as its line says: "om 3 h 12 min",
// "om 12 min", "om mindre än en minut" (whole minutes, rounded down).
std::string closesIn(std::int64_t secondsLeft);

// "tisdag 8 december 2026", "vecka 50, 2026".
std::string swedishDay(const LocalDate& date);
std::string swedishWeek(std::string_view weekKey);

}  // namespace kortix
