#include "db/attendance_db.h"

namespace kaveltar {

Status EnsureHolidayDefault(AttendanceDb& db) {
  Result<std::optional<HolidayRow>> found = db.FindHoliday("0106");
  if (!found.ok()) return found.status();
  // An existing row is left alone: its description may have been edited.
  if (found->has_value()) return Status::Ok();
  return db.SaveHoliday(HolidayRow{"0106", "EPIFANIA"});
}

}  // namespace kaveltar
