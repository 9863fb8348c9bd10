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

// --- The file of the previous program ---

std::string Two(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

constexpr int kDays = 120;

// Day i: employees 0010010001 / 0010010002 alternately, from 2024-01-01, 28 days a month.
JetRow DayRowAt(int i) {
  JetRow r;
  r.push_back(std::string(i % 2 ? "0010010002" : "0010010001"));
  r.push_back("2024" + Two(1 + (i / 2) / 28) + Two(1 + (i / 2) % 28));
  r.push_back(N(0));
  r.push_back(T("001"));
  r.push_back(T("08:00"));
  r.push_back(T("07:00"));
  r.push_back(T("FER"));
  r.push_back(T("01:00"));
  for (int n = 6; n <= 23; ++n) r.push_back(T(""));
  r.push_back(N(i));
  return r;
}

JetTable Presenze() {
  JetTable t;
  t.name = "PRESENZE";
  t.columns = {{"KDIPENDENTE", kJetText}, {"KPERIODO", kJetText}, {"PRES_0", kJetInt}};
  for (int n = 1; n <= 23; ++n) t.columns.push_back({"PRES_" + std::to_string(n), kJetText});
  t.columns.push_back({"PROTOCOLLO", kJetLong});
  for (int i = 0; i < kDays; ++i) t.rows.push_back(DayRowAt(i));
  // Limits of the number columns; NULL and empty text in a justification slot.
  t.rows[0][2] = N(-32768);
  t.rows[0][26] = N(2147483647);
  t.rows[1][2] = N(32767);
  t.rows[1][26] = N(-2147483648LL);
  t.rows[0][6] = kNull;
  t.rows[0][7] = kNull;
  t.rows[1][6] = T("");
  t.rows[4][26] = kNull;
  t.deleted = {3, 50};
  t.moved = {10, 77};
  t.rows_per_page = 16;
  return t;
}

JetTable Giustificativi() {
  JetTable t;
  t.name = "GIUSTIFICATIVI";
  t.columns = {{"KGIUS", kJetText}};
  for (int n = 1; n <= 18; ++n) {
    if (n != 4) t.columns.push_back({"GIUS_" + std::to_string(n), kJetText});
  }
  t.columns.push_back({"GIUS_NOTE", kJetText});
  auto row = [](const char* code, const char* description, const char* type) {
    JetRow r = {T(code), T(description), T(type), T("0")};
    for (int n = 5; n <= 18; ++n) r.push_back(n == 14 ? T("480") : kNull);
    r.push_back(T("non importata"));
    return r;
  };
  t.rows = {row("FER", "Ferie è €", "A"), row("MAL", "Malattia Ωμέγα", "A"), row("STR", "", "P")};
  return t;
}

JetTable Gruppi() {
  JetTable t;
  t.name = "gruppi";  // names are matched without case
  t.columns = {{"KGRUPPO", kJetText}, {"grup_1", kJetText}};
  for (int n = 2; n <= 7; ++n) t.columns.push_back({"GRUP_" + std::to_string(n), kJetText});
  t.rows = {{T("001"), T("Normale"), T("08:00"), T("08:00"), T("08:00"), T("08:00"), T("08:00"), T("")},
            {T("002"), T("Part time"), T("04:00"), T("04:00"), T("04:00"), T("04:00"), T("04:00"), kNull}};
  t.stored_row_count = 0;
  return t;
}

JetTable Festivita() {
  JetTable t;
  t.name = "FESTIVITA";
  t.columns = {{"KDATAF", kJetText}, {"FEST_1", kJetText}};
  return t;
}

std::vector<JetTable> AllTables() { return {Presenze(), Giustificativi(), Gruppi(), Festivita()}; }

// The installation's database; the engines' own behaviour is the database tests' matter.
class MigrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateSqliteDatabase(dir_.path() / "QXPRES.sqlite").ok());
    Result<std::unique_ptr<AttendanceDb>> db = OpenSqliteDatabase(dir_.path() / "QXPRES.sqlite");
    ASSERT_TRUE(db.ok()) << db.status().message();
    db_ = std::move(*db);
    // What the template installs: these rows must give way to the file's.
    ASSERT_TRUE(db_->SaveHoliday({"0106", "EPIFANIA"}).ok());
    JustificationRow j;
    j.code = "TPL";
    ASSERT_TRUE(db_->SaveJustification(j).ok());
    GroupRow g;
    g.code = "900";
    ASSERT_TRUE(db_->SaveGroup(g).ok());
  }

  fs::path Fixture(const std::string& name, const std::vector<JetTable>& tables) {
    return WriteCheckedFixture(dir_.path() / name, tables);
  }

  // The installation's contents as set up: one template row in each small table.
  void ExpectUntouched(int64_t days) {
    Result<int64_t> count = db_->CountDays();
    ASSERT_TRUE(count.ok());
    EXPECT_EQ(*count, days);
    std::vector<HolidayRow> holidays;
    ASSERT_TRUE(db_->ListHolidays(&holidays).ok());
    EXPECT_EQ(holidays, (std::vector<HolidayRow>{{"0106", "EPIFANIA"}}));
    std::vector<JustificationRow> justifications;
    ASSERT_TRUE(db_->ListJustifications(&justifications).ok());
    ASSERT_EQ(justifications.size(), 1u);
    EXPECT_EQ(justifications[0].code, "TPL");
    std::vector<GroupRow> groups;
    ASSERT_TRUE(db_->ListGroups(&groups).ok());
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].code, "900");
  }

  MigrateTempFolder dir_;
  std::unique_ptr<AttendanceDb> db_;
};

TEST_F(MigrationTest, FourTablesReplaceTheInstallationsContents) {
  const fs::path file = Fixture("QXPRES.MDB", AllTables());
  const std::string exported = MdbExport(file, "GIUSTIFICATIVI");
  EXPECT_NE(exported.find("\"MAL\",\"Malattia Ωμέγα\",\"A\",\"0\","), std::string::npos) << exported;

  std::vector<std::string> progress;
  Result<MigrationReport> report = MigrateAttendanceDatabase(
      file, *db_, {}, [&](std::string_view table, int64_t rows) {
        progress.push_back(std::string(table) + " " + std::to_string(rows));
      });
  ASSERT_TRUE(report.ok()) << report.status().message();
  // 120 days written, two of them deleted; the moved ones count once.
  EXPECT_EQ(MigrationReportLines(*report),
            (std::vector<std::string>{"PRESENZE: righe lette 118, scritte 118",
                                      "GIUSTIFICATIVI: righe lette 3, scritte 3",
                                      "GRUPPI: righe lette 2, scritte 2",
                                      "FESTIVITA: righe lette 0, scritte 0",
                                      "GIUSTIFICATIVI: colonne non importate: GIUS_NOTE",
                                      "GIUSTIFICATIVI: colonne assenti, lasciate vuote: GIUS_4",
                                      "GRUPPI: colonne assenti, lasciate vuote: GRUP_8"}));
  EXPECT_EQ(progress.back(), "FESTIVITA 0");

  // Limits, NULL and empty text.
  Result<std::optional<DayRow>> first = db_->FindDay("0010010001", "20240101");
  ASSERT_TRUE(first.ok() && first->has_value());
  EXPECT_EQ((*first)->pres0, -32768);
  EXPECT_EQ((*first)->protocollo, 2147483647);
  EXPECT_EQ((*first)->pres[1], "001");
  EXPECT_EQ((*first)->SlotCode(1), "");   // NULL
  EXPECT_EQ((*first)->SlotHours(1), "");  // NULL
  Result<std::optional<DayRow>> second = db_->FindDay("0010010002", "20240101");
  ASSERT_TRUE(second.ok() && second->has_value());
  EXPECT_EQ((*second)->pres0, 32767);
  EXPECT_EQ((*second)->protocollo, -2147483648LL);
  EXPECT_EQ((*second)->SlotCode(1), "");  // empty text
  EXPECT_EQ((*second)->SlotHours(1), "01:00");
  Result<std::optional<DayRow>> plain = db_->FindDay("0010010001", "20240102");
  ASSERT_TRUE(plain.ok() && plain->has_value());
  EXPECT_EQ((*plain)->pres[2], "08:00");
  EXPECT_EQ((*plain)->pres[3], "07:00");
  EXPECT_EQ((*plain)->SlotCode(1), "FER");
  EXPECT_EQ((*plain)->SlotHours(1), "01:00");
  Result<std::optional<DayRow>> null_number = db_->FindDay("0010010001", "20240103");
  ASSERT_TRUE(null_number.ok() && null_number->has_value());
  EXPECT_EQ((*null_number)->protocollo, 0);

  std::vector<JustificationRow> justifications;
  ASSERT_TRUE(db_->ListJustifications(&justifications).ok());
  ASSERT_EQ(justifications.size(), 3u);
  EXPECT_EQ(justifications[0].code, "FER");
  EXPECT_EQ(justifications[0].gius[1], "Ferie è €");
  EXPECT_EQ(justifications[1].gius[1], "Malattia Ωμέγα");
  EXPECT_EQ(justifications[1].gius[4], "");  // the column the file lacks
  EXPECT_EQ(justifications[1].gius[14], "480");
  std::vector<GroupRow> groups;
  ASSERT_TRUE(db_->ListGroups(&groups).ok());
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[1].grup[6], "04:00");
  EXPECT_EQ(groups[1].grup[8], "");  // the column the file lacks
  std::vector<HolidayRow> holidays;
  ASSERT_TRUE(db_->ListHolidays(&holidays).ok());
  EXPECT_TRUE(holidays.empty());
}

TEST_F(MigrationTest, DaysAlreadyStoredAreReplacedOnlyWhenForced) {
  DayRow kept;
  kept.employee = "9999999999";
  kept.period = "20231231";
  ASSERT_TRUE(db_->SaveDay(kept).ok());
  const fs::path file = Fixture("QXPRES.MDB", AllTables());

  Result<MigrationReport> refused = MigrateAttendanceDatabase(file, *db_, {});
  EXPECT_EQ(refused.status().kind(), Status::Kind::kConflict);
  EXPECT_EQ(refused.status().message(),
            "L'archivio delle presenze contiene già 1 giorno: l'importazione lo sostituirebbe. "
            "Importazione non eseguita.");
  ExpectUntouched(1);

  Result<MigrationReport> forced = MigrateAttendanceDatabase(file, *db_, {.force = true});
  ASSERT_TRUE(forced.ok()) << forced.status().message();
  EXPECT_EQ(*db_->CountDays(), 118);
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

  struct Case {
    fs::path file;
    Status::Kind kind;
    std::string message;
  } cases[] = {
      {Fixture("tre.mdb", three), Status::Kind::kNotFound,
       "Il file " + (dir_.path() / "tre.mdb").string() + " non contiene la tabella FESTIVITA"},
      {Fixture("doppio.mdb", twice), Status::Kind::kDbError,
       "Tabella PRESENZE: righe lette 119, righe nel database 118. Importazione annullata."},
      {Fixture("data.mdb", bad_day), Status::Kind::kInvalid,
       "Tabella PRESENZE, riga 5: KPERIODO non è una data AAAAMMGG ('2024011')"},
      {Fixture("testo.mdb", text_number), Status::Kind::kInvalid,
       "Tabella PRESENZE, riga 2: PROTOCOLLO non è un numero intero ('12a')"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.string());
    Result<MigrationReport> r = MigrateAttendanceDatabase(c.file, *db_, {});
    EXPECT_EQ(r.status().kind(), c.kind);
    EXPECT_EQ(r.status().message(), c.message);
    ExpectUntouched(0);
  }
}

}  // namespace
}  // namespace kaveltar
