// kaveltar-cli migrate on a demo installation, run in-process: the output a user reads, the
// exit statuses, and the rows read back from the installation's database.
#include <gtest/gtest.h>

#include "base/dialogs.h"
#include "cli/cli_harness.h"
#include "db/attendance_db.h"
#include "migrate_test_support.h"

namespace kaveltar {
namespace {

using namespace kaveltar::testing;
namespace fs = std::filesystem;

std::vector<JetTable> SmallFile() {
  JetTable days;
  days.name = "PRESENZE";
  days.columns = {{"KDIPENDENTE", kJetText}, {"KPERIODO", kJetText}, {"PRES_1", kJetText},
                  {"PRES_3", kJetText}, {"PROTOCOLLO", kJetLong}};
  days.rows = {{T("0010010001"), T("20240102"), T("001"), T("08:00"), N(41)},
               {T("0010010001"), T("20240103"), T("001"), T("07:30"), N(41)},
               {T("0010010001"), T("20240104"), T("001"), T("06:00"), N(41)}};
  days.deleted = {1};
  JetTable justifications;
  justifications.name = "GIUSTIFICATIVI";
  justifications.columns = {{"KGIUS", kJetText}, {"GIUS_1", kJetText}, {"GIUS_2", kJetText}};
  justifications.rows = {{T("FER"), T("FERIE"), T("A")}};
  JetTable groups;
  groups.name = "GRUPPI";
  groups.columns = {{"KGRUPPO", kJetText}, {"GRUP_1", kJetText}};
  groups.rows = {{T("001"), T("NORMALE")}};
  JetTable holidays;
  holidays.name = "FESTIVITA";
  holidays.columns = {{"KDATAF", kJetText}, {"FEST_1", kJetText}};
  holidays.rows = {{T("0106"), T("EPIFANIA DEL SIGNORE")}};
  return {days, justifications, groups, holidays};
}

TEST(MigrateCliTest, ImportsThenRefusesUnlessForced) {
  const cli_harness::DemoSetup setup{.companies = 1, .employees = 3};
  DemoReport report;
  const fs::path root = cli_harness::MakeDemoInstallation("kaveltar-migcli", setup, &report);
  ASSERT_FALSE(root.empty());
  RecordingDialogs dialogs;
  const fs::path file = WriteCheckedFixture(root / "QXPRES.MDB", SmallFile());
  const std::vector<std::string> migrate = {"migrate", "--from", file.string()};

  cli_harness::Output first = cli_harness::Run(root, migrate, &dialogs);
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out.rfind("PRESENZE: righe lette 2, scritte 2\n", 0), 0u) << first.out;
  EXPECT_TRUE(first.out.ends_with("\nImportazione completata\n")) << first.out;

  cli_harness::Output again = cli_harness::Run(root, migrate, &dialogs);
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err,
            "kaveltar-cli: L'archivio delle presenze contiene già 2 giorni: l'importazione li "
            "sostituirebbe. Importazione non eseguita.\n"
            "kaveltar-cli: usare --force per sostituire i giorni già presenti\n");

  std::vector<std::string> forced_args = migrate;
  forced_args.push_back("--force");
  cli_harness::Output forced = cli_harness::Run(root, forced_args, &dialogs);
  EXPECT_EQ(forced.status, 0) << forced.err;

  // What the installation now holds, as the program reads it.
  Result<std::unique_ptr<AttendanceDb>> db = OpenSqliteDatabase(root / "demo" / "ARCHIVI" / "QXPRES.sqlite");
  ASSERT_TRUE(db.ok()) << db.status().message();
  std::vector<DayRow> days;
  ASSERT_TRUE((*db)->EmployeeMonth("0010010001", "202401", &days).ok());
  ASSERT_EQ(days.size(), 2u);
  EXPECT_EQ(days[0].period, "20240102");
  EXPECT_EQ(days[1].period, "20240104");
  EXPECT_EQ(days[1].pres[3], "06:00");
  EXPECT_EQ(days[1].protocollo, 41);
  Result<std::optional<HolidayRow>> holiday = (*db)->FindHoliday("0106");
  ASSERT_TRUE(holiday.ok() && holiday->has_value());
  EXPECT_EQ((*holiday)->description, "EPIFANIA DEL SIGNORE");
  fs::remove_all(root);
}

}  // namespace
}  // namespace kaveltar
