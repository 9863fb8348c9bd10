// Moving QXPRES.MDB into our database: what is read, what replaces the installation's rows,
// and files that change nothing.
#include "migrate/attendance_migration.h"

#include <gtest/gtest.h>

#include "db/attendance_db.h"
#include "migrate_test_support.h"

namespace kaveltar {
namespace {

using namespace kaveltar::testing;
namespace fs = std::filesystem;

// Day i: employees 0010010001 / 0010010002 alternately, from 2024-01-01; PROTOCOLLO is i.
JetRow DayRowAt(int i) {
  JetRow r = {std::string(i % 2 ? "0010010002" : "0010010001"),
              "2024010" + std::to_string(1 + i / 2), N(0)};
  for (const char* v : {"001", "08:00", "07:00", "FER", "01:00"}) r.push_back(T(v));
  for (int n = 6; n <= 23; ++n) r.push_back(T(""));
  r.push_back(N(i));
  return r;
}

// Six days (the fourth deleted), two justifications, one group and no holidays; the
// justifications lack GIUS_4 and have a column of their own, the groups lack GRUP_8.
std::vector<JetTable> AllTables() {
  JetTable days{
      .name = "PRESENZE",
      .columns = {{"KDIPENDENTE", kJetText}, {"KPERIODO", kJetText}, {"PRES_0", kJetInt}}};
  for (int n = 1; n <= 23; ++n) days.columns.push_back({"PRES_" + std::to_string(n), kJetText});
  days.columns.push_back({"PROTOCOLLO", kJetLong});
  for (int i = 0; i < 6; ++i) days.rows.push_back(DayRowAt(i));
  // Limits of the number columns; NULL and empty text in a justification slot.
  days.rows[0][2] = N(-32768);
  days.rows[0][26] = N(2147483647);
  days.rows[1][26] = N(-2147483648LL);
  days.rows[0][6] = days.rows[0][7] = kNull;
  days.rows[1][6] = T("");
  days.rows[4][26] = kNull;
  days.deleted = {3};

  JetTable justifications{.name = "GIUSTIFICATIVI", .columns = {{"KGIUS", kJetText}}};
  for (int n = 1; n <= 18; ++n) {
    if (n != 4) justifications.columns.push_back({"GIUS_" + std::to_string(n), kJetText});
  }
  justifications.columns.push_back({"GIUS_NOTE", kJetText});
  for (const char* code : {"FER", "MAL"}) {
    JetRow r = {T(code), T(code[0] == 'F' ? "Ferie è €" : "Malattia Ωμέγα"), T("A"), T("0")};
    for (int n = 5; n <= 18; ++n) r.push_back(n == 14 ? T("480") : kNull);
    r.push_back(T("non importata"));
    justifications.rows.push_back(r);
  }
  JetTable groups{.name = "gruppi",
                  .columns = {{"KGRUPPO", kJetText}, {"grup_1", kJetText}}};  // any case
  for (int n = 2; n <= 7; ++n) groups.columns.push_back({"GRUP_" + std::to_string(n), kJetText});
  groups.rows = {
      {T("001"), T("Normale"), T("08:00"), T("08:00"), T("08:00"), T("08:00"), T("08:00"), kNull}};
  JetTable holidays{.name = "FESTIVITA", .columns = {{"KDATAF", kJetText}, {"FEST_1", kJetText}}};
  return {days, justifications, groups, holidays};
}

// The installation's database with one template row in each small table; the engines' own
// behaviour is the database tests' matter.
class MigrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateSqliteDatabase(dir_.path() / "QXPRES.sqlite").ok());
    Result<std::unique_ptr<AttendanceDb>> db = OpenSqliteDatabase(dir_.path() / "QXPRES.sqlite");
    ASSERT_TRUE(db.ok()) << db.status().message();
    db_ = std::move(*db);
    ASSERT_TRUE(db_->SaveHoliday({"0106", "EPIFANIA"}).ok());
    ASSERT_TRUE(db_->SaveJustification(JustificationRow{.code = "TPL"}).ok());
    ASSERT_TRUE(db_->SaveGroup(GroupRow{.code = "900"}).ok());
  }
  fs::path Fixture(const std::string& name, const std::vector<JetTable>& tables) {
    return WriteTables(dir_.path() / name, tables);
  }
  // The template rows are still there, and `days` days.
  void ExpectUntouched(int64_t days) {
    EXPECT_EQ(*db_->CountDays(), days);
    EXPECT_TRUE(db_->FindHoliday("0106")->has_value());
    EXPECT_TRUE(db_->FindJustification("TPL")->has_value());
    EXPECT_TRUE(db_->FindGroup("900")->has_value());
  }

  MigrateTempFolder dir_;
  std::unique_ptr<AttendanceDb> db_;
};

TEST_F(MigrationTest, FourTablesReplaceTheInstallationsContents) {
  Result<MigrationReport> report =
      MigrateAttendanceDatabase(Fixture("QXPRES.MDB", AllTables()), *db_, {});
  ASSERT_TRUE(report.ok()) << report.status().message();
  EXPECT_EQ(MigrationReportLines(*report),
            (std::vector<std::string>{
                "PRESENZE: righe lette 5, scritte 5", "GIUSTIFICATIVI: righe lette 2, scritte 2",
                "GRUPPI: righe lette 1, scritte 1", "FESTIVITA: righe lette 0, scritte 0",
                "GIUSTIFICATIVI: colonne non importate: GIUS_NOTE",
                "GIUSTIFICATIVI: colonne assenti, lasciate vuote: GIUS_4",
                "GRUPPI: colonne assenti, lasciate vuote: GRUP_8"}));

  // Limits, NULL and empty text.
  const DayRow first = **db_->FindDay("0010010001", "20240101");
  EXPECT_EQ(first.pres0, -32768);
  EXPECT_EQ(first.protocollo, 2147483647);
  EXPECT_EQ(first.SlotCode(1) + first.SlotHours(1), "");  // NULL
  const DayRow second = **db_->FindDay("0010010002", "20240101");
  EXPECT_EQ(second.protocollo, -2147483648LL);
  EXPECT_EQ(second.SlotCode(1), "");  // empty text
  EXPECT_EQ(second.SlotHours(1), "01:00");
  EXPECT_EQ((*db_->FindDay("0010010001", "20240103"))->protocollo, 0);  // NULL

  // The tables' rows replace the installation's (TPL, 900 and EPIFANIA).
  const JustificationRow mal = **db_->FindJustification("MAL");
  EXPECT_EQ(mal.gius[1], "Malattia Ωμέγα");
  EXPECT_EQ(mal.gius[4], "");  // the column the file lacks
  EXPECT_EQ(mal.gius[14], "480");
  EXPECT_EQ((*db_->FindGroup("001"))->grup[1], "Normale");
  EXPECT_FALSE(db_->FindJustification("TPL")->has_value());
  EXPECT_FALSE(db_->FindGroup("900")->has_value());
  EXPECT_FALSE(db_->FindHoliday("0106")->has_value());
}

TEST_F(MigrationTest, BadFilesChangeNothing) {
  std::vector<JetTable> twice = AllTables();
  twice[0].rows.push_back(DayRowAt(0));  // the same key again: counts differ
  const Result<MigrationReport> r =
      MigrateAttendanceDatabase(Fixture("doppio.mdb", twice), *db_, {});
  EXPECT_EQ(r.status().kind(), Status::Kind::kDbError);
  EXPECT_EQ(r.status().message(),
            "Tabella PRESENZE: righe lette 6, righe nel database 5. Importazione annullata.");
  ExpectUntouched(0);

  // Not an Access file at all.
  const fs::path text = WriteFixture(dir_.path() / "testo.mdb", std::string(3 * 4096, 'A'));
  EXPECT_EQ(MigrateAttendanceDatabase(text, *db_, {}).status().message(),
            "Il file " + text.string() + " non è un database Access");
  ExpectUntouched(0);
}

}  // namespace
}  // namespace kaveltar
