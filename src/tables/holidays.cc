#include "tables/holidays.h"

#include "base/text.h"

namespace kaveltar {
namespace {

// The number of a 4-digit MMDD text, or -1.
int DayIndex(std::string_view mmdd) {
  if (mmdd.size() != 4 || !IsDigits(mmdd)) return -1;
  return static_cast<int>(ValInt(mmdd));
}

}  // namespace

std::string PatronDayToMmDd(std::string_view ddmm) {
  if (ddmm.size() != 4) return {};
  return std::string(ddmm.substr(2, 2)) + std::string(ddmm.substr(0, 2));
}

HolidayCalendar::HolidayCalendar(const std::vector<HolidayRow>& rows) {
  // Keys are stored trimmed; a key that is not four digits can never equal a day's MMDD.
  for (const HolidayRow& row : rows) {
    const int index = DayIndex(row.day);
    if (index >= 0) days_.set(static_cast<size_t>(index));
  }
}

Result<HolidayCalendar> HolidayCalendar::Load(AttendanceDb& db) {
  std::vector<HolidayRow> rows;
  if (Status s = db.ListHolidays(&rows); !s.ok()) return s;
  return HolidayCalendar(rows);
}

bool HolidayCalendar::InTable(std::string_view mmdd, std::string_view year) const {
  const int index = DayIndex(mmdd);
  if (index < 0 || !days_.test(static_cast<size_t>(index))) return false;
  return mmdd != kUnificationDay || year == kUnificationYear;
}

bool HolidayCalendar::IsHoliday(std::string_view day_key, std::string_view municipality_ddmm,
                                std::string_view company_ddmm) const {
  if (day_key.size() != 8) return false;
  const std::string_view mmdd = day_key.substr(4, 4);
  if (InTable(mmdd, day_key.substr(0, 4))) return true;
  return mmdd == PatronDayToMmDd(municipality_ddmm) || mmdd == PatronDayToMmDd(company_ddmm);
}

}  // namespace kaveltar
