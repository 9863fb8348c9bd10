#include "base/dates.h"

#include "base/text.h"

namespace kaveltar {

int DayOfPeriod(std::string_view key) { return static_cast<int>(ValInt(Mid(key, 6, 2))); }

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int MonthLength(int month, int year) {
  switch (month) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
      return 31;
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    case 2:
      return IsLeapYear(year) ? 29 : 28;
    default:
      return 0;
  }
}

bool IsValidDayKey(std::string_view key) {
  if (key.size() != 8 || !IsDigits(key)) return false;
  const int year = static_cast<int>(ValInt(key.substr(0, 4)));
  const int month = static_cast<int>(ValInt(key.substr(4, 2)));
  const int day = static_cast<int>(ValInt(key.substr(6, 2)));
  return year >= 1 && day >= 1 && day <= MonthLength(month, year);
}

std::string FormatPeriodDate(std::string_view key) {
  if (!IsValidDayKey(key)) return "";
  std::string out;
  out.append(key.substr(6, 2))
      .append("/")
      .append(key.substr(4, 2))
      .append("/")
      .append(key.substr(0, 4));
  return out;
}

std::string DdMmYyyyToKey(std::string_view d) {
  if (d.size() < 8 || Trim(d).empty()) return "";
  std::string out;
  out.append(d.substr(4, 4)).append(d.substr(2, 2)).append(d.substr(0, 2));
  return out;
}

int Weekday(int year, int month, int day) {
  // Sakamoto's method gives 0 = Sunday; shift to 1 = Monday ... 7 = Sunday.
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  const int w = (year + year / 4 - year / 100 + year / 400 + t[month - 1] + day) % 7;
  return w == 0 ? 7 : w;
}

}  // namespace kaveltar
