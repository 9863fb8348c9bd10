// kaveltar-cli memorize and month, run in-process on a fresh demo installation per test: what
// they write and print, the anomaly list reaching the printer, and bad input refused before
// anything is written.
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

  // The number of stored days of an employee-month, through `month --format csv`.
  int Days(const std::string& key, const std::string& month) {
    const Output o = Run({"month", key, month, "--format", "csv"});
    EXPECT_EQ(o.status, 0) << o.err;
    return static_cast<int>(Lines(o.out).size()) - 1;
  }
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

  EXPECT_EQ(Days(Key(DemoCase::kGroup), "202506"), 30);

  // JSON: one object per day, keyed by the column names.
  o = Run({"month", Key(DemoCase::kGroup), "202506", "--format", "json"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("\n  {\"KDIPENDENTE\": \"" + Key(DemoCase::kGroup) +
                       "\", \"KPERIODO\": \"20250601\", "),
            std::string::npos);
}

TEST_F(MemorizeCliTest, ChosenEmployeesAndAbsences) {
  const std::string key = Key(DemoCase::kGroup);
  Output o =
      Run({"memorize", "--year", "2025", "--month", "6", "--company", key.substr(0, 3),
           "--employee", key, "--absence", "1:2:3", "--absence", "4:9:9:02:30", "--considera-ore"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("Dipendenti: 1\n"), std::string::npos) << o.out;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(SpooledDocuments(), 0);  // no anomaly, no list

  // Monday 9 June keeps 5:30 of work beside the absence's 2:30.
  o = Run({"month", key, "202506"});
  ASSERT_EQ(o.status, 0);
  const std::vector<std::string> rows = Lines(o.out);
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_NE(rows[9].find("05:30"), std::string::npos) << rows[9];
  EXPECT_NE(rows[9].find("004"), std::string::npos) << rows[9];
}

TEST_F(MemorizeCliTest, BadInputIsRefusedAndWritesNothing) {
  const std::string key = Key(DemoCase::kGroup);
  const std::vector<std::vector<std::string>> refused = {
      {"--month", "13", "--all-companies"},
      {"--month", "6"},  // no company chosen
      {"--month", "6", "--all-companies", "--absence", "001:6:5"},
  };
  for (std::vector<std::string> args : refused) {
    args.insert(args.begin(), {"memorize", "--year", "2025"});
    const Output o = Run(args);
    EXPECT_EQ(o.status, 2) << args.back() << "\n" << o.err;
    EXPECT_NE(o.err.find("kaveltar-cli: "), std::string::npos) << o.err;
  }
  EXPECT_EQ(Days(key, "202506"), 0);
  EXPECT_EQ(SpooledDocuments(), 0);
}

}  // namespace
}  // namespace kaveltar
