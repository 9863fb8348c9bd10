// The tables commands run in-process on a demo installation: the listing; rows created and
// refused through the panels' own checks and messages (with nothing changed on a refusal); and
// deletions answered from --yes/--no.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_harness.h"
#include "db/attendance_db.h"
#include "demo/demo_installation.h"

namespace kaveltar {
namespace {

using cli_harness::Lines;
using cli_harness::Output;

class TableCommandsTest : public cli_harness::DemoTest {
 protected:
  static void SetUpTestSuite() { Install("kaveltar-tables-cli", {.employees = 12, .seed = 5}); }
  // Runs kaveltar-cli; `scripted` answers the questions from dialogs_, otherwise the command
  // line's own dialogs answer them (from --yes / --no) and write to `err`.
  Output Run(std::vector<std::string> args, bool scripted = true) {
    return DemoTest::Run(args, {}, !scripted);
  }

  // The database the commands work on (created by the first command's start-up).
  static std::unique_ptr<AttendanceDb> Db() {
    Result<std::unique_ptr<AttendanceDb>> db = OpenSqliteDatabase(Archives() / kDatabaseFile);
    EXPECT_TRUE(db.ok()) << db.status().message();
    return db.ok() ? std::move(*db) : nullptr;
  }
};

TEST_F(TableCommandsTest, ListsEveryColumnAsTextCsvAndJson) {
  Output o = Run({"tables", "list", "groups"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out.substr(0, 9), "KGRUPPO  ");
  EXPECT_EQ(Run({"tables", "list", "groups", "--format", "xml"}).status, 2);
}

// The panels' checks have their own tests; here each table's save is wired to its panel: a row
// written, and one refusal with nothing changed.
TEST_F(TableCommandsTest, SaveGoesThroughThePanelsChecks) {
  Output o = Run({"tables", "save", "holidays", "619", "--description", "san giovanni"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "Festività 0619 memorizzata\n");
  EXPECT_EQ((*Db()->FindHoliday("0619"))->description, "SAN GIOVANNI");
  o = Run({"tables", "save", "holidays", "0619", "--description", "altro", "--new"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(dialogs_.Texts().size(), 1u);
  EXPECT_EQ((*Db()->FindHoliday("0619"))->description, "SAN GIOVANNI");
  ASSERT_TRUE(Db()->DeleteHoliday("0619").ok());

  o = Run({"tables", "save", "justifications", "97", "--description", "prova cli", "--type", "p",
           "--overtime", "--import-code", "pc", "--formula", "1,3,08:30"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "Giustificativo 097 memorizzato\n");
  EXPECT_EQ((*Db()->FindJustification("097"))->gius[5], "PC");
  ASSERT_TRUE(Db()->DeleteJustification("097").ok());
}

TEST_F(TableCommandsTest, DeleteAsksAndKeepsWhatTheRulesProtect) {
  ASSERT_EQ(Run({"tables", "save", "holidays", "0619", "--description", "patrono"}).status, 0);
  // The command line's own answers: --no keeps the row, --yes deletes it.
  Output o = Run({"--no", "tables", "delete", "holidays", "619"}, /*scripted=*/false);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("0619 PATRONO (s/n) No"), std::string::npos) << o.err;
  EXPECT_TRUE(Db()->FindHoliday("0619")->has_value());
  o = Run({"--yes", "tables", "delete", "holidays", "619"}, /*scripted=*/false);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "Festività 0619 eliminata\n");
  EXPECT_FALSE(Db()->FindHoliday("0619")->has_value());
}

}  // namespace
}  // namespace kaveltar
