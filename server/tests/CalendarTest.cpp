// Swedish days and ISO weeks: the lists turn over at midnight in Stockholm.

#include <gtest/gtest.h>

#include "Operator.h"
#include "domain/Calendar.h"

namespace kortix {
namespace {

TEST(Calendar, DaysTurnAtStockholmMidnightInWinterAndSummer) {
  // 2026-12-07 22:59:59 UTC is 23:59:59 in Stockholm (CET).
  EXPECT_EQ(dayKeyAt(1796684399), "2026-12-07");
  EXPECT_EQ(dayKeyAt(1796684400), "2026-12-08");
  // 2026-07-01 21:59:59 UTC is 23:59:59 (CEST); a second later it is the 2nd.
  EXPECT_EQ(dayKeyAt(1782943199), "2026-07-01");
  EXPECT_EQ(dayKeyAt(1782943200), "2026-07-02");
}

TEST(Calendar, SummerTimeStartsAndEndsAtOneUtcOnTheLastSundays) {
  // 2026-03-29 01:00 UTC and 2026-10-25 01:00 UTC.
  EXPECT_EQ(stockholmOffset(1774746000 - 1), 3600);
  EXPECT_EQ(stockholmOffset(1774746000), 7200);
  EXPECT_EQ(stockholmOffset(1792890000 - 1), 7200);
  EXPECT_EQ(stockholmOffset(1792890000), 3600);
}

TEST(Calendar, IsoWeeksBelongToTheYearOfTheirThursday) {
  EXPECT_EQ(weekKey({2026, 12, 8}), "2026-W50");
  EXPECT_EQ(weekKey({2027, 1, 1}), "2026-W53");  // 2026 has 53 weeks
  EXPECT_EQ(weekKey({2025, 12, 29}), "2026-W01");
  EXPECT_EQ(weekKey({2021, 1, 3}), "2020-W53");
  EXPECT_EQ(dayKey(*mondayOfWeek("2026-W01")), "2025-12-29");
  EXPECT_EQ(dayKey(*mondayOfWeek("2026-w5")), "2026-01-26");
}

TEST(Calendar, ReadsOnlyRealDatesAndWeeks) {
  EXPECT_TRUE(parseDayKey("2026-02-28"));
  for (const char* bad : {"2026-02-29", "2026-13-01", "2026-1-01", "26-01-01", "2026-01-01x", "", "'; DROP--"})
    EXPECT_FALSE(parseDayKey(bad)) << bad;
  EXPECT_EQ(normaliseWeekKey("2026-W53"), "2026-W53");
  for (const char* bad : {"2025-W53", "2026-W00", "2026-W54", "2026W50", "2026-X50", "2026-W5000"})
    EXPECT_FALSE(normaliseWeekKey(bad)) << bad;
}

TEST(Calendar, SwedishNames) {
  EXPECT_EQ(swedishDay({2026, 12, 8}), "tisdag 8 december 2026");
  EXPECT_EQ(swedishWeek("2026-W05"), "vecka 5, 2026");
}

TEST(Csv, QuotesAndDefusesFormulas) {
  EXPECT_EQ(csvField("Anna"), "Anna");
  EXPECT_EQ(csvField("a,b"), "\"a,b\"");
  EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(csvField("=HYPERLINK(1)"), "'=HYPERLINK(1)");
  EXPECT_EQ(csvField("-1,2"), "\"'-1,2\"");
}

TEST(Csv, ControlCharactersCannotSteerTheTerminalOrASpreadsheet) {
  EXPECT_EQ(csvField("\tcmd|calc"), "'\\x09cmd|calc");
  EXPECT_EQ(csvField("\r=1+1"), "'\\x0d=1+1");
  EXPECT_EQ(csvField("x\x1b[31mred\x1b[0m"), "x\\x1b[31mred\\x1b[0m");
  EXPECT_EQ(csvField("line\nfake,row"), "\"line\\x0afake,row\"");
  EXPECT_EQ(csvField("c1\xc2\x9b" "2J"), "c1\\u009b2J");
  EXPECT_EQ(csvField("Åsa\x7f"), "Åsa\\x7f");
}

}  // namespace
}  // namespace kortix
