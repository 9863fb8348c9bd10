#include "db/attendance_db.h"

namespace kaveltar {

Status EnsureHolidayDefault(AttendanceDb& db) {
  Result<std::optional<HolidayRow>> found = db.FindHoliday("0106");
  if (!found.ok()) return found.status();
  // An existing row is left alone: its description may have been edited.
  if (found->has_value()) return Status::Ok();
  return db.SaveHoliday(HolidayRow{"0106", "EPIFANIA"});
}

Status AttendanceDb::EmployeeHours(std::string_view employee, std::string_view period,
                                   const std::function<void(const DayHoursView&)>& visit) {
  std::vector<DayRow> rows;
  Status s = period.size() == 6 ? EmployeeMonth(employee, period, &rows)
             : period.size() == 4
                 ? EmployeeYear(employee, period, &rows)
                 : Status::Invalid("EmployeeHours: the period must be YYYY or YYYYMM, not '" +
                                   std::string(period) + "'");
  if (!s.ok()) return s;
  DayHoursView day;
  for (const DayRow& row : rows) {
    day.worked = row.pres[3];
    for (int slot = 1; slot <= 5; ++slot) {
      day.codes[static_cast<size_t>(slot - 1)] = row.SlotCode(slot);
      day.hours[static_cast<size_t>(slot - 1)] = row.SlotHours(slot);
    }
    visit(day);
  }
  return Status::Ok();
}

}  // namespace kaveltar
