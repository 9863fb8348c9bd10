// The printer object: document life cycle, text lines and pages, the printer-error handler,
// and the real printer that renders PDF and spools it (checked with qpdf, pdftotext and the
// rendered pixels).
#include "platform/printer.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "base/dialogs.h"
#include "pdf/pdf_test_util.h"
#include "platform/printer_recording.h"
#include "platform/printer_system.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;
using pdf_test::Quote;
using pdf_test::RunTool;
using Kind = RecordingPrinterJob::Item::Kind;

std::vector<fs::path> PdfFiles(const fs::path& dir) {
  std::vector<fs::path> files;
  if (!fs::exists(dir)) return files;
  for (const auto& entry : fs::directory_iterator(dir)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
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
  EXPECT_NEAR(h, 226.6, 0.1);  // Courier New 10 points
  EXPECT_FALSE(printer.document_open());

  printer.SetCurrentX(100);
  printer.SetCurrentY(200);
  printer.Print("uno");
  EXPECT_EQ(printer.CurrentX(), 0);
  EXPECT_DOUBLE_EQ(printer.CurrentY(), 200 + h);
  printer.Print("");  // an empty line only moves down
  printer.Print("due\r\ntre");
  EXPECT_DOUBLE_EQ(printer.CurrentY(), 200 + 4 * h);

  const auto& items = printer.open_document().items;
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].text, "due");
  EXPECT_EQ(items[1].x, 0);
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
}

TEST(PrinterJobTest, DocumentLifeCycle) {
  RecordingPrinterJob printer({{"Ufficio", "", false}, {"Laser", "", true}});
  EXPECT_EQ(printer.DeviceName(), "Laser");

  printer.EndDoc();  // nothing drawn: nothing printed
  EXPECT_TRUE(printer.printed().empty());

  printer.set_title("Prova");
  printer.Line(10, 20, 300, 400, 0xE0E0E0, LineShape::kFilledBox);
  printer.NewPage();
  EXPECT_EQ(printer.CurrentY(), 0);
  printer.Print("seconda");
  printer.EndDoc();
  ASSERT_EQ(printer.printed().size(), 1u);
  const auto& doc = printer.printed()[0];
  EXPECT_EQ(doc.title, "Prova");
  EXPECT_EQ(doc.printer, "Laser");
  EXPECT_EQ(doc.pages, 2);
  EXPECT_EQ(doc.items[1].page, 2);
  EXPECT_EQ(printer.Page(), 0);

  // NewPage on a printer without a document leaves a blank first page, as the original does.
  printer.NewPage();
  EXPECT_EQ(printer.Page(), 2);
  printer.KillDoc();
  EXPECT_EQ(printer.discarded(), 1);
  EXPECT_EQ(printer.printed().size(), 1u);
  EXPECT_FALSE(printer.document_open());
}

TEST(PrinterJobTest, PrinterErrorsGoToTheHandler) {
  RecordingPrinterJob printer({{"Laser", "", true}});
  // Without a handler the error reaches the caller and the document stays for another try.
  printer.FailPrinting(1);
  printer.Print("a");
  try {
    printer.EndDoc();
    FAIL() << "no error";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.number(), RunTimeError::kPrinterError);
  }
  EXPECT_TRUE(printer.document_open());
  printer.EndDoc();
  EXPECT_EQ(printer.printed().size(), 1u);

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
  ASSERT_EQ(printer.printed().size(), 2u);
  EXPECT_EQ(printer.printed()[1].Texts(), std::vector<std::string>{"b"});

  // Given up: the document is lost and work goes on.
  printer.FailPrinting(1);
  printer.Print("c");
  printer.EndDoc();
  EXPECT_EQ(printer.printed().size(), 2u);
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
  EXPECT_EQ(printer.DeviceName(), "file:" + dir.string());
  EXPECT_TRUE(printer.fixed_by_operator());

  printer.set_title("Elenco: prove/1");
  printer.Print("ORIGINE");
  printer.SetFontBold(true);
  printer.SetCurrentX(567);
  printer.SetCurrentY(567 * 3);
  printer.Print("Città è più");
  // A grey square of 1 cm at 1 cm from the printable corner, and a red picture beside it.
  printer.Line(567, 567 * 5, 567 * 2, 567 * 6, 0xE0E0E0, LineShape::kFilledBox);
  printer.Line(567, 567 * 5, 567 * 2, 567 * 6, 0, LineShape::kBox);
  printer.PaintPicture(picture, 567 * 3, 567 * 5, 567, 567);
  printer.NewPage();
  printer.SetFontName("Nessun Carattere");  // unknown: printed in Courier New
  printer.Print("SECONDA PAGINA");
  printer.EndDoc();

  const auto files = PdfFiles(dir);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(std::regex_match(files[0].filename().string(),
                               std::regex(R"(\d{8}-\d{6}-\d{4}-Elenco__prove_1\.pdf)")))
      << files[0];
  EXPECT_EQ(printer.last_destination(), files[0].string());
  const std::string file = Quote(files[0].string());
  const auto check = RunTool("qpdf --check " + file);
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_TRUE(std::regex_search(RunTool("pdfinfo " + file).output, std::regex(R"(Pages:\s+2\n)")));
  const auto text = RunTool("pdftotext -layout " + file + " -");
  EXPECT_NE(text.output.find("ORIGINE"), std::string::npos) << text.output;
  EXPECT_NE(text.output.find("Città è più"), std::string::npos) << text.output;
  EXPECT_NE(text.output.find("SECONDA PAGINA"), std::string::npos) << text.output;
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

TEST_F(SpoolTest, DiscardedAndRetriedDocuments) {
  const fs::path dir = Dir("spool");
  PdfPrinterJob printer(dir);
  printer.Print("da buttare");
  printer.KillDoc();
  EXPECT_TRUE(PdfFiles(dir).empty());

  // A spool folder that cannot be made: printer error 482; the operator clears the way and
  // retries, and the same document is printed.
  const fs::path blocker = Dir("blocker");
  pdf_test::WriteFile(blocker.string(), "x");
  PdfPrinterJob blocked(blocker / "out");
  int asked = 0;
  blocked.set_error_handler([&](const RunTimeError& e) {
    EXPECT_EQ(e.number(), RunTimeError::kPrinterError);
    EXPECT_NE(e.description().find("blocker"), std::string::npos) << e.description();
    ++asked;
    fs::remove(blocker);
    return true;
  });
  blocked.Print("riprova");
  blocked.EndDoc();
  EXPECT_EQ(asked, 1);
  const auto files = PdfFiles(blocker / "out");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(RunTool("pdftotext " + Quote(files[0].string()) + " -").output.find("riprova"),
            std::string::npos);
}

TEST_F(SpoolTest, PrintServiceDefaultSelectionAndFallback) {
  std::vector<FakeService::Job> jobs;
  int failures = 0;
  RecordingDialogs dialogs;
  PdfPrinterJob printer(
      std::make_unique<FakeService>(std::vector<PrinterInfo>{{"A", "", false}, {"B", "", true}},
                                    &jobs, &failures),
      "", false, Dir("fallback"), &dialogs);
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
  EXPECT_TRUE(dialogs.entries().empty());

  // The service refuses: printer error 482 with the service's reason.
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

  // No printer at all: the document goes into the fallback folder and the operator is told.
  PdfPrinterJob lonely(std::make_unique<FakeService>(std::vector<PrinterInfo>{}, &jobs, &failures),
                       "", false, Dir("fallback"), &dialogs);
  EXPECT_EQ(lonely.DeviceName(), "file:" + Dir("fallback").string());
  lonely.set_title("Elenco");
  lonely.Print("x");
  lonely.EndDoc();
  const auto files = PdfFiles(Dir("fallback"));
  ASSERT_EQ(files.size(), 1u);
  ASSERT_EQ(dialogs.entries().size(), 1u);
  EXPECT_EQ(dialogs.entries()[0].text,
            "Nessuna stampante disponibile: la stampa \"Elenco\" è stata salvata nel file " +
                files[0].string());
}

TEST_F(SpoolTest, OpeningTheSystemPrinter) {
  std::vector<FakeService::Job> jobs;
  int failures = 0;
  auto service = [&] {
    return std::make_unique<FakeService>(
        std::vector<PrinterInfo>{{"A", "", true}, {"B", "", false}}, &jobs, &failures);
  };
  auto bad = OpenSystemPrinter({"file:", Dir("f")}, nullptr, service());
  EXPECT_FALSE(bad.ok());
  bad = OpenSystemPrinter({"Z", Dir("f")}, nullptr, service());
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.status().message(), "Stampante Z non trovata (stampanti disponibili: A, B)");
  const fs::path blocker = Dir("blocker");
  pdf_test::WriteFile(blocker.string(), "x");
  EXPECT_FALSE(
      OpenSystemPrinter({"file:" + (blocker / "x").string(), Dir("f")}, nullptr, service()).ok());

  auto named = OpenSystemPrinter({"B", Dir("f")}, nullptr, service());
  ASSERT_TRUE(named.ok());
  EXPECT_EQ((*named)->DeviceName(), "B");
  EXPECT_TRUE((*named)->fixed_by_operator());
  auto folder =
      OpenSystemPrinter({"file:" + Dir("new/spool").string(), Dir("f")}, nullptr, service());
  ASSERT_TRUE(folder.ok());
  EXPECT_TRUE(fs::is_directory(Dir("new/spool")));
  EXPECT_EQ((*folder)->DeviceName(), "file:" + Dir("new/spool").string());
  auto system = OpenSystemPrinter({"", Dir("f")}, nullptr, service());
  ASSERT_TRUE(system.ok());
  EXPECT_FALSE((*system)->fixed_by_operator());
  EXPECT_EQ((*system)->DeviceName(), "A");

  setenv("KAVELTAR_PRINTER", "file:/tmp/x", 1);
  EXPECT_EQ(PrinterChoice(""), "file:/tmp/x");
  EXPECT_EQ(PrinterChoice("B"), "B");
  unsetenv("KAVELTAR_PRINTER");
  EXPECT_EQ(PrinterChoice(""), "");
}

// The CUPS service against a server that is not there: both operations fail with a reason
// at once instead of hanging or crashing.
TEST(CupsServiceTest, DegradesWithoutAServer) {
  setenv("CUPS_SERVER", "/nonexistent/kaveltar/cups.sock", 1);
  auto cups = MakeCupsPrintService();
  const auto printers = cups->ListPrinters();
  EXPECT_FALSE(printers.ok());
  EXPECT_NE(printers.status().message().find("CUPS non raggiungibile"), std::string::npos);
  const auto job = cups->Submit("kaveltar-nessuna", "Prova", "/nonexistent/kaveltar/prova.pdf");
  EXPECT_FALSE(job.ok());
}

}  // namespace
}  // namespace kaveltar
