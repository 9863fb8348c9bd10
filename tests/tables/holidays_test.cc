// The holiday test shared by memorization, the grid and the sheets: the table's rows, the
// unification day and the patron saints' days.
#include "tables/holidays.h"

#include <gtest/gtest.h>

namespace kaveltar {
namespace {

TEST(HolidayCalendarTest, TableRowsUnificationDayAndPatronSaints) {
  const HolidayCalendar calendar({{"0101", "CAPODANNO"},
                                  {"0317", "UNITA' D'ITALIA"},
                                  {"1225", "NATALE"},
                                  {"1399", "NON UNA DATA"}});
  EXPECT_TRUE(calendar.IsHoliday("20241225", "", ""));
  EXPECT_FALSE(calendar.IsHoliday("20241224", "", ""));
  // 17 March counts only in 2011, even though the row is there every year.
  EXPECT_TRUE(calendar.IsHoliday("20110317", "", ""));
  EXPECT_FALSE(calendar.IsHoliday("20240317", "", ""));
  // Patron-saint days are held as DDMM: "0406" is 4 June, not 6 April.
  EXPECT_TRUE(calendar.IsHoliday("20240604", "0406", ""));
  EXPECT_FALSE(calendar.IsHoliday("20240406", "0406", ""));
  EXPECT_TRUE(calendar.IsHoliday("20240613", "0406", "1306"));
  // Blank or short fields never match, nor does a malformed day key.
  EXPECT_FALSE(calendar.IsHoliday("20240604", "046", "06"));
  EXPECT_FALSE(calendar.IsHoliday("2024122", "", ""));
  EXPECT_EQ(PatronDayToMmDd("0406"), "0604");
}

}  // namespace
}  // namespace kaveltar
