// The monthly sheet on both outputs: the texts that reach the printer, the PDF read back with
// pdftotext and checked by qpdf, numbering and its stored number, letters, holidays, the stamp
// fallback, and no word crossed by a ruled line.
#include "reports/monthly_sheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "base/dates.h"
#include "base/fatal.h"
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
  static std::vector<std::string> Texts(const std::vector<Item>& items) {
    std::vector<std::string> texts;
    for (const Item& i : items) {
      if (i.kind == Item::Kind::kText) texts.push_back(i.text);
    }
    return texts;
  }
  static bool Has(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
  // A report PDF begun in `file` as the print driver begins it.
  PdfDocument& BeginPdf(const std::string& file) {
    target_.SetPdfOutput(true);
    PdfDocument& doc = target_.ReportPdf();
    doc.SetScale(3, 1);
    doc.SetPaperSize(0);
    doc.SetMargins(0, 0, 0, 0, true);
    doc.BeginDoc(file);
    doc.BeginPage();
    return doc;
  }
  void WritePdf(const std::string& file) {
    BeginPdf(file);
    STAMPASTRUTTURAPDF(target_, input_, options_);
    EXPECT_TRUE(target_.EndReportPdf().ok());
  }
  // The PDF sheet as pdftotext reads it (layout kept).
  std::string PdfText() {
    pdf_test::TempDir dir;
    const std::string file = dir.File("sheet.pdf");
    WritePdf(file);
    const pdf_test::ToolResult check = pdf_test::RunTool("qpdf --check " + pdf_test::Quote(file));
    EXPECT_EQ(check.status, 0) << check.output;
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
  const std::vector<std::string> texts = Texts(Printed());
  for (const std::string line :
       {"DITTA : 001 ROSSI S.R.L. MILANO", "NUMERAZIONE : 17", "Lunedi    30",
        // The overtime (a presence code) counts in the day total; holidays do not.
        "10:00", "ORE TEORICHE MESE : 240:00", "ORE LAVORATE MESE : 232:00",
        "TOT.ORE GIUST.MESE : 011:00", "MAL ÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙÀÈÌÒÙ : 001:00"}) {
    EXPECT_TRUE(Has(texts, line)) << line;
  }
  EXPECT_FALSE(Has(texts, "Martedi   31"));
  EXPECT_FALSE(Has(texts, kDraftLine.data()));
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
  const struct {
    bool draft, no_number;
    int year;
    std::string shown;
  } cases[] = {{true, false, 2025, kDraftLine.data()},
               {false, true, 2025, "NUMERAZIONE : "},
               {false, false, 2008, "NUMERAZIONE : "}};  // 2008 and earlier: never numbered
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown + " " + std::to_string(c.year));
    options_.draft = c.draft;
    options_.no_number = c.no_number;
    input_.year = c.year;
    const std::vector<std::string> texts = Texts(Printed());
    EXPECT_TRUE(Has(texts, c.shown));
    EXPECT_FALSE(Has(texts, "NUMERAZIONE : 17"));
  }
}

TEST_F(MonthlySheetTest, NumberedSheetStoresItsNumberOnTheMonthsLastRow) {
  pdf_test::TempDir dir;
  const std::string file = dir.File("QXPRES.sqlite");
  ASSERT_TRUE(CreateSqliteDatabase(file).ok());
  auto opened = OpenSqliteDatabase(file);
  ASSERT_TRUE(opened.ok());
  AttendanceDb& db = *opened.value();
  for (const DayRow& r : rows_) ASSERT_TRUE(db.SaveDay(r).ok());
  input_.db = &db;
  Printed();
  EXPECT_EQ(db.FindDay("0010010007", "20250630").value()->protocollo, 17);
  EXPECT_EQ(db.FindDay("0010010007", "20250629").value()->protocollo, 0);
  // A draft stores nothing.
  options_.draft = true;
  options_.number_text = "18";
  Printed();
  EXPECT_EQ(db.FindDay("0010010007", "20250630").value()->protocollo, 17);
}

TEST_F(MonthlySheetTest, LettersAndHolidays) {
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
  std::vector<std::string> texts = Texts(Printed());
  EXPECT_TRUE(Has(texts, "DETT."));
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "P"), 19);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "A"), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "R"), 8);
  // The table's holiday, 2 June, shows F.
  input_.month = 6;
  rows_ = {Day("20250602", "001", "", ""), Day("20250603", "001", "", "")};
  texts = Texts(Printed());
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "F"), 1);
}

TEST_F(MonthlySheetTest, StampsAndValidation) {
  pdf_test::TempDir dir;
  input_.program_folder = dir.File("PROGRAMMI");
  options_.stamp = true;
  options_.stamp_kind = StampKind::kCircular;
  // No circular picture: the message, then the rectangular stamp.
  EXPECT_TRUE(Has(Texts(Printed()), "ISTITUTO"));
  ASSERT_EQ(dialogs_.entries().size(), 1u);
  EXPECT_EQ(dialogs_.entries()[0].text, kCircularMissing);
  // A missing standard picture ends the program.
  options_.stamp_kind = StampKind::kStandard;
  EXPECT_THROW(Printed(), Fatal);
  printer_.KillDoc();

  // The validation sheet: structure and company header only.
  options_.stamp = false;
  input_.validation = true;
  const std::vector<std::string> texts = Texts(Printed());
  EXPECT_TRUE(Has(texts, "DITTA : 001 ROSSI S.R.L. MILANO"));
  EXPECT_FALSE(Has(texts, "NOMINATIVO : BIANCHI MARIA"));
  EXPECT_TRUE(Has(texts, "TIMBRATURA"));
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  return all;
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

  // The crossings of the current case on both outputs.
  std::vector<std::string> Check(const std::string& name) {
    RecordingPrinterJob::Document printed;
    printed.pages = 1;
    printed.items = Printed();
    std::vector<std::string> found = ruled_lines::Crossings(ruled_lines::PrinterPages(printed));
    const std::string file = dir_.File("sheet.pdf");
    WritePdf(file);
    const std::vector<ruled_lines::Page> pdf = ruled_lines::PdfPages(file);
    EXPECT_EQ(pdf.size(), 1u);
    for (const std::string& c : ruled_lines::Crossings(pdf)) found.push_back("PDF " + c);
    for (std::string& c : found) c = name + ": " + c;
    return found;
  }

  pdf_test::TempDir dir_;
};

TEST_F(SheetRuledLinesTest, NoWordCrossesARuledLine) {
  std::vector<std::string> found;
  auto check = [&](const std::string& name) {
    for (std::string& c : Check(name)) found.push_back(std::move(c));
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
  EXPECT_TRUE(found.empty()) << Lines(found);
}

// The oracle itself: a word drawn over a column line, a box edge or a picture is caught on
// both outputs; a word inside its box, or only touching a line, is not.
TEST_F(SheetRuledLinesTest, OracleCatchesWordsOverLines) {
  RecordingPrinterJob::Document doc;
  doc.pages = 1;
  target_.SetPdfOutput(false);
  PrinterFont font;
  font.size = 10;  // 0.2117 cm a letter, 0.40 cm a line
  printer_.SetFont(font);
  PrintBox(target_, 5.0, 1.0, 1.0, 4.0);
  PrintText(target_, 5.3, 1.2, std::string_view("INSIDE"));    // 1.2-2.47, 5.3-5.70
  PrintText(target_, 5.8, 1.2, std::string_view("BOTTOM"));    // crosses y = 6.0
  PrintText(target_, 5.1, 4.5, std::string_view("RIGHT"));     // crosses x = 5.0
  PrintText(target_, 7.0, 1.0, std::string_view("TOUCHING"));  // starts on x = 1.0, below
  doc.items = printer_.open_document().items;
  printer_.KillDoc();
  const std::vector<std::string> found = ruled_lines::Crossings(ruled_lines::PrinterPages(doc));
  ASSERT_EQ(found.size(), 2u) << Lines(found);
  EXPECT_NE(found[0].find("'BOTTOM'"), std::string::npos);
  EXPECT_NE(found[0].find("crosses y=5.99"), std::string::npos) << found[0];
  EXPECT_NE(found[1].find("'RIGHT'"), std::string::npos);
  EXPECT_NE(found[1].find("crosses x=4.99"), std::string::npos) << found[1];

  // The same page in PDF, with a picture over a word.
  const std::string file = dir_.File("oracle.pdf");
  BeginPdf(file).SetFont("Courier New", 10, 0);
  PrintBox(target_, 5.0, 1.0, 1.0, 4.0);
  PrintText(target_, 5.5, 1.2, std::string_view("INSIDE"));
  PrintText(target_, 6.1, 1.2, std::string_view("BOTTOM"));
  PrintPicture(target_, input_.program_folder.string() + "/MODULI/inailstd.jpg", 8.0, 3.0, 2.0,
               2.0);
  PrintText(target_, 8.5, 4.5, std::string_view("PICTURE"));  // runs over the picture's edge
  ASSERT_TRUE(target_.EndReportPdf().ok());
  const std::vector<std::string> in_pdf = ruled_lines::Crossings(ruled_lines::PdfPages(file));
  ASSERT_EQ(in_pdf.size(), 2u) << Lines(in_pdf);
  EXPECT_NE(in_pdf[0].find("'BOTTOM'"), std::string::npos);
  EXPECT_NE(in_pdf[1].find("'PICTURE'"), std::string::npos);
  EXPECT_NE(in_pdf[1].find("x=5.000"), std::string::npos);
}

}  // namespace
}  // namespace kaveltar
