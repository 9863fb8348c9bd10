// The summaries on a demo installation with a memorized month: header and totals, codes
// without hours left out, the year title, groups in code order, the PDF file's bookmarks, and
// pages that keep words off the ruled lines.
#include "printing/summaries.h"

#include "printing/printing_fixture.h"
#include "reports/ruled_lines.h"

namespace kaveltar {
namespace {

class SummariesTest : public PrintingTest {
 protected:
  // The group, profile and rotation employees of the first company, memorized.
  void SetUp() override {
    PrintingTest::SetUp();
    for (DemoCase c : {DemoCase::kGroup, DemoCase::kProfile, DemoCase::kRotation2}) {
      for (const std::string& k : report_.Keys(c)) {
        if (k.substr(0, 3) == report_.company_codes[0] &&
            std::find(keys_.begin(), keys_.end(), k) == keys_.end()) {
          keys_.push_back(k);
        }
      }
    }
    ASSERT_GE(keys_.size(), 3u);
    Memorize(keys_);
  }
  SummaryRequest Summary(SummaryKind kind, bool pdf = false) {
    SummaryRequest r;
    r.year = kYear;
    r.month = kMonth;
    r.company = keys_.front().substr(0, 3);
    r.employees = keys_;
    r.kind = kind;
    r.pdf = pdf;
    return r;
  }
  std::vector<std::string> LastTexts() { return printer_->printed().back().Texts(); }
  void Save(const DayRow& row) { ASSERT_TRUE(session_->db().SaveDay(row).ok()); }

  std::vector<std::string> keys_;
};

TEST_F(SummariesTest, TotalsAgreeWithTheRowsAndCodesWithoutHoursAreLeftOut) {
  // A day of holidays for the first employee: code 001 gets eight hours, 002 none.
  DayRow row = session_->db().FindDay(keys_[0], "20250610").value().value();
  row.SlotCode(1) = "001";
  row.SlotHours(1) = "08:00";
  row.SlotCode(2) = "002";
  row.SlotHours(2) = "";
  Save(row);

  // Worked hours of the company, straight from the rows.
  long worked = 0;
  std::vector<DayRow> rows;
  for (const std::string& k : keys_) {
    ASSERT_TRUE(session_->db().EmployeeMonth(k, "202506", &rows).ok());
    for (const DayRow& r : rows) {
      if (!r.pres[3].empty())
        worked += ValInt(r.pres[3].substr(0, 2)) * 60 + ValInt(r.pres[3].substr(3));
    }
  }
  char total[80];
  std::snprintf(total, sizeof total, "TOTALE ORE DI PRESENZA : %03ld:%02ld", worked / 60,
                worked % 60);
  EXPECT_EQ(STAMPARIEPILOGOMESE(session_->job(), Summary(SummaryKind::kCompany)).pages, 1);
  const std::vector<std::string> texts = LastTexts();
  EXPECT_EQ(texts[0], "RIEPILOGO PRESENZE/ASSENZE MESE DI : Giugno 2025");
  EXPECT_EQ(texts[2], "NUMERO DIPENDENTI ELABORATI: " + std::to_string(keys_.size()));
  EXPECT_EQ(texts[5], total);
  EXPECT_EQ(Count(texts, "TOTALE ORE GIUSTIFICATIVO 001 "), 1);
  EXPECT_EQ(Count(texts, "TOTALE ORE GIUSTIFICATIVO 002 "), 0);

  // The year: the title says so and February's rows (none) change nothing.
  SummaryRequest year = Summary(SummaryKind::kCompany);
  year.whole_year = true;
  STAMPARIEPILOGOMESE(session_->job(), year);
  EXPECT_EQ(LastTexts()[0], "RIEPILOGO PRESENZE/ASSENZE ANNO : 2025");
  EXPECT_EQ(LastTexts()[5], total);
}

TEST_F(SummariesTest, GroupsInOrderAndPdfWithBookmarks) {
  STAMPARIEPILOGOMESE(session_->job(), Summary(SummaryKind::kGroup));
  std::vector<std::string> bands;
  for (const std::string& t : LastTexts()) {
    if (t.rfind("CODICE GRUPPO ORARIO : ", 0) == 0) bands.push_back(t);
  }
  ASSERT_GE(bands.size(), 2u);
  EXPECT_TRUE(std::is_sorted(bands.begin(), bands.end()));

  // The schedule-group summary as PDF: one bookmark per group, the bands printed above.
  const SummaryResult groups =
      STAMPARIEPILOGOMESE(session_->job(), Summary(SummaryKind::kGroup, true));
  EXPECT_EQ(pdf_test::OutlineTitles(groups.pdf_file, Password()), bands);
}

// Every summary kind over several pages: every page numbered, and no word crosses a ruled line.
TEST_F(SummariesTest, PagesKeepWordsOffRuledLines) {
  // The first employee uses 150 codes, one hour each: every kind runs over several pages.
  std::vector<DayRow> rows;
  ASSERT_TRUE(session_->db().EmployeeMonth(keys_[0], "202506", &rows).ok());
  ASSERT_EQ(rows.size(), 30u);
  for (size_t d = 0; d < rows.size(); ++d) {
    for (int slot = 1; slot <= 5; ++slot) {
      rows[d].SlotCode(slot) = std::to_string(300 + d * 5 + static_cast<size_t>(slot));
      rows[d].SlotHours(slot) = "01:00";
    }
    Save(rows[d]);
  }
  for (int code = 301; code <= 450; ++code) {
    JustificationRow j;
    j.code = std::to_string(code);
    j.gius[1] = "Assenza di prova " + j.code;
    j.gius[2] = "A";
    ASSERT_TRUE(session_->db().SaveJustification(j).ok());
  }
  for (SummaryKind kind : {SummaryKind::kCompany, SummaryKind::kEmployees, SummaryKind::kSubCompany,
                           SummaryKind::kGroup, SummaryKind::kJustification}) {
    const std::string name(SummaryTitle(kind));
    const SummaryResult printed = STAMPARIEPILOGOMESE(session_->job(), Summary(kind));
    EXPECT_GT(printed.pages, 1) << name;
    const RecordingPrinterJob::Document& doc = printer_->printed().back();
    EXPECT_EQ(doc.pages, printed.pages) << name;
    const std::vector<std::string> texts = doc.Texts();  // every page numbered, the last once
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Pag. " + ZeroPad(printed.pages, 3)), 1)
        << name;
    EXPECT_EQ(ruled_lines::Crossings(ruled_lines::PrinterPages(doc)), std::vector<std::string>{})
        << name;
  }
}

}  // namespace
}  // namespace kaveltar
