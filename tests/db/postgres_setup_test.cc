// The shared PostgreSQL database of an office: its set-up from a SQLite database, the schema
// version, the writes sent in pipeline mode inside a transaction, the retry of a transaction
// cancelled by a deadlock, and the SQLite backup. Tests that need a server run when
// KAVELTAR_TEST_PG holds a connection string (each works in a schema of its own) and are
// skipped otherwise.
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>
#include <utility>
#include <vector>

#include "db/db_test_support.h"
#include "db/postgres_db.h"

namespace kaveltar {
namespace {

namespace fs = std::filesystem;

// A schema of its own on the test server, dropped at the end.
class PgSchema {
 public:
  PgSchema() {
    const char* env = std::getenv("KAVELTAR_TEST_PG");
    base_ = env ? env : "";
    if (base_.empty()) return;
    static int counter = 0;
    name_ = "kaveltar_setup_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    ok_ = Exec("CREATE SCHEMA " + name_);
    conninfo_ = base_ + " options='-csearch_path=" + name_ + "'";
  }
  ~PgSchema() {
    if (ok_) Exec("DROP SCHEMA " + name_ + " CASCADE");
  }
  bool available() const { return !base_.empty(); }
  bool ok() const { return ok_; }
  const std::string& conninfo() const { return conninfo_; }
  bool Exec(const std::string& sql) const {
    PGconn* c = PQconnectdb(base_.c_str());
    bool done = PQstatus(c) == CONNECTION_OK;
    PQsetNoticeProcessor(
        c, [](void*, const char*) {}, nullptr);
    if (done) {
      const std::string text = name_.empty() ? sql : "SET search_path = " + name_ + ";" + sql;
      PGresult* r = PQexec(c, text.c_str());
      done = PQresultStatus(r) == PGRES_COMMAND_OK;
      PQclear(r);
    }
    PQfinish(c);
    return done;
  }

 private:
  std::string base_, name_, conninfo_;
  bool ok_ = false;
};

#define KT_NEED_PG(schema)                                                     \
  do {                                                                         \
    if (!(schema).available()) GTEST_SKIP() << "KAVELTAR_TEST_PG is not set";  \
    ASSERT_TRUE((schema).ok()) << "cannot create a schema on the test server"; \
  } while (0)

// What an office's SQLite database holds, written by hand: texts with every character the
// copy must escape, a day with a sheet number and slots 6-10 filled by an import.
struct OfficeRows {
  std::vector<HolidayRow> holidays = {{"0106", "EPIFANIA"}, {"1225", "NATALE\tdi Gesù"}};
  JustificationRow justification;
  GroupRow group;
  std::vector<DayRow> days;

  OfficeRows() {
    justification.code = "FER";
    justification.gius[1] = "Ferie \\ permessi\nsu due righe\r";
    justification.gius[2] = "A";
    justification.gius[18] = "480";
    group.code = "001";
    group.grup[1] = "Orario d'ufficio";
    for (int d = 2; d <= 6; ++d) group.grup[static_cast<size_t>(d)] = "08:00";
    days.push_back(Day("0010010001", "20250602"));
    days.push_back(Day("0010010001", "20250603"));
    days.back().protocollo = 17;
    days.back().pres0 = 5;
    days.push_back(Day("0020010007", "20250602"));
    days.back().SlotCode(7) = "IMP";
    days.back().SlotHours(7) = "01:30";
  }

  void WriteTo(AttendanceDb& db) const {
    for (const HolidayRow& h : holidays) ASSERT_TRUE(db.SaveHoliday(h).ok());
    ASSERT_TRUE(db.SaveJustification(justification).ok());
    ASSERT_TRUE(db.SaveGroup(group).ok());
    for (const DayRow& d : days) ASSERT_TRUE(db.SaveDay(d).ok());
  }

  // Every table of `db` holds exactly these rows.
  void ExpectIn(AttendanceDb& db) const {
    std::vector<HolidayRow> h;
    KT_ASSERT_OK(db.ListHolidays(&h));
    EXPECT_EQ(h, holidays);
    std::vector<JustificationRow> j;
    KT_ASSERT_OK(db.ListJustifications(&j));
    EXPECT_EQ(j, std::vector<JustificationRow>{justification});
    std::vector<GroupRow> g;
    KT_ASSERT_OK(db.ListGroups(&g));
    EXPECT_EQ(g, std::vector<GroupRow>{group});
    std::vector<DayRow> all;
    KT_ASSERT_OK(db.ForEachDay([&](const DayRow& d) {
      all.push_back(d);
      return true;
    }));
    EXPECT_EQ(all, days);
  }
};

std::unique_ptr<AttendanceDb> SqliteWith(const fs::path& file, const OfficeRows& rows) {
  EXPECT_TRUE(CreateSqliteDatabase(file).ok());
  Result<std::unique_ptr<AttendanceDb>> db = OpenSqliteDatabase(file);
  EXPECT_TRUE(db.ok()) << db.status().message();
  if (!db.ok()) return nullptr;
  rows.WriteTo(**db);
  return std::move(*db);
}

// --- Setting up the shared database ---

TEST(PostgresSetup, CopiesEveryTableOfTheOfficeInOneGoAndRefusesToCopyTwice) {
  PgSchema schema;
  KT_NEED_PG(schema);
  TempFolder dir;
  const OfficeRows office;
  std::unique_ptr<AttendanceDb> source = SqliteWith(dir.path() / "QXPRES.sqlite", office);
  ASSERT_NE(source, nullptr);

  // Before the set-up, the program refuses the database and says what to do.
  Result<std::unique_ptr<AttendanceDb>> none = OpenPostgresDatabase(schema.conninfo());
  ASSERT_FALSE(none.ok());
  EXPECT_EQ(none.status().message(), kPostgresNoTablesMessage);

  Result<std::vector<CopiedTable>> copied = InitPostgresDatabase(schema.conninfo(), *source, false);
  ASSERT_TRUE(copied.ok()) << copied.status().message();
  ASSERT_EQ(copied->size(), 4u);
  EXPECT_EQ((*copied)[0].name, "FESTIVITA");
  EXPECT_EQ((*copied)[0].rows, 2);
  EXPECT_EQ((*copied)[1].name, "GIUSTIFICATIVI");
  EXPECT_EQ((*copied)[1].rows, 1);
  EXPECT_EQ((*copied)[2].name, "GRUPPI");
  EXPECT_EQ((*copied)[2].rows, 1);
  EXPECT_EQ((*copied)[3].name, "PRESENZE");
  EXPECT_EQ((*copied)[3].rows, 3);

  Result<std::unique_ptr<AttendanceDb>> pg = OpenPostgresDatabase(schema.conninfo());
  ASSERT_TRUE(pg.ok()) << pg.status().message();
  office.ExpectIn(**pg);

  // A second set-up would replace the office's attendance: refused, nothing touched.
  DayRow edited = office.days[0];
  edited.pres[3] = "07:00";
  KT_ASSERT_OK((*pg)->SaveDay(edited));
  Result<std::vector<CopiedTable>> again = InitPostgresDatabase(schema.conninfo(), *source, false);
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.status().kind(), Status::Kind::kConflict);
  EXPECT_NE(again.status().message().find("3 giorni"), std::string::npos)
      << again.status().message();
  EXPECT_EQ((*pg)->FindDay(edited.employee, edited.period).value()->pres[3], "07:00");

  // Asked for: the days and the tables become the source's again.
  KT_ASSERT_OK((*pg)->SaveHoliday({"0501", "FESTA DEL LAVORO"}));
  ASSERT_TRUE(InitPostgresDatabase(schema.conninfo(), *source, true).ok());
  office.ExpectIn(**pg);
}

TEST(PostgresSetup, ADatabaseOfANewerVersionIsRefused) {
  PgSchema schema;
  KT_NEED_PG(schema);
  KT_ASSERT_OK(CreatePostgresSchema(schema.conninfo()));
  ASSERT_TRUE(OpenPostgresDatabase(schema.conninfo()).ok());
  ASSERT_TRUE(schema.Exec("UPDATE KAVELTAR_SCHEMA SET VERSIONE = 2"));

  Result<std::unique_ptr<AttendanceDb>> db = OpenPostgresDatabase(schema.conninfo());
  ASSERT_FALSE(db.ok());
  EXPECT_EQ(db.status().message(),
            "Il database è della versione 2, più recente di quella che questo programma conosce "
            "(1): aggiornare il programma su questa postazione");
  TempFolder dir;
  std::unique_ptr<AttendanceDb> source = SqliteWith(dir.path() / "QXPRES.sqlite", OfficeRows());
  EXPECT_FALSE(InitPostgresDatabase(schema.conninfo(), *source, true).ok());
  EXPECT_FALSE(CreatePostgresSchema(schema.conninfo()).ok());
}

TEST(SqliteVersion, AFileOfANewerVersionIsRefused) {
  TempFolder dir;
  const fs::path file = dir.path() / "QXPRES.sqlite";
  KT_ASSERT_OK(CreateSqliteDatabase(file));
  ASSERT_TRUE(OpenSqliteDatabase(file).ok());
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(raw, "PRAGMA user_version = 3", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(raw);
  Result<std::unique_ptr<AttendanceDb>> db = OpenSqliteDatabase(file);
  ASSERT_FALSE(db.ok());
  EXPECT_EQ(db.status().message().rfind("Il database è della versione 3, più recente", 0), 0u)
      << db.status().message();
}

// --- Transactions on the server ---

class PostgresTransactions : public ::testing::Test {
 protected:
  void SetUp() override {
    KT_NEED_PG(schema_);
    KT_ASSERT_OK(CreatePostgresSchema(schema_.conninfo()));
    a_ = Open();
    b_ = Open();
    ASSERT_NE(a_, nullptr);
    ASSERT_NE(b_, nullptr);
  }
  std::unique_ptr<AttendanceDb> Open() {
    Result<std::unique_ptr<AttendanceDb>> db = OpenPostgresDatabase(schema_.conninfo());
    EXPECT_TRUE(db.ok()) << db.status().message();
    return db.ok() ? std::move(*db) : nullptr;
  }
  static DayRow Worked(const std::string& key, const std::string& hours) {
    DayRow d = Day(key, "20250602");
    d.pres[3] = hours;
    return d;
  }

  PgSchema schema_;
  std::unique_ptr<AttendanceDb> a_, b_;
};

TEST_F(PostgresTransactions, ReadsSeeTheWritesBeforeThemAndAFailedWriteUndoesAll) {
  // More rows than go out before their answers are read.
  KT_ASSERT_OK(a_->Begin());
  for (int e = 0; e < 300; ++e) {
    KT_ASSERT_OK(a_->SaveDay(Day("001001" + std::to_string(1000 + e), "20250602")));
  }
  KT_ASSERT_OK(a_->DeleteDay("0010011000", "20250602"));
  EXPECT_EQ(a_->CountDays().value(), 299);
  KT_ASSERT_OK(a_->Commit());
  EXPECT_EQ(b_->CountDays().value(), 299);

  // The server refuses the 150th write of the next transaction: none of them stays.
  ASSERT_TRUE(schema_.Exec("ALTER TABLE PRESENZE ADD CONSTRAINT no_xxx CHECK (PRES_1 <> 'XXX')"));
  KT_ASSERT_OK(a_->Begin());
  for (int e = 0; e < 300; ++e) {
    DayRow d = Day("002001" + std::to_string(1000 + e), "20250602");
    if (e == 150) d.pres[1] = "XXX";
    (void)a_->SaveDay(d);
  }
  const Status committed = a_->Commit();
  EXPECT_FALSE(committed.ok());
  EXPECT_NE(committed.message().find("no_xxx"), std::string::npos) << committed.message();
  EXPECT_EQ(b_->CountDays().value(), 299);
  // The connection is usable again.
  KT_ASSERT_OK(a_->SaveDay(Day("0030010001", "20250602")));
  EXPECT_EQ(b_->CountDays().value(), 300);
}

TEST_F(PostgresTransactions, DaysSavedTogetherKeepTheirTextsOrderAndSheetNumbers) {
  DayRow odd = Day("0010010001", "20250602");
  odd.pres[1] = "{\"a\",b}";       // what an array literal is made of
  odd.pres[2] = "\\ \\\" è \t\n";  // backslashes, quote, accent, tab, newline
  odd.SlotCode(10) = "NULL";
  odd.protocollo = 9;
  DayRow numbered = Day("0010010001", "20250603");
  numbered.protocollo = 41;
  KT_ASSERT_OK(a_->SaveDay(numbered));

  KT_ASSERT_OK(a_->Begin());
  DayRow first = Day("0010010001", "20250601");
  first.pres[3] = "01:00";
  KT_ASSERT_OK(a_->SaveDay(first));
  KT_ASSERT_OK(a_->SaveDay(odd));
  first.pres[3] = "02:00";  // the same day again: the later values win
  KT_ASSERT_OK(a_->SaveDay(first));
  // A batch save leaves the stored sheet number of an existing day alone.
  DayRow renumbered = numbered;
  renumbered.protocollo = 0;
  renumbered.pres[3] = "03:00";
  KT_ASSERT_OK(a_->SaveDayKeepNumber(renumbered));
  // The delete of another employee's month may overtake the days; this one's may not.
  KT_ASSERT_OK(a_->SaveDay(Day("0020010001", "20250602")));
  KT_ASSERT_OK(a_->DeleteEmployeeMonth("0030010001", "202506"));
  KT_ASSERT_OK(a_->DeleteEmployeeMonth("0020010001", "202506"));
  KT_ASSERT_OK(a_->Commit());

  EXPECT_EQ(b_->FindDay("0010010001", "20250602").value(), odd);
  EXPECT_EQ(b_->FindDay("0010010001", "20250601").value()->pres[3], "02:00");
  const std::optional<DayRow> kept = b_->FindDay("0010010001", "20250603").value();
  ASSERT_TRUE(kept.has_value());
  EXPECT_EQ(kept->pres[3], "03:00");
  EXPECT_EQ(kept->protocollo, 41);
  EXPECT_FALSE(b_->FindDay("0020010001", "20250602").value().has_value());
}

TEST_F(PostgresTransactions, ADeadlockBetweenTwoWorkstationsIsRunAgainNotReported) {
  // A writes X then Y, B writes Y then X: the server cancels one of them, which runs again
  // once the other has committed. Each transaction writes its own hours into both rows, so
  // the rows end up both from A or both from B, never one of each.
  KT_ASSERT_OK(a_->Begin());
  KT_ASSERT_OK(b_->Begin());
  KT_ASSERT_OK(a_->SaveDay(Worked("0010010001", "01:00")));
  KT_ASSERT_OK(b_->SaveDay(Worked("0010010002", "02:00")));
  // A read waits for the answers of the writes before it: both rows are now locked.
  ASSERT_TRUE(a_->FindDay("0010010001", "20250602").ok());
  ASSERT_TRUE(b_->FindDay("0010010002", "20250602").ok());
  Status a_done, b_done;
  std::thread ta([&] {
    a_done = a_->SaveDay(Worked("0010010002", "01:00"));
    if (a_done.ok()) a_done = a_->Commit();
  });
  std::thread tb([&] {
    b_done = b_->SaveDay(Worked("0010010001", "02:00"));
    if (b_done.ok()) b_done = b_->Commit();
  });
  ta.join();
  tb.join();
  EXPECT_TRUE(a_done.ok()) << a_done.message();
  EXPECT_TRUE(b_done.ok()) << b_done.message();
  const std::string x = a_->FindDay("0010010001", "20250602").value()->pres[3];
  const std::string y = a_->FindDay("0010010002", "20250602").value()->pres[3];
  EXPECT_TRUE(x == y && (x == "01:00" || x == "02:00")) << x << " " << y;
}

// Days of a month read without them, or of a month deleted, go out together at the end; when
// another workstation stores one of them meanwhile, the transaction is run again with plain
// saves: the commit goes through and every day holds what this transaction saved.
TEST_F(PostgresTransactions, AMonthFilledByAnotherWorkstationMeanwhileIsStillWrittenWhole) {
  std::vector<DayRow> rows;
  KT_ASSERT_OK(a_->Begin());
  KT_ASSERT_OK(a_->EmployeeMonth("0010010001", "202506", &rows));
  ASSERT_TRUE(rows.empty());
  KT_ASSERT_OK(a_->DeleteEmployeeMonth("0010010002", "202506"));
  for (const std::string key : {"0010010001", "0010010002"}) {
    DayRow other = Worked(key, "09:00");
    other.protocollo = 77;
    KT_ASSERT_OK(b_->SaveDay(other));  // committed at once
  }
  for (const std::string key : {"0010010001", "0010010002"}) {
    for (const char* day : {"20250601", "20250602", "20250603"}) {
      DayRow d = Day(key, day);
      d.pres[3] = "01:00";
      d.protocollo = 5;
      KT_ASSERT_OK(a_->SaveDayKeepNumber(d));
    }
  }
  KT_ASSERT_OK(a_->Commit());

  // The read did not keep the other's day out: its sheet number stays, the hours are A's.
  // The delete came after the other's commit and removed its day.
  const std::vector<std::pair<std::string, int64_t>> expected = {
      {"20250601 0010010001", 5}, {"20250602 0010010001", 77}, {"20250603 0010010001", 5},
      {"20250601 0010010002", 5}, {"20250602 0010010002", 5},  {"20250603 0010010002", 5}};
  std::vector<std::pair<std::string, int64_t>> stored;
  for (const std::string key : {"0010010001", "0010010002"}) {
    KT_ASSERT_OK(b_->EmployeeMonth(key, "202506", &rows));
    for (const DayRow& d : rows) {
      EXPECT_EQ(d.pres[3], "01:00") << d.employee << " " << d.period;
      stored.emplace_back(d.period + " " + d.employee, d.protocollo);
    }
  }
  EXPECT_EQ(stored, expected);
}

// --- Backup ---

TEST(Backup, CopiesASqliteDatabaseAndReplacesAnOlderCopyWhole) {
  TempFolder dir;
  const OfficeRows office;
  std::unique_ptr<AttendanceDb> source = SqliteWith(dir.path() / "QXPRES.sqlite", office);
  ASSERT_NE(source, nullptr);
  const fs::path copy = dir.path() / "copia.sqlite";
  {
    std::ofstream old(copy);
    old << "an older copy that is not a database";
  }
  Result<std::vector<CopiedTable>> copied = BackupToSqlite(*source, copy);
  ASSERT_TRUE(copied.ok()) << copied.status().message();
  ASSERT_EQ(copied->size(), 4u);
  EXPECT_EQ(copied->back().name, "PRESENZE");
  EXPECT_EQ(copied->back().rows, 3);
  Result<std::unique_ptr<AttendanceDb>> back = OpenSqliteDatabase(copy);
  ASSERT_TRUE(back.ok()) << back.status().message();
  office.ExpectIn(**back);
  // Nothing but the copy is left in the folder.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"QXPRES.sqlite", "copia.sqlite"}));
  // The source is free again: the backup's snapshot has ended.
  KT_EXPECT_OK(source->SaveDay(Day("0040010001", "20250601")));
}

TEST(Backup, CopiesThePostgresDatabaseIntoSqlite) {
  PgSchema schema;
  KT_NEED_PG(schema);
  TempFolder dir;
  const OfficeRows office;
  KT_ASSERT_OK(CreatePostgresSchema(schema.conninfo()));
  Result<std::unique_ptr<AttendanceDb>> pg = OpenPostgresDatabase(schema.conninfo());
  ASSERT_TRUE(pg.ok()) << pg.status().message();
  office.WriteTo(**pg);
  const fs::path copy = dir.path() / "copia.sqlite";
  ASSERT_TRUE(BackupToSqlite(**pg, copy).ok());
  Result<std::unique_ptr<AttendanceDb>> back = OpenSqliteDatabase(copy);
  ASSERT_TRUE(back.ok()) << back.status().message();
  office.ExpectIn(**back);
}

}  // namespace
}  // namespace kaveltar
