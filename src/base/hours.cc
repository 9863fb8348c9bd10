#include "base/hours.h"

#include <cmath>
#include <string>

#include "base/text.h"

namespace kaveltar {
namespace {

std::string FormatHours(long minutes, size_t hour_digits) {
  if (minutes == 0) return "";
  const long h = static_cast<long>(std::floor(static_cast<double>(minutes) / 60.0));
  const long m = minutes - 60 * h;
  const std::string hours = std::string(hour_digits, '0') + std::to_string(h);
  const std::string mins = "00" + std::to_string(m);
  return std::string(Right(hours, hour_digits)) + ":" + std::string(Right(mins, 2));
}

bool TwoDigits(std::string_view s) { return s.size() == 2 && IsDigits(s); }
// The value of two decimal digits (TwoDigits holds): no number parsing on this hot path.
int TwoDigitValue(std::string_view s) { return (s[0] - '0') * 10 + (s[1] - '0'); }

}  // namespace

long HoursToMinutes(std::string_view text, Dialogs& dialogs) {
  const std::string_view t = Trim(text);
  if (t.empty()) return 0;
  if (t.size() < 3 || t[t.size() - 3] != ':') {
    dialogs.Show(std::string(kHoursErrorPrefix) + std::string(t), kHoursErrorTitle,
                 MessageIcon::kNone);
    return 0;
  }
  const long hours = static_cast<long>(ValInt(t.substr(0, t.size() - 3)));
  const long minutes = static_cast<long>(ValInt(t.substr(t.size() - 2)));
  return 60 * hours + minutes;
}

std::string MinutesToHours(long minutes) { return FormatHours(minutes, 2); }
std::string MinutesToLongHours(long minutes) { return FormatHours(minutes, 3); }

bool IsValidHours(std::string_view text) {
  if (Trim(text).empty()) return true;
  if (text == "00000" || text.size() != 5 || text[2] != ':') return false;
  if (!TwoDigits(text.substr(0, 2)) || !TwoDigits(text.substr(3, 2))) return false;
  return TwoDigitValue(text.substr(0, 2)) <= 47 && TwoDigitValue(text.substr(3, 2)) <= 59;
}

bool IsEmptyHours(std::string_view text) {
  const std::string_view t = Trim(text);
  return t.empty() || t == "00000" || t == "00.00";
}

}  // namespace kaveltar
