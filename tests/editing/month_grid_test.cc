// The month grid on a real SQLite database of a demo installation (processing year 2014,
// March): layout, loading and its holiday marking, the check mark and the totals, every cell
// rule with its messages, the two choices the rules leave open, save, undo and leaving.
#include "editing/month_grid.h"

#include <map>

#include "base/hours.h"
#include "base/keys.h"
#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {
namespace {

using Opened = MonthGrid::Opened;
using EditorResult = MonthGrid::EditorResult;
using SetResult = MonthGrid::SetResult;

// Demo justification codes by type.
constexpr std::string_view kAbsence = "001";   // FERIE, A
constexpr std::string_view kSickness = "004";  // MALATTIA, M
constexpr std::string_view kNeutral = "019";   // ASSEMBLEA SINDACALE, N
constexpr std::string_view kPresence = "030";  // STRAORDINARIO, P
constexpr std::string_view kTravel = "033";    // TRASFERTA, P

class MonthGridTest : public MemorizeTest {
 protected:
  void SetUp() override {
    MemorizeTest::SetUp();
    key_ = Key(DemoCase::kGroup);
  }

  // Writes the stored row of a day of March 2014: PRES_1, PRES_2, ... in order.
  void PutDay(int day, std::vector<std::string> pres, long pres0 = 0) {
    DayRow row;
    row.employee = key_;
    row.period = "201403" + ZeroPad(day, 2);
    row.pres0 = pres0;
    for (size_t n = 0; n < pres.size(); ++n) row.pres[n + 1] = pres[n];
    ASSERT_TRUE(session().db().SaveDay(row).ok());
  }
  DayRow Stored(int day, const std::string& month = "201403") {
    auto row = session().db().FindDay(key_, month + ZeroPad(day, 2));
    EXPECT_TRUE(row.ok() && row->has_value());
    return row.ok() && *row ? **row : DayRow{};
  }
  // A memorized March, then the grid on it.
  MonthGrid& Open(int year = kYear, int month = 3, std::string municipality = "", std::string company = "") {
    if (year == kYear && month == 3 && Rows(key_, "201403").empty()) Run(Month(kYear, 3), {key_});
    grid_ = std::make_unique<MonthGrid>(session().db(), dialogs_);
    grid_->set_observer({[this](int day, int column) { changed_.emplace_back(day, column); },
                         [this] { ++totals_changed_; }, [this] { ++reloads_begun_; }, [this] { ++reloads_; },
                         nullptr});
    grid_->Load({key_, year, month, std::move(municipality), std::move(company)});
    changed_.clear();
    dialogs_.Clear();
    return *grid_;
  }
  // Types keys into the open hours editor.
  std::vector<EditorResult> Type(std::string_view keys) {
    std::vector<EditorResult> results;
    for (char c : keys) results.push_back(grid_->EditorKey(static_cast<unsigned char>(c)));
    return results;
  }

  std::string key_;
  std::unique_ptr<MonthGrid> grid_;
  std::vector<std::pair<int, int>> changed_;
  int totals_changed_ = 0;
  int reloads_begun_ = 0;
  int reloads_ = 0;
};

TEST(MonthGridLayout, ColumnsWeekdaysAndTexts) {
  const auto columns = GridColumnLayouts();
  ASSERT_EQ(columns.size(), 16u);
  const std::vector<std::string_view> headings = {"Data",  "Giorno", "Gr.Or.", "H.Teo", "H.Lav", "ASS.1",
                                                  "Ore",   "ASS.2",  "Ore",    "ASS.3", "Ore",   "ASS.4",
                                                  "Ore",   "ASS.5",  "Ore",    "*"};
  int width = 0;
  for (size_t c = 0; c < columns.size(); ++c) {
    EXPECT_EQ(columns[c].heading, headings[c]);
    width += columns[c].width_twips;
  }
  EXPECT_EQ(columns[0].width_twips, 1230);
  EXPECT_EQ(columns[1].width_twips, 1000);
  EXPECT_EQ(columns[2].width_twips, 750);
  EXPECT_EQ(columns[15].width_twips, 500);
  EXPECT_EQ(width, 1230 + 1000 + 750 + 12 * 650 + 500);
  EXPECT_EQ(columns[0].background, kSystemBackground);
  EXPECT_EQ(columns[1].background, 0xC0C0FF);
  EXPECT_EQ(columns[2].background, 0xC0FFFF);
  EXPECT_EQ(columns[3].background, 0xFFFFC0);
  EXPECT_EQ(columns[4].background, 0xC0FFC0);
  for (int slot = 1; slot <= 5; ++slot) {
    EXPECT_EQ(columns[static_cast<size_t>(grid::CodeColumn(slot))].background, 0xC0E0FF);
    EXPECT_EQ(columns[static_cast<size_t>(grid::HoursColumn(slot))].background, kSystemBackground);
    EXPECT_EQ(grid::SlotOfColumn(grid::CodeColumn(slot)), slot);
    EXPECT_EQ(grid::SlotOfColumn(grid::HoursColumn(slot)), slot);
  }
  EXPECT_EQ(WeekdayName(1), "Lunedì");
  EXPECT_EQ(WeekdayName(7), "Domenica");
  EXPECT_EQ(WeekdayName(0), "");
  EXPECT_EQ(MissingPeriodMessage(2024, 6),
            "Periodo richiesto 06/2024 Inesistente\n\nPer accedere all'aggiornamento eseguire la memorizzazione "
            "tramite la funzione 'Memorizza mese'\n\nN.B.: Nel caso in cui il dipendente abbia valorizzato a '1' "
            "il codice statistico NFOR (Campo P890) quest'ultimo viene escluso automaticamente dalla "
            "memorizzazione mese");
}

TEST_F(MonthGridTest, LoadsTheStoredMonthWithDatesWeekdaysAndHolidays) {
  PutDay(3, {"001", "08:00", "04:00", std::string(kAbsence), "04:00"});
  PutDay(4, {"001", "08:00", "04:00"});
  MonthGrid& g = Open(kYear, 3, /*municipality=*/"1903", /*company=*/"2503");
  ASSERT_EQ(g.days(), 31);
  EXPECT_EQ(g.period(), "201403");
  EXPECT_EQ(g.Text(1, grid::kDate), "01/03/2014");
  EXPECT_EQ(g.Text(1, grid::kWeekday), "Sabato");
  EXPECT_EQ(g.Text(3, grid::kWeekday), "Lunedì");
  EXPECT_EQ(g.Text(3, grid::kGroup), "001");
  EXPECT_EQ(g.Text(3, 5), kAbsence);
  EXPECT_EQ(g.Text(3, 6), "04:00");
  EXPECT_EQ(g.Text(32, 0), "");
  EXPECT_FALSE(g.modified());
  EXPECT_EQ(reloads_begun_, 1);
  EXPECT_EQ(reloads_, 1);

  // 8:00 theoretical, 4:00 worked and a 4:00 absence: green check; 4:00 alone: red cross.
  EXPECT_TRUE(g.Day(3).complete);
  EXPECT_FALSE(g.Day(4).complete);

  // FESTIVITA's 0317 counts only in 2011; the patron-saint days are DDMM.
  EXPECT_FALSE(g.Day(17).holiday);
  EXPECT_TRUE(g.Day(19).holiday);  // municipality 1903
  EXPECT_TRUE(g.Day(25).holiday);  // company 2503
  EXPECT_FALSE(g.Day(18).holiday);
  EXPECT_FALSE(g.Day(1).holiday);  // weekends are not marked

  // March 2011: the 17th is red. No month there yet: every day is created with its keys.
  MonthGrid& g2011 = Open(2011, 3);
  EXPECT_TRUE(g2011.Day(17).holiday);
  EXPECT_EQ(Rows(key_, "201103").size(), 31u);
  EXPECT_EQ(Stored(17, "201103"), (DayRow{key_, "20110317", 0, {}, 0}));
}

TEST_F(MonthGridTest, MonthLengthsAndMissingOrExtraDays) {
  EXPECT_EQ(Open(2024, 2).days(), 29);
  EXPECT_EQ(Open(2023, 2).days(), 28);
  EXPECT_EQ(Open(2100, 2).days(), 28);

  // A missing day of an existing month is added with its keys only.
  Run(Month(kYear, 3), {key_});
  ASSERT_TRUE(session().db().DeleteDay(key_, "20140305").ok());
  MonthGrid& g = Open();
  EXPECT_EQ(Stored(5), (DayRow{key_, "20140305", 0, {}, 0}));
  EXPECT_EQ(g.Text(5, grid::kGroup), "");
  EXPECT_EQ(g.Text(5, grid::kDate), "05/03/2014");

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
}

TEST_F(MonthGridTest, TotalsOfTheSevenColumns) {
  for (int d = 1; d <= 31; ++d) PutDay(d, {});
  // 21 days of 8:00 and one of 0:30: 168:30 theoretical.
  for (int d = 1; d <= 21; ++d) PutDay(d, {"001", "08:00", "07:00", std::string(kAbsence), "01:00"});
  PutDay(22, {"001", "00:30", "", std::string(kPresence), "10:15"});
  MonthGrid& g = Open();
  EXPECT_EQ(g.totals()[0], "168:30");
  EXPECT_EQ(g.totals()[1], "147:00");
  EXPECT_EQ(g.totals()[2], "031:15");
  for (size_t i = 3; i < 7; ++i) EXPECT_EQ(g.totals()[i], "") << i;
  EXPECT_EQ(MinutesToLongHours(480), "008:00");
}

TEST_F(MonthGridTest, WhatAClickOnEachColumnOpens) {
  PutDay(10, {"001", "08:00", "08:00", std::string(kAbsence), ""});
  MonthGrid& g = Open();
  for (int column : {grid::kDate, grid::kWeekday, grid::kCheck}) {
    EXPECT_EQ(g.Activate(10, column), Opened::kNothing) << column;
  }
  EXPECT_EQ(g.Activate(0, grid::kGroup), Opened::kNothing);
  EXPECT_EQ(g.Activate(32, grid::kGroup), Opened::kNothing);

  // Column 2: the groups after the clearing line.
  ASSERT_EQ(g.Activate(10, grid::kGroup), Opened::kGroupList);
  EXPECT_EQ(g.list_heading(), "LISTA GRUPPI ORARI");
  std::vector<GroupRow> groups;
  ASSERT_TRUE(session().db().ListGroups(&groups).ok());
  ASSERT_EQ(g.list_lines().size(), groups.size() + 1);
  EXPECT_EQ(g.list_lines()[0], "000 AZZERAMENTO CAMPO");
  EXPECT_EQ(g.list_lines()[1], "001 TEMPO PIENO 40 ORE LUN-VEN");

  // A code column: the justifications, description padded, UNIEMENS label when set.
  ASSERT_EQ(g.Activate(10, 7), Opened::kJustificationList);
  EXPECT_EQ(g.list_heading(), "LISTA GIUSTIFICATIVI");
  EXPECT_EQ(g.list_lines()[0], "000 AZZERAMENTO CAMPO");
  std::map<std::string, std::string> by_code;
  for (const std::string& line : g.list_lines()) by_code[line.substr(0, 3)] = line;
  EXPECT_EQ(by_code["001"], "001 " + PadRight("FERIE", 40));
  EXPECT_EQ(by_code["006"], "006 MATERNITÀ OBBLIGATORIA" + std::string(18, ' ') + " (A1 MAT. OBBLIG.(MA1))");
  EXPECT_EQ(by_code["009"], "009 " + PadRight("CIG ORDINARIA AUTORIZZATA", 40) + " (1A CGO Tipo Evento A)");

  // Hours columns open the editor on the cell's text; a slot's hours need its code first.
  ASSERT_EQ(g.Activate(10, grid::kTheoretical), Opened::kHoursEditor);
  EXPECT_EQ(g.editor_text(), "08:00");
  EXPECT_TRUE(g.list_lines().empty());  // opening one closes the other
  ASSERT_EQ(g.Activate(10, 6), Opened::kHoursEditor);
  EXPECT_EQ(g.editor_text(), "  :  ");
  EXPECT_EQ(g.active_day(), 10);
  EXPECT_EQ(g.active_column(), 6);
  dialogs_.Clear();
  EXPECT_EQ(g.Activate(10, 8), Opened::kNothing);
  ASSERT_EQ(dialogs_.entries().size(), 1u);
  EXPECT_EQ(dialogs_.entries()[0].text, "Inserire prima il giustificativo di assenza");
  EXPECT_EQ(dialogs_.entries()[0].title, "ATTENZIONE");
  EXPECT_EQ(g.opened(), Opened::kNothing);
  EXPECT_FALSE(g.modified());
}

TEST_F(MonthGridTest, PickListChoicesGroupCodeDuplicateAndClearing) {
  PutDay(10, {"001", "08:00", "06:00", std::string(kAbsence), "02:00"});  // Monday
  PutDay(15, {"001", "", "", "", ""});                                    // Saturday
  MonthGrid& g = Open();

  // A group: its code and the hours of the row's weekday (GRUP_2 Monday, GRUP_7 Saturday).
  g.Activate(10, grid::kGroup);
  int row = -1;
  for (size_t i = 0; i < g.list_lines().size(); ++i) {
    if (g.list_lines()[i].starts_with("011 ")) row = static_cast<int>(i);
  }
  ASSERT_GT(row, 0);
  EXPECT_TRUE(g.ChooseLine(row));
  EXPECT_EQ(g.Text(10, grid::kGroup), "011");
  EXPECT_EQ(g.Text(10, grid::kTheoretical), "07:00");
  EXPECT_EQ(g.Text(10, grid::kWorked), "06:00");  // worked hours are not touched
  EXPECT_EQ(g.opened(), Opened::kNothing);
  EXPECT_TRUE(g.modified());
  EXPECT_EQ(g.SetCell(15, grid::kGroup, "11"), SetResult::kApplied);
  EXPECT_EQ(g.Text(15, grid::kTheoretical), "05:00");
  EXPECT_EQ(g.SetCell(15, grid::kGroup, "1"), SetResult::kApplied);  // Saturday "00:00": empty
  EXPECT_EQ(g.Text(15, grid::kGroup), "001");
  EXPECT_EQ(g.Text(15, grid::kTheoretical), "");
  EXPECT_EQ(g.SetCell(15, grid::kGroup, "999"), SetResult::kNotInList);
  EXPECT_EQ(g.opened(), Opened::kNothing);

  // A code already in another slot of the day is refused; the cell keeps its code.
  dialogs_.Clear();
  EXPECT_EQ(g.SetCell(10, 7, std::string(kAbsence)), SetResult::kRefused);
  ASSERT_EQ(dialogs_.entries().size(), 1u);
  EXPECT_EQ(dialogs_.entries()[0].text,
            "Il codice del giustificativo immesso e' gia' presente\nnella giornata. Modificare il giustificativo "
            "esistente\nIl giustificativo non verrà memorizzato");
  EXPECT_EQ(dialogs_.entries()[0].title, "Controllo ore Giustificativi");
  EXPECT_EQ(g.Text(10, 7), "");
  EXPECT_EQ(g.opened(), Opened::kNothing);
  // The same code into its own slot is no duplicate.
  EXPECT_EQ(g.SetCell(10, 5, std::string(kAbsence)), SetResult::kApplied);
  EXPECT_EQ(g.SetCell(10, 7, "19"), SetResult::kApplied);
  EXPECT_EQ(g.Text(10, 7), kNeutral);
  EXPECT_EQ(g.SetCell(10, 9, "ZZZ"), SetResult::kNotInList);

  // "000 AZZERAMENTO CAMPO": a code goes with its hours; a group leaves the hours.
  g.Activate(10, 5);
  EXPECT_TRUE(g.ChooseLine(0));
  EXPECT_EQ(g.Text(10, 5), "");
  EXPECT_EQ(g.Text(10, 6), "");
  EXPECT_EQ(g.SetCell(10, grid::kGroup, "000"), SetResult::kApplied);
  EXPECT_EQ(g.Text(10, grid::kGroup), "");
  EXPECT_EQ(g.Text(10, grid::kTheoretical), "07:00");

  // No list open, or a line outside it: nothing.
  EXPECT_FALSE(g.ChooseLine(0));
  g.Activate(10, 5);
  EXPECT_FALSE(g.ChooseLine(1000));
  g.CloseList();
  EXPECT_EQ(g.opened(), Opened::kNothing);
}

TEST_F(MonthGridTest, HoursEditorKeyboardMask) {
  PutDay(10, {"001", "08:00", "08:00"});
  MonthGrid& g = Open();
  ASSERT_EQ(g.Activate(10, grid::kWorked), Opened::kHoursEditor);
  // Backspace blanks the editor; "5" as the first hour digit beeps.
  EXPECT_EQ(g.EditorKey(kKeyBackspace), EditorResult::kTyped);
  EXPECT_EQ(g.editor_text(), "  :  ");
  EXPECT_EQ(g.EditorKey('5'), EditorResult::kBeep);
  EXPECT_EQ(g.EditorKey('x'), EditorResult::kBeep);
  EXPECT_EQ(g.editor_caret(), 0);
  // "12" then Enter: "12:00".
  EXPECT_EQ(Type("12"), (std::vector<EditorResult>{EditorResult::kTyped, EditorResult::kTyped}));
  EXPECT_EQ(g.editor_text(), "12:  ");
  EXPECT_EQ(g.editor_caret(), 3);
  EXPECT_EQ(g.EditorKey(kKeyEnter), EditorResult::kCommitted);
  EXPECT_EQ(g.Text(10, grid::kWorked), "08:00");  // capped at the theoretical hours
  EXPECT_EQ(g.opened(), Opened::kNothing);
  EXPECT_EQ(g.editor_text(), "");

  // 47:59 is accepted, 48:00 refused by the final check with the editor left open.
  g.Activate(10, grid::kTheoretical);
  Type("4759");
  EXPECT_EQ(g.editor_caret(), 5);
  EXPECT_EQ(g.EditorKey('1'), EditorResult::kTyped);  // swallowed at the end
  EXPECT_EQ(g.editor_text(), "47:59");
  EXPECT_EQ(g.EditorKey(kKeyTab), EditorResult::kCommitted);
  EXPECT_EQ(g.Text(10, grid::kTheoretical), "47:59");
  g.Activate(10, grid::kTheoretical);
  Type("48");
  dialogs_.Clear();
  EXPECT_EQ(g.EditorKey(kKeySpace), EditorResult::kInvalid);
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{"ERRORE HH:MM"});
  EXPECT_EQ(dialogs_.entries()[0].title, "ERRORE");
  EXPECT_EQ(g.opened(), Opened::kHoursEditor);
  EXPECT_EQ(g.Text(10, grid::kTheoretical), "47:59");
  // Esc ends without a commit.
  EXPECT_EQ(g.EditorKey(kKeyEscape), EditorResult::kCancelled);
  EXPECT_EQ(g.opened(), Opened::kNothing);
  EXPECT_EQ(g.Text(10, grid::kTheoretical), "47:59");
  // A blank editor committed empties the cell; 00:00 is kept as the empty text.
  g.Activate(10, grid::kTheoretical);
  EXPECT_EQ(g.EditorKey(kKeyBackspace), EditorResult::kTyped);
  EXPECT_EQ(g.EditorKey(kKeyEnter), EditorResult::kCommitted);
  EXPECT_EQ(g.Text(10, grid::kTheoretical), "");
  EXPECT_EQ(g.SetCell(10, grid::kTheoretical, "00:00"), SetResult::kApplied);
  EXPECT_EQ(g.Text(10, grid::kTheoretical), "");
  EXPECT_EQ(g.SetCell(10, grid::kTheoretical, "7:30"), SetResult::kRefused);
  EXPECT_EQ(g.SetCell(10, grid::kTheoretical, "07:"), SetResult::kApplied);
  EXPECT_EQ(g.Text(10, grid::kTheoretical), "07:00");
}

TEST_F(MonthGridTest, WorkedHoursStayWithinTheDayLessItsAbsences) {
  PutDay(10, {"001", "08:00", "06:00", std::string(kAbsence), "02:00", std::string(kPresence), "03:00"});
  PutDay(11, {"001", "", "", std::string(kAbsence), "02:00"});
  MonthGrid& g = Open();
  dialogs_.Clear();
  // 09:00 on a day of 08:00 with a 2:00 absence stores 06:00 (the presence slot does not
  // count), without a message.
  EXPECT_EQ(g.SetCell(10, grid::kWorked, "09:00"), SetResult::kApplied);
  EXPECT_EQ(g.Text(10, grid::kWorked), "06:00");
  EXPECT_EQ(g.SetCell(10, grid::kWorked, "05:00"), SetResult::kApplied);
  EXPECT_EQ(g.Text(10, grid::kWorked), "05:00");
  // No theoretical hours: as entered.
  EXPECT_EQ(g.SetCell(11, grid::kWorked, "09:00"), SetResult::kApplied);
  EXPECT_EQ(g.Text(11, grid::kWorked), "09:00");
  EXPECT_TRUE(dialogs_.entries().empty());
}

TEST_F(MonthGridTest, JustificationHoursByTypeOfTheirCode) {
  // 10: T 8, W 8.   11: T 8, W 4.   12: W 20 and a presence of 2:00.   13: T 8, W 8.
  PutDay(10, {"001", "08:00", "08:00", std::string(kAbsence), "", std::string(kPresence), ""});
  PutDay(11, {"001", "08:00", "04:00", std::string(kAbsence), "", std::string(kSickness), ""});
  PutDay(12, {"001", "08:00", "20:00", std::string(kPresence), "02:00", std::string(kTravel), ""});
  PutDay(13, {"001", "08:00", "08:00", std::string(kNeutral), ""});
  MonthGrid& g = Open();
  const auto messages = [this] {
    std::vector<std::string> texts = dialogs_.Texts();
    dialogs_.Clear();
    return texts;
  };
  const std::string absence_cap =
      "Le ore del giustificativo di assenza immesso sono superiori\na quelle necessarie per la corretta "
      "chiusura della giornata.\nLe ore verranno adeguate in automatico";
  const std::string presence_cap =
      "Le ore del giustificativo di presenza immesso non possono\nsuperare, sommate alle ore lavorate, le 24 "
      "ore.\nLe ore verranno adeguate in automatico";

  // A day already fully worked drops an absence, code and all; a presence adds to it.
  EXPECT_EQ(g.SetCell(10, 6, "04:00"), SetResult::kApplied);
  EXPECT_EQ(g.Text(10, 5), "");
  EXPECT_EQ(g.Text(10, 6), "");
  EXPECT_EQ(g.SetCell(10, 8, "04:00"), SetResult::kApplied);
  EXPECT_EQ(g.Text(10, 7), kPresence);
  EXPECT_EQ(g.Text(10, 8), "04:00");
  EXPECT_TRUE(messages().empty());

  // 4:00 missing: 06:00 of absence becomes 04:00 with the message.
  EXPECT_EQ(g.SetCell(11, 6, "06:00"), SetResult::kApplied);
  EXPECT_EQ(g.Text(11, 6), "04:00");
  EXPECT_EQ(messages(), std::vector<std::string>{absence_cap});
  EXPECT_EQ(dialogs_.entries().size(), 0u);
  // Nothing left for sickness: reduced to 0, the code goes.
  EXPECT_EQ(g.SetCell(11, 8, "01:00"), SetResult::kApplied);
  EXPECT_EQ(g.Text(11, 7), "");
  EXPECT_EQ(g.Text(11, 8), "");
  EXPECT_EQ(messages(), std::vector<std::string>{absence_cap});
  EXPECT_TRUE(g.Day(11).complete);

  // Presence within 24 hours: 20:00 worked and 2:00 of presence leave 2:00 of the 5:00.
  EXPECT_EQ(g.SetCell(12, 8, "05:00"), SetResult::kApplied);
  EXPECT_EQ(g.Text(12, 8), "02:00");
  EXPECT_EQ(messages(), std::vector<std::string>{presence_cap});
  // 47:59 is first capped at 24 hours, then to what the day leaves.
  EXPECT_EQ(g.SetCell(12, 8, "47:59"), SetResult::kApplied);
  EXPECT_EQ(g.Text(12, 8), "02:00");
  EXPECT_EQ(messages(), std::vector<std::string>{presence_cap});
  // A day already holding 24 hours leaves nothing: the code goes.
  EXPECT_EQ(g.SetCell(12, 9, "031"), SetResult::kApplied);
  EXPECT_EQ(g.SetCell(12, 10, "01:00"), SetResult::kApplied);
  EXPECT_EQ(g.Text(12, 9), "");
  EXPECT_EQ(g.Text(12, 10), "");
  EXPECT_EQ(messages(), std::vector<std::string>{presence_cap});

  // Neutral: as entered, whatever the day holds.
  EXPECT_EQ(g.SetCell(13, 6, "10:00"), SetResult::kApplied);
  EXPECT_EQ(g.Text(13, 6), "10:00");
  EXPECT_TRUE(messages().empty());
  // Zero hours for any type empties the code.
  EXPECT_EQ(g.SetCell(13, 6, ""), SetResult::kApplied);
  EXPECT_EQ(g.Text(13, 5), "");

  // The dialog entries carry the title and the information icon.
  EXPECT_EQ(g.SetCell(11, 6, "08:00"), SetResult::kApplied);
  ASSERT_EQ(dialogs_.entries().size(), 1u);
  EXPECT_EQ(dialogs_.entries()[0].title, "Controllo ore Giustificativi");
  EXPECT_EQ(dialogs_.entries()[0].icon, MessageIcon::kInformation);
}

TEST_F(MonthGridTest, ObserversHearExactlyTheChangedCells) {
  PutDay(10, {"001", "08:00", "04:00"});
  MonthGrid& g = Open();
  EXPECT_FALSE(g.Day(10).complete);
  totals_changed_ = 0;
  EXPECT_EQ(g.SetCell(10, grid::kWorked, "08:00"), SetResult::kApplied);
  EXPECT_EQ(changed_, (std::vector<std::pair<int, int>>{{10, grid::kWorked}, {10, grid::kCheck}}));
  EXPECT_TRUE(g.Day(10).complete);
  EXPECT_EQ(totals_changed_, 1);
  changed_.clear();
  EXPECT_EQ(g.SetCell(10, 5, "001"), SetResult::kApplied);
  EXPECT_EQ(changed_, (std::vector<std::pair<int, int>>{{10, 5}}));
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

  ASSERT_EQ(g.SetCell(10, grid::kTheoretical, "08:00"), SetResult::kApplied);
  ASSERT_EQ(g.SetCell(10, grid::kWorked, "05:00"), SetResult::kApplied);
  ASSERT_EQ(g.SetCell(10, 5, std::string(kAbsence)), SetResult::kApplied);
  ASSERT_EQ(g.SetCell(10, 6, "03:00"), SetResult::kApplied);
  ASSERT_TRUE(g.modified());

  // No: nothing written, the mark stays.
  dialogs_.QueueAnswers({false});
  EXPECT_FALSE(g.ConfirmAndSave());
  EXPECT_EQ(dialogs_.entries().back().text, "Salvare le modifiche apportate alle timbrature?");
  EXPECT_EQ(dialogs_.entries().back().icon, MessageIcon::kQuestion);
  EXPECT_EQ(Stored(10), day10);
  EXPECT_TRUE(g.modified());
  EXPECT_EQ(busy, 0);

  // Yes, with the editor open: it is closed first, then the month written.
  g.Activate(11, grid::kWorked);
  dialogs_.QueueAnswers({true});
  EXPECT_TRUE(g.ConfirmAndSave());
  EXPECT_EQ(g.opened(), Opened::kNothing);
  EXPECT_FALSE(g.modified());
  EXPECT_EQ(busy, 1);
  DayRow expected = day10;
  expected.pres[2] = "08:00";
  expected.pres[3] = "05:00";
  expected.pres[4] = std::string(kAbsence);
  expected.pres[5] = "03:00";
  EXPECT_EQ(Stored(10), expected);
  EXPECT_EQ(Rows(key_, "201403").size(), 31u);

  // The month opened again shows the saved values.
  MonthGrid& again = Open();
  EXPECT_EQ(again.Text(10, 6), "03:00");
}

TEST_F(MonthGridTest, UndoReloadsTheLastSaveAndLeavingAsksToSave) {
  Run(Month(kYear, 3), {key_});
  const std::vector<DayRow> before = Rows(key_, "201403");
  MonthGrid& g = Open();
  const std::string worked = g.Text(10, grid::kWorked);
  ASSERT_EQ(g.SetCell(10, grid::kWorked, "01:00"), SetResult::kApplied);

  dialogs_.QueueAnswers({false});
  EXPECT_FALSE(g.cmdAnnulla());
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{
                                  "Il programma riporterà le timbrature all'ultimo salvataggio effettuato. "
                                  "Proseguire?"});
  EXPECT_EQ(g.Text(10, grid::kWorked), "01:00");
  dialogs_.QueueAnswers({true});
  EXPECT_TRUE(g.cmdAnnulla());
  EXPECT_EQ(g.Text(10, grid::kWorked), worked);
  EXPECT_FALSE(g.modified());
  EXPECT_EQ(reloads_, 2);

  // Leaving with changes asks; No writes nothing and drops them.
  ASSERT_EQ(g.SetCell(10, grid::kWorked, "01:00"), SetResult::kApplied);
  dialogs_.Clear();
  dialogs_.QueueAnswers({false});
  g.Leave();
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{"Salvare le modifiche apportate alle timbrature?"});
  EXPECT_FALSE(g.modified());
  EXPECT_EQ(Rows(key_, "201403"), before);
  // Without changes nothing is asked.
  dialogs_.Clear();
  g.Leave();
  EXPECT_TRUE(dialogs_.entries().empty());

  // A month deleted meanwhile: undo shows "Inesistente" and keeps the grid.
  ASSERT_EQ(g.SetCell(10, grid::kWorked, "02:00"), SetResult::kApplied);
  ASSERT_TRUE(session().db().DeleteEmployeeMonth(key_, "201403").ok());
  dialogs_.Clear();
  dialogs_.QueueAnswers({true});
  EXPECT_FALSE(g.cmdAnnulla());
  EXPECT_EQ(dialogs_.Texts().back(), MissingPeriodMessage(kYear, 3));
  EXPECT_EQ(g.Text(10, grid::kWorked), "02:00");
  EXPECT_TRUE(Rows(key_, "201403").empty());
}

}  // namespace
}  // namespace kaveltar::testing
