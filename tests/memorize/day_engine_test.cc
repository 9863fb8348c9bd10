// The daily schedule engine on its own: one day row filled from a week schedule, the holiday
// flag and the long-period absence rows; the rotation of schedule groups.
#include "memorize/day_engine.h"

#include <gtest/gtest.h>

#include "memorize/rotation.h"

namespace kaveltar {
namespace {

constexpr int kMonday = 1, kWednesday = 3, kSunday = 7;

// Monday to Saturday 08:00, Sunday without hours.
WeekSchedule SixDays(Dialogs& dialogs) {
  return MakeWeekSchedule({"", "08:00", "08:00", "08:00", "08:00", "08:00", "08:00", ""}, dialogs);
}

struct Absence {
  std::string code;
  std::string type;  // "" = not in GIUSTIFICATIVI
  std::string hours = "00:00";
};

class DayFillerTest : public ::testing::Test {
 protected:
  // Fills day 10 with up to three absence rows covering days 1-20.
  DayRow Fill(std::vector<Absence> absences, int weekday, bool holiday) {
    std::array<std::optional<std::string>, kLongPeriodRows> types;
    options_.rows = {};
    for (size_t i = 0; i < absences.size(); ++i) {
      options_.rows[i] = {absences[i].code, 1, 20, absences[i].hours};
      if (!absences[i].type.empty()) types[i] = absences[i].type;
    }
    DayFiller filler(options_, types, dialogs_);
    DayRow row = stored_;
    filler.Fill(row, SixDays(dialogs_), weekday, 10, holiday);
    return row;
  }

  DayOptions options_;
  DayRow stored_;
  RecordingDialogs dialogs_;
};

TEST_F(DayFillerTest, WorkingDaysHolidaysAndDaysWithoutHours) {
  stored_.pres0 = 4;
  stored_.pres[1] = "001";
  stored_.pres[11] = "009";  // slot 4: memorization clears it
  stored_.pres[14] = "030";  // slot 6: the import's, never touched
  DayRow row = Fill({}, kMonday, false);
  EXPECT_EQ(row.pres[2], "08:00");
  EXPECT_EQ(row.pres[3], "08:00");
  EXPECT_EQ(row.pres[11], "");
  EXPECT_EQ(row.pres0, 4);
  EXPECT_EQ(row.pres[1], "001");
  EXPECT_EQ(row.pres[14], "030");

  row = Fill({}, kWednesday, true);
  EXPECT_EQ(row.pres[2], "");
  EXPECT_EQ(row.pres[3], "");

  // Sunday has no hours: an absence leaves it alone, a sickness is written with the typed
  // hours only (there is no day to cover).
  row = Fill({{"001", "A"}}, kSunday, false);
  EXPECT_EQ(row.SlotCode(1), "");
  row = Fill({{"004", "M"}}, kSunday, false);
  EXPECT_EQ(row.SlotCode(1), "004");
  EXPECT_EQ(row.SlotHours(1), "");
  row = Fill({{"004", "M", "03:00"}}, kSunday, false);
  EXPECT_EQ(row.SlotHours(1), "03:00");
}

TEST_F(DayFillerTest, HolidaysTakeOnlySicknessUnlessCovered) {
  DayRow row = Fill({{"001", "A"}}, kWednesday, true);
  EXPECT_EQ(row.SlotCode(1), "");
  row = Fill({{"004", "M"}}, kWednesday, true);
  EXPECT_EQ(row.SlotCode(1), "004");
  EXPECT_EQ(row.SlotHours(1), "08:00");
  EXPECT_EQ(row.pres[3], "");

  options_.cover_holidays = true;
  row = Fill({{"001", "A"}}, kWednesday, true);
  EXPECT_EQ(row.SlotCode(1), "001");
  EXPECT_EQ(row.SlotHours(1), "08:00");
}

TEST_F(DayFillerTest, ASicknessRowDoesNotLetALaterAbsenceOntoAHoliday) {
  // Each row decides on its own whether it applies to a holiday.
  DayRow row = Fill({{"004", "M"}, {"001", "A"}}, kWednesday, true);
  EXPECT_EQ(row.SlotCode(1), "004");
  EXPECT_EQ(row.SlotCode(2), "");
}

TEST_F(DayFillerTest, RowsFillSlotsInOrderAndReplaceTheWork) {
  options_.use_typed_hours = true;
  DayRow row = Fill({{"001", "A", "02:00"}, {"030", "P", "00:00"}, {"004", "M", "01:30"}}, kMonday, false);
  EXPECT_EQ(row.SlotCode(1), "001");
  EXPECT_EQ(row.SlotHours(1), "02:00");
  EXPECT_EQ(row.SlotCode(2), "030");
  EXPECT_EQ(row.SlotHours(2), "08:00");  // no typed hours: the whole day
  EXPECT_EQ(row.SlotCode(3), "004");
  EXPECT_EQ(row.SlotHours(3), "01:30");
  EXPECT_EQ(row.pres[2], "08:00");
  EXPECT_EQ(row.pres[3], "");

  // Without chkore the typed hours do not count.
  options_.use_typed_hours = false;
  row = Fill({{"001", "A", "02:00"}}, kMonday, false);
  EXPECT_EQ(row.SlotHours(1), "08:00");
}

TEST_F(DayFillerTest, ConsideringWorkedHoursSubtractsAbsences) {
  options_.consider_worked_hours = true;
  options_.use_typed_hours = true;
  DayRow row = Fill({{"001", "A", "03:00"}}, kMonday, false);
  EXPECT_EQ(row.pres[3], "05:00");
  EXPECT_EQ(row.SlotCode(1), "001");
  EXPECT_EQ(row.SlotHours(1), "03:00");

  // A second absence takes from what is left; a presence sits beside the work.
  row = Fill({{"001", "A", "03:00"}, {"002", "A", "02:00"}, {"030", "P", "01:00"}}, kMonday, false);
  EXPECT_EQ(row.pres[3], "03:00");
  EXPECT_EQ(row.SlotHours(2), "02:00");
  EXPECT_EQ(row.SlotCode(3), "030");
  EXPECT_EQ(row.SlotHours(3), "01:00");

  row = Fill({{"030", "P", "02:00"}}, kMonday, false);
  EXPECT_EQ(row.pres[3], "08:00");
  EXPECT_EQ(row.SlotHours(1), "02:00");

  // Absences longer than the day leave no worked time (not a negative one).
  row = Fill({{"001", "A", "06:00"}, {"002", "A", "05:00"}}, kMonday, false);
  EXPECT_EQ(row.pres[3], "");
  EXPECT_EQ(row.SlotHours(1), "06:00");
  EXPECT_EQ(row.SlotHours(2), "05:00");
}

TEST_F(DayFillerTest, AnUnknownCodeTakesTheTypeOfThePreviousRow) {
  // Row 1's code is not in the table: it acts as the sickness before it (applied on the
  // holiday); alone it has no type and is kept off the holiday.
  DayRow row = Fill({{"004", "M"}, {"999", ""}}, kWednesday, true);
  EXPECT_EQ(row.SlotCode(2), "999");
  row = Fill({{"999", ""}}, kWednesday, true);
  EXPECT_EQ(row.SlotCode(1), "");
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
  EXPECT_EQ(OTTIMIZZAORETEORICHE("7.45"), "07:45");
  EXPECT_EQ(OTTIMIZZAORETEORICHE("8.5"), "08:05");
  EXPECT_EQ(OTTIMIZZAORETEORICHE("006.40"), "06:40");
  EXPECT_EQ(OTTIMIZZAORETEORICHE("0.00"), "");
  EXPECT_EQ(OTTIMIZZAORETEORICHE("9"), "09:00");
}

ScheduleFields Fields(std::string p766, std::string p772, std::string p773 = "0", std::string p774 = "0",
                      std::string p775 = "0", std::string p776 = "0", std::string p777 = "0") {
  return {p766, p772, p773, p774, p775, p776, p777};
}

TEST(Rotation, Decision) {
  EXPECT_FALSE(CONTAGRUPPIORARIDIPENDENTE(Fields("0", "0")).rotation);
  EXPECT_FALSE(CONTAGRUPPIORARIDIPENDENTE(Fields("", "002")).rotation);
  EXPECT_FALSE(CONTAGRUPPIORARIDIPENDENTE(Fields("001", "0")).rotation);
  EXPECT_FALSE(CONTAGRUPPIORARIDIPENDENTE(Fields("002", "002", "002", "002", "002")).rotation);

  const RotationDecision two = CONTAGRUPPIORARIDIPENDENTE(Fields("001", "002", "0", "0", "0", "3", "2"));
  ASSERT_TRUE(two.rotation);
  EXPECT_EQ(two.table, (std::vector<RotationEntry>{{1, "001"}, {2, "002"}}));
  EXPECT_EQ(two.change_day, 3);
  EXPECT_EQ(two.position, 2);

  // Blank codes leave no hole, and positions keep their numbers.
  const RotationDecision gap = CONTAGRUPPIORARIDIPENDENTE(Fields("001", "002", "", "004"));
  EXPECT_EQ(gap.table, (std::vector<RotationEntry>{{1, "001"}, {2, "002"}, {4, "004"}}));

  // P772 repeated in every further position with a different P766: a rotation of one week
  // of P766 and four of P772.
  const RotationDecision repeated = CONTAGRUPPIORARIDIPENDENTE(Fields("001", "002", "002", "002", "002"));
  ASSERT_TRUE(repeated.rotation);
  EXPECT_EQ(repeated.table.size(), 5u);
}

TEST(Rotation, SwitchesOnTheChangeDay) {
  // March 2024 starts on a Friday; its Mondays are the 4th, 11th, 18th and 25th.
  RotationDecision d = CONTAGRUPPIORARIDIPENDENTE(Fields("001", "002", "0", "0", "0", "0", "1"));
  std::vector<DayGroup> days = RotateMonth(d, 2024, 3);
  ASSERT_EQ(days.size(), 32u);
  EXPECT_EQ(days[1], (DayGroup{1, "001"}));
  EXPECT_EQ(days[3], (DayGroup{1, "001"}));
  EXPECT_EQ(days[4], (DayGroup{2, "002"}));
  EXPECT_EQ(days[10], (DayGroup{2, "002"}));
  EXPECT_EQ(days[11], (DayGroup{1, "001"}));
  EXPECT_EQ(days[18], (DayGroup{2, "002"}));
  EXPECT_EQ(days[25], (DayGroup{1, "001"}));
  EXPECT_EQ(days[31], (DayGroup{1, "001"}));  // Sunday 31: still the week from Monday 25

  // No position yet: the first group until the first change day moves to the second.
  d.position = 0;
  days = RotateMonth(d, 2024, 3);
  EXPECT_EQ(days[1].position, 1);
  EXPECT_EQ(days[4].position, 2);

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
