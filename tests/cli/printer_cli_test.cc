// Printing from the command line and from a session: the printers command, the test page in
// PDF and on the printer, the --printer and KAVELTAR_PRINTER choices, the installation's
// printer chosen at start-up, and the bounded answers to printer errors without an operator.
// CUPS_SERVER points at a socket that does not exist (set before anything of this binary talks
// to CUPS, which keeps the first server it sees), so no test ever reaches a real printer.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/startup.h"
#include "base/dialogs.h"
#include "base/fatal.h"
#include "cli/cli_dialogs.h"
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

  const fs::path spool = root_ / "spool-list";
  o = Run({"--printer", "file:" + spool.string(), "printers"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "* file:" + spool.string() + " (predefinita) - cartella PDF\n");

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

  const std::string locked = temp.File("protetta.pdf");
  o = Run({"test-page", "--pdf", locked, "--user-password", "utente", "--key-bits", "40"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(RunTool("qpdf --password=utente --check " + Quote(locked)).status, 0);
  EXPECT_EQ(RunTool("qpdf --requires-password " + Quote(locked)).status, 0);

  // Bad usage changes nothing.
  const std::string refused = temp.File("rifiutata.pdf");
  EXPECT_EQ(Run({"test-page"}).status, 2);
  EXPECT_EQ(Run({"test-page", "--pdf", refused, "--key-bits", "64"}).status, 2);
  o = Run({"test-page", "--pdf", temp.File("manca/rifiutata.pdf")});
  EXPECT_EQ(o.status, 1);
  EXPECT_FALSE(o.err.empty());
  EXPECT_FALSE(fs::exists(refused));
}

TEST_F(PrinterCliTest, TestPageOnThePrinter) {
  // --printer file:DIR: printed into DIR, with no installation needed and no message.
  const fs::path spool = root_ / "spool-page";
  Output o = Run({"--printer", "file:" + spool.string(), "test-page", "--pages", "2"});
  ASSERT_EQ(o.status, 0) << o.err;
  auto files = Files(spool);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(o.out, "Pagina di prova stampata: " + files[0].string() + "\n");
  EXPECT_TRUE(dialogs_.entries().empty());
  EXPECT_EQ(Pages(files[0]), 2);

  // KAVELTAR_PRINTER does the same for every run.
  const fs::path env_spool = root_ / "spool-env";
  setenv("KAVELTAR_PRINTER", ("file:" + env_spool.string()).c_str(), 1);
  EXPECT_EQ(Run({"test-page", "--print"}).status, 0);
  EXPECT_EQ(Files(env_spool).size(), 1u);
  unsetenv("KAVELTAR_PRINTER");

  // No printer at all: the STAMPE folder, and the operator is told where the page went.
  o = Run({"test-page", "--print"});
  ASSERT_EQ(o.status, 0) << o.err;
  files = Files(Archives() / "STAMPE");
  ASSERT_EQ(files.size(), 1u);
  ASSERT_EQ(dialogs_.entries().size(), 1u);
  EXPECT_NE(dialogs_.entries()[0].text.find(files[0].string()), std::string::npos);
}

// Without an operator the printer-error questions get bounded answers (the unattended print
// runs count them): with no answer given, the same as --yes. Other questions keep the fixed
// answer.
TEST(CliDialogsTest, UnattendedPrinterQuestionsAreBounded) {
  const std::string retry = "ERR.STAMPANTE - SI VUOLE RITENTARE ?";
  std::ostringstream err;
  cli::CliDialogs nobody(err, std::nullopt, /*interactive=*/false);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(nobody.Ask(retry, "Salarion", MessageIcon::kCritical));
  EXPECT_FALSE(nobody.Ask(retry, "Salarion", MessageIcon::kCritical));
  EXPECT_FALSE(nobody.Ask("Proseguire?", "Salarion", MessageIcon::kQuestion));
  cli::CliDialogs yes(err, true, /*interactive=*/false);
  EXPECT_TRUE(yes.Ask("Proseguire?", "Salarion", MessageIcon::kQuestion));
}

class SessionPrinterTest : public PrinterCliTest {
 protected:
  StartupOptions Options() {
    StartupOptions options;
    options.archive_path = Archives();
    options.program_path = root_ / "demo" / "PROGRAMMI";
    return options;
  }
};

TEST_F(SessionPrinterTest, StartupChoosesTheInstallationsPrinter) {
  // The settings file's graphic printer, as the printer choice reads it.
  Session session(dialogs_);
  session.AttachPrinter(std::make_unique<RecordingPrinterJob>(
      std::vector<PrinterInfo>{{"HP-Ufficio", "", true}, {"Ufficio-Paghe-Laser", "", false}}));
  Startup(session, Options());
  EXPECT_EQ(session.printer().DeviceName(), "Ufficio-Paghe-Laser");
  EXPECT_EQ(&session.report_target().printer(), &session.printer());

  // The printer given for the run replaces it.
  Session fixed(dialogs_);
  StartupOptions options = Options();
  options.printer = "file:" + (root_ / "spool-fixed").string();
  Startup(fixed, options);
  EXPECT_EQ(fixed.printer().DeviceName(), options.printer);

  Session wrong(dialogs_);
  options.printer = "file:";
  EXPECT_THROW(Startup(wrong, options), Fatal);
}

}  // namespace
}  // namespace kaveltar
