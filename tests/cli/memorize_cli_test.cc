// kaveltar-cli memorize and month, run in-process on a fresh demo installation per test: what
// they write and print, and the anomaly list reaching the printer.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_harness.h"
#include "cli/commands.h"
#include "demo/demo_installation.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;

using cli_harness::Lines;
using cli_harness::Output;

class MemorizeCliTest : public cli_harness::DemoTest {
 protected:
  void SetUp() override {
    Install("kaveltar-memcli",
            {.companies = 3, .employees = 60, .seed = 3, .write_registry = true});
  }
  void TearDown() override { Remove(); }

  Output Run(std::vector<std::string> args) {
    return DemoTest::Run(args, {.printer = cli_harness::FilePrinter(Spool())});
  }
  fs::path Spool() const { return root_ / "spool"; }
  int SpooledDocuments() const { return static_cast<int>(cli_harness::Files(Spool()).size()); }
};

TEST_F(MemorizeCliTest, MemorizesEveryListedEmployeeAndPrintsTheAnomalies) {
  Output o = Run({"memorize", "--year", "2025", "--month", "6", "--all-companies"});
  ASSERT_EQ(o.status, cli::kExitAnomalies) << o.err;  // finished, with anomalies
  EXPECT_EQ(Lines(o.out)[0], "Memorizzazione completata: Giugno 2025");
  // The anomaly lines go to standard error as they are printed, and the list to the printer.
  const std::string missing = Key(DemoCase::kMissingGroup);
  EXPECT_NE(o.err.find("Dipendente : " + missing), std::string::npos) << o.err;
  EXPECT_NE(o.out.find("Lista delle anomalie stampata: " + Spool().string()), std::string::npos)
      << o.out;
  EXPECT_EQ(SpooledDocuments(), 1);
}

TEST_F(MemorizeCliTest, ChosenEmployeesAndAbsences) {
  const std::string key = Key(DemoCase::kGroup);
  Output o = Run({"memorize", "--year", "2025", "--month", "6", "--company", key.substr(0, 3),
                  "--employee", key, "--absence", "4:9:9:02:30", "--considera-ore"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("Dipendenti: 1\n"), std::string::npos) << o.out;

  // Monday 9 June keeps 5:30 of work beside the absence's 2:30.
  o = Run({"month", key, "202506"});
  ASSERT_EQ(o.status, 0);
  const std::vector<std::string> rows = Lines(o.out);
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_NE(rows[9].find("05:30"), std::string::npos) << rows[9];
  EXPECT_NE(rows[9].find("004"), std::string::npos) << rows[9];
}

}  // namespace
}  // namespace kaveltar
