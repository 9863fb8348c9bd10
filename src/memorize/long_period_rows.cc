#include "memorize/long_period_rows.h"

#include "base/dates.h"
#include "base/text.h"

namespace kaveltar {

std::string FormatDayBox(std::string_view text) {
  const std::string_view digits = Trim(text);
  if (!IsDigits(digits)) return std::string(kEmptyDayBox);
  return ZeroPad(ValInt(digits), 2);
}

std::string_view LongPeriodRows::CheckDay(int row, bool last) const {
  const LongPeriodRow& r = rows_[static_cast<size_t>(row)];
  const int day = last ? r.to_day : r.from_day;
  if (day == 0) return {};
  for (int other = 0; other < kLongPeriodRows; ++other) {
    if (other == row) continue;
    const LongPeriodRow& o = rows_[static_cast<size_t>(other)];
    if (o.from_day != 0 && o.to_day != 0 && day >= o.from_day && day <= o.to_day)
      return kDayInOtherInterval;
  }
  if (day < 1 || day > MonthLength(month_, year_)) return kDayNotInMonth;
  if (last && r.from_day != 0 && day < r.from_day) return kEndBeforeStart;
  return {};
}

}  // namespace kaveltar
