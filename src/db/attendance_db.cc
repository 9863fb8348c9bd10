#include "db/attendance_db.h"

#include <algorithm>

#include "base/text.h"

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

Status AttendanceDb::ForEachDay(const std::function<bool(const DayRow&)>&) {
  return Status::Invalid("ForEachDay: questo database non elenca tutti i giorni");
}

std::string SchemaTooNewMessage(int found) {
  return "Il database è della versione " + std::to_string(found) +
         ", più recente di quella che questo programma conosce (" + std::to_string(kSchemaVersion) +
         "): aggiornare il programma su questa postazione";
}

Status EnsureHolidayDefault(AttendanceDb& db) {
  Result<std::optional<HolidayRow>> found = db.FindHoliday("0106");
  if (!found.ok()) return found.status();
  // An existing row is left alone: its description may have been edited.
  if (found->has_value()) return Status::Ok();
  return db.SaveHoliday(HolidayRow{"0106", "EPIFANIA"});
}

Status AttendanceDb::CompanyHours(std::string_view company, std::string_view period,
                                  const std::function<void(const DayHoursView&)>& visit) {
  if (period.size() != 4 && period.size() != 6) {
    return Status::Invalid("CompanyHours: il periodo deve essere AAAA o AAAAMM, non '" +
                           std::string(period) + "'");
  }
  std::vector<DayRow> rows;
  DayHoursView day;
  const int first = period.size() == 6 ? 0 : 1, last = period.size() == 6 ? 0 : 12;
  for (int month = first; month <= last; ++month) {
    std::string month_text(period);
    if (month > 0) {
      month_text.push_back(static_cast<char>('0' + month / 10));
      month_text.push_back(static_cast<char>('0' + month % 10));
    }
    if (Status s = CompanyMonth(company, month_text, &rows); !s.ok()) return s;
    for (const DayRow& row : rows) {
      day.employee = row.employee;
      day.worked = row.pres[3];
      for (int slot = 1; slot <= 5; ++slot) {
        day.codes[static_cast<size_t>(slot - 1)] = row.SlotCode(slot);
        day.hours[static_cast<size_t>(slot - 1)] = Trim(row.SlotCode(slot)).empty()
                                                       ? std::string_view()
                                                       : std::string_view(row.SlotHours(slot));
      }
      visit(day);
    }
  }
  return Status::Ok();
}

}  // namespace kaveltar
