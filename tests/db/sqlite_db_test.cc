// The SQLite file itself: the template copy at start-up, opening and creating files, and two
// workstations sharing one file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
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
  EXPECT_EQ(CreateSqliteDatabase(file).kind(), Status::Kind::kConflict);
  EXPECT_EQ(ReadAll(file), "not a database");
  std::ofstream(file, std::ios::trunc).close();  // empty: SQLite would take it as a database
  EXPECT_EQ(OpenSqliteDatabase(file).status().kind(), Status::Kind::kDbError);
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

// The start-up check reads the whole file, so it is skipped for a file exactly as the last
// clean close left it. The damage here keeps the file's size and change counter; putting its
// modification time back stands for damage the file system does not see (the check is then
// skipped, which is the point); anything else that could have changed it means a check.
class CheckedOpenTest : public testing::Test {
 protected:
  void SetUp() override {
    KT_ASSERT_OK(CreateSqliteDatabase(file_));
    auto db = OpenCheckedSqliteDatabase(file_);  // no record yet: checked
    KT_ASSERT_OK(db);
    KT_ASSERT_OK((*db)->Begin());
    for (int i = 1; i <= 50; ++i)
      KT_ASSERT_OK((*db)->SaveDay(Day("00100100" + std::to_string(10 + i), "20240105")));
    KT_ASSERT_OK((*db)->Commit());
    db.value().reset();
    // A modification time safely before the record, then one clean run that writes nothing,
    // so the record is written in a later clock tick than the file's last change.
    SetModified(std::time(nullptr) - 60);
    KT_ASSERT_OK(OpenCheckedSqliteDatabase(file_));
    good_ = ReadAll(file_);
    ASSERT_GT(good_.size(), 8192u);
    damaged_ = good_;
    damaged_.replace(4096, 200, std::string(200, '\xFF'));
  }
  void SetModified(time_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file_.c_str(), times, 0), 0);
  }
  // Replaces the bytes, keeping the modification time.
  void WriteUnseen(const std::string& bytes) {
    struct stat st {};
    ASSERT_EQ(::stat(file_.c_str(), &st), 0);
    std::ofstream(file_, std::ios::binary | std::ios::trunc) << bytes;
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file_.c_str(), times, 0), 0);
  }
  Status::Kind OpenKind() {
    auto db = OpenCheckedSqliteDatabase(file_);
    return db.ok() ? Status::Kind::kOk : db.status().kind();
  }
  std::filesystem::path Marker() const { return file_.string() + "-checked"; }

  TempFolder folder_;
  std::filesystem::path file_ = folder_.path() / kDatabaseFile;
  std::string good_, damaged_;
};

TEST_F(CheckedOpenTest, UnchangedFileSkipsTheCheckAndAnyChangeBringsItBack) {
  WriteUnseen(damaged_);
  EXPECT_EQ(OpenKind(), Status::Kind::kOk);  // not checked
  // The same damage with the time the write gave it; the refusal removes the record.
  std::ofstream(file_, std::ios::binary | std::ios::trunc) << damaged_;
  EXPECT_EQ(OpenKind(), Status::Kind::kCorrupt);
  EXPECT_FALSE(std::filesystem::exists(Marker()));
  WriteUnseen(damaged_);
  EXPECT_EQ(OpenKind(), Status::Kind::kCorrupt);
  // A good file is checked and opened, and the file is unchanged by the check.
  WriteUnseen(good_);
  EXPECT_EQ(OpenKind(), Status::Kind::kOk);
  EXPECT_EQ(ReadAll(file_), good_);
}

TEST_F(CheckedOpenTest, AJournalBesideTheFileMeansACheck) {
  // A rollback journal beside the file (empty: nothing to play back).
  std::ofstream(file_.string() + "-journal").close();
  WriteUnseen(damaged_);
  EXPECT_EQ(OpenKind(), Status::Kind::kCorrupt);
}

}  // namespace
}  // namespace kaveltar
