// The month grid on a real SQLite database of a demo installation (processing year 2014,
// March): layout, loading and its holiday marking, the check mark and the totals, the
// justification list, every cell rule with its messages, and save.
#include "editing/month_grid.h"

#include <map>

#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {
namespace {

using Opened = MonthGrid::Opened;
using SetResult = MonthGrid::SetResult;

class MonthGridTest : public MemorizeTest {
 protected:
  void SetUp() override {
    MemorizeTest::SetUp();
    key_ = Key(DemoCase::kGroup);
  }
  // Writes the stored row of a day of March 2014: PRES_1, PRES_2, ... in order.
  void PutDay(int day, std::vector<std::string> pres) {
    DayRow row{key_, "201403" + ZeroPad(day, 2), 0, {}, 0};
    for (size_t n = 0; n < pres.size(); ++n) row.pres[n + 1] = pres[n];
    ASSERT_TRUE(session().db().SaveDay(row).ok());
  }
  DayRow Stored(int day, const std::string& month = "201403") {
    auto row = session().db().FindDay(key_, month + ZeroPad(day, 2));
    EXPECT_TRUE(row.ok() && row->has_value());
    return row.ok() && *row ? **row : DayRow{};
  }
  // The grid on a month (March memorized first when it is not there yet).
  MonthGrid& Open(int year = kYear, int month = 3, std::string municipality = "",
                  std::string company = "") {
    if (year == kYear && month == 3 && Rows(key_, "201403").empty()) Run(Month(kYear, 3), {key_});
    grid_ = std::make_unique<MonthGrid>(session().db(), dialogs_);
    grid_->set_observer({nullptr, nullptr, nullptr, [this] { ++reloads_; }, nullptr});
    grid_->Load({key_, year, month, std::move(municipality), std::move(company)});
    dialogs_.Clear();
    return *grid_;
  }
  // The one message shown since the last call ("" for none).
  std::string Shown() {
    const std::vector<std::string> texts = dialogs_.Texts();
    dialogs_.Clear();
    return texts.empty() ? "" : texts.size() == 1 ? texts[0] : "<several messages>";
  }

  std::string key_;
  std::unique_ptr<MonthGrid> grid_;
  int reloads_ = 0;
};

TEST(MonthGridLayout, ColumnHeadings) {
  std::string headings;
  for (const GridColumnLayout& c : GridColumnLayouts()) headings += std::string(c.heading) + "|";
  EXPECT_EQ(headings,
            "Data|Giorno|Gr.Or.|H.Teo|H.Lav|ASS.1|Ore|ASS.2|Ore|ASS.3|Ore|ASS.4|Ore|ASS.5|Ore|*|");
}

TEST_F(MonthGridTest, LoadsTheStoredMonthWithDatesWeekdaysAndHolidays) {
  PutDay(3, {"001", "08:00", "04:00", "001", "04:00"});
  PutDay(4, {"001", "08:00", "04:00"});
  MonthGrid& g = Open(kYear, 3, /*municipality=*/"1903", /*company=*/"2503");
  ASSERT_EQ(g.days(), 31);
  EXPECT_EQ(g.Text(1, grid::kDate), "01/03/2014");
  EXPECT_EQ(g.Text(3, grid::kWeekday), "Lunedì");
  EXPECT_EQ(g.Text(3, 6), "04:00");
  EXPECT_FALSE(g.modified());
  EXPECT_EQ(reloads_, 1);
  // 8:00 theoretical, 4:00 worked and a 4:00 absence: green check; 4:00 alone: red cross.
  EXPECT_TRUE(g.Day(3).complete);
  EXPECT_FALSE(g.Day(4).complete);
  // Which days are holidays is the holiday calendar's; the grid hands it both patron days.
  EXPECT_TRUE(g.Day(19).holiday);  // municipality 1903
  EXPECT_TRUE(g.Day(25).holiday);  // company 2503

  // February 2024 has 29 days. No month there yet: every day is created with its keys.
  EXPECT_EQ(Open(2024, 2).days(), 29);
  EXPECT_EQ(Rows(key_, "202402").size(), 29u);
  EXPECT_EQ(Stored(17, "202402"), (DayRow{key_, "20240217", 0, {}, 0}));
}

TEST_F(MonthGridTest, MissingOrExtraDaysAndTotals) {
  // A missing day of an existing month is added with its keys only.
  Run(Month(kYear, 3), {key_});
  ASSERT_TRUE(session().db().DeleteDay(key_, "20140305").ok());
  Open();
  EXPECT_EQ(Stored(5), (DayRow{key_, "20140305", 0, {}, 0}));

  // A 31st day stored in April is neither shown nor saved.
  DayRow extra{key_, "20140431", 0, {}, 0};
  extra.pres[1] = "009";
  ASSERT_TRUE(session().db().SaveDay(extra).ok());
  MonthGrid& april = Open(kYear, 4);
  EXPECT_EQ(april.days(), 30);
  ASSERT_EQ(april.SetCell(30, grid::kGroup, "002"), SetResult::kApplied);
  april.Save();
  EXPECT_EQ(Stored(31, "201404"), extra);
  EXPECT_EQ(Stored(30, "201404").pres[1], "002");

  // The seven totals: 21 days of 8:00 and one of 0:30 make 168:30 theoretical.
  for (int d = 1; d <= 31; ++d) PutDay(d, {});
  for (int d = 1; d <= 21; ++d) PutDay(d, {"001", "08:00", "07:00", "001", "01:00"});
  PutDay(22, {"001", "00:30", "", "030", "10:15"});
  EXPECT_EQ(Open().totals(),
            (std::array<std::string, 7>{"168:30", "147:00", "031:15", "", "", "", ""}));
}

TEST_F(MonthGridTest, JustificationListLinesCarryTheUniemensLabel) {
  PutDay(10, {"001", "08:00", "08:00", "001", ""});
  MonthGrid& g = Open();
  // A code column: the justifications, description padded, UNIEMENS label when set.
  ASSERT_EQ(g.Activate(10, 7), Opened::kJustificationList);
  std::map<std::string, std::string> by_code;
  for (const std::string& line : g.list_lines()) by_code[line.substr(0, 3)] = line;
  EXPECT_EQ(by_code["001"], "001 " + PadRight("FERIE", 40));
  EXPECT_EQ(by_code["009"],
            "009 " + PadRight("CIG ORDINARIA AUTORIZZATA", 40) + " (1A CGO Tipo Evento A)");
}

// Every cell rule, in order on one month: a group and its hours, duplicate codes, hours by the
// type of their code, the worked hours within the day.
TEST_F(MonthGridTest, CellRulesAndTheirMessages) {
  PutDay(10, {"001", "08:00", "08:00", "001", "", "030", ""});  // Monday
  PutDay(11, {"001", "08:00", "04:00", "001", "", "004", ""});
  PutDay(12, {"001", "08:00", "20:00", "030", "02:00", "033", ""});
  PutDay(13, {"001", "08:00", "08:00", "019", ""});
  PutDay(15, {"001", "", "", "", ""});  // Saturday
  PutDay(20, {"001", "08:00", "06:00", "001", "02:00", "030", "03:00"});
  PutDay(21, {"001", "", "", "001", "02:00"});
  MonthGrid& g = Open();
  const std::string absence_cap =
      "Le ore del giustificativo di assenza immesso sono superiori\na quelle necessarie per la "
      "corretta "
      "chiusura della giornata.\nLe ore verranno adeguate in automatico";
  const std::string presence_cap =
      "Le ore del giustificativo di presenza immesso non possono\nsuperare, sommate alle ore "
      "lavorate, le 24 "
      "ore.\nLe ore verranno adeguate in automatico";
  const std::string duplicate =
      "Il codice del giustificativo immesso e' gia' presente\nnella giornata. Modificare il "
      "giustificativo "
      "esistente\nIl giustificativo non verrà memorizzato";
  struct Edit {
    int day, column;
    std::string input;
    SetResult result;
    std::string after;  // group/theoretical, code/hours of the slot, or the worked hours
    std::string message = "";
  };
  const SetResult ok = SetResult::kApplied;
  const std::vector<Edit> edits = {
      // A group: its code and the hours of the row's weekday ("00:00" on Saturday: empty);
      // "000" clears the code and leaves the hours.
      {15, grid::kGroup, "11", ok, "011/05:00"},
      {15, grid::kGroup, "1", ok, "001/"},
      {15, grid::kGroup, "999", SetResult::kNotInList, "001/"},
      {10, grid::kGroup, "000", ok, "/08:00"},
      // A code already in another slot of the day is refused; into its own slot it is no
      // duplicate.
      {10, 7, "001", SetResult::kRefused, "030/", duplicate},
      {10, 5, "001", ok, "001/"},
      {10, 9, "19", ok, "019/"},
      {10, 11, "ZZZ", SetResult::kNotInList, "/"},
      // A day already fully worked drops an absence, code and all; a presence adds to it.
      {10, 6, "04:00", ok, "/"},
      {10, 8, "04:00", ok, "030/04:00"},
      // 4:00 missing: 06:00 of absence becomes 04:00; nothing left for sickness: the code goes.
      {11, 6, "06:00", ok, "001/04:00", absence_cap},
      {11, 8, "01:00", ok, "/", absence_cap},
      // Presence within 24 hours: 20:00 worked and 2:00 of presence leave 2:00; 47:59 is
      // first capped at 24 hours; a day holding 24 hours leaves nothing.
      {12, 8, "05:00", ok, "033/02:00", presence_cap},
      {12, 9, "031", ok, "031/"},
      {12, 10, "01:00", ok, "/", presence_cap},
      // Neutral: as entered; zero hours for any type empties the code.
      {13, 6, "10:00", ok, "019/10:00"},
      {13, 6, "", ok, "/"},
      // Worked hours: the day less its absences (the presence does not count), without a
      // message; no theoretical hours: as entered.
      {20, grid::kWorked, "09:00", ok, "06:00"},
      {21, grid::kWorked, "09:00", ok, "09:00"},
      // Theoretical hours typed: completed, "00:00" kept as the empty text, "7:30" refused.
      {21, grid::kTheoretical, "07:", ok, "07:00"},
      {21, grid::kTheoretical, "00:00", ok, ""},
      {21, grid::kTheoretical, "7:30", SetResult::kRefused, "", "ERRORE HH:MM"},
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(std::to_string(e.day) + " " + std::to_string(e.column) + " " + e.input);
    EXPECT_EQ(g.SetCell(e.day, e.column, e.input), e.result);
    std::string after = g.Text(e.day, e.column);
    if (e.column == grid::kGroup || grid::IsCodeColumn(e.column))
      after += "/" + g.Text(e.day, e.column + 1);
    if (grid::IsSlotHoursColumn(e.column)) after = g.Text(e.day, e.column - 1) + "/" + after;
    EXPECT_EQ(after, e.after);
    if (!e.message.empty()) {
      EXPECT_EQ(dialogs_.entries().back().title,
                e.message == "ERRORE HH:MM" ? "ERRORE" : "Controllo ore Giustificativi");
    }
    EXPECT_EQ(Shown(), e.message);
    EXPECT_EQ(g.opened(), Opened::kNothing);
  }
  EXPECT_TRUE(g.Day(11).complete);
  EXPECT_TRUE(g.modified());
}

TEST_F(MonthGridTest, SaveWritesTheGridAndKeepsWhatItDoesNotShow) {
  Run(Month(kYear, 3), {key_});
  DayRow day10 = Stored(10);
  day10.pres0 = 7;
  day10.pres[14] = "900";
  day10.pres[15] = "01:00";
  day10.protocollo = 42;
  ASSERT_TRUE(session().db().SaveDay(day10).ok());
  MonthGrid& g = Open();
  int busy = 0;
  g.set_busy([&](const std::function<void()>& work) {
    ++busy;
    work();
  });
  ASSERT_EQ(g.SetCell(10, grid::kWorked, "05:00"), SetResult::kApplied);
  ASSERT_EQ(g.SetCell(10, 5, "001"), SetResult::kApplied);
  ASSERT_EQ(g.SetCell(10, 6, "03:00"), SetResult::kApplied);

  // With the editor open: it is closed first, then the month written.
  g.Activate(11, grid::kWorked);
  dialogs_.QueueAnswers({true});
  EXPECT_TRUE(g.ConfirmAndSave());
  EXPECT_EQ(g.opened(), Opened::kNothing);
  EXPECT_FALSE(g.modified());
  EXPECT_EQ(busy, 1);
  DayRow expected = day10;
  expected.pres[3] = "05:00";
  expected.pres[4] = "001";
  expected.pres[5] = "03:00";
  EXPECT_EQ(Stored(10), expected);
  EXPECT_EQ(Rows(key_, "201403").size(), 31u);
}

}  // namespace
}  // namespace kaveltar::testing
