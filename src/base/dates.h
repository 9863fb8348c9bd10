// Calendar helpers: leap years, month lengths and the DD/MM/YYYY form of a day key.
#pragma once

#include <string>
#include <string_view>

namespace kaveltar {

// Gregorian rule: divisible by 4 and not by 100, or divisible by 400.
bool IsLeapYear(int year);
// Days in month 1-12 of the year (0 for a month outside 1-12).
int MonthLength(int month, int year);
// True when the YYYYMMDD text names a real calendar day.
bool IsValidDayKey(std::string_view key);
// "DD/MM/YYYY" from a YYYYMMDD key; empty when the key is not 8 characters or not a real day.
std::string FormatPeriodDate(std::string_view key);
// A DDMMYYYY archive date rewritten as YYYYMMDD (blank or short input gives "").
std::string DdMmYyyyToKey(std::string_view ddmmyyyy);
// The day of the month of a YYYYMMDD key: the number positions 7-8 begin with, 0 when
// the key is shorter or they hold no number.
int DayOfPeriod(std::string_view key);
// ISO weekday of a real date: 1 Monday ... 7 Sunday.
int Weekday(int year, int month, int day);

}  // namespace kaveltar
