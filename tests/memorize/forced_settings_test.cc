// The forced month settings and reprocessing on a demo installation (processing year 2014,
// March): what each writes into a memorized month, the days it leaves alone (outside the
// range, outside the employment period, without a row), holidays, the hours rules, and the
// refusals with their messages.
#include "memorize/forced_settings.h"

#include "base/dates.h"
#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {
namespace {

class ForcedSettingsTest : public MemorizeTest {
 protected:
  // The group employee's March, memorized; 11 March 2014 (a Tuesday) made a holiday.
  void SetUp() override {
    MemorizeTest::SetUp();
    key_ = Key(DemoCase::kGroup);
  }
  ForcedMonth Target(const std::string& key, int year = kYear, int month = 3) {
    return {key, year, month, key + " - DIPENDENTE"};
  }
  // Group 001 (8:00 Monday to Friday) as the employee's group, then its March memorized.
  void Memorize(const std::string& key) {
    SetField(key, fields::kP766, "001");
    Run(Month(kYear, 3), {key});
  }
  DayRow Day(const std::string& key, int day) {
    auto row = session().db().FindDay(key, "201403" + ZeroPad(day, 2));
    EXPECT_TRUE(row.ok() && row->has_value()) << day;
    return row.ok() && *row ? **row : DayRow{};
  }
  void Store(const DayRow& row) { ASSERT_TRUE(session().db().SaveDay(row).ok()); }
  // A day with manual changes, PRES_0 and an imported slot, to see what a setting keeps.
  DayRow Touch(const std::string& key, int day) {
    DayRow row = Day(key, day);
    row.pres0 = 5;
    row.pres[3] = "01:00";
    row.pres[4] = "030";
    row.pres[5] = "02:00";
    row.pres[14] = "900";
    row.pres[15] = "03:00";
    row.protocollo = 12;
    Store(row);
    return row;
  }
  static DayRow Expect(DayRow row, long pres0, std::vector<std::string> pres1_13) {
    row.pres0 = pres0;
    for (size_t n = 1; n <= 13; ++n) row.pres[n] = n - 1 < pres1_13.size() ? pres1_13[n - 1] : "";
    return row;
  }

  std::string key_;
};

TEST_F(ForcedSettingsTest, QuestionsAndMessages) {
  dialogs_.QueueAnswers({true, false, true});
  EXPECT_TRUE(AskForcedSetting(dialogs_, ForcedSetting::kAbsence));
  EXPECT_FALSE(AskForcedSetting(dialogs_, ForcedSetting::kGroup));
  EXPECT_TRUE(AskForcedSetting(dialogs_, ForcedSetting::kWorkedHours));
  EXPECT_EQ(dialogs_.Texts(),
            (std::vector<std::string>{
                "Con questa procedura viene assegnata un'assenza nel mese con un valore scelto manualmente, "
                "cancellando eventuali modifiche effettuate. Proseguire?",
                "Con questa procedura viene forzato il gruppo orario nel mese con un valore scelto manualmente, "
                "cancellando eventuali modifiche effettuate. Proseguire?",
                "Con questa procedura vengono forzate le ore lavorate nel mese con un valore scelto manualmente, "
                "cancellando eventuali modifiche effettuate. Proseguire?"}));
  EXPECT_EQ(dialogs_.entries()[0].icon, MessageIcon::kQuestion);
  EXPECT_EQ(EmployeeNotFoundMessage("X", 0, 2014), "DIPENDENTE X Non trovato (ANNO CORRENTE)");
  EXPECT_EQ(EmployeeNotFoundMessage("X", 1, 2013), "DIPENDENTE X Non trovato (ANNO PRECEDENTE)");
  EXPECT_EQ(EmployeeNotFoundMessage("X", 2, 2012), "DIPENDENTE X Non trovato (ANNO PRECEDENTE 2)");
  EXPECT_EQ(EmployeeNotFoundMessage("X", 3, 2011), "DIPENDENTE X Non trovato (ANNO PRECEDENTE 3)");
  // Further back than the oldest of the four archives, and after the processing year.
  EXPECT_EQ(EmployeeNotFoundMessage("X", 4, 2010), "DIPENDENTE X Non trovato (ANNO PRECEDENTE 3)");
  EXPECT_EQ(EmployeeNotFoundMessage("X", 9, 2005), "DIPENDENTE X Non trovato (ANNO PRECEDENTE 3)");
  EXPECT_EQ(EmployeeNotFoundMessage("X", -1, 2015), "DIPENDENTE X Non trovato (ANNO CORRENTE)");
}

TEST_F(ForcedSettingsTest, AbsenceSkipsAHolidayUnlessCoveredAndKeepsOtherDays) {
  Memorize(key_);
  ASSERT_TRUE(session().db().SaveHoliday({"0311", "PROVA"}).ok());
  const DayRow day9 = Touch(key_, 9);
  const DayRow day10 = Touch(key_, 10);
  const DayRow day11 = Touch(key_, 11);
  const DayRow day13 = Touch(key_, 13);

  AbsenceSetting a;
  a.code = "001 FERIE";  // the first three characters of the combo's item
  a.from_day = 10;
  a.to_day = 12;
  ForcedOutcome o = ASSEGNA_ASSENZA_GIORNI(session(), Target(key_), a);
  EXPECT_EQ(o.result, ForcedResult::kDone);
  EXPECT_EQ(o.days, 3);
  EXPECT_TRUE(dialogs_.entries().empty());
  // Days 10 and 12 hold the absence for the whole day; PRES_0 and slot 6 are kept.
  DayRow expected = Expect(day10, 5, {"001", "08:00", "", "001", "08:00"});
  EXPECT_EQ(Day(key_, 10), expected);
  EXPECT_EQ(Day(key_, 12).pres[4], "001");
  // The holiday gets no hours and no absence.
  EXPECT_EQ(Day(key_, 11), Expect(day11, 5, {"001"}));
  // Outside the range nothing changed.
  EXPECT_EQ(Day(key_, 9), day9);
  EXPECT_EQ(Day(key_, 13), day13);

  // Covering holidays, with typed hours.
  a.cover_holidays = true;
  a.hours = "04:30";
  ASSERT_EQ(ASSEGNA_ASSENZA_GIORNI(session(), Target(key_), a).result, ForcedResult::kDone);
  EXPECT_EQ(Day(key_, 11), Expect(day11, 5, {"001", "", "", "001", "04:30"}));
  EXPECT_EQ(Day(key_, 10), Expect(day10, 5, {"001", "08:00", "", "001", "04:30"}));
}

TEST_F(ForcedSettingsTest, AbsenceTypesWeekendsAndWorkedHours) {
  Memorize(key_);
  AbsenceSetting a;
  a.from_day = 7;  // Friday 7 .. Monday 10
  a.to_day = 10;

  // Sickness (M) covers the weekend too, with no hours there; an absence (A) does not.
  a.code = "004";
  ASSERT_EQ(ASSEGNA_ASSENZA_GIORNI(session(), Target(key_), a).result, ForcedResult::kDone);
  EXPECT_EQ(Day(key_, 8).pres[4], "004");
  EXPECT_EQ(Day(key_, 8).pres[5], "");
  EXPECT_EQ(Day(key_, 7).pres[5], "08:00");
  a.code = "002";
  a.hours = "02:00";
  ASSERT_EQ(ASSEGNA_ASSENZA_GIORNI(session(), Target(key_), a).result, ForcedResult::kDone);
  EXPECT_EQ(Day(key_, 8).pres[4], "");
  EXPECT_EQ(Day(key_, 7).pres[4], "002");
  EXPECT_EQ(Day(key_, 7).pres[5], "02:00");
  EXPECT_EQ(Day(key_, 7).pres[3], "");

  // "Considera le ore lavorate": an absence reduces the day's hours, a presence sits beside.
  a.consider_worked_hours = true;
  a.hours = "03:00";
  ASSERT_EQ(ASSEGNA_ASSENZA_GIORNI(session(), Target(key_), a).result, ForcedResult::kDone);
  EXPECT_EQ(Day(key_, 7), Expect(Day(key_, 7), 0, {"001", "08:00", "05:00", "002", "03:00"}));
  a.code = "033";
  ASSERT_EQ(ASSEGNA_ASSENZA_GIORNI(session(), Target(key_), a).result, ForcedResult::kDone);
  EXPECT_EQ(Day(key_, 7), Expect(Day(key_, 7), 0, {"001", "08:00", "08:00", "033", "03:00"}));

  // Hours that are not HH:MM: the message and nothing written.
  const DayRow before = Day(key_, 7);
  a.hours = "3:00";
  EXPECT_EQ(ASSEGNA_ASSENZA_GIORNI(session(), Target(key_), a).result, ForcedResult::kInvalidHours);
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{
                                  "Formato ore assenza non valido.Il formato corretto deve essere HH:MM"});
  EXPECT_EQ(dialogs_.entries()[0].icon, MessageIcon::kCritical);
  EXPECT_EQ(Day(key_, 7), before);
}

TEST_F(ForcedSettingsTest, GroupIsForcedOverTheRangeAlsoForAProfile) {
  const std::string profile = Key(DemoCase::kProfile);
  Run(Month(kYear, 3), {profile});
  const std::vector<DayRow> before = Rows(profile, "201403");
  ASSERT_EQ(before.size(), 31u);
  ForcedOutcome o = IMPOSTAGRUPPO(session(), Target(profile), "005 PART TIME 30 ORE", 3, 9);
  EXPECT_EQ(o.result, ForcedResult::kDone);
  EXPECT_EQ(o.days, 7);
  const std::vector<DayRow> rows = Rows(profile, "201403");
  for (int d = 1; d <= 31; ++d) {
    const DayRow& row = rows[static_cast<size_t>(d - 1)];
    if (d < 3 || d > 9) {
      EXPECT_EQ(row, before[static_cast<size_t>(d - 1)]) << d;
      continue;
    }
    EXPECT_EQ(row.pres[1], "005") << d;
    const bool weekend = Weekday(kYear, 3, d) >= 6;
    EXPECT_EQ(row.pres[2], weekend ? "" : "06:00") << d;
    EXPECT_EQ(row.pres[3], weekend ? "" : "06:00") << d;
  }
  // A group GRUPPI does not hold: its code, no hours.
  ASSERT_EQ(IMPOSTAGRUPPO(session(), Target(profile), "777", 3, 3).result, ForcedResult::kDone);
  EXPECT_EQ(Day(profile, 3), Expect(Day(profile, 3), 0, {"777"}));
}

TEST_F(ForcedSettingsTest, WorkedHoursAreForcedOnWorkingDays) {
  Memorize(key_);
  ASSERT_TRUE(session().db().SaveHoliday({"0312", "PROVA"}).ok());
  const DayRow day10 = Touch(key_, 10);
  ForcedOutcome o = IMPOSTAORELAV(session(), Target(key_), "06:15", 8, 12);
  EXPECT_EQ(o.days, 5);
  EXPECT_EQ(Day(key_, 10), Expect(day10, 0, {"001", "08:00", "06:15"}));
  EXPECT_EQ(Day(key_, 9).pres[2], "");  // Sunday
  EXPECT_EQ(Day(key_, 9).pres[3], "");
  EXPECT_EQ(Day(key_, 12).pres[1], "001");  // holiday
  EXPECT_EQ(Day(key_, 12).pres[2], "");
  EXPECT_EQ(Day(key_, 12).pres[3], "");

  // "00:00" keeps the theoretical hours and leaves the worked hours empty.
  ASSERT_EQ(IMPOSTAORELAV(session(), Target(key_), "00:00", 1, 31).result, ForcedResult::kDone);
  for (const DayRow& row : Rows(key_, "201403")) {
    EXPECT_EQ(row.pres[3], "") << row.period;
    if (Weekday(kYear, 3, static_cast<int>(ValInt(row.period.substr(6)))) < 6 && row.period != "20140312") {
      EXPECT_EQ(row.pres[2], "08:00") << row.period;
    }
  }

  const DayRow before = Day(key_, 10);
  EXPECT_EQ(IMPOSTAORELAV(session(), Target(key_), "24:60", 1, 31).result, ForcedResult::kInvalidHours);
  EXPECT_EQ(dialogs_.Texts().back(), "Formato ore lavorate non valido.Il formato corretto deve essere HH:MM");
  EXPECT_EQ(Day(key_, 10), before);
}

TEST_F(ForcedSettingsTest, ReprocessRebuildsTheMonthFromTheCurrentSchedule) {
  const std::string hired = Key(DemoCase::kHiredMidMonth);
  Memorize(key_);
  ASSERT_TRUE(session().db().SaveHoliday({"0311", "PROVA"}).ok());
  const DayRow day10 = Touch(key_, 10);

  // No: nothing changes.
  dialogs_.QueueAnswers({false});
  EXPECT_EQ(cmdReimposta(session(), Target(key_)).result, ForcedResult::kDeclined);
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{
                                  "Con questa procedura viene rielaborato il mese del dipendente, cancellando "
                                  "le eventuali modifiche effettuate. Proseguire?"});
  EXPECT_EQ(Day(key_, 10), day10);

  // Yes: the group now in the archive, every justification gone, the holiday without hours.
  SetField(key_, fields::kP766, "3");
  dialogs_.QueueAnswers({true});
  ForcedOutcome o = cmdReimposta(session(), Target(key_));
  EXPECT_EQ(o.result, ForcedResult::kDone);
  EXPECT_EQ(o.days, 31);
  EXPECT_EQ(Day(key_, 10), Expect(day10, 0, {"003", "04:00", "04:00"}));
  EXPECT_EQ(Day(key_, 11), Expect(Day(key_, 11), 0, {"003"}));
  EXPECT_EQ(Day(key_, 15), Expect(Day(key_, 15), 0, {"003"}));  // Saturday

  // Hired on day D: the days before it are reset and stay so.
  Run(Month(kYear, 3), {hired});
  const int first = static_cast<int>(ValInt(Field(hired, fields::kP013).substr(0, 2)));
  ASSERT_GT(first, 1);
  DayRow early = Day(hired, first - 1);
  early.pres0 = 3;
  early.pres[1] = "001";
  Store(early);
  dialogs_.QueueAnswers({true});
  ASSERT_EQ(cmdReimposta(session(), Target(hired)).result, ForcedResult::kDone);
  EXPECT_EQ(Day(hired, first - 1), Expect(early, 0, {}));
  EXPECT_FALSE(Day(hired, first).pres[1].empty());
}

TEST_F(ForcedSettingsTest, SchedulesThatCannotBeReadGiveEmptyHours) {
  const std::string missing = Key(DemoCase::kMissingGroup);
  const std::string none = Key(DemoCase::kNoSchedule);
  // Neither employee can be memorized; their rows are put there by hand.
  for (const std::string& key : {missing, none}) {
    for (int d = 1; d <= 31; ++d) {
      DayRow row{key, "201403" + ZeroPad(d, 2), 0, {}, 0};
      row.pres[1] = "009";
      row.pres[2] = row.pres[3] = "08:00";
      Store(row);
    }
    dialogs_.QueueAnswers({true});
    ASSERT_EQ(cmdReimposta(session(), Target(key)).result, ForcedResult::kDone);
  }
  EXPECT_EQ(Day(missing, 10).pres[1], Code3Of(report_.missing_group));
  EXPECT_EQ(Day(missing, 10).pres[2], "");
  EXPECT_EQ(Day(none, 10).pres[1], "");
  EXPECT_EQ(Day(none, 10).pres[2], "");

  // An absence keeps the stored code of an employee without a schedule; there are no hours.
  DayRow row = Day(none, 10);
  row.pres[1] = "009";
  Store(row);
  AbsenceSetting a;
  a.code = "004";
  a.from_day = a.to_day = 10;
  ASSERT_EQ(ASSEGNA_ASSENZA_GIORNI(session(), Target(none), a).result, ForcedResult::kDone);
  EXPECT_EQ(Day(none, 10), Expect(row, 0, {"009", "", "", "004", ""}));
}

TEST_F(ForcedSettingsTest, NothingWithoutRowsOrEmployee) {
  // A month not memorized: no row is created.
  dialogs_.QueueAnswers({true});
  EXPECT_EQ(cmdReimposta(session(), Target(key_)).days, 0);
  EXPECT_EQ(IMPOSTAGRUPPO(session(), Target(key_), "001", 1, 31).days, 0);
  EXPECT_EQ(IMPOSTAORELAV(session(), Target(key_), "08:00", 1, 31).days, 0);
  AbsenceSetting a;
  a.code = "001";
  a.to_day = 31;
  EXPECT_EQ(ASSEGNA_ASSENZA_GIORNI(session(), Target(key_), a).days, 0);
  EXPECT_TRUE(Rows(key_, "201403").empty());

  // An employee not in the archive of the year.
  Memorize(key_);
  const std::vector<DayRow> before = Rows(key_, "201403");
  dialogs_.Clear();
  ForcedMonth ghost = Target("9999999999");
  EXPECT_EQ(IMPOSTAGRUPPO(session(), ghost, "001", 1, 31).result, ForcedResult::kEmployeeNotFound);
  EXPECT_EQ(dialogs_.Texts(),
            std::vector<std::string>{"DIPENDENTE 9999999999 - DIPENDENTE Non trovato (ANNO CORRENTE)"});
  EXPECT_EQ(dialogs_.entries()[0].icon, MessageIcon::kCritical);
  dialogs_.Clear();
  EXPECT_EQ(IMPOSTAGRUPPO(session(), Target("9999999999", kYear - 1), "001", 1, 31).result,
            ForcedResult::kEmployeeNotFound);
  EXPECT_EQ(dialogs_.Texts(),
            std::vector<std::string>{"DIPENDENTE 9999999999 - DIPENDENTE Non trovato (ANNO PRECEDENTE)"});
  EXPECT_EQ(Rows(key_, "201403"), before);

  // An employee of a month four years back: the lists show that year, but no archive of it
  // is searched, so the employee is not found there and nothing is written.
  const std::string old_key = OrdinaryEmployee(kYear - 4);
  DayRow old_day;
  old_day.employee = old_key;
  old_day.period = "20100301";
  old_day.pres[1] = "005";
  Store(old_day);
  dialogs_.Clear();
  dialogs_.QueueAnswers({true});
  EXPECT_EQ(cmdReimposta(session(), Target(old_key, kYear - 4)).result, ForcedResult::kEmployeeNotFound);
  EXPECT_EQ(dialogs_.Texts().back(), "DIPENDENTE " + old_key + " - DIPENDENTE Non trovato (ANNO PRECEDENTE 3)");
  EXPECT_EQ(Rows(old_key, "201003"), std::vector<DayRow>{old_day});
}

}  // namespace
}  // namespace kaveltar::testing
