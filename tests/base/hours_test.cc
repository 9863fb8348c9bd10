#include <gtest/gtest.h>

#include "base/dates.h"
#include "base/dialogs.h"
#include "base/hours.h"
#include "base/trace.h"

namespace kaveltar {
namespace {

TEST(HoursToMinutes, ConvertsAndReportsMalformedText) {
  RecordingDialogs dialogs;
  EXPECT_EQ(HoursToMinutes("  08:30 ", dialogs), 510);
  EXPECT_EQ(HoursToMinutes("123:15", dialogs), 7395);
  EXPECT_TRUE(dialogs.entries().empty());

  EXPECT_EQ(HoursToMinutes("0830", dialogs), 0);
  ASSERT_EQ(dialogs.entries().size(), 1u);
  EXPECT_EQ(dialogs.entries()[0].text, "ERRORE HH:MM 0830");
  EXPECT_EQ(dialogs.entries()[0].title, "ERRORE");
}

TEST(MinutesToHours, KeepsOnlyTheLastHourDigitsAndRoundTripsEveryDayValue) {
  EXPECT_EQ(MinutesToHours(0), "");
  EXPECT_EQ(MinutesToHours(6000), "00:00");
  EXPECT_EQ(MinutesToLongHours(45), "000:45");
  EXPECT_EQ(MinutesToLongHours(60 * 1234 + 1), "234:01");
  RecordingDialogs dialogs;
  for (long m = 1; m < 48 * 60; ++m) {
    ASSERT_EQ(HoursToMinutes(MinutesToHours(m), dialogs), m) << m;
  }
  EXPECT_TRUE(dialogs.entries().empty());
}

TEST(IsValidHours, AcceptsOnlyWellFormedDayHoursAndBlankPatternsAreEmpty) {
  for (const char* ok : {"   ", "00:00", "47:59"}) EXPECT_TRUE(IsValidHours(ok)) << ok;
  for (const char* bad : {"48:00", "07:60", "7:30", "ab:cd", "08.30", "08:30 "}) {
    EXPECT_FALSE(IsValidHours(bad)) << bad;
  }
  for (const char* e : {"", "  ", "00000", "00.00"}) EXPECT_TRUE(IsEmptyHours(e)) << e;
  for (const char* n : {"00:00", "08:00", "0"}) EXPECT_FALSE(IsEmptyHours(n)) << n;
}

TEST(Calendar, LeapYearsMonthLengthsAndDayKeys) {
  EXPECT_EQ(MonthLength(2, 2000), 29);
  EXPECT_EQ(MonthLength(2, 2100), 28);
  EXPECT_EQ(MonthLength(4, 2023), 30);
  EXPECT_EQ(MonthLength(13, 2023), 0);

  EXPECT_EQ(FormatPeriodDate("20240229"), "29/02/2024");
  EXPECT_EQ(FormatPeriodDate("20230229"), "");
  EXPECT_EQ(DdMmYyyyToKey("15062025"), "20250615");
  EXPECT_EQ(Weekday(2024, 2, 29), 4);  // a Thursday

  // The day of a stored row's period: its last two characters.
  EXPECT_EQ(DayOfPeriod("20241231"), 31);
  EXPECT_EQ(DayOfPeriod("202403"), 0);
}

TEST(TraceRing, KeepsTheLastTenNamesAndSkipsRepeats) {
  TraceRing ring;
  ring.TraceProcedure("A");
  ring.TraceProcedure("A");
  ring.TraceProcedure("B");
  auto names = ring.OldestToNewest();
  ASSERT_EQ(names.size(), 10u);
  EXPECT_EQ(names[8], "A");
  EXPECT_EQ(names[9], "B");
  for (int i = 0; i < 12; ++i) ring.TraceProcedure("P" + std::to_string(i));
  names = ring.OldestToNewest();
  EXPECT_EQ(names.front(), "P2");
  EXPECT_EQ(names.back(), "P11");
}

}  // namespace
}  // namespace kaveltar
