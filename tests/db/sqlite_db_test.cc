// The SQLite file itself: the template copy at start-up, opening and creating files, and two
// workstations sharing one file.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "db/attendance_db.h"
#include "db_test_support.h"

namespace kaveltar {
namespace {

std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<AttendanceDb> MustOpen(const std::filesystem::path& file) {
  auto db = OpenSqliteDatabase(file);
  EXPECT_TRUE(db.ok()) << db.status().message();
  return db.ok() ? std::move(*db) : nullptr;
}

class PrepareDatabaseTest : public testing::Test {
 protected:
  std::filesystem::path Database() const { return folder_.path() / kDatabaseFile; }
  std::filesystem::path Template() const { return folder_.path() / kTemplateFile; }
  TempFolder folder_;
};

TEST_F(PrepareDatabaseTest, FirstStartCopiesTheTemplateAndAddsEpifania) {
  KT_ASSERT_OK(CreateSqliteDatabase(Template()));
  KT_ASSERT_OK(PrepareDatabase(folder_.path()));
  EXPECT_EQ(ReadAll(Database()), ReadAll(Template()));
  // Only the two database files are left: no temporary copy.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);

  auto db = MustOpen(Database());
  ASSERT_TRUE(db);
  KT_ASSERT_OK(EnsureHolidayDefault(*db));
  EXPECT_EQ(db->FindHoliday("0106")->value(), (HolidayRow{"0106", "EPIFANIA"}));
  db.reset();
  // The template is never opened for writing.
  auto template_db = MustOpen(Template());
  EXPECT_FALSE(template_db->FindHoliday("0106")->has_value());
}

TEST_F(PrepareDatabaseTest, AnExistingDatabaseIsNeverReplaced) {
  KT_ASSERT_OK(CreateSqliteDatabase(Template()));
  KT_ASSERT_OK(CreateSqliteDatabase(Database()));
  {
    auto db = MustOpen(Database());
    KT_ASSERT_OK(db->SaveDay(Day("0010010001", "20240101")));
  }
  const std::string before = ReadAll(Database());
  KT_ASSERT_OK(PrepareDatabase(folder_.path()));
  EXPECT_EQ(ReadAll(Database()), before);
  EXPECT_TRUE(MustOpen(Database())->FindDay("0010010001", "20240101")->has_value());
}

TEST_F(PrepareDatabaseTest, WithoutTemplateNothingIsCreatedAndOpeningNamesTheFile) {
  KT_ASSERT_OK(PrepareDatabase(folder_.path()));
  auto db = OpenSqliteDatabase(Database());
  ASSERT_FALSE(db.ok());
  EXPECT_EQ(db.status().kind(), Status::Kind::kNotFound);
  EXPECT_NE(db.status().message().find("QXPRES.sqlite"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Database()));
}

TEST_F(PrepareDatabaseTest, AStaleJournalIsNotPlayedIntoTheFreshCopy) {
  KT_ASSERT_OK(CreateSqliteDatabase(Template()));
  std::ofstream(folder_.path() / "QXPRES.sqlite-journal") << std::string(4096, 'x');
  KT_ASSERT_OK(PrepareDatabase(folder_.path()));
  auto db = MustOpen(Database());
  ASSERT_TRUE(db);
  KT_EXPECT_OK(db->SaveDay(Day("0010010001", "20240101")));
}

TEST(SqliteDbTest, FilesThatAreNotAttendanceDatabasesAreRefusedUntouched) {
  TempFolder folder;
  const auto file = folder.path() / "QXPRES.sqlite";
  std::ofstream(file) << "not a database";
  auto db = OpenSqliteDatabase(file);
  EXPECT_EQ(db.status().kind(), Status::Kind::kDbError);
  EXPECT_NE(db.status().message().find("QXPRES.sqlite"), std::string::npos);
  EXPECT_EQ(CreateSqliteDatabase(file).kind(), Status::Kind::kConflict);
  EXPECT_EQ(ReadAll(file), "not a database");

  std::ofstream(file, std::ios::trunc).close();  // empty: SQLite would take it as a database
  EXPECT_EQ(OpenSqliteDatabase(file).status().kind(), Status::Kind::kDbError);
}

TEST(SqliteDbTest, AFileInWalModeIsOpenedWithTheRollbackJournal) {
  TempFolder folder;
  const auto file = folder.path() / "QXPRES.sqlite";
  KT_ASSERT_OK(CreateSqliteDatabase(file));
  sqlite3* raw = nullptr;
  sqlite3_open(file.c_str(), &raw);
  sqlite3_exec(raw, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  sqlite3_close(raw);
  ASSERT_TRUE(MustOpen(file));
  sqlite3_open(file.c_str(), &raw);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(raw, "PRAGMA journal_mode", -1, &stmt, nullptr);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "delete");
  sqlite3_finalize(stmt);
  sqlite3_close(raw);
}

// Two workstations on one file: a second writer waits for the first instead of failing, and
// a finished read holds no lock that would block the other.
TEST(SqliteDbTest, ASecondConnectionWaitsForTheFirstAndReadsReleaseTheirLocks) {
  TempFolder folder;
  const auto file = folder.path() / "QXPRES.sqlite";
  KT_ASSERT_OK(CreateSqliteDatabase(file));
  auto a = MustOpen(file);
  auto b = MustOpen(file);
  ASSERT_TRUE(a && b);

  KT_ASSERT_OK(a->Begin());
  KT_ASSERT_OK(a->SaveDay(Day("0010010001", "20240101")));
  std::thread finish([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    KT_EXPECT_OK(a->Commit());
  });
  KT_EXPECT_OK(b->Begin());  // waits for a's commit
  finish.join();
  KT_EXPECT_OK(b->SaveDay(Day("0010010002", "20240101")));
  KT_EXPECT_OK(b->Commit());

  // FindDay stops at the row it wants, before the engine reports the end of the result;
  // b must still be able to write afterwards.
  auto found = a->FindDay("0010010001", "20240101");
  KT_ASSERT_OK(found);
  std::vector<DayRow> rows;
  KT_ASSERT_OK(a->CompanyMonth("001", "202401", &rows));
  EXPECT_EQ(rows.size(), 2u);
  const auto start = std::chrono::steady_clock::now();
  KT_EXPECT_OK(b->Begin());
  KT_EXPECT_OK(b->DeleteDay("0010010001", "20240101"));
  KT_EXPECT_OK(b->Commit());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace kaveltar
