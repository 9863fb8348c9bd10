// The daily schedule engine on its own: one day row filled from a week schedule, the holiday
// flag and the long-period absence rows.
#include "memorize/day_engine.h"

#include <gtest/gtest.h>

namespace kaveltar {
namespace {

constexpr int kWednesday = 3, kSunday = 7;

struct Absence {
  std::string code;
  std::string type;  // "" = not in GIUSTIFICATIVI
  std::string hours = "00:00";
};

// Day 10, Monday to Saturday 08:00 and Sunday without hours, with up to three absence rows
// covering days 1-20, filled over `stored`.
DayRow Fill(DayOptions options, const std::vector<Absence>& absences, int weekday, bool holiday,
            DayRow stored = {}) {
  RecordingDialogs dialogs;
  std::array<std::optional<std::string>, kLongPeriodRows> types;
  for (size_t i = 0; i < absences.size(); ++i) {
    options.rows[i] = {absences[i].code, 1, 20, absences[i].hours};
    if (!absences[i].type.empty()) types[i] = absences[i].type;
  }
  DayFiller filler(options, types, dialogs);
  const WeekSchedule week =
      MakeWeekSchedule({"", "08:00", "08:00", "08:00", "08:00", "08:00", "08:00", ""}, dialogs);
  filler.Fill(stored, week, weekday, 10, holiday);
  return stored;
}

// "theoretical/worked" and each used slot as "code=hours".
std::string Describe(const DayRow& row) {
  std::string text = row.pres[2] + "/" + row.pres[3];
  for (int slot = 1; slot <= 3; ++slot) {
    if (!row.SlotCode(slot).empty() || !row.SlotHours(slot).empty()) {
      text += " " + row.SlotCode(slot) + "=" + row.SlotHours(slot);
    }
  }
  return text;
}

TEST(DayFiller, HolidaysSundaysAbsenceTypesAndOptions) {
  DayOptions none, cover;
  cover.cover_holidays = true;
  struct Case {
    const char* what;
    DayOptions options;
    std::vector<Absence> absences;
    int weekday;
    bool holiday;
    std::string expected;
  };
  const std::vector<Case> cases = {
      // Sunday has no hours: a sickness is written with the typed hours only.
      {"sickness on Sunday", none, {{"004", "M"}}, kSunday, false, "/ 004="},
      // Holidays take only sickness, unless holidays are covered.
      {"absence on a holiday", none, {{"001", "A"}}, kWednesday, true, "/"},
      {"sickness on a holiday", none, {{"004", "M"}}, kWednesday, true, "/ 004=08:00"},
      {"covered holiday", cover, {{"001", "A"}}, kWednesday, true, "/ 001=08:00"},
      // Each row decides on its own; a code not in the table acts as the row before it.
      {"unknown", none, {{"004", "M"}, {"999", ""}}, kWednesday, true, "/ 004=08:00 999=08:00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Describe(Fill(c.options, c.absences, c.weekday, c.holiday)), c.expected) << c.what;
  }
}

// The day's schedule code and theoretical hours, as every writer of days sets them: a
// weekday whose column says "00:00" is a day without hours, stored as the empty text.
TEST(DaySchedule, CodeAndTheoreticalHours) {
  RecordingDialogs dialogs;
  const WeekSchedule week =
      MakeWeekSchedule({"", "08:00", "08:00", "08:00", "08:00", " 06:30 ", "00:00", ""}, dialogs);
  DayRow row;
  row.pres[3] = "01:00";
  SetDaySchedule(row, ScheduleCode("7"), week, 5, false);
  EXPECT_EQ(row.pres[1], "007");
  EXPECT_EQ(row.pres[2], "06:30");
  EXPECT_EQ(row.pres[3], "01:00");  // the worked hours are the caller's
  SetDaySchedule(row, "001", week, 6, false);
  EXPECT_EQ(row.pres[2], "");
  SetDaySchedule(row, "001", week, 7, false);
  EXPECT_EQ(row.pres[2], "");
  SetDaySchedule(row, "001", week, 1, true);
  EXPECT_EQ(row.pres[1], "001");
  EXPECT_EQ(row.pres[2], "");
  EXPECT_EQ(ScheduleCode(" 12 "), "012");
  EXPECT_EQ(ScheduleCode("1234"), "234");
  EXPECT_TRUE(dialogs.Texts().empty());
}

}  // namespace
}  // namespace kaveltar
