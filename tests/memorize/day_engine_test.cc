// The daily schedule engine on its own: one day row filled from a week schedule, the holiday
// flag and the long-period absence rows; the rotation of schedule groups.
#include "memorize/day_engine.h"

#include <gtest/gtest.h>

#include "memorize/rotation.h"

namespace kaveltar {
namespace {

constexpr int kMonday = 1, kWednesday = 3, kSunday = 7;

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

TEST(DayFiller, KeepsWhatItDoesNotOwn) {
  DayRow stored;
  stored.pres0 = 4;
  stored.pres[1] = "001";
  stored.pres[11] = "009";  // slot 4: memorization clears it
  stored.pres[14] = "030";  // slot 6: the import's, never touched
  const DayRow row = Fill({}, {}, kMonday, false, stored);
  EXPECT_EQ(Describe(row), "08:00/08:00");
  EXPECT_EQ(row.pres[11], "");
  EXPECT_EQ(row.pres0, 4);
  EXPECT_EQ(row.pres[1], "001");
  EXPECT_EQ(row.pres[14], "030");
}

TEST(DayFiller, HolidaysSundaysAbsenceTypesAndOptions) {
  DayOptions none, cover, typed, considering;
  cover.cover_holidays = true;
  typed.use_typed_hours = true;
  considering.use_typed_hours = considering.consider_worked_hours = true;
  struct Case {
    const char* what;
    DayOptions options;
    std::vector<Absence> absences;
    int weekday;
    bool holiday;
    std::string expected;
  };
  const std::vector<Case> cases = {
      // Sunday has no hours: an absence leaves it alone, a sickness is written with the typed
      // hours only (there is no day to cover).
      {"absence on Sunday", none, {{"001", "A"}}, kSunday, false, "/"},
      {"sickness on Sunday", none, {{"004", "M"}}, kSunday, false, "/ 004="},
      // Holidays take only sickness, unless holidays are covered.
      {"absence on a holiday", none, {{"001", "A"}}, kWednesday, true, "/"},
      {"sickness on a holiday", none, {{"004", "M"}}, kWednesday, true, "/ 004=08:00"},
      {"covered holiday", cover, {{"001", "A"}}, kWednesday, true, "/ 001=08:00"},
      // Rows fill the slots in order and replace the work; typed hours count with chkore.
      {"three rows",
       typed,
       {{"001", "A", "02:00"}, {"030", "P"}, {"004", "M", "01:30"}},
       kMonday,
       false,
       "08:00/ 001=02:00 030=08:00 004=01:30"},
      {"typed hours ignored", none, {{"001", "A", "02:00"}}, kMonday, false, "08:00/ 001=08:00"},
      // Considering the worked hours: absences take from them, a presence sits beside them,
      // and absences longer than the day leave no (not a negative) worked time.
      {"two absences and a presence",
       considering,
       {{"001", "A", "03:00"}, {"002", "A", "02:00"}, {"030", "P", "01:00"}},
       kMonday,
       false,
       "08:00/03:00 001=03:00 002=02:00 030=01:00"},
      {"absences past the day",
       considering,
       {{"001", "A", "06:00"}, {"002", "A", "05:00"}},
       kMonday,
       false,
       "08:00/ 001=06:00 002=05:00"},
      // Each row decides on its own; a code not in the table acts as the row before it, and
      // alone has no type and is kept off the holiday.
      {"sickness then unknown",
       none,
       {{"004", "M"}, {"999", ""}},
       kWednesday,
       true,
       "/ 004=08:00 999=08:00"},
      {"unknown alone", none, {{"999", ""}}, kWednesday, true, "/"},
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

TEST(ProfileHours, PointSeparatesHoursFromMinutes) {
  for (const auto& [value, expected] : std::vector<std::pair<const char*, const char*>>{
           {"7.45", "07:45"}, {"8.5", "08:05"}, {"0.00", ""}, {"9", "09:00"}}) {
    EXPECT_EQ(OTTIMIZZAORETEORICHE(value), expected) << value;
  }
}

ScheduleFields Fields(std::string p766, std::string p772, std::string p773 = "0",
                      std::string p774 = "0", std::string p775 = "0", std::string p776 = "0",
                      std::string p777 = "0") {
  return {p766, p772, p773, p774, p775, p776, p777};
}

TEST(Rotation, DecisionStartAndWrapAround) {
  for (const ScheduleFields& single : {Fields("0", "0"), Fields("", "002"), Fields("001", "0"),
                                       Fields("002", "002", "002", "002", "002")}) {
    EXPECT_FALSE(CONTAGRUPPIORARIDIPENDENTE(single).rotation) << single.p766 << " " << single.p772;
  }
  const RotationDecision two =
      CONTAGRUPPIORARIDIPENDENTE(Fields("001", "002", "0", "0", "0", "3", "2"));
  ASSERT_TRUE(two.rotation);
  EXPECT_EQ(two.table, (std::vector<RotationEntry>{{1, "001"}, {2, "002"}}));
  EXPECT_EQ(two.change_day, 3);
  // Blank codes leave no hole, and positions keep their numbers.
  EXPECT_EQ(CONTAGRUPPIORARIDIPENDENTE(Fields("001", "002", "", "004")).table,
            (std::vector<RotationEntry>{{1, "001"}, {2, "002"}, {4, "004"}}));
  // P772 repeated in every further position with a different P766: a rotation of one week
  // of P766 and four of P772.
  EXPECT_EQ(CONTAGRUPPIORARIDIPENDENTE(Fields("001", "002", "002", "002", "002")).table.size(), 5u);

  // Switching on each change day and carrying the position from month to month are checked
  // with memorization; here the edges of the table.
  // March 2024 starts on a Friday; its first Monday is the 4th. No position yet: the first
  // group until the first change day moves to the second.
  RotationDecision d = CONTAGRUPPIORARIDIPENDENTE(Fields("001", "002", "0", "0", "0", "0", "1"));
  d.position = 0;
  std::vector<DayGroup> days = RotateMonth(d, 2024, 3);
  ASSERT_EQ(days.size(), 32u);
  EXPECT_EQ(days[1], (DayGroup{1, "001"}));
  EXPECT_EQ(days[4], (DayGroup{2, "002"}));
  // From the last position back to the first; a position not in the table restarts it.
  d = CONTAGRUPPIORARIDIPENDENTE(Fields("001", "002", "003", "0", "0", "4", "3"));  // Friday
  days = RotateMonth(d, 2024, 3);
  EXPECT_EQ(days[1], (DayGroup{1, "001"}));
  EXPECT_EQ(days[8], (DayGroup{2, "002"}));
  d.position = 5;
  EXPECT_EQ(RotateMonth(d, 2024, 3)[2].position, 1);
}

}  // namespace
}  // namespace kaveltar
