// The print command on a demo installation with a memorized month: sheets on the recorded
// printer, PDF files per employee and per company, numbering carried across the run and
// stored, employees left out by the employment tests or for want of a memorized month.
#include "printing/sheet_printing.h"

#include "archive/fields.h"
#include "base/text.h"
#include "pdf/pdf_test_util.h"
#include "printing/printing_fixture.h"

namespace kaveltar {
namespace {

class SheetPrintingTest : public PrintingTest {};

TEST_F(SheetPrintingTest, PrinterRunNumbersSheetsAndLeavesOutMonthsNotMemorized) {
  std::vector<std::string> keys = SameCompany(DemoCase::kGroup, 3);
  ASSERT_EQ(keys.size(), 3u);
  Memorize({keys[0], keys[2]});
  const size_t before = printer_->printed().size();
  SheetRunRequest r = Request(keys);
  r.copies = "2";
  const SheetRunResult result = CmdStampaStp(*session_, r);
  EXPECT_EQ(result.sheets, 2);
  EXPECT_EQ(result.number_text, "43");
  EXPECT_EQ(dialogs_.Texts(), (std::vector<std::string>{std::string(kNotMemorizedWarning),
                                                        "Stampa Presenze/Assenze relativo al periodo 06/2025 terminata"}));
  ASSERT_EQ(printer_->printed().size(), before + 1);
  const RecordingPrinterJob::Document& doc = printer_->printed().back();
  EXPECT_EQ(doc.pages, 4);  // two copies of two sheets
  const std::vector<std::string> texts = doc.Texts();
  EXPECT_EQ(Count(texts, "NUMERAZIONE : 41"), 2);
  EXPECT_EQ(Count(texts, "NUMERAZIONE : 42"), 2);
  EXPECT_EQ(Count(texts, "CODICE DIP. : " + keys[1]), 0);
  // The number printed is stored on the month's last row.
  EXPECT_EQ(session_->db().FindDay(keys[2], "20250630").value()->protocollo, 42);

  // A draft neither numbers nor stores; no copies prints nothing.
  r.options.draft = true;
  r.options.number_text = "43";
  EXPECT_EQ(CmdStampaStp(*session_, r).number_text, "43");
  r.copies = "0";
  dialogs_.Clear();
  EXPECT_EQ(CmdStampaStp(*session_, r).message, kNothingPrinted);
  EXPECT_EQ(session_->db().FindDay(keys[2], "20250630").value()->protocollo, 42);
}

TEST_F(SheetPrintingTest, EmploymentTestsAndSelections) {
  const std::string status2 = report_.Keys(DemoCase::kStatus2).front();
  const std::string leaving = report_.Keys(DemoCase::kLeavingMidMonth).front();
  Memorize({status2, leaving});
  // Someone who leaves in June still gets June's sheet.
  SheetRunRequest r = Request({leaving});
  EXPECT_EQ(CmdStampaStp(*session_, r).sheets, 1);

  SheetRunRequest none = Request({leaving});
  none.company.clear();
  EXPECT_EQ(CmdStampaStp(*session_, none).message, kNoCompany);
  none = Request({leaving});
  none.employees.clear();
  EXPECT_EQ(CmdStampaStp(*session_, none).message, kNoEmployee);

  // Validation: one structure page with the company header, nothing else.
  SheetRunRequest vidima = Request({leaving});
  vidima.validation = true;
  dialogs_.Clear();
  EXPECT_EQ(CmdStampaStp(*session_, vidima).message, kValidationDone);
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{std::string(kValidationDone)});
  EXPECT_EQ(Count(printer_->printed().back().Texts(), "DITTA : " + leaving.substr(0, 3)), 1);
  EXPECT_EQ(Count(printer_->printed().back().Texts(), "NOMINATIVO"), 0);
}

TEST_F(SheetPrintingTest, PdfFilesPerEmployeeAndPerCompany) {
  std::vector<std::string> keys = SameCompany(DemoCase::kGroup, 3);
  Memorize(keys);
  SheetRunRequest r = Request(keys);
  r.pdf = true;
  r.one_file_per_employee = true;
  SheetRunResult each = CmdStampaStp(*session_, r);
  ASSERT_EQ(each.pdf_files.size(), 3u);
  EXPECT_EQ(each.number_text, "44");
  EXPECT_EQ(each.message, std::string(kPdfSheetsCreated) + each.pdf_folder);
  EXPECT_EQ(fs::path(each.pdf_folder),
            report_.archive_folder / "FILE-PDF" / keys[0].substr(0, 3) / "2025" / "06" / "PRESLUL");
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(fs::path(each.pdf_files[i]).filename().string().rfind("CART_", 0), 0u);
    EXPECT_NE(each.pdf_files[i].find(keys[i]), std::string::npos);
  }

  r.one_file_per_employee = false;
  r.options.draft = true;
  SheetRunResult company = CmdStampaStp(*session_, r);
  ASSERT_EQ(company.pdf_files.size(), 1u);
  EXPECT_EQ(fs::path(company.pdf_files[0]).filename().string().rfind("BCART_" + keys[0].substr(0, 3) + "_", 0), 0u);
  EXPECT_EQ(company.message.rfind("Il file cartellino PDF per l'azienda : " + keys[0].substr(0, 3) + " ", 0), 0u);
  using pdf_test::Quote;
  using pdf_test::RunTool;
  // The demo company has a PDF password and so has the office: the file opens with it.
  const std::string file = company.pdf_files[0];
  const std::string password(Trim(session_->codec().GetField(fields::kT364)));
  ASSERT_FALSE(password.empty());
  EXPECT_NE(RunTool("qpdf --check " + Quote(file)).status, 0);
  EXPECT_EQ(RunTool("qpdf --password=" + Quote(password) + " --check " + Quote(file)).status, 0);
  const std::string info = RunTool("pdfinfo -upw " + Quote(password) + " " + Quote(file)).output;
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
  const std::string text = RunTool("pdftotext -upw " + Quote(password) + " -layout " + Quote(file) + " -").output;
  for (const std::string& k : keys) EXPECT_NE(text.find("CODICE DIP. : " + k), std::string::npos);
  // One bookmark per sheet: the employee's name and key.
  const std::vector<std::string> titles = pdf_test::OutlineTitles(file, password);
  ASSERT_EQ(titles.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string ending = " - " + std::string(Trim(keys[i]));
    EXPECT_GT(titles[i].size(), ending.size() + 1) << titles[i];
    EXPECT_EQ(titles[i].substr(titles[i].size() - std::min(titles[i].size(), ending.size())), ending);
  }
  EXPECT_NE(text.find("STAMPA IN BOZZA - NON VALIDA AI FINI FISCALI"), std::string::npos);

  // Nothing memorized for July: no file and the message.
  r.month = 7;
  EXPECT_EQ(CmdStampaStp(*session_, r).message, kNoPdfData);
}

}  // namespace
}  // namespace kaveltar
