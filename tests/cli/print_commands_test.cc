// kaveltar-cli print sheets and print summary, in-process on a demo installation with a
// memorized month: standard output for scripts (message, PDF paths, NextNumber last), the
// number carried from one run to the next, spooled printer documents and bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_harness.h"
#include "common/tiny_disk.h"
#include "demo/demo_installation.h"
#include "pdf/pdf_test_util.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;

using cli_harness::Lines;
using cli_harness::Output;

class PrintCliTest : public cli_harness::DemoTest {
 protected:
  void SetUp() override {
    Install("kaveltar-printcli", {.companies = 2, .seed = 9});
    company_ = report_.company_codes[0];
    ASSERT_EQ(Run({"memorize", "--year", "2025", "--month", "6", "--company", company_}).status, 0);
  }
  void TearDown() override { Remove(); }

  Output Run(std::vector<std::string> args) {
    return DemoTest::Run(args, {.printer = cli_harness::FilePrinter(Spool())});
  }
  fs::path Spool() const { return root_ / "spool"; }
  // kaveltar-cli's own dialogs (no terminal: nobody answers), printing into `spool`.
  Output RunUnattended(std::vector<std::string> args, const fs::path& spool) {
    return DemoTest::Run(args, {.printer = cli_harness::FilePrinter(spool)}, /*own_dialogs=*/true);
  }
  // PROTOCOLLO of the month's last day, as `month` lists it (the last column).
  std::string Protocollo(const std::string& key) {
    const std::vector<std::string> lines =
        Lines(Run({"month", key, "202506", "--format", "csv"}).out);
    if (lines.empty()) return "";
    std::string last = lines.back();
    if (!last.empty() && last.back() == '\r') last.pop_back();  // CSV lines end in CR LF
    return last.substr(last.find_last_of(",;") + 1);
  }
  fs::path PdfFolder() const {
    return root_ / "demo" / "ARCHIVI" / "FILE-PDF" / company_ / "2025" / "06" / "PRESLUL";
  }
  static size_t Occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  // `print sheets` of June for the first two plain employees of the company, then `more`.
  std::vector<std::string> Sheets(std::vector<std::string> more) {
    const std::vector<std::string> keys = Keys(2);
    std::vector<std::string> args = {"print",      "sheets",   "--year",     "2025",
                                     "--month",    "6",        "--company",  company_,
                                     "--employee", keys.at(0), "--employee", keys.at(1)};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  std::vector<std::string> Keys(size_t n) {
    std::vector<std::string> keys;
    for (const std::string& k : report_.Keys(DemoCase::kGroup)) {
      if (k.substr(0, 3) == company_ && keys.size() < n) keys.push_back(k);
    }
    return keys;
  }

  std::string company_;
};

TEST_F(PrintCliTest, SheetsOnThePrinterAndTheSummaryAsPdf) {
  const std::vector<std::string> keys = Keys(1);
  ASSERT_EQ(keys.size(), 1u);
  Output o = Run({"print", "sheets", "--year", "2025", "--month", "6", "--company", company_,
                  "--employee", keys[0], "--start-number", "9", "--copies", "2"});
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<std::string> lines = Lines(o.out);
  EXPECT_EQ(lines.back(), "NextNumber: 10");
  ASSERT_EQ(cli_harness::Files(Spool()).size(), 1u);
  const fs::path spooled = cli_harness::Files(Spool()).at(0);
  EXPECT_NE(pdf_test::RunTool("pdfinfo " + pdf_test::Quote(spooled.string()))
                .output.find("Pages:           2"),
            std::string::npos);

  // A month not memorized prints nothing (status 1).
  o = Run({"print", "sheets", "--year", "2025", "--month", "5", "--company", company_,
           "--start-number", "10"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(Lines(o.out), (std::vector<std::string>{"Nessun dato da stampare", "NextNumber: 10"}));

  o = Run({"print", "summary", "--year", "2025", "--month", "6", "--company", company_, "--kind",
           "justification", "--pdf"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(Lines(o.out).at(0).find(PdfFolder().string() + "/RIEPA_" + company_ + "_"),
            std::string::npos)
      << o.out;
}

TEST_F(PrintCliTest, WithoutAStartNumberSheetsContinueTheInstallationsNumbering) {
  // The print screen shows the installation's running number (F416) in "Numerazione Unica";
  // the command line starts from it too.
  std::string page;
  for (const std::string& line : Lines(Run({"info"}).out)) {
    if (line.rfind("PageNumber: ", 0) == 0) page = line.substr(12);
  }
  ASSERT_FALSE(page.empty());
  const long first = std::stol(page);
  ASSERT_GT(first, 0);
  const std::vector<std::string> keys = Keys(2);
  Output o = Run(Sheets({"--pdf", "--one-file-per-employee"}));
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<std::string> lines = Lines(o.out);
  ASSERT_EQ(lines.size(), 4u) << o.out;
  EXPECT_EQ(lines[0].rfind(
                "I cartellini PDF relativi ai dipendenti selezionati sono stati creati in : ", 0),
            0u);
  EXPECT_EQ(fs::path(lines[2]).parent_path(), PdfFolder());
  EXPECT_EQ(lines[3], "NextNumber: " + std::to_string(first + 2));
  EXPECT_EQ(Protocollo(keys[0]), std::to_string(first));
  EXPECT_EQ(Protocollo(keys[1]), std::to_string(first + 1));
}

TEST_F(PrintCliTest, AnUnattendedRunStopsOnAFailingPrinterAndStoresNoNumber) {
  const std::vector<std::string> keys = Keys(2);
  const std::vector<std::string> sheets = Sheets({"--start-number", "50"});
  const fs::path spool = root_ / "spool-pieno";
  testing::TinyDisk disk(spool, 1 << 20);
  if (!disk.mounted()) GTEST_SKIP() << "mount non consentito: serve root";
  disk.Fill();
  const std::string retry = "ERR.STAMPANTE - SI VUOLE RITENTARE ? (s/n) ";
  const std::string close =
      "CHIUDERE IL PROGRAMMA ? (se si risp.NO il progr.perde la riga e prosegue) (s/n) ";

  // --yes: a few retries, then the run stops with the cause and status 1.
  std::vector<std::string> args = sheets;
  args.insert(args.begin(), "--yes");
  Output o = RunUnattended(args, spool);
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(Occurrences(o.err, retry + "Sì"), 3u) << o.err;
  EXPECT_EQ(Occurrences(o.err, retry + "No"), 1u) << o.err;
  EXPECT_EQ(Occurrences(o.err, close + "Sì"), 1u) << o.err;
  EXPECT_NE(o.err.find("Stampa non riuscita: "), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("spazio esaurito sul disco"), std::string::npos) << o.err;
  EXPECT_EQ(o.out.find("terminata"), std::string::npos) << o.out;

  for (const std::string& k : keys) EXPECT_EQ(Protocollo(k), "0") << k;
}

TEST_F(PrintCliTest, PdfOutputThatCannotBeWrittenNamesTheFileAndTheCause) {
  const std::vector<std::string> keys = Keys(2);
  const auto sheets = [&](const char* number) {
    return Sheets({"--pdf", "--one-file-per-employee", "--start-number", number});
  };
  {
    testing::TinyDisk read_only(PdfFolder(), 1 << 20, /*read_only=*/true);
    if (!read_only.mounted()) GTEST_SKIP() << "mount non consentito: serve root";
    const std::string refused = "Impossibile creare il file PDF nella cartella " +
                                PdfFolder().string() + ": file system di sola lettura";
    Output o = Run(sheets("7"));
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(Lines(o.out), (std::vector<std::string>{refused, "NextNumber: 7"}));
  }

  // A full disk: the files of an earlier run stay whole and keep their numbers.
  testing::TinyDisk disk(PdfFolder(), 1 << 20);
  ASSERT_TRUE(disk.mounted());
  Output o = Run(sheets("5"));
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<std::string> files = {Lines(o.out)[1], Lines(o.out)[2]};
  const std::string first_old = pdf_test::ReadFile(files[0]);
  disk.Fill();
  o = Run(sheets("20"));
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(Lines(o.out), (std::vector<std::string>{"Impossibile completare il file PDF " +
                                                        files[0] + ": spazio esaurito sul disco",
                                                    "NextNumber: 20"}));
  EXPECT_EQ(pdf_test::ReadFile(files[0]), first_old);
  EXPECT_EQ(Protocollo(keys[0]), "5");
  EXPECT_EQ(Protocollo(keys[1]), "6");
  o = Run({"print", "summary", "--year", "2025", "--month", "6", "--company", company_, "--kind",
           "justification", "--pdf"});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(Lines(o.out).front().find(PdfFolder().string() + "/RIEPA_"), std::string::npos)
      << o.out;
  EXPECT_NE(Lines(o.out).front().find(": spazio esaurito sul disco"), std::string::npos) << o.out;
}

}  // namespace
}  // namespace kaveltar
