// The summaries on a demo installation with a memorized month: header and page numbers,
// codes without hours left out, the year title, groups in code order, the PDF file and its
// bookmarks, and pages that keep words off the ruled lines and bands with their lines.
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
  DayRow Day(const std::string& key) {
    return session_->db().FindDay(key, "20250610").value().value();
  }
  void Save(const DayRow& row) { ASSERT_TRUE(session_->db().SaveDay(row).ok()); }

  std::vector<std::string> keys_;
};

TEST_F(SummariesTest, TotalsAgreeWithTheRowsAndCodesWithoutHoursAreLeftOut) {
  // A day of holidays for the first employee: code 001 gets eight hours, 002 none.
  DayRow row = Day(keys_[0]);
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
  EXPECT_EQ(texts[3], "TIPO RIEPILOGO : RIEPILOGO PER DITTA");
  EXPECT_EQ(texts[4], "Pag. 001");
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

  const SummaryResult file =
      STAMPARIEPILOGOMESE(session_->job(), Summary(SummaryKind::kSubCompany, true));
  ASSERT_FALSE(file.pdf_file.empty());
  EXPECT_EQ(
      fs::path(file.pdf_file).filename().string().rfind("RIEPS_" + keys_[0].substr(0, 3) + "_", 0),
      0u);
  const std::string password = Password();
  EXPECT_NE(
      PdfText(file.pdf_file, "-upw " + pdf_test::Quote(password)).find("CODICE SOTTODITTA : "),
      std::string::npos);
  // The schedule-group summary as PDF: one bookmark per group, the bands printed above.
  const SummaryResult groups = STAMPARIEPILOGOMESE(session_->job(), Summary(SummaryKind::kGroup, true));
  EXPECT_EQ(pdf_test::OutlineTitles(groups.pdf_file, password), bands);

  // The justification summary of a month never memorized: the message word for word, nothing
  // printed.
  const size_t printed = printer_->printed().size();
  SummaryRequest july = Summary(SummaryKind::kJustification);
  july.month = 7;
  EXPECT_EQ(STAMPARIEPILOGOMESE(session_->job(), july).message, "Periodo richiesto 07/2025 Inesistente");
  EXPECT_EQ(printer_->printed().size(), printed);
}

void ExpectNoPageEndsWithABand(const RecordingPrinterJob::Document& doc, const std::string& name) {
  for (int page = 1; page <= doc.pages; ++page) {
    std::string last;
    for (const RecordingPrinterJob::Item& i : doc.items) {
      if (i.page == page && i.kind == RecordingPrinterJob::Item::Kind::kText) last = i.text;
    }
    for (const char* band : {"DIPENDENTE : ", "CODICE SOTTODITTA : ", "CODICE GRUPPO ORARIO : ",
                             "CODICE ASSENZA : "}) {
      EXPECT_NE(last.rfind(band, 0), 0u) << name << ", page " << page << " ends with " << last;
    }
  }
}

// Every summary kind over several pages, on the printer and in PDF: no word crosses a ruled
// line, and no page ends with a group's band whose lines begin on the next page.
TEST_F(SummariesTest, PagesKeepWordsOffLinesAndBandsWithTheirLines) {
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
    ExpectNoPageEndsWithABand(doc, name);

    const SummaryResult file = STAMPARIEPILOGOMESE(session_->job(), Summary(kind, true));
    ASSERT_FALSE(file.pdf_file.empty()) << name << ": " << file.message;
    const std::vector<ruled_lines::Page> pages = ruled_lines::PdfPages(file.pdf_file, Password());
    EXPECT_EQ(static_cast<int>(pages.size()), file.pages) << name;
    EXPECT_EQ(ruled_lines::Crossings(pages), std::vector<std::string>{}) << name;
  }

  // Code 301 used by one more employee at a time: its group grows by a line, and every later
  // group of three lines moves down by one row, until one band falls on a page's last row.
  for (size_t k = 1; k <= 2; ++k) {
    DayRow day = Day(keys_[k]);
    day.SlotCode(1) = "301";
    day.SlotHours(1) = "01:00";
    Save(day);
    STAMPARIEPILOGOMESE(session_->job(), Summary(SummaryKind::kJustification));
    ExpectNoPageEndsWithABand(printer_->printed().back(),
                              "301 used " + std::to_string(k + 1) + " times");
  }
}

}  // namespace
}  // namespace kaveltar
