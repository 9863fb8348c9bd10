// The input rules of the long-period absence rows of the memorization screen: the day boxes
// `DallaData`(i) and `AllaData`(i) take at most two digits, become two digits with a leading
// zero when left, and are checked against the month and the other rows. The screen feeds the
// boxes in and shows what comes out; a command line checks its absences the same way.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "memorize/day_engine.h"

namespace kaveltar {

inline constexpr std::string_view kDayInOtherInterval =
    "Il giorno inserito è gia compreso in un'altro intervallo";
inline constexpr std::string_view kDayNotInMonth =
    "Attenzione! Giorno non valido per il mese selezionato";
inline constexpr std::string_view kEndBeforeStart =
    "Attenzione! La data di termine non può essere inferiore a quella di partenza";

// The empty value of a day box and of an hours box.
inline constexpr std::string_view kEmptyDayBox = "00";
inline constexpr std::string_view kEmptyHoursBox = "00:00";

// The text of a day box once left: its number as two digits with a leading zero ("7" gives
// "07", "" gives "00"); a text that is not digits gives "00".
std::string FormatDayBox(std::string_view text);

class LongPeriodRows {
 public:
  // The rows of the month `month` (1-12) of `year`, all empty.
  LongPeriodRows(int year, int month) : year_(year), month_(month) {}

  void set_row(int row, const LongPeriodRow& value) { rows_[static_cast<size_t>(row)] = value; }
  const LongPeriodRow& row(int row) const { return rows_[static_cast<size_t>(row)]; }

  // The check made when a day box of `row` is left (`last` false: `DallaData`, true:
  // `AllaData`), with the box's day already set: the message to show, or empty when the day
  // is accepted. A day of 0 (box "00") is always accepted. In order: the day lies inside the
  // interval of another row (its first and last day both set); the day is not a day of the
  // month; for the last day, it comes before the row's first day.
  std::string_view CheckDay(int row, bool last) const;

 private:
  int year_;
  int month_;
  std::array<LongPeriodRow, kLongPeriodRows> rows_;
};

}  // namespace kaveltar
