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
              "2024010" + std::to_string(1 + i / 2),
              N(0),
              T("001"),
              T("08:00"),
              T("07:00"),
              T("FER"),
              T("01:00")};
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
    return WriteCheckedFixture(dir_.path() / name, tables);
  }
  void ExpectUntouched(int64_t days) {
    EXPECT_EQ(*db_->CountDays(), days);
    std::vector<HolidayRow> holidays;
    std::vector<JustificationRow> justifications;
    std::vector<GroupRow> groups;
    ASSERT_TRUE(db_->ListHolidays(&holidays).ok() &&
                db_->ListJustifications(&justifications).ok() && db_->ListGroups(&groups).ok());
    EXPECT_EQ(holidays, (std::vector<HolidayRow>{{"0106", "EPIFANIA"}}));
    ASSERT_EQ(justifications.size(), 1u);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(justifications[0].code + groups[0].code, "TPL900");
  }
  DayRow Day(const std::string& key, const std::string& period) {
    Result<std::optional<DayRow>> day = db_->FindDay(key, period);
    EXPECT_TRUE(day.ok() && day->has_value()) << key << " " << period;
    return day.ok() && day->has_value() ? **day : DayRow{};
  }

  MigrateTempFolder dir_;
  std::unique_ptr<AttendanceDb> db_;
};

TEST_F(MigrationTest, FourTablesReplaceTheInstallationsContents) {
  std::vector<std::string> progress;
  Result<MigrationReport> report = MigrateAttendanceDatabase(
      Fixture("QXPRES.MDB", AllTables()), *db_, {}, [&](std::string_view table, int64_t rows) {
        progress.push_back(std::string(table) + " " + std::to_string(rows));
      });
  ASSERT_TRUE(report.ok()) << report.status().message();
  EXPECT_EQ(MigrationReportLines(*report),
            (std::vector<std::string>{
                "PRESENZE: righe lette 5, scritte 5", "GIUSTIFICATIVI: righe lette 2, scritte 2",
                "GRUPPI: righe lette 1, scritte 1", "FESTIVITA: righe lette 0, scritte 0",
                "GIUSTIFICATIVI: colonne non importate: GIUS_NOTE",
                "GIUSTIFICATIVI: colonne assenti, lasciate vuote: GIUS_4",
                "GRUPPI: colonne assenti, lasciate vuote: GRUP_8"}));
  EXPECT_EQ(progress.back(), "FESTIVITA 0");

  // Limits, NULL and empty text.
  const DayRow first = Day("0010010001", "20240101");
  EXPECT_EQ(first.pres0, -32768);
  EXPECT_EQ(first.protocollo, 2147483647);
  EXPECT_EQ(first.SlotCode(1) + first.SlotHours(1), "");  // NULL
  const DayRow second = Day("0010010002", "20240101");
  EXPECT_EQ(second.protocollo, -2147483648LL);
  EXPECT_EQ(second.SlotCode(1), "");  // empty text
  EXPECT_EQ(second.SlotHours(1), "01:00");
  EXPECT_EQ(Day("0010010001", "20240103").protocollo, 0);  // NULL

  std::vector<JustificationRow> justifications;
  ASSERT_TRUE(db_->ListJustifications(&justifications).ok());
  ASSERT_EQ(justifications.size(), 2u);
  EXPECT_EQ(justifications[1].gius[1], "Malattia Ωμέγα");
  EXPECT_EQ(justifications[1].gius[4], "");  // the column the file lacks
  EXPECT_EQ(justifications[1].gius[14], "480");
  std::vector<GroupRow> groups;
  ASSERT_TRUE(db_->ListGroups(&groups).ok());
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].grup[1], "Normale");
  std::vector<HolidayRow> holidays;
  ASSERT_TRUE(db_->ListHolidays(&holidays).ok());
  EXPECT_TRUE(holidays.empty());
}

TEST_F(MigrationTest, DaysAlreadyStoredAreReplacedOnlyWhenForced) {
  ASSERT_TRUE(db_->SaveDay(DayRow{.employee = "9999999999", .period = "20231231"}).ok());
  const fs::path file = Fixture("QXPRES.MDB", AllTables());
  Result<MigrationReport> refused = MigrateAttendanceDatabase(file, *db_, {});
  EXPECT_EQ(refused.status().kind(), Status::Kind::kConflict);
  EXPECT_EQ(refused.status().message(),
            "L'archivio delle presenze contiene già 1 giorno: l'importazione lo sostituirebbe. "
            "Importazione non eseguita.");
  ExpectUntouched(1);

  Result<MigrationReport> forced = MigrateAttendanceDatabase(file, *db_, {.force = true});
  ASSERT_TRUE(forced.ok()) << forced.status().message();
  EXPECT_EQ(*db_->CountDays(), 5);
  EXPECT_FALSE(db_->FindDay("9999999999", "20231231")->has_value());
}

TEST_F(MigrationTest, BadFilesChangeNothing) {
  std::vector<JetTable> three = AllTables();
  three.pop_back();
  std::vector<JetTable> twice = AllTables();
  twice[0].rows.push_back(DayRowAt(0));  // the same key again: counts differ
  std::vector<JetTable> bad_day = AllTables();
  bad_day[0].rows[5][1] = T("2024011");
  std::vector<JetTable> text_number = AllTables();  // PROTOCOLLO kept as text
  text_number[0].columns[26].type = kJetText;
  text_number[0].rows[0][26] = T("128");
  text_number[0].rows[1][26] = T("12a");
  const struct {
    fs::path file;
    Status::Kind kind;
    std::string message;
  } cases[] = {
      {Fixture("tre.mdb", three), Status::Kind::kNotFound,
       "Il file " + (dir_.path() / "tre.mdb").string() + " non contiene la tabella FESTIVITA"},
      {Fixture("doppio.mdb", twice), Status::Kind::kDbError,
       "Tabella PRESENZE: righe lette 6, righe nel database 5. Importazione annullata."},
      {Fixture("data.mdb", bad_day), Status::Kind::kInvalid,
       "Tabella PRESENZE, riga 5: KPERIODO non è una data AAAAMMGG ('2024011')"},
      {Fixture("testo.mdb", text_number), Status::Kind::kInvalid,
       "Tabella PRESENZE, riga 2: PROTOCOLLO non è un numero intero ('12a')"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.string());
    Result<MigrationReport> r = MigrateAttendanceDatabase(c.file, *db_, {});
    EXPECT_EQ(r.status().kind(), c.kind);
    EXPECT_EQ(r.status().message(), c.message);
    ExpectUntouched(0);
  }
}

}  // namespace
}  // namespace kaveltar
