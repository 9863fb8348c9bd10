// kaveltar-cli month and its sub-commands, run in-process on a demo installation (June 2025)
// with the command line's own dialogs, so messages reach standard error and --yes / --no
// answer the questions.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_harness.h"
#include "demo/demo_installation.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;

using cli_harness::Output;

class GridCliTest : public cli_harness::DemoTest {
 protected:
  void SetUp() override {
    Install("kaveltar-gridcli", {.companies = 2, .seed = 5});
    key_ = Key(DemoCase::kGroup);
  }
  void TearDown() override { Remove(); }

  // Global options first, then `args`; the command line's own dialogs.
  Output Run(std::vector<std::string> args) {
    return DemoTest::Run(args, {.printer = cli_harness::FilePrinter(root_ / "spool")},
                         /*own_dialogs=*/true);
  }

  // June 2025 of the employee memorized, then group 001 (8:00 Monday to Friday) forced on
  // every day, so the days are known whatever group the demo gave it.
  void Prepare() {
    const Output m = Run({"memorize", "--year", "2025", "--month", "6", "--company",
                          key_.substr(0, 3), "--employee", key_});
    ASSERT_EQ(m.status, 0) << m.err;
    const Output g = Run({"--yes", "month", "set-group", key_, "202506", "--group", "1", "--from",
                          "1", "--to", "30"});
    ASSERT_EQ(g.status, 0) << g.err;
    ASSERT_EQ(g.out, "Giorni scritti: 30\n");
  }

  // PRES_1 .. PRES_13 of a stored day, through `month KEY YYYYMM --format csv`.
  std::vector<std::string> Day(int day) {
    const Output o = Run({"month", key_, "202506", "--format", "csv"});
    EXPECT_EQ(o.status, 0) << o.err;
    const std::string period = "202506" + std::string(day < 10 ? "0" : "") + std::to_string(day);
    for (const std::string& line : cli_harness::Lines(o.out)) {
      std::vector<std::string> fields;
      std::istringstream in(line);
      for (std::string field; std::getline(in, field, ';');) fields.push_back(field);
      if (fields.size() > 16 && fields[1] == period)
        return {fields.begin() + 3, fields.begin() + 16};
    }
    return {};
  }

  std::string key_;
};

// The cell and range rules are the grid's; here each sub-command reaches the archive and
// standard error with its status: show, an edit with a refusal, a range command answering its
// question, the group command and reprocessing.
TEST_F(GridCliTest, SubCommandsWriteThroughTheGridsRules) {
  Prepare();
  EXPECT_EQ(Run({"month", "show", key_, "202506", "--format", "csv"}).out,
            Run({"month", key_, "202506", "--format", "csv"}).out);

  // Tuesday 3 June: 5:00 worked and 3:00 of holidays taken.
  Output o = Run({"month", "edit", key_, "202506", "3", "4", "05:00", "5", "1", "6", "03:00"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(Day(3), (std::vector<std::string>{"001", "08:00", "05:00", "001", "03:00", "", "", "",
                                              "", "", "", "", ""}));
  // A refusal: status 1, and the values accepted on the way are saved all the same.
  o = Run({"month", "edit", key_, "202506", "4", "5", "001", "9", "ZZZ"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "kaveltar-cli: giustificativo ZZZ non presente nella LISTA GIUSTIFICATIVI\n");
  EXPECT_EQ(Day(4)[3], "001");

  // Thursday 5 and Friday 6, the question answered by --yes.
  o = Run({"--yes", "month", "set-absence", key_, "202506", "--code", "1", "--from", "5", "--to",
           "6", "--hours", "04:00", "--considera-ore"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "Giorni scritti: 2\n");
  EXPECT_EQ(Day(5), (std::vector<std::string>{"001", "08:00", "04:00", "001", "04:00", "", "", "",
                                              "", "", "", "", ""}));

  o = Run(
      {"--yes", "month", "set-group", key_, "202506", "--group", "3", "--from", "9", "--to", "9"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Day(9)[0], "003");
  // Reprocessing rebuilds every day from the employee's own group, so day 9 matches day 10 again.
  o = Run({"--yes", "month", "reprocess", key_, "202506"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "Giorni scritti: 30\n");
  EXPECT_EQ(Day(9)[0], Day(10)[0]);
}

}  // namespace
}  // namespace kaveltar
