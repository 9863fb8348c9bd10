// kaveltar-cli print sheets and print summary, in-process on a demo installation with a
// memorized month: standard output for scripts (message, PDF paths, NextNumber last), the
// number carried from one run to the next, spooled printer documents and bad input.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/dialogs.h"
#include "cli/cli_harness.h"
#include "demo/demo_installation.h"
#include "pdf/pdf_test_util.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;

using cli_harness::Lines;
using cli_harness::Output;

class PrintCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cli_harness::DemoSetup setup;
    setup.companies = 2;
    setup.seed = 9;
    root_ = cli_harness::MakeDemoInstallation("kaveltar-printcli", setup, &report_);
    ASSERT_FALSE(root_.empty());
    company_ = report_.company_codes[0];
    ASSERT_EQ(Run({"memorize", "--year", "2025", "--month", "6", "--company", company_}).status, 0);
  }
  void TearDown() override { fs::remove_all(root_); }

  Output Run(std::vector<std::string> args) {
    RecordingDialogs dialogs;
    return cli_harness::Run(root_, args, &dialogs, {.printer = cli_harness::FilePrinter(Spool())});
  }
  fs::path Spool() const { return root_ / "spool"; }
  std::vector<std::string> Keys(size_t n) {
    std::vector<std::string> keys;
    for (const std::string& k : report_.Keys(DemoCase::kGroup)) {
      if (k.substr(0, 3) == company_ && keys.size() < n) keys.push_back(k);
    }
    return keys;
  }

  fs::path root_;
  DemoReport report_;
  std::string company_;
};

TEST_F(PrintCliTest, SheetsCarryTheNumberFromRunToRun) {
  const std::vector<std::string> keys = Keys(2);
  ASSERT_EQ(keys.size(), 2u);
  Output o = Run({"print", "sheets", "--year", "2025", "--month", "6", "--company", company_, "--employee",
                  keys[0], "--employee", keys[1], "--pdf", "--one-file-per-employee", "--start-number", "7"});
  ASSERT_EQ(o.status, 0) << o.err;
  std::vector<std::string> lines = Lines(o.out);
  ASSERT_EQ(lines.size(), 4u) << o.out;
  EXPECT_EQ(lines[0].rfind("I cartellini PDF relativi ai dipendenti selezionati sono stati creati in : ", 0), 0u);
  EXPECT_EQ(lines[3], "NextNumber: 9");
  for (int i = 1; i <= 2; ++i) {
    EXPECT_TRUE(fs::exists(lines[static_cast<size_t>(i)])) << lines[static_cast<size_t>(i)];
    EXPECT_NE(lines[static_cast<size_t>(i)].find("/FILE-PDF/" + company_ + "/2025/06/PRESLUL/CART_"),
              std::string::npos);
  }

  // The next run starts where the last ended; on the printer with two copies.
  o = Run({"print", "sheets", "--year", "2025", "--month", "6", "--company", company_, "--employee", keys[0],
           "--start-number", "9", "--copies", "2"});
  ASSERT_EQ(o.status, 0) << o.err;
  lines = Lines(o.out);
  EXPECT_EQ(lines.front(), "Stampa Presenze/Assenze relativo al periodo 06/2025 terminata");
  EXPECT_EQ(lines.back(), "NextNumber: 10");
  ASSERT_EQ(std::distance(fs::directory_iterator(Spool()), fs::directory_iterator()), 1);
  const fs::path spooled = fs::directory_iterator(Spool())->path();
  const std::string text = pdf_test::RunTool("pdftotext -layout " + pdf_test::Quote(spooled.string()) + " -").output;
  EXPECT_NE(text.find("NUMERAZIONE : 9"), std::string::npos) << text.substr(0, 400);
  EXPECT_NE(text.find("CODICE DIP. : " + keys[0]), std::string::npos);
  EXPECT_EQ(pdf_test::RunTool("pdfinfo " + pdf_test::Quote(spooled.string())).output.find("Pages:           2") ==
                std::string::npos,
            false);

  // A draft keeps the number; a month not memorized prints nothing (status 1).
  o = Run({"print", "sheets", "--year", "2025", "--month", "6", "--company", company_, "--draft", "--start-number",
           "10", "--employee", keys[1]});
  EXPECT_EQ(Lines(o.out).back(), "NextNumber: 10");
  o = Run({"print", "sheets", "--year", "2025", "--month", "5", "--company", company_, "--start-number", "10"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(Lines(o.out), (std::vector<std::string>{"Nessun dato da stampare", "NextNumber: 10"}));
}

TEST_F(PrintCliTest, SummariesAndBadInput) {
  auto spooled = [&] {
    return fs::exists(Spool()) ? std::distance(fs::directory_iterator(Spool()), fs::directory_iterator()) : 0;
  };
  const auto before = spooled();
  Output o = Run({"print", "summary", "--year", "2025", "--month", "6", "--company", company_, "--kind",
                  "justification", "--pdf"});
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<std::string> lines = Lines(o.out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[0].find("/FILE-PDF/" + company_ + "/2025/06/PRESLUL/RIEPA_" + company_ + "_"), std::string::npos);

  o = Run({"print", "summary", "--year", "2025", "--month", "5", "--company", company_, "--kind", "justification"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(Lines(o.out).front(), "Periodo richiesto 05/2025 Inesistente");

  EXPECT_EQ(Run({"print", "sheets", "--year", "2025", "--month", "6", "--company", "999"}).status, 2);
  EXPECT_EQ(Run({"print", "sheets", "--year", "2025", "--month", "6", "--company", company_, "--employee",
                 "9999999999"}).status, 2);
  EXPECT_EQ(Run({"print", "sheets", "--year", "2015", "--month", "6", "--company", company_}).status, 2);
  EXPECT_NE(Run({"print", "summary", "--year", "2025", "--month", "6", "--company", company_, "--kind", "x"}).status, 0);
  EXPECT_EQ(spooled(), before);
}

}  // namespace
}  // namespace kaveltar
