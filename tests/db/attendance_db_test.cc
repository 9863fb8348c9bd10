// One suite for the AttendanceDb contract, run against every engine: SQLite always, and
// PostgreSQL when KAVELTAR_TEST_PG holds a libpq connection string (each test then works in
// a schema of its own, dropped afterwards). tests/db/start_test_postgres.sh starts a server.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "db/attendance_db.h"
#include "db/postgres_db.h"
#include "db_test_support.h"

namespace kaveltar {
namespace {

class TestEngine {
 public:
  virtual ~TestEngine() = default;
  // Why the engine cannot run here, empty when it can.
  virtual std::string SkipReason() const { return {}; }
  // Makes a new empty database with the four tables.
  virtual Status Create() = 0;
  // A new connection to that database.
  virtual Result<std::unique_ptr<AttendanceDb>> Open() = 0;
  // Runs SQL on a connection of its own (for faults the interface cannot cause).
  virtual Status Raw(const std::string& sql) = 0;
  // SQL for a trigger that makes every insert of employee "FAIL" fail.
  virtual std::string FailingTrigger() const = 0;
};

class SqliteEngine final : public TestEngine {
 public:
  Status Create() override { return CreateSqliteDatabase(File()); }
  Result<std::unique_ptr<AttendanceDb>> Open() override { return OpenSqliteDatabase(File()); }
  Status Raw(const std::string& sql) override {
    sqlite3* db = nullptr;
    sqlite3_open(File().c_str(), &db);
    char* error = nullptr;
    Status s = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK
                   ? Status::Ok()
                   : Status::DbError(error ? error : "?");
    sqlite3_free(error);
    sqlite3_close(db);
    return s;
  }
  std::string FailingTrigger() const override {
    return "CREATE TRIGGER fail_insert BEFORE INSERT ON PRESENZE WHEN NEW.KDIPENDENTE = 'FAIL'"
           " BEGIN SELECT RAISE(ABORT, 'refused by the test'); END";
  }

 private:
  std::filesystem::path File() const { return folder_.path() / kDatabaseFile; }
  TempFolder folder_;
};

class PostgresEngine final : public TestEngine {
 public:
  explicit PostgresEngine(std::string application = "kaveltar") {
    const char* env = std::getenv("KAVELTAR_TEST_PG");
    base_ = env ? env : "";
    static int counter = 0;
    schema_ = "kaveltar_test_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    // Both the key=value form and the URI form of a connection string are accepted.
    if (base_.rfind("postgres", 0) == 0) {
      conninfo_ = base_ + (base_.find('?') == std::string::npos ? "?" : "&") +
                  "options=-csearch_path%3D" + schema_ + "&application_name=" + application;
    } else {
      conninfo_ =
          base_ + " options='-csearch_path=" + schema_ + "' application_name=" + application;
    }
  }
  ~PostgresEngine() override {
    if (created_) (void)Exec(base_, "DROP SCHEMA " + schema_ + " CASCADE");
  }
  std::string SkipReason() const override {
    return base_.empty() ? "KAVELTAR_TEST_PG is not set: PostgreSQL engine not tested" : "";
  }
  Status Create() override {
    if (Status s = Exec(base_, "CREATE SCHEMA " + schema_); !s.ok()) return s;
    created_ = true;
    return CreatePostgresSchema(conninfo_);
  }
  Result<std::unique_ptr<AttendanceDb>> Open() override { return OpenPostgresDatabase(conninfo_); }
  Status Raw(const std::string& sql) override { return Exec(conninfo_, sql); }
  std::string FailingTrigger() const override {
    return "CREATE FUNCTION fail_insert() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
           "IF NEW.kdipendente = 'FAIL' THEN RAISE EXCEPTION 'refused by the test'; END IF; "
           "RETURN NEW; END $$; CREATE TRIGGER fail_insert BEFORE INSERT ON presenze "
           "FOR EACH ROW EXECUTE FUNCTION fail_insert()";
  }
  const std::string& conninfo() const { return conninfo_; }

 private:
  static Status Exec(const std::string& conninfo, const std::string& sql) {
    PGconn* conn = PQconnectdb(conninfo.c_str());
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    PGresult* res = PQexec(conn, sql.c_str());
    const ExecStatusType st = PQresultStatus(res);
    Status s = st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK
                   ? Status::Ok()
                   : Status::DbError(PQerrorMessage(conn));
    PQclear(res);
    PQfinish(conn);
    return s;
  }
  std::string base_, schema_, conninfo_;
  bool created_ = false;
};

struct EngineParam {
  const char* name;
  std::unique_ptr<TestEngine> (*make)();
};

void PrintTo(const EngineParam& p, std::ostream* os) { *os << p.name; }

class AttendanceDbTest : public testing::TestWithParam<EngineParam> {
 protected:
  void SetUp() override {
    engine_ = GetParam().make();
    if (std::string why = engine_->SkipReason(); !why.empty()) GTEST_SKIP() << why;
    KT_ASSERT_OK(engine_->Create());
    Reopen();
  }
  // Closes the connection and opens a new one, as a restart of the program does.
  void Reopen() {
    db_.reset();
    auto opened = engine_->Open();
    KT_ASSERT_OK(opened);
    db_ = std::move(*opened);
  }
  void SaveAll(const std::vector<DayRow>& days) {
    for (const DayRow& d : days) KT_ASSERT_OK(db_->SaveDay(d));
  }
  bool Stored(std::string_view employee, std::string_view period) {
    auto found = db_->FindDay(employee, period);
    EXPECT_TRUE(found.ok()) << found.status().message();
    return found.ok() && found->has_value();
  }

  std::unique_ptr<TestEngine> engine_;
  std::unique_ptr<AttendanceDb> db_;
};

TEST_P(AttendanceDbTest, EveryColumnOfEveryTableSurvivesAReopen) {
  DayRow day;
  day.employee = "0010010001";
  day.period = "20240105";
  day.pres0 = -7;
  day.protocollo = 4'000'000'000L;  // beyond 32 bits
  for (int n = 1; n <= 23; ++n) day.pres[n] = "P" + std::to_string(n) + " àèéìòù€";
  day.pres[9] = "";
  JustificationRow just{"MAL"};
  for (int n = 1; n <= 18; ++n)
    just.gius[n] = "G" + std::to_string(n) + " Malattia/Infort./Maternità";
  just.gius[6] = "";
  GroupRow group{"007"};
  group.grup = {"", "TURNO È NOTTURNO", "08:00", "07:30", "", "08:00", "08:00", "04:00", ""};
  const HolidayRow holiday{"0815", "FERRAGOSTO è"};
  KT_ASSERT_OK(db_->SaveDay(day));
  KT_ASSERT_OK(db_->SaveJustification(just));
  KT_ASSERT_OK(db_->SaveGroup(group));
  KT_ASSERT_OK(db_->SaveHoliday(holiday));
  Reopen();

  EXPECT_EQ(db_->FindDay(day.employee, day.period)->value(), day);
  EXPECT_EQ(db_->FindJustification("MAL")->value(), just);
  EXPECT_EQ(db_->FindGroup("007")->value(), group);
  EXPECT_EQ(db_->FindHoliday("0815")->value(), holiday);
}

TEST_P(AttendanceDbTest, MonthAndYearQueriesReturnExactlyTheirDaysInOrder) {
  const std::string emp = "0010010001";
  SaveAll({Day(emp, "20240229"), Day(emp, "20240201"), Day(emp, "20240215"), Day(emp, "20240131"),
           Day(emp, "20240199"), Day(emp, "20240301"), Day(emp, "20231231"), Day(emp, "20250101"),
           Day("00100100010", "20240210"), Day("001001000", "20240210"),
           Day("0010010002", "20240210")});
  std::vector<DayRow> rows(40);  // a reused vector must be replaced, not appended to
  const struct {
    const char* month;
    std::vector<std::string> keys;
  } cases[] = {
      {"202402", {"20240201 " + emp, "20240215 " + emp, "20240229 " + emp}},
      {"202404", {}},
  };
  for (const auto& c : cases) {
    KT_ASSERT_OK(db_->EmployeeMonth(emp, c.month, &rows));
    EXPECT_EQ(Keys(rows), c.keys) << c.month;
  }
  KT_ASSERT_OK(db_->EmployeeYear(emp, "2024", &rows));
  EXPECT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows.front().period, "20240131");

  EXPECT_EQ(db_->EmployeeMonth(emp, "2024-2", &rows).kind(), Status::Kind::kInvalid);
  EXPECT_TRUE(rows.empty());
}

// The summaries' reader gives each day of a company's employees, for a year (or a month), with
// the worked hours and slots 1-5 (not the import's slots 6-10), by employee and then by day;
// a slot's hours only with its code.
TEST_P(AttendanceDbTest, CompanyHoursVisitsTheCompanysDaysByEmployee) {
  DayRow a = Day("0010010002", "20240302");
  a.pres[3] = "07:30";
  a.SlotCode(1) = "FER";
  a.SlotHours(1) = "00:30";
  a.SlotCode(5) = "STR";
  a.SlotHours(5) = "02:00";
  a.SlotCode(6) = "IMP";  // an import slot, not given
  DayRow b = Day("0010010002", "20240115");
  b.pres[3] = "08:00";
  // Hours without a code (empty, then blanks) are not given.
  b.SlotHours(2) = "01:00";
  b.SlotCode(3) = "   ";
  b.SlotHours(3) = "03:00";
  SaveAll({a, b, Day("0010010001", "20241231"), Day("0010010002", "20250101"),
           Day("0020010001", "20240302"), Day("0000010001", "20240302")});
  std::vector<std::string> seen;
  auto visit = [&](const DayHoursView& d) {
    std::string line = std::string(d.employee) + " " + std::string(d.worked);
    for (size_t i = 0; i < 5; ++i)
      line += "|" + std::string(d.codes[i]) + "=" + std::string(d.hours[i]);
    seen.push_back(line);
  };
  KT_ASSERT_OK(db_->CompanyHours("001", "2024", visit));
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "0010010001 06:00|FER=02:00|=|=|=|=", "0010010002 08:00|FER=02:00|=|   =|=|=",
                      "0010010002 07:30|FER=00:30|=|=|=|STR=02:00"}));
}

TEST_P(AttendanceDbTest, CompanyMonthTakesEveryEmployeeOfTheCompanyOnly) {
  for (const char* emp : {"0010010001", "001'; --", "0020010001", "0000010001", "00"}) {
    SaveAll({Day(emp, "20240202"), Day(emp, "20240201"), Day(emp, "20240301")});
  }
  std::vector<DayRow> rows;
  KT_ASSERT_OK(db_->CompanyMonth("001", "202402", &rows));
  EXPECT_EQ(Keys(rows), (std::vector<std::string>{"20240201 001'; --", "20240201 0010010001",
                                                  "20240202 001'; --", "20240202 0010010001"}));
  EXPECT_EQ(db_->CompanyMonth("0011", "202402", &rows).kind(), Status::Kind::kInvalid);
}

// A run over a company's month in key order, with the read-ahead hint: each employee's
// month must read what a plain read would, including a write made earlier in the same
// transaction and another connection's commit made between transactions. 250 employees of 30
// days (every seventh without days) are more rows than one read-ahead brings.
TEST_P(AttendanceDbTest, ReadAheadOverACompanyMonthReadsWhatIsStored) {
  auto key = [](int i) {
    std::string n = std::to_string(i);
    return "001" + std::string(7 - n.size(), '0') + n;
  };
  auto day = [](int d) { return std::string("202403") + (d < 10 ? "0" : "") + std::to_string(d); };
  KT_ASSERT_OK(db_->Begin());
  for (int i = 1; i <= 250; ++i) {
    for (int d = 1; d <= 30 && i % 7 != 0; ++d) KT_ASSERT_OK(db_->SaveDay(Day(key(i), day(d))));
  }
  KT_ASSERT_OK(db_->Commit());

  auto other = engine_->Open();
  KT_ASSERT_OK(other);
  db_->ReadAhead("001", "202403");
  std::vector<DayRow> rows;
  KT_ASSERT_OK(db_->Begin());
  for (int i = 1; i <= 250; ++i) {
    if (i == 5) {
      DayRow changed = Day(key(6), day(3));
      changed.pres[3] = "09:30";
      KT_ASSERT_OK(db_->SaveDayKeepNumber(changed));
    }
    if (i == 100) {
      KT_ASSERT_OK(db_->Commit());
      DayRow elsewhere = Day(key(101), day(1));
      elsewhere.pres[3] = "01:00";
      KT_ASSERT_OK((**other).SaveDay(elsewhere));
      KT_ASSERT_OK(db_->Begin());
    }
    KT_ASSERT_OK(db_->EmployeeMonth(key(i), "202403", &rows));
    ASSERT_EQ(rows.size(), i % 7 == 0 ? 0u : 30u) << key(i);
    if (rows.empty()) continue;
    EXPECT_EQ(rows[29].period, day(30));
    EXPECT_EQ(rows[0].pres[3], i == 101 ? "01:00" : "06:00") << key(i);
    EXPECT_EQ(rows[2].pres[3], i == 6 ? "09:30" : "06:00") << key(i);
  }
  KT_ASSERT_OK(db_->Commit());
  db_->ReadAhead({}, {});
}

// Months deleted and written again inside one transaction, as the import does (PostgreSQL
// sends such days with COPY): texts that COPY must escape come back verbatim, a day saved
// twice keeps the second save and a new day takes its own sheet number.
TEST_P(AttendanceDbTest, MonthsDeletedAndRewrittenInOneTransactionStoreEveryTextVerbatim) {
  const std::string a = "001\t\\N\\.01";
  DayRow old = Day(a, "20240503");
  old.protocollo = 7;
  SaveAll({Day(a, "20240501"), old, Day(a, "20240601")});

  DayRow day1 = Day(a, "20240501");
  day1.pres0 = -3;
  day1.pres[1] = "a\tb";
  day1.pres[2] = "riga\nnuova\r";
  day1.pres[4] = "\\N";
  day1.pres[5] = "";
  day1.pres[7] = "\\.";
  day1.protocollo = 12;
  DayRow day2 = Day(a, "20240502");
  DayRow day2_again = day2;
  day2_again.pres[3] = "05:00";
  DayRow day3 = Day(a, "20240503");
  day3.protocollo = 99;

  KT_ASSERT_OK(db_->Begin());
  KT_ASSERT_OK(db_->DeleteEmployeeMonth(a, "202405"));
  KT_ASSERT_OK(db_->SaveDay(day1));
  KT_ASSERT_OK(db_->SaveDay(day2));
  KT_ASSERT_OK(db_->SaveDay(day2_again));
  KT_ASSERT_OK(db_->SaveDayKeepNumber(day3));  // the stored 7 was deleted: 99 is new
  std::vector<DayRow> rows;
  // Read inside the transaction: the days just written are seen.
  KT_ASSERT_OK(db_->EmployeeMonth(a, "202405", &rows));
  EXPECT_EQ(rows, (std::vector<DayRow>{day1, day2_again, day3}));
  KT_ASSERT_OK(db_->Commit());

  Reopen();
  KT_ASSERT_OK(db_->EmployeeMonth(a, "202405", &rows));
  EXPECT_EQ(rows, (std::vector<DayRow>{day1, day2_again, day3}));
  KT_ASSERT_OK(db_->EmployeeMonth(a, "202406", &rows));
  EXPECT_EQ(Keys(rows), std::vector<std::string>{"20240601 " + a});
}

// A day refused by the database among the days of deleted months: the commit fails and
// undoes everything, the deletes too.
TEST_P(AttendanceDbTest, ARefusedDayOfARewrittenMonthUndoesTheDeletesToo) {
  SaveAll({Day("0010010001", "20240601"), Day("FAIL", "20240601")});
  KT_ASSERT_OK(engine_->Raw(engine_->FailingTrigger()));
  KT_ASSERT_OK(db_->Begin());
  KT_ASSERT_OK(db_->DeleteEmployeeMonth("0010010001", "202406"));
  KT_ASSERT_OK(db_->SaveDay(Day("0010010001", "20240602")));
  KT_ASSERT_OK(db_->DeleteEmployeeMonth("FAIL", "202406"));
  (void)db_->SaveDay(Day("FAIL", "20240602"));  // refused at once or at the commit
  (void)db_->SaveDay(Day("0010010003", "20240602"));
  const Status commit = db_->Commit();
  EXPECT_EQ(commit.kind(), Status::Kind::kDbError);
  EXPECT_NE(commit.message().find("refused by the test"), std::string::npos) << commit.message();
  EXPECT_TRUE(Stored("0010010001", "20240601"));
  EXPECT_FALSE(Stored("0010010001", "20240602"));
  EXPECT_TRUE(Stored("FAIL", "20240601"));
  EXPECT_FALSE(Stored("0010010003", "20240602"));
}

// A month deleted in a transaction that is then rolled back (or committed) has its days back
// (or gone) for good: a later save of one of them, in another transaction or without one,
// replaces the stored day rather than failing on its key.
TEST_P(AttendanceDbTest, ADeletedMonthCountsAsEmptyOnlyInsideItsTransaction) {
  const std::string a = "0010010001";
  const auto version = [&](const char* worked) {
    DayRow d = Day(a, "20240601");
    d.pres[3] = worked;
    return d;
  };
  const auto stored = [&] {
    auto found = db_->FindDay(a, "20240601");
    EXPECT_TRUE(found.ok() && found->has_value());
    return found.ok() && found->has_value() ? (*found)->pres[3] : std::string("?");
  };
  KT_ASSERT_OK(db_->SaveDay(version("01:00")));

  KT_ASSERT_OK(db_->Begin());
  KT_ASSERT_OK(db_->DeleteEmployeeMonth(a, "202406"));
  KT_ASSERT_OK(db_->SaveDay(Day(a, "20240602")));
  KT_ASSERT_OK(db_->Rollback());
  EXPECT_EQ(stored(), "01:00");
  EXPECT_FALSE(Stored(a, "20240602"));
  KT_ASSERT_OK(db_->Begin());
  KT_ASSERT_OK(db_->SaveDay(version("02:00")));
  KT_ASSERT_OK(db_->Commit());
  EXPECT_EQ(stored(), "02:00");

  KT_ASSERT_OK(db_->Begin());
  KT_ASSERT_OK(db_->DeleteEmployeeMonth(a, "202406"));
  KT_ASSERT_OK(db_->Commit());
  EXPECT_FALSE(Stored(a, "20240601"));
  KT_ASSERT_OK(db_->SaveDay(version("03:00")));
  KT_ASSERT_OK(db_->Begin());
  KT_ASSERT_OK(db_->SaveDay(version("04:00")));
  KT_ASSERT_OK(db_->Commit());
  EXPECT_EQ(stored(), "04:00");

  // Without a transaction every statement stands alone.
  KT_ASSERT_OK(db_->DeleteEmployeeMonth(a, "202406"));
  KT_ASSERT_OK(db_->SaveDay(version("05:00")));
  KT_ASSERT_OK(db_->SaveDay(version("06:00")));
  EXPECT_EQ(stored(), "06:00");
}

// Memorization reads an employee-month inside its transaction and then saves every day: the
// days the read found are updated in place (their number kept), the others are added, and a
// day saved twice in the transaction is updated the second time.
TEST_P(AttendanceDbTest, AMonthReadInItsTransactionThenSavedDayByDay) {
  const std::string a = "0010010001";
  DayRow first = Day(a, "20240601");
  first.pres[3] = "01:00";
  first.protocollo = 7;
  KT_ASSERT_OK(db_->SaveDay(first));
  KT_ASSERT_OK(db_->SaveDay(Day("0010010002", "20240602")));  // another employee's day

  std::vector<DayRow> rows;
  KT_ASSERT_OK(db_->Begin());
  KT_ASSERT_OK(db_->EmployeeMonth(a, "202406", &rows));
  ASSERT_EQ(rows.size(), 1u);
  const std::pair<const char*, const char*> saves[] = {
      {"20240601", "11:00"}, {"20240602", "12:00"}, {"20240630", "13:00"}, {"20240602", "14:00"}};
  for (const auto& [period, worked] : saves) {
    DayRow d = Day(a, period);
    d.pres[3] = worked;
    KT_ASSERT_OK(db_->SaveDayKeepNumber(d));
  }
  KT_ASSERT_OK(db_->Commit());
  KT_ASSERT_OK(db_->EmployeeMonth(a, "202406", &rows));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].pres[3], "11:00");
  EXPECT_EQ(rows[0].protocollo, 7);
  EXPECT_EQ(rows[1].pres[3], "14:00");
  EXPECT_EQ(rows[2].pres[3], "13:00");

  // What a rolled-back transaction learnt is forgotten: the day it added is gone, and the
  // next transaction adds it again.
  KT_ASSERT_OK(db_->Begin());
  KT_ASSERT_OK(db_->EmployeeMonth(a, "202407", &rows));
  KT_ASSERT_OK(db_->SaveDayKeepNumber(Day(a, "20240701")));
  KT_ASSERT_OK(db_->Rollback());
  KT_ASSERT_OK(db_->SaveDay(Day(a, "20240701")));
  KT_ASSERT_OK(db_->Begin());
  KT_ASSERT_OK(db_->SaveDayKeepNumber(Day(a, "20240701")));
  KT_ASSERT_OK(db_->Commit());
  EXPECT_TRUE(Stored(a, "20240701"));
}

TEST_P(AttendanceDbTest, BadRowsAreRefusedAndChangeNothing) {
  EXPECT_EQ(db_->SaveDay(Day("0010010001", "2024-01-05")).kind(), Status::Kind::kInvalid);
  DayRow cp1252 = Day("0010010001", "20240105");
  cp1252.pres[2] = "libert\xE0";  // a Windows-1252 byte that was never converted
  Status refused = db_->SaveDay(cp1252);
  EXPECT_EQ(refused.kind(), Status::Kind::kInvalid);
  EXPECT_NE(refused.message().find("PRES_2"), std::string::npos) << refused.message();
  EXPECT_EQ(db_->SaveHoliday({"", "VUOTA"}).kind(), Status::Kind::kInvalid);
  std::vector<DayRow> rows;
  KT_ASSERT_OK(db_->CompanyMonth("001", "202401", &rows));
  EXPECT_TRUE(rows.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Engines, AttendanceDbTest,
    testing::Values(
        EngineParam{"SQLite", [] { return std::unique_ptr<TestEngine>(new SqliteEngine); }},
        EngineParam{"PostgreSQL", [] { return std::unique_ptr<TestEngine>(new PostgresEngine); }}),
    [](const testing::TestParamInfo<EngineParam>& p) { return std::string(p.param.name); });

// --- PostgreSQL only ---

TEST(PostgresDbTest, AConnectionErrorNeverShowsThePassword) {
  auto db = OpenPostgresDatabase("host=127.0.0.1 port=1 user=x password=sekret connect_timeout=5");
  ASSERT_FALSE(db.ok());
  EXPECT_EQ(db.status().kind(), Status::Kind::kDbError);
  EXPECT_EQ(db.status().message().find("sekret"), std::string::npos) << db.status().message();
}

TEST(PostgresDbTest, ALostConnectionIsReestablishedOutsideATransaction) {
  PostgresEngine engine("kaveltar_reconnect_test");
  if (std::string why = engine.SkipReason(); !why.empty()) GTEST_SKIP() << why;
  KT_ASSERT_OK(engine.Create());
  auto db = engine.Open();
  KT_ASSERT_OK(db);
  const std::string kill =
      "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = "
      "'kaveltar_reconnect_test' AND pid <> pg_backend_pid()";

  KT_ASSERT_OK((*db)->SaveDay(Day("0010010001", "20240101")));
  KT_ASSERT_OK(engine.Raw(kill));
  auto found = (*db)->FindDay("0010010001", "20240101");
  KT_ASSERT_OK(found);
  EXPECT_TRUE(found->has_value());

  KT_ASSERT_OK((*db)->Begin());
  KT_ASSERT_OK((*db)->SaveDay(Day("0010010001", "20240102")));
  KT_ASSERT_OK(engine.Raw(kill));
  // Writes inside a transaction go out without waiting for their answers: the loss shows at
  // the latest at the commit.
  (void)(*db)->SaveDay(Day("0010010001", "20240103"));
  EXPECT_EQ((*db)->Commit().kind(), Status::Kind::kDbError);
  EXPECT_FALSE((*db)->FindDay("0010010001", "20240102")->has_value());
}

}  // namespace
}  // namespace kaveltar
