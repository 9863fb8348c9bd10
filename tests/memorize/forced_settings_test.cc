// The forced month settings and reprocessing on a demo installation (processing year 2014,
// March): their questions, what the absence setting keeps, the days without a row, and the
// refusals with their messages. Each setting over a range is driven by the grid screen test.
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
  DayRow Day(int day) { return **session().db().FindDay(key_, "201403" + ZeroPad(day, 2)); }
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
  EXPECT_EQ(kReprocessQuestion,
            "Con questa procedura viene rielaborato il mese del dipendente, cancellando le "
            "eventuali modifiche effettuate. Proseguire?");
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

TEST_F(ForcedSettingsTest, AbsenceKeepsWhatItDoesNotOwnAndRefusesBadHours) {
  Memorize();
  // Day 10 with manual changes, PRES_0 and an imported slot, to see what the setting keeps.
  DayRow day10 = Day(10);
  day10.pres0 = 5;
  day10.pres[4] = "030";
  day10.pres[14] = "900";
  day10.pres[15] = "03:00";
  day10.protocollo = 12;
  ASSERT_TRUE(session().db().SaveDay(day10).ok());

  AbsenceSetting a;
  a.code = "001 FERIE";  // the first three characters of the combo's item
  a.from_day = a.to_day = 10;
  const ForcedOutcome o = ASSEGNA_ASSENZA_GIORNI(session().job(), Target(key_), a);
  EXPECT_EQ(o.result, ForcedResult::kDone);
  EXPECT_EQ(o.days, 1);
  EXPECT_TRUE(dialogs_.entries().empty());
  // The whole day; PRES_0 and slot 6 are kept.
  EXPECT_EQ(Day(10), Expect(day10, 5, {"001", "08:00", "", "001", "08:00"}));

  // Hours that are not HH:MM: the message and nothing written.
  a.hours = "3:00";
  EXPECT_EQ(ASSEGNA_ASSENZA_GIORNI(session().job(), Target(key_), a).result,
            ForcedResult::kInvalidHours);
  EXPECT_EQ(Shown(), "Formato ore assenza non valido.Il formato corretto deve essere HH:MM");
  EXPECT_EQ(Day(10), Expect(day10, 5, {"001", "08:00", "", "001", "08:00"}));
}

TEST_F(ForcedSettingsTest, NothingWithoutRowsOrEmployee) {
  // A month not memorized: no row is created.
  dialogs_.QueueAnswers({true});
  EXPECT_EQ(cmdReimposta(session().job(), Target(key_)).days, 0);
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
  ASSERT_TRUE(session().db().SaveDay(old_day).ok());
  dialogs_.Clear();
  dialogs_.QueueAnswers({true});
  EXPECT_EQ(cmdReimposta(session().job(), Target(old_key, kYear - 4)).result,
            ForcedResult::kEmployeeNotFound);
  EXPECT_EQ(Rows(old_key, "201003"), std::vector<DayRow>{old_day});
}

}  // namespace
}  // namespace kaveltar::testing
