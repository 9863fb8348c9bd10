// The printer object: text lines and pages, the printer-error handler, and the real printer
// that renders PDF and spools it or hands it to a print service (checked with pdftotext).
#include "platform/printer.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "pdf/pdf_test_util.h"
#include "platform/printer_recording.h"
#include "platform/printer_system.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;
using pdf_test::Quote;
using pdf_test::RunTool;

std::vector<fs::path> PdfFiles(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir)) files.push_back(entry.path());
  return files;
}

// A print service with fixed printers that keeps what it is given.
class FakeService : public PrintService {
 public:
  struct Job {
    std::string printer, title, pdf;
  };
  explicit FakeService(std::vector<PrinterInfo> printers, std::vector<Job>* jobs, int* failures)
      : printers_(std::move(printers)), jobs_(jobs), failures_(failures) {}
  Result<std::vector<PrinterInfo>> ListPrinters() override { return printers_; }
  Result<std::string> Submit(const std::string& printer, const std::string& title,
                             const fs::path& pdf) override {
    if (*failures_ > 0) {
      --*failures_;
      return Status::IoError(printer + ": carta esaurita");
    }
    std::ifstream in(pdf, std::ios::binary);
    jobs_->push_back({printer, title, std::string(std::istreambuf_iterator<char>(in), {})});
    return printer + "-" + std::to_string(jobs_->size());
  }

 private:
  std::vector<PrinterInfo> printers_;
  std::vector<Job>* jobs_;
  int* failures_;
};

TEST(PrinterJobTest, PrintWritesLineByLineAndBreaksPages) {
  RecordingPrinterJob printer;
  const double h = printer.TextHeight();
  printer.SetCurrentX(100);
  printer.SetCurrentY(200);
  printer.Print("uno");
  printer.Print("");  // an empty line only moves down
  printer.Print("due\r\ntre");
  EXPECT_DOUBLE_EQ(printer.CurrentY(), 200 + 4 * h);

  const auto& items = printer.open_document().items;
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].text, "due");
  EXPECT_DOUBLE_EQ(items[2].y, 200 + 3 * h);

  // Lines that would cross the bottom of the printable area go on the next page, from its top.
  printer.KillDoc();
  const int per_page = static_cast<int>(printer.ScaleHeight() / h);
  for (int i = 0; i < per_page + 1; ++i) printer.Print("riga " + std::to_string(i));
  const auto& lines = printer.open_document().items;
  EXPECT_EQ(lines[per_page - 1].page, 1);
  EXPECT_LE(lines[per_page - 1].y + h, printer.ScaleHeight());
  EXPECT_EQ(lines[per_page].page, 2);
  EXPECT_EQ(lines[per_page].y, 0);
  EXPECT_EQ(printer.Page(), 2);

  // NewPage on a printer without a document leaves a blank first page, as the original does.
  printer.KillDoc();
  printer.NewPage();
  EXPECT_EQ(printer.Page(), 2);
}

TEST(PrinterJobTest, PrinterErrorsGoToTheHandler) {
  RecordingPrinterJob printer({{"Laser", "", true}});
  // Retried as long as the handler says so; then printed once.
  std::vector<int> seen;
  std::vector<bool> answers = {true, true, false};
  printer.set_error_handler([&](const RunTimeError& e) {
    seen.push_back(e.number());
    const bool retry = answers.front();
    answers.erase(answers.begin());
    return retry;
  });
  printer.FailPrinting(2);
  printer.Print("b");
  printer.EndDoc();
  EXPECT_EQ(seen, (std::vector<int>{482, 482}));
  ASSERT_EQ(printer.printed().size(), 1u);
  EXPECT_EQ(printer.printed()[0].Texts(), std::vector<std::string>{"b"});

  // Given up: the document is lost and work goes on.
  printer.FailPrinting(1);
  printer.Print("c");
  printer.EndDoc();
  EXPECT_EQ(printer.printed().size(), 1u);
  EXPECT_EQ(printer.discarded(), 1);
  EXPECT_FALSE(printer.document_open());
  EXPECT_TRUE(printer.last_destination().empty());

  // A picture that cannot be painted is not a printer error: the handler is not asked.
  seen.clear();
  try {
    printer.PaintPicture("/nonexistent/bollo.bmp", 0, 0, 100, 100);
    FAIL() << "no error";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.number(), RunTimeError::kFileNotFound);
  }
  EXPECT_TRUE(seen.empty());
}

class SpoolTest : public ::testing::Test {
 protected:
  pdf_test::TempDir temp_;
  fs::path Dir(const std::string& name) { return fs::path(temp_.File(name)); }
};

TEST_F(SpoolTest, SpooledDocumentIsAValidPdfWithTheDrawing) {
  const fs::path dir = Dir("spool");
  const fs::path picture = Dir("bollo.bmp");
  pdf_test::WriteFile(picture.string(),
                      pdf_test::MakeBmp(2, 2, 24, {0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000}));
  PdfPrinterJob printer(dir);
  printer.set_title("Elenco: prove/1");
  printer.Print("ORIGINE");
  printer.SetFontBold(true);
  printer.SetCurrentX(567);
  printer.SetCurrentY(567 * 3);
  printer.Print("Città è più");
  // A red picture of 1 cm.
  printer.PaintPicture(picture, 567 * 3, 567 * 5, 567, 567);
  printer.SetFontName("Nessun Carattere");  // unknown: printed in Courier New
  printer.Print("SECONDA RIGA");
  printer.EndDoc();

  const auto files = PdfFiles(dir);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(std::regex_match(files[0].filename().string(),
                               std::regex(R"(\d{8}-\d{6}-\d{4}-Elenco__prove_1\.pdf)")))
      << files[0];
  const std::string file = Quote(files[0].string());
  const auto text = RunTool("pdftotext -layout " + file + " -");
  EXPECT_NE(text.output.find("Città è più"), std::string::npos) << text.output;
  EXPECT_NE(text.output.find("SECONDA RIGA"), std::string::npos) << text.output;
  const auto images = RunTool("pdfimages -list " + file);
  EXPECT_NE(images.output.find(" image "), std::string::npos) << images.output;  // the picture

  // The printer's origin lies inside the sheet, away from its corner, and within the first
  // centimetre (28 points) either way.
  const auto bbox = RunTool("pdftotext -bbox -f 1 -l 1 " + file + " -");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      bbox.output, m, std::regex(R"re(xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>ORIGINE)re")))
      << bbox.output;
  for (const double at : {std::stod(m[1]), std::stod(m[2])}) {
    EXPECT_GT(at, 0);
    EXPECT_LT(at, 28);
  }
}

TEST_F(SpoolTest, PrintServiceSelectionAndErrors) {
  std::vector<FakeService::Job> jobs;
  int failures = 0;
  PdfPrinterJob printer(
      std::make_unique<FakeService>(std::vector<PrinterInfo>{{"A", "", false}, {"B", "", true}},
                                    &jobs, &failures),
      "", false, Dir("fallback"), nullptr);
  EXPECT_EQ(printer.DeviceName(), "B");
  printer.set_title("Uno");
  printer.Print("uno");
  printer.EndDoc();
  EXPECT_FALSE(printer.SelectPrinter("a"));
  EXPECT_TRUE(printer.SelectPrinter("A"));
  printer.Print("due");
  printer.EndDoc();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].printer, "B");
  EXPECT_EQ(jobs[0].title, "Uno");
  EXPECT_EQ(jobs[0].pdf.substr(0, 8), "%PDF-1.3");
  EXPECT_EQ(jobs[1].printer, "A");
  EXPECT_EQ(printer.last_destination(), "A-2");

  // The service refuses: without a handler, printer error 482 with the service's reason reaches
  // the caller and the document stays for another try.
  failures = 1;
  printer.Print("tre");
  try {
    printer.EndDoc();
    FAIL() << "no error";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.number(), RunTimeError::kPrinterError);
    EXPECT_NE(e.description().find("carta esaurita"), std::string::npos);
  }
  printer.EndDoc();
  EXPECT_EQ(jobs.size(), 3u);

  // A printer named by the operator that the service does not know.
  auto unknown = OpenSystemPrinter(
      {"Z", Dir("f")}, nullptr,
      std::make_unique<FakeService>(std::vector<PrinterInfo>{{"A", "", true}, {"B", "", false}},
                                    &jobs, &failures));
  ASSERT_FALSE(unknown.ok());
  EXPECT_EQ(unknown.status().message(), "Stampante Z non trovata (stampanti disponibili: A, B)");
}

}  // namespace
}  // namespace kaveltar
