// The holiday test every part of the program applies to a day: memorization and the forced
// settings (no theoretical hours on a holiday), the month grid (red dates), the attendance
// sheet ("F") and the import.
//
// A day (KPERIODO, YYYYMMDD) is a holiday when
//   - FESTIVITA holds its month and day (MMDD, characters 5-8 of the key), except the row
//     "0317" (the 150th anniversary of Italy's unification), which counts only in 2011; or
//   - its MMDD equals the patron-saint day of the payroll office's municipality (field F161)
//     or of the company (field T030). Both fields hold day and month as DDMM and are turned
//     into MMDD before the comparison ("0406" is 4 June).
// The table holds no movable feasts and no row is checked as a calendar date.
#pragma once

#include <bitset>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "db/attendance_db.h"

namespace kaveltar {

// The row that counts only in its year.
inline constexpr std::string_view kUnificationDay = "0317";
inline constexpr std::string_view kUnificationYear = "2011";

// A patron-saint day as read from F161 or T030 (DDMM) turned into MMDD; empty when the field
// is not four characters long (a blank or missing field never matches a day).
std::string PatronDayToMmDd(std::string_view ddmm);

// FESTIVITA held in memory for the days of a run: build it once (Load) and ask for each day.
// The table does not change while a month is memorized, printed or shown.
class HolidayCalendar {
 public:
  HolidayCalendar() = default;
  explicit HolidayCalendar(const std::vector<HolidayRow>& rows);
  // Reads FESTIVITA.
  static Result<HolidayCalendar> Load(AttendanceDb& db);

  // The table part of the test: MMDD is in FESTIVITA ("0317" only when year is "2011").
  bool InTable(std::string_view mmdd, std::string_view year) const;
  // The whole test for a day key YYYYMMDD; the patron-saint days are the raw DDMM texts of
  // F161 and T030 (either may be empty). A key that is not 8 characters is never a holiday.
  bool IsHoliday(std::string_view day_key, std::string_view municipality_ddmm,
                 std::string_view company_ddmm) const;

 private:
  std::bitset<10000> days_;  // indexed by the MMDD number of the rows whose key is 4 digits
};

}  // namespace kaveltar
