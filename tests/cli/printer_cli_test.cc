// Printing from the command line and from a session: the printers command, the test page in
// PDF, the --printer choice and the installation's printer chosen at
// start-up.
// CUPS_SERVER points at a socket that does not exist (set before anything of this binary talks
// to CUPS, which keeps the first server it sees), so no test ever reaches a real printer.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/startup.h"
#include "base/dialogs.h"
#include "cli/cli_harness.h"
#include "demo/demo_installation.h"
#include "pdf/pdf_test_util.h"
#include "platform/printer_recording.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;
using pdf_test::Quote;
using pdf_test::RunTool;

const bool kNoPrintService = [] {
  return setenv("CUPS_SERVER", "/nonexistent/kaveltar-tests/cups.sock", 1) == 0;
}();

using cli_harness::Files;
using cli_harness::Lines;
using cli_harness::Output;

class PrinterCliTest : public cli_harness::DemoTest {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(kNoPrintService);
    unsetenv("KAVELTAR_PRINTER");
    Install("kaveltar-print-cli", {.employees = 12, .seed = 3, .write_registry = true});
  }
  void TearDown() override {
    unsetenv("KAVELTAR_PRINTER");
    fs::remove_all(Archives() / "STAMPE");
  }
  static int Pages(const fs::path& pdf) {
    std::smatch m;
    const std::string info = RunTool("pdfinfo " + Quote(pdf.string())).output;
    return std::regex_search(info, m, std::regex(R"(Pages:\s+(\d+))")) ? std::stoi(m[1]) : -1;
  }
};

TEST_F(PrinterCliTest, PrintersListsAndMarksTheChoice) {
  // No print service: the documents go to the STAMPE folder of the archives.
  Output o = Run({"printers"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "* file:" + (Archives() / "STAMPE").string() +
                       " (nessuna stampante: le stampe vi sono salvate come PDF)\n");
  EXPECT_FALSE(o.err.empty());

  // A printer named for the run that cannot be reached ends it with the reason.
  o = Run({"--printer", "Ufficio-Paghe-Laser", "printers"});
  EXPECT_EQ(o.status, 1);
  ASSERT_FALSE(dialogs_.entries().empty());
  EXPECT_EQ(
      dialogs_.entries().back().text.rfind("Stampante Ufficio-Paghe-Laser non disponibile", 0), 0u)
      << dialogs_.entries().back().text;
}

TEST_F(PrinterCliTest, TestPageAsPdf) {
  pdf_test::TempDir temp;
  const std::string plain = temp.File("prova.pdf");
  Output o = Run({"test-page", "--pdf", plain, "--pages", "3"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "Pagina di prova scritta in " + plain + "\n");
  EXPECT_EQ(Pages(plain), 3);

  // Bad usage changes nothing.
  const std::string refused = temp.File("rifiutata.pdf");
  EXPECT_EQ(Run({"test-page", "--pdf", refused, "--key-bits", "64"}).status, 2);
  EXPECT_FALSE(fs::exists(refused));
}

using SessionPrinterTest = PrinterCliTest;

TEST_F(SessionPrinterTest, StartupChoosesTheInstallationsPrinter) {
  // The settings file's graphic printer, as the printer choice reads it.
  Session session(dialogs_);
  session.AttachPrinter(std::make_unique<RecordingPrinterJob>(
      std::vector<PrinterInfo>{{"HP-Ufficio", "", true}, {"Ufficio-Paghe-Laser", "", false}}));
  StartupOptions options;
  options.archive_path = Archives();
  options.program_path = root_ / "demo" / "PROGRAMMI";
  Startup(session, options);
  EXPECT_EQ(session.printer().DeviceName(), "Ufficio-Paghe-Laser");
  EXPECT_EQ(&session.report_target().printer(), &session.printer());
}

}  // namespace
}  // namespace kaveltar
