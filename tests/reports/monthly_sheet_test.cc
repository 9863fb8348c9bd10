// The monthly sheet on both outputs: the texts that reach the printer, the PDF read back with
// pdftotext and checked by qpdf, numbering, letters, the stamp fallback, validation, and no
// word crossed by a ruled line.
#include "reports/monthly_sheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "base/dates.h"
#include "demo/demo_images.h"
#include "pdf/pdf_test_util.h"
#include "platform/printer_recording.h"
#include "reports/ruled_lines.h"

namespace kaveltar {
namespace fs = std::filesystem;
namespace {
using Item = RecordingPrinterJob::Item;

DayRow Day(const std::string& period, const std::string& group, const std::string& theoretical,
           const std::string& worked) {
  DayRow row{.employee = "0010010007", .period = period};
  row.pres[1] = group;
  row.pres[2] = theoretical;
  row.pres[3] = worked;
  return row;
}

class MonthlySheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    target_.set_printer(&printer_);
    justifications_["FER"] = {"FERIE", false};
    justifications_["STR"] = {"STRAORDINARIO", true};
    justifications_["MAL"] = {"ÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙ", false};
    holidays_ = HolidayCalendar(std::vector<HolidayRow>{{"0602", "FESTA DELLA REPUBBLICA"}});
    input_.year = 2025;
    input_.month = 6;
    input_.company = {"001", "ROSSI S.R.L.                  ", "MILANO", "12", ""};
    input_.employee = {"0010010007", "BIANCHI", "MARIA", "0007", 0, 0, 0};
    input_.justifications = &justifications_;
    input_.holidays = &holidays_;
    input_.rows = &rows_;
    input_.dialogs = &dialogs_;
    input_.printed_at = 1750000000;
    for (int d = 1; d <= 30; ++d)
      rows_.push_back(Day("202506" + std::string(d < 10 ? "0" : "") + std::to_string(d), "001",
                          "08:00", "08:00"));
    rows_[2].pres[3] = "";  // 3 June: a day of holidays
    rows_[2].SlotCode(1) = "FER";
    rows_[2].SlotHours(1) = "08:00";
    rows_[3].SlotCode(1) = "STR";  // 4 June: two overtime hours
    rows_[3].SlotHours(1) = "02:00";
    rows_[4].SlotCode(2) = "MAL";  // 5 June: a long description is cut at 30 letters
    rows_[4].SlotHours(2) = "01:00";
    options_.number_text = "  17 ";
  }

  std::vector<Item> Printed() {
    target_.SetPdfOutput(false);
    STAMPASTRUTTURA(target_, input_, options_);
    std::vector<Item> items = printer_.open_document().items;
    printer_.KillDoc();
    return items;
  }
  std::vector<std::string> PrintedTexts() {
    return RecordingPrinterJob::Document{.items = Printed()}.Texts();
  }
  static bool Has(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
  // The PDF sheet written into `file` as the print driver writes it.
  void WritePdf(const std::string& file) {
    target_.SetPdfOutput(true);
    PdfDocument& doc = target_.ReportPdf();
    doc.SetScale(3, 1);
    doc.SetPaperSize(0);
    doc.SetMargins(0, 0, 0, 0, true);
    doc.BeginDoc(file);
    doc.BeginPage();
    STAMPASTRUTTURAPDF(target_, input_, options_);
    EXPECT_TRUE(target_.EndReportPdf().ok());
  }
  // The PDF sheet as pdftotext reads it (layout kept).
  std::string PdfText() {
    pdf_test::TempDir dir;
    const std::string file = dir.File("sheet.pdf");
    WritePdf(file);
    pdf_test::ExpectCleanQpdf(file);
    return pdf_test::RunTool("pdftotext -layout " + pdf_test::Quote(file) + " -").output;
  }

  RecordingPrinterJob printer_;
  ReportTarget target_;
  RecordingDialogs dialogs_;
  JustificationTable justifications_;
  HolidayCalendar holidays_;
  std::vector<DayRow> rows_;
  SheetInput input_;
  SheetOptions options_;
};

TEST_F(MonthlySheetTest, PrinterSheetCarriesHeaderDaysTotalsAndDetail) {
  const std::vector<std::string> texts = PrintedTexts();
  for (const std::string line :
       {"DITTA : 001 ROSSI S.R.L. MILANO", "NUMERAZIONE : 17", "Lunedi    30",
        // The overtime (a presence code) counts in the day total; holidays do not.
        "10:00", "ORE TEORICHE MESE : 240:00", "ORE LAVORATE MESE : 232:00",
        "TOT.ORE GIUST.MESE : 011:00", "MAL ÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙ : 001:00"}) {
    EXPECT_TRUE(Has(texts, line)) << line;
  }
  EXPECT_FALSE(Has(texts, "Martedi   31"));
  EXPECT_TRUE(Has(texts, PrintDateLine(input_.printed_at)));
}

TEST_F(MonthlySheetTest, PdfSheetReadsBackWithTheSameContent) {
  options_.no_theoretical = true;
  const std::string text = PdfText();
  EXPECT_NE(text.find("PRESENZE / ASSENZE MESE DI : Giugno 2025"), std::string::npos) << text;
  EXPECT_NE(text.find("Mercoledi 11"), std::string::npos);
  EXPECT_NE(text.find("TOT.ORE GIUST.MESE : 011:00"), std::string::npos);
  // The theoretical hours are left out of the days, not out of the month total.
  EXPECT_NE(text.find("ORE TEORICHE MESE : 240:00"), std::string::npos);
  EXPECT_EQ(text.find("001 08:00"), std::string::npos);
}

TEST_F(MonthlySheetTest, NumberingDraftAndOldYears) {
  options_.draft = true;
  EXPECT_TRUE(Has(PrintedTexts(), kDraftLine.data()));
  options_.draft = false;
  options_.no_number = true;
  EXPECT_TRUE(Has(PrintedTexts(), "NUMERAZIONE : "));
  options_.no_number = false;
  input_.year = 2008;  // 2008 and earlier: never numbered
  EXPECT_TRUE(Has(PrintedTexts(), "NUMERAZIONE : "));
}

TEST_F(MonthlySheetTest, PresenceLetters) {
  // February 2025 (28 days): the letters replace the hours for P767 = 1.
  input_.month = 2;
  input_.employee.p767 = 1;
  options_.presence_letters = true;
  options_.rest_letter = true;
  rows_.clear();
  for (int d = 1; d <= 28; ++d) {
    const bool weekend = Weekday(2025, 2, d) >= 6;
    rows_.push_back(Day("202502" + std::string(d < 10 ? "0" : "") + std::to_string(d), "001",
                        weekend ? "" : "08:00", weekend ? "" : "08:00"));
  }
  rows_[3].pres[3] = "";  // Tuesday 4 February: absent
  std::vector<std::string> texts = PrintedTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "P"), 19);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "A"), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "R"), 8);
}

TEST_F(MonthlySheetTest, StampsAndValidation) {
  pdf_test::TempDir dir;
  input_.program_folder = dir.File("PROGRAMMI");
  options_.stamp = true;
  options_.stamp_kind = StampKind::kCircular;
  // No circular picture: the message, then the rectangular stamp.
  EXPECT_TRUE(Has(PrintedTexts(), "ISTITUTO"));
  ASSERT_EQ(dialogs_.entries().size(), 1u);
  EXPECT_EQ(dialogs_.entries()[0].text, kCircularMissing);

  // The validation sheet: structure and company header only.
  options_.stamp = false;
  input_.validation = true;
  const std::vector<std::string> texts = PrintedTexts();
  EXPECT_TRUE(Has(texts, "DITTA : 001 ROSSI S.R.L. MILANO"));
  EXPECT_FALSE(Has(texts, "NOMINATIVO : BIANCHI MARIA"));
  EXPECT_TRUE(Has(texts, "TIMBRATURA"));
}

// The sheet as an inspector reads it: for each case, on the printer and in PDF, no printed
// word is crossed by a ruled line the sheet draws.
class SheetRuledLinesTest : public MonthlySheetTest {
 protected:
  void SetUp() override {
    MonthlySheetTest::SetUp();
    // The stamp pictures of a real installation.
    const fs::path pictures = fs::path(dir_.File("PROGRAMMI")) / "MODULI";
    fs::create_directories(pictures);
    pdf_test::WriteFile((pictures / "CIRCOLARE.BMP").string(),
                        demo::EncodeBmp(demo::DrawCircularStamp()));
    pdf_test::WriteFile((pictures / "inailstd.jpg").string(),
                        demo::EncodeJpeg(demo::DrawStandardStamp(), 90));
    input_.program_folder = dir_.File("PROGRAMMI");
    // Names as long as the archive fields allow, and all five slots used on the 10th.
    input_.company = {"001", "COSTRUZIONI MECCANICHE ROSSI S", "MILANO CEN", "12", ""};
    input_.employee.surname = "DELL'ACQUA BIANCHI DE ROSSI";
    input_.employee.first_name = "MARIA ANTONIETTA";
    const char* codes[] = {"FER", "STR", "MAL", "PER", "ROL"};
    for (int slot = 1; slot <= 5; ++slot) {
      rows_[9].SlotCode(slot) = codes[slot - 1];
      rows_[9].SlotHours(slot) = "08:00";
    }
    justifications_["PER"] = {"PERMESSO RETRIBUITO", false};
    justifications_["ROL"] = {"RIDUZIONE ORARIO DI LAVORO", false};
  }

  pdf_test::TempDir dir_;
};

TEST_F(SheetRuledLinesTest, NoWordCrossesARuledLine) {
  std::vector<std::string> found;
  // The crossings of the current case on both outputs.
  auto check = [&](const std::string& name) {
    RecordingPrinterJob::Document printed{.pages = 1, .items = Printed()};
    for (const std::string& c : ruled_lines::Crossings(ruled_lines::PrinterPages(printed)))
      found.push_back(name + ": " + c);
    WritePdf(dir_.File("sheet.pdf"));
    for (const std::string& c :
         ruled_lines::Crossings(ruled_lines::PdfPages(dir_.File("sheet.pdf"))))
      found.push_back(name + ": PDF " + c);
  };
  check("five slots and detail, numbered");
  options_.draft = true;
  check("draft");
  options_.draft = false;
  options_.no_number = true;
  check("unnumbered");
  options_.stamp = true;
  const std::pair<StampKind, const char*> kinds[] = {{StampKind::kRectangular, "rectangular"},
                                                     {StampKind::kCircular, "circular"},
                                                     {StampKind::kStandard, "standard"},
                                                     {StampKind::kFromFile, "from file"}};
  for (auto [kind, name] : kinds) {
    options_.stamp_kind = kind;
    for (bool office : {false, true}) {
      options_.inail_office = office;
      check(std::string(name) + (office ? " stamp with office" : " stamp without office"));
    }
  }
  options_.stamp = false;
  // P, A, R and F in the presence column.
  input_.employee.p767 = 1;
  options_.presence_letters = options_.rest_letter = true;
  rows_[0].pres[2] = rows_[0].pres[3] = "";  // Sunday 1st: R
  rows_[1].pres[3] = "";                     // Monday 2nd, a holiday: F
  rows_[5].pres[3] = "";                     // Friday 6th: A
  check("letters");
  input_.validation = true;
  check("validation");
  EXPECT_EQ(found, std::vector<std::string>{});
}

}  // namespace
}  // namespace kaveltar
