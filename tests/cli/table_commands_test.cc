// The tables commands run in-process on a demo installation: every column in text, CSV and
// JSON; rows created, changed and refused through the panels' own checks and messages (with
// nothing changed on a refusal); deletions answered from the scripted dialogs or from
// --yes/--no, with the tables' protections; and the printed listing in the spool folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_harness.h"
#include "db/attendance_db.h"
#include "demo/demo_installation.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;

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
  std::vector<GroupRow> groups;
  ASSERT_TRUE(Db()->ListGroups(&groups).ok());
  EXPECT_EQ(o.out.substr(0, 9), "KGRUPPO  ");
  EXPECT_NE(o.out.find("\n" + groups[0].code), std::string::npos);
  o = Run({"tables", "list", "holidays", "--format", "csv"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out.substr(0, 15), "KDATAF;FEST_1\r\n");
  EXPECT_EQ(Run({"tables", "list", "festivita"}).status, 2);
  EXPECT_EQ(Run({"tables", "list", "groups", "--format", "xml"}).status, 2);
}

// The panels' checks have their own tests; here each table's save is wired to its panel: a row
// written, one refusal with the panel's message and nothing changed, one bad value refused.
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

  o = Run({"tables", "save", "justifications", "97", "--type", "P", "--formula", "1,3,08:30",
           "--formula", "3,5"});
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("E' necessario rispettare la sequenza. Compilare prima la Formula 2"),
            std::string::npos)
      << o.err;
  EXPECT_FALSE(Db()->FindJustification("097")->has_value());
  o = Run({"tables", "save", "justifications", "97", "--description", "prova cli", "--type", "p",
           "--overtime", "--import-code", "pc", "--formula", "1,3,08:30"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "Giustificativo 097 memorizzato\n");
  EXPECT_EQ((*Db()->FindJustification("097"))->gius[5], "PC");
  ASSERT_TRUE(Db()->DeleteJustification("097").ok());

  o = Run({"tables", "save", "groups", "77", "--description", "prova", "--monday", "8:30"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "Gruppo orario 077 memorizzato\n");
  EXPECT_EQ((*Db()->FindGroup("077"))->grup[2], "08:30");
  EXPECT_EQ(Run({"tables", "save", "groups", "077", "--tuesday", "48:00"}).status, 2);
  ASSERT_TRUE(Db()->DeleteGroup("077").ok());
}

TEST_F(TableCommandsTest, DeleteAsksAndKeepsWhatTheRulesProtect) {
  ASSERT_EQ(Run({"tables", "save", "holidays", "0619", "--description", "patrono"}).status, 0);
  Output o = Run({"tables", "delete", "holidays", "1225"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(dialogs_.Texts().size(), 1u);
  EXPECT_TRUE(Db()->FindHoliday("1225")->has_value());

  // The command line's own answers: --no keeps the row, --yes deletes it.
  o = Run({"--no", "tables", "delete", "holidays", "619"}, /*scripted=*/false);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("0619 PATRONO (s/n) No"), std::string::npos) << o.err;
  EXPECT_TRUE(Db()->FindHoliday("0619")->has_value());
  o = Run({"--yes", "tables", "delete", "holidays", "619"}, /*scripted=*/false);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "Festività 0619 eliminata\n");
  EXPECT_FALSE(Db()->FindHoliday("0619")->has_value());
}

TEST_F(TableCommandsTest, PrintSendsTheListingToThePrinter) {
  const fs::path spool = root_ / "spool";
  Output o = Run({"--printer", "file:" + spool.string(), "tables", "print", "groups"});
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<fs::path> files = cli_harness::Files(spool);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(o.out, "Stampa terminata: " + files[0].string() + "\n");
}

}  // namespace
}  // namespace kaveltar
