// The forced month settings and reprocessing on a demo installation (processing year 2014,
// March): what each writes into a memorized month, the days it leaves alone (outside the
// range, outside the employment period, without a row), and the refusals with their messages.
// How each type of code fills a day is the day engine's.
#include "memorize/forced_settings.h"

#include "base/dates.h"
#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {
namespace {

class ForcedSettingsTest : public MemorizeTest {
 protected:
  void SetUp() override {
    MemorizeTest::SetUp();
    key_ = Key(DemoCase::kGroup);
  }
  ForcedMonth Target(const std::string& key, int year = kYear) {
    return {key, year, 3, key + " - DIPENDENTE"};
  }
  // Group 001 (8:00 Monday to Friday) as the employee's group, then its March memorized.
  void Memorize() {
    SetField(key_, fields::kP766, "001");
    Run(Month(kYear, 3), {key_});
  }
  DayRow Day(int day, const std::string& key = "") {
    auto row = session().db().FindDay(key.empty() ? key_ : key, "201403" + ZeroPad(day, 2));
    EXPECT_TRUE(row.ok() && row->has_value()) << day;
    return row.ok() && *row ? **row : DayRow{};
  }
  void Store(const DayRow& row) { ASSERT_TRUE(session().db().SaveDay(row).ok()); }
  // A day with manual changes, PRES_0 and an imported slot, to see what a setting keeps.
  DayRow Touch(int day) {
    DayRow row = Day(day);
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
  // The one message shown since the last call.
  std::string Shown() {
    const std::vector<std::string> texts = dialogs_.Texts();
    dialogs_.Clear();
    return texts.size() == 1 ? texts[0] : "<" + std::to_string(texts.size()) + " messages>";
  }

  std::string key_;
};

TEST_F(ForcedSettingsTest, QuestionsAndMessages) {
  dialogs_.QueueAnswers({true, false, true});
  EXPECT_TRUE(AskForcedSetting(dialogs_, ForcedSetting::kAbsence));
  EXPECT_FALSE(AskForcedSetting(dialogs_, ForcedSetting::kGroup));
  EXPECT_TRUE(AskForcedSetting(dialogs_, ForcedSetting::kWorkedHours));
  const std::string tail =
      " nel mese con un valore scelto manualmente, cancellando eventuali modifiche effettuate. "
      "Proseguire?";
  EXPECT_EQ(dialogs_.Texts(), (std::vector<std::string>{
                                  "Con questa procedura viene assegnata un'assenza" + tail,
                                  "Con questa procedura viene forzato il gruppo orario" + tail,
                                  "Con questa procedura vengono forzate le ore lavorate" + tail}));
  EXPECT_EQ(dialogs_.entries()[0].icon, MessageIcon::kQuestion);
  // Further back than the oldest of the four archives, and after the processing year.
  for (const auto& [distance, year, label] :
       std::vector<std::tuple<int, int, std::string>>{{0, 2014, "ANNO CORRENTE"},
                                                      {1, 2013, "ANNO PRECEDENTE"},
                                                      {2, 2012, "ANNO PRECEDENTE 2"},
                                                      {3, 2011, "ANNO PRECEDENTE 3"},
                                                      {4, 2010, "ANNO PRECEDENTE 3"},
                                                      {-1, 2015, "ANNO CORRENTE"}}) {
    EXPECT_EQ(EmployeeNotFoundMessage("X", distance, year),
              "DIPENDENTE X Non trovato (" + label + ")");
  }
}

TEST_F(ForcedSettingsTest, AbsenceOverTheRangeKeepsOtherDaysAndRefusesBadHours) {
  Memorize();
  ASSERT_TRUE(session().db().SaveHoliday({"0311", "PROVA"}).ok());
  const DayRow day9 = Touch(9), day10 = Touch(10), day11 = Touch(11);

  AbsenceSetting a;
  a.code = "001 FERIE";  // the first three characters of the combo's item
  a.from_day = 10;
  a.to_day = 11;
  const ForcedOutcome o = ASSEGNA_ASSENZA_GIORNI(session().job(), Target(key_), a);
  EXPECT_EQ(o.result, ForcedResult::kDone);
  EXPECT_EQ(o.days, 2);
  EXPECT_TRUE(dialogs_.entries().empty());
  // The whole day; PRES_0 and slot 6 are kept; the holiday gets no hours and no absence;
  // outside the range nothing changed.
  EXPECT_EQ(Day(10), Expect(day10, 5, {"001", "08:00", "", "001", "08:00"}));
  EXPECT_EQ(Day(11), Expect(day11, 5, {"001"}));
  EXPECT_EQ(Day(9), day9);

  // Typed hours considering the worked hours: the options reach the day engine.
  a.from_day = a.to_day = 7;
  a.consider_worked_hours = true;
  a.hours = "03:00";
  ASSERT_EQ(ASSEGNA_ASSENZA_GIORNI(session().job(), Target(key_), a).result, ForcedResult::kDone);
  EXPECT_EQ(Day(7), Expect(Day(7), 0, {"001", "08:00", "05:00", "001", "03:00"}));

  // Hours that are not HH:MM: the message and nothing written.
  const DayRow before = Day(7);
  a.hours = "3:00";
  EXPECT_EQ(ASSEGNA_ASSENZA_GIORNI(session().job(), Target(key_), a).result, ForcedResult::kInvalidHours);
  EXPECT_EQ(dialogs_.entries()[0].icon, MessageIcon::kCritical);
  EXPECT_EQ(Shown(), "Formato ore assenza non valido.Il formato corretto deve essere HH:MM");
  EXPECT_EQ(Day(7), before);
}

TEST_F(ForcedSettingsTest, GroupIsForcedOverTheRangeAlsoForAProfile) {
  const std::string profile = Key(DemoCase::kProfile);
  Run(Month(kYear, 3), {profile});
  const DayRow day2 = Day(2, profile), day10 = Day(10, profile);
  const ForcedOutcome o = IMPOSTAGRUPPO(session().job(), Target(profile), "005 PART TIME 30 ORE", 3, 9);
  EXPECT_EQ(o.result, ForcedResult::kDone);
  EXPECT_EQ(o.days, 7);
  // Group 005: 06:00 Monday to Friday. Monday 3 and Friday 7 work, Saturday 8 does not.
  EXPECT_EQ(Day(3, profile), Expect(Day(3, profile), 0, {"005", "06:00", "06:00"}));
  EXPECT_EQ(Day(8, profile), Expect(Day(8, profile), 0, {"005"}));
  EXPECT_EQ(Day(2, profile), day2);
  EXPECT_EQ(Day(10, profile), day10);
  // A group GRUPPI does not hold: its code, no hours.
  ASSERT_EQ(IMPOSTAGRUPPO(session().job(), Target(profile), "777", 3, 3).result, ForcedResult::kDone);
  EXPECT_EQ(Day(3, profile), Expect(Day(3, profile), 0, {"777"}));
}

TEST_F(ForcedSettingsTest, WorkedHoursAreForcedOnWorkingDays) {
  Memorize();
  ASSERT_TRUE(session().db().SaveHoliday({"0312", "PROVA"}).ok());
  const DayRow day10 = Touch(10);
  EXPECT_EQ(IMPOSTAORELAV(session().job(), Target(key_), "06:15", 8, 12).days, 5);
  EXPECT_EQ(Day(10), Expect(day10, 0, {"001", "08:00", "06:15"}));
  EXPECT_EQ(Day(12), Expect(Day(12), 0, {"001"}));  // holiday

  // "00:00" keeps the theoretical hours and leaves the worked hours empty.
  ASSERT_EQ(IMPOSTAORELAV(session().job(), Target(key_), "00:00", 1, 31).result, ForcedResult::kDone);
  EXPECT_EQ(Day(10), Expect(day10, 0, {"001", "08:00"}));
  EXPECT_EQ(Day(31), Expect(Day(31), 0, {"001", "08:00"}));  // Monday

  const DayRow before = Day(10);
  EXPECT_EQ(IMPOSTAORELAV(session().job(), Target(key_), "24:60", 1, 31).result,
            ForcedResult::kInvalidHours);
  EXPECT_EQ(Shown(), "Formato ore lavorate non valido.Il formato corretto deve essere HH:MM");
  EXPECT_EQ(Day(10), before);
}

TEST_F(ForcedSettingsTest, ReprocessRebuildsTheMonthFromTheCurrentSchedule) {
  Memorize();
  ASSERT_TRUE(session().db().SaveHoliday({"0311", "PROVA"}).ok());
  const DayRow day10 = Touch(10);

  // No: nothing changes.
  dialogs_.QueueAnswers({false});
  EXPECT_EQ(cmdReimposta(session().job(), Target(key_)).result, ForcedResult::kDeclined);
  EXPECT_EQ(
      Shown(),
      "Con questa procedura viene rielaborato il mese del dipendente, cancellando le eventuali "
      "modifiche effettuate. Proseguire?");
  EXPECT_EQ(Day(10), day10);

  // Yes: the group now in the archive (003, 04:00 Monday to Friday), every justification
  // gone, the holiday and Saturday without hours.
  SetField(key_, fields::kP766, "3");
  dialogs_.QueueAnswers({true});
  const ForcedOutcome o = cmdReimposta(session().job(), Target(key_));
  EXPECT_EQ(o.result, ForcedResult::kDone);
  EXPECT_EQ(o.days, 31);
  EXPECT_EQ(Day(10), Expect(day10, 0, {"003", "04:00", "04:00"}));
  EXPECT_EQ(Day(11), Expect(Day(11), 0, {"003"}));

  // Hired on day D: the days before it are reset and stay so.
  const std::string hired = Key(DemoCase::kHiredMidMonth);
  Run(Month(kYear, 3), {hired});
  const int first = static_cast<int>(ValInt(Field(hired, fields::kP013).substr(0, 2)));
  ASSERT_GT(first, 1);
  DayRow early = Day(first - 1, hired);
  early.pres0 = 3;
  early.pres[1] = "001";
  Store(early);
  dialogs_.QueueAnswers({true});
  ASSERT_EQ(cmdReimposta(session().job(), Target(hired)).result, ForcedResult::kDone);
  EXPECT_EQ(Day(first - 1, hired), Expect(early, 0, {}));
  EXPECT_FALSE(Day(first, hired).pres[1].empty());
}

TEST_F(ForcedSettingsTest, NothingWithoutRowsOrEmployee) {
  // A month not memorized: no row is created.
  dialogs_.QueueAnswers({true});
  EXPECT_EQ(cmdReimposta(session().job(), Target(key_)).days, 0);
  EXPECT_EQ(IMPOSTAGRUPPO(session().job(), Target(key_), "001", 1, 31).days, 0);
  EXPECT_EQ(IMPOSTAORELAV(session().job(), Target(key_), "08:00", 1, 31).days, 0);
  AbsenceSetting a;
  a.code = "001";
  a.to_day = 31;
  EXPECT_EQ(ASSEGNA_ASSENZA_GIORNI(session().job(), Target(key_), a).days, 0);
  EXPECT_TRUE(Rows(key_, "201403").empty());

  // An employee not in the archive of the year.
  Memorize();
  const std::vector<DayRow> before = Rows(key_, "201403");
  dialogs_.Clear();
  EXPECT_EQ(IMPOSTAGRUPPO(session().job(), Target("9999999999"), "001", 1, 31).result,
            ForcedResult::kEmployeeNotFound);
  EXPECT_EQ(dialogs_.entries()[0].icon, MessageIcon::kCritical);
  EXPECT_EQ(Shown(), "DIPENDENTE 9999999999 - DIPENDENTE Non trovato (ANNO CORRENTE)");
  EXPECT_EQ(Rows(key_, "201403"), before);

  // An employee of a month four years back: the lists show that year, but no archive of it
  // is searched, so the employee is not found there and nothing is written.
  const std::string old_key = OrdinaryEmployee(kYear - 4);
  DayRow old_day{old_key, "20100301", 0, {}, 0};
  old_day.pres[1] = "005";
  Store(old_day);
  dialogs_.Clear();
  dialogs_.QueueAnswers({true});
  EXPECT_EQ(cmdReimposta(session().job(), Target(old_key, kYear - 4)).result,
            ForcedResult::kEmployeeNotFound);
  EXPECT_EQ(Rows(old_key, "201003"), std::vector<DayRow>{old_day});
}

}  // namespace
}  // namespace kaveltar::testing
