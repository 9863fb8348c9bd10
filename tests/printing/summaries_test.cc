// The summaries on a demo installation with a memorized month: header and page numbers,
// codes without hours left out, the year title, groups in code order, page breaks, the
// missing-period message and the PDF file.
#include "printing/summaries.h"

#include "base/text.h"
#include "pdf/pdf_test_util.h"
#include "printing/printing_fixture.h"
#include "reports/ruled_lines.h"

namespace kaveltar {
namespace {

class SummariesTest : public PrintingTest {
 protected:
  SummaryRequest Summary(SummaryKind kind, const std::vector<std::string>& keys) {
    SummaryRequest r;
    r.year = kYear;
    r.month = kMonth;
    r.company = keys.front().substr(0, 3);
    r.employees = keys;
    r.kind = kind;
    return r;
  }
  std::vector<std::string> CompanyKeys() {
    std::vector<std::string> keys;
    const std::string company = report_.company_codes[0];
    for (DemoCase c : {DemoCase::kGroup, DemoCase::kProfile, DemoCase::kRotation2}) {
      for (const std::string& k : report_.Keys(c)) {
        if (k.substr(0, 3) == company && std::find(keys.begin(), keys.end(), k) == keys.end()) keys.push_back(k);
      }
    }
    return keys;
  }
  std::vector<std::string> LastTexts() { return printer_->printed().back().Texts(); }
};

TEST_F(SummariesTest, TotalsAgreeWithTheRowsAndCodesWithoutHoursAreLeftOut) {
  const std::vector<std::string> keys = CompanyKeys();
  ASSERT_GE(keys.size(), 3u);
  Memorize(keys);
  // A day of holidays for the first employee: code 001 gets eight hours.
  DayRow row = session_->db().FindDay(keys[0], "20250610").value().value();
  row.SlotCode(1) = "001";
  row.SlotHours(1) = "08:00";
  row.SlotCode(2) = "002";
  row.SlotHours(2) = "";
  ASSERT_TRUE(session_->db().SaveDay(row).ok());

  // Worked hours of the company, straight from the rows.
  long worked = 0;
  std::vector<DayRow> rows;
  for (const std::string& k : keys) {
    ASSERT_TRUE(session_->db().EmployeeMonth(k, "202506", &rows).ok());
    for (const DayRow& r : rows) {
      if (!r.pres[3].empty()) worked += ValInt(r.pres[3].substr(0, 2)) * 60 + ValInt(r.pres[3].substr(3));
    }
  }
  const SummaryResult result = STAMPARIEPILOGOMESE(*session_, Summary(SummaryKind::kCompany, keys));
  EXPECT_EQ(result.pages, 1);
  const std::vector<std::string> texts = LastTexts();
  EXPECT_EQ(texts[0], "RIEPILOGO PRESENZE/ASSENZE MESE DI : Giugno 2025");
  EXPECT_EQ(texts[2], "NUMERO DIPENDENTI ELABORATI: " + std::to_string(keys.size()));
  EXPECT_EQ(texts[3], "TIPO RIEPILOGO : RIEPILOGO PER DITTA");
  EXPECT_EQ(texts[4], "Pag. 001");
  char total[32];
  std::snprintf(total, sizeof total, "%03ld:%02ld", worked / 60, worked % 60);
  EXPECT_EQ(texts[5], std::string("TOTALE ORE DI PRESENZA : ") + total);
  bool code1 = false;
  for (const std::string& t : texts) {
    if (t.rfind("TOTALE ORE GIUSTIFICATIVO 001 ", 0) == 0) code1 = true;
    EXPECT_EQ(t.rfind("TOTALE ORE GIUSTIFICATIVO 002 ", 0), std::string::npos) << t;
  }
  EXPECT_TRUE(code1);

  // The year: the title says so and February's rows (none) change nothing.
  SummaryRequest year = Summary(SummaryKind::kCompany, keys);
  year.whole_year = true;
  STAMPARIEPILOGOMESE(*session_, year);
  EXPECT_EQ(LastTexts()[0], "RIEPILOGO PRESENZE/ASSENZE ANNO : 2025");
  EXPECT_EQ(LastTexts()[5], std::string("TOTALE ORE DI PRESENZA : ") + total);
}

TEST_F(SummariesTest, GroupsInOrderPageBreaksAndPdf) {
  const std::vector<std::string> keys = CompanyKeys();
  Memorize(keys);
  STAMPARIEPILOGOMESE(*session_, Summary(SummaryKind::kGroup, keys));
  std::vector<std::string> bands;
  for (const std::string& t : LastTexts()) {
    if (t.rfind("CODICE GRUPPO ORARIO : ", 0) == 0) bands.push_back(t);
  }
  ASSERT_GE(bands.size(), 2u);
  EXPECT_TRUE(std::is_sorted(bands.begin(), bands.end()));

  SummaryRequest pdf = Summary(SummaryKind::kSubCompany, keys);
  pdf.pdf = true;
  const SummaryResult file = STAMPARIEPILOGOMESE(*session_, pdf);
  ASSERT_FALSE(file.pdf_file.empty());
  EXPECT_EQ(fs::path(file.pdf_file).filename().string().rfind("RIEPS_" + keys[0].substr(0, 3) + "_", 0), 0u);
  const std::string password(Trim(session_->codec().GetField("DITX$,02483,10,A,0,T364")));
  const std::string text =
      pdf_test::RunTool("pdftotext -upw " + pdf_test::Quote(password) + " " + pdf_test::Quote(file.pdf_file) + " -")
          .output;
  EXPECT_NE(text.find("CODICE SOTTODITTA : "), std::string::npos) << text;

  // The schedule-group summary as PDF: one bookmark per group, the bands printed above.
  pdf.kind = SummaryKind::kGroup;
  const SummaryResult groups = STAMPARIEPILOGOMESE(*session_, pdf);
  EXPECT_EQ(pdf_test::OutlineTitles(groups.pdf_file, password), bands);

  // A period without rows: the message, nothing printed.
  const size_t printed = printer_->printed().size();
  SummaryRequest july = Summary(SummaryKind::kJustification, keys);
  july.month = 7;
  EXPECT_EQ(STAMPARIEPILOGOMESE(*session_, july).message, "Periodo richiesto 07/2025 Inesistente");
  EXPECT_EQ(printer_->printed().size(), printed);
}

void ExpectNoPageEndsWithABand(const RecordingPrinterJob::Document& doc, const std::string& name) {
  const char* kBands[] = {"DIPENDENTE : ", "CODICE SOTTODITTA : ", "CODICE GRUPPO ORARIO : ",
                          "CODICE ASSENZA : "};
  for (int page = 1; page <= doc.pages; ++page) {
    std::string last;
    for (const RecordingPrinterJob::Item& i : doc.items) {
      if (i.page == page && i.kind == RecordingPrinterJob::Item::Kind::kText) last = i.text;
    }
    for (const char* band : kBands) {
      EXPECT_NE(last.rfind(band, 0), 0u) << name << ", page " << page << " ends with " << last;
    }
  }
}

// Every summary kind over several pages, on the printer and in PDF: no word crosses a ruled
// line, and no page ends with a group's band whose lines begin on the next page.
TEST_F(SummariesTest, PagesKeepWordsOffLinesAndBandsWithTheirLines) {
  const std::vector<std::string> keys = CompanyKeys();
  Memorize(keys);
  // The first employee uses 150 codes, one hour each: every kind runs over several pages.
  std::vector<DayRow> rows;
  ASSERT_TRUE(session_->db().EmployeeMonth(keys[0], "202506", &rows).ok());
  ASSERT_EQ(rows.size(), 30u);
  for (size_t d = 0; d < rows.size(); ++d) {
    for (int slot = 1; slot <= 5; ++slot) {
      rows[d].SlotCode(slot) = std::to_string(300 + d * 5 + static_cast<size_t>(slot));
      rows[d].SlotHours(slot) = "01:00";
    }
    ASSERT_TRUE(session_->db().SaveDay(rows[d]).ok());
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
    const SummaryResult printed = STAMPARIEPILOGOMESE(*session_, Summary(kind, keys));
    EXPECT_GT(printed.pages, 1) << name;
    const RecordingPrinterJob::Document& doc = printer_->printed().back();
    EXPECT_EQ(doc.pages, printed.pages) << name;
    const std::vector<std::string> texts = doc.Texts();  // every page numbered, the last once
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Pag. " + ZeroPad(printed.pages, 3)), 1) << name;
    EXPECT_EQ(ruled_lines::Crossings(ruled_lines::PrinterPages(doc)),
              std::vector<std::string>{})
        << name;
    ExpectNoPageEndsWithABand(doc, name);

    SummaryRequest pdf = Summary(kind, keys);
    pdf.pdf = true;
    const SummaryResult file = STAMPARIEPILOGOMESE(*session_, pdf);
    ASSERT_FALSE(file.pdf_file.empty()) << name << ": " << file.message;
    const std::string password(Trim(session_->codec().GetField("DITX$,02483,10,A,0,T364")));
    const std::vector<ruled_lines::Page> pages = ruled_lines::PdfPages(file.pdf_file, password);
    EXPECT_EQ(static_cast<int>(pages.size()), file.pages) << name;
    EXPECT_EQ(ruled_lines::Crossings(pages), std::vector<std::string>{}) << name;
  }

  // Code 301 used by one more employee at a time: its group grows by a line, and every later
  // group of three lines moves down by one row, until one band falls on a page's last row.
  for (size_t k = 1; k <= 2; ++k) {
    DayRow day = session_->db().FindDay(keys[k], "20250610").value().value();
    day.SlotCode(1) = "301";
    day.SlotHours(1) = "01:00";
    ASSERT_TRUE(session_->db().SaveDay(day).ok());
    STAMPARIEPILOGOMESE(*session_, Summary(SummaryKind::kJustification, keys));
    ExpectNoPageEndsWithABand(printer_->printed().back(), "301 used " + std::to_string(k + 1) + " times");
  }
}

}  // namespace
}  // namespace kaveltar
