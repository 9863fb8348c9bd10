#include "db/attendance_db.h"

#include <algorithm>

namespace kaveltar {

Status AttendanceDb::ForEachCompanyMonthDay(std::string_view company, std::string_view month,
                                            const std::function<bool(const DayRow&)>& visit) {
  std::vector<DayRow> rows;
  if (Status s = CompanyMonth(company, month, &rows); !s.ok()) return s;
  std::sort(rows.begin(), rows.end(), [](const DayRow& a, const DayRow& b) {
    return a.employee != b.employee ? a.employee < b.employee : a.period < b.period;
  });
  for (const DayRow& row : rows) {
    if (!visit(row)) break;
  }
  return Status::Ok();
}

Status EnsureHolidayDefault(AttendanceDb& db) {
  Result<std::optional<HolidayRow>> found = db.FindHoliday("0106");
  if (!found.ok()) return found.status();
  // An existing row is left alone: its description may have been edited.
  if (found->has_value()) return Status::Ok();
  return db.SaveHoliday(HolidayRow{"0106", "EPIFANIA"});
}

}  // namespace kaveltar
