#include "archive/archive_files.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "archive/isam.h"
#include "base/fatal.h"
#include "base/run_time_error.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// Bases of the test catalogue.
constexpr int kCompanies = 1;    // "DITTE.DAT", 20-byte records
constexpr int kPerCompany = 2;   // "DIP###\\ANAG**.DAT"
constexpr int kSubstituted = 4;  // "!:\\SUB.DAT"
constexpr int kMissingDir = 5;   // "NODIR\\X.DAT"
constexpr int kIndex = 7;        // "INDICE.IDX", key length 10

class ArchiveFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kaveltar_archive_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "DIP007");
    const std::string templates[][2] = {{"DITTE.DAT", "20"},     {"DIP###\\ANAG**.DAT", "20"},
                                        {"REG@@%%$$.DAT", "20"}, {"!:\\SUB.DAT", "20"},
                                        {"NODIR\\X.DAT", "20"},  {"", "0"},
                                        {"INDICE.IDX", "2176"},  {"TESTO.TXT", "0"}};
    std::string catalogue;
    for (const auto& t : templates) catalogue += FormatCatalogueRecord(t[0], std::stoi(t[1]));
    std::ofstream(dir_ / "QXBASE.DAT", std::ios::binary) << catalogue;
    files_ = std::make_unique<ArchiveFiles>(dir_, dialogs_, trace_);
    files_->LoadCatalogue();
  }
  void TearDown() override {
    files_.reset();
    fs::remove_all(dir_);
  }
  ArchiveFiles& files() { return *files_; }
  std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // What an action raised: "<number>: <description>" for a run-time error, the text of a
  // Fatal, "" for nothing.
  template <typename F>
  static std::string Raised(F&& action) {
    try {
      action();
    } catch (const RunTimeError& e) {
      return std::to_string(e.number()) + ": " + e.description();
    } catch (const Fatal& e) {
      return e.text();
    }
    return "";
  }
  std::string FatalText(int base) {
    return Raised([&] { files().DAMMIFILE(base, false); });
  }

  fs::path dir_;
  RecordingDialogs dialogs_;
  TraceRing trace_;
  std::unique_ptr<ArchiveFiles> files_;
};

TEST_F(ArchiveFilesTest, PlaceholdersRewriteAndClearTheContext) {
  OpenContext& ctx = files().context();
  EXPECT_EQ(files().DAMMIFILE(kCompanies, true), dir_.string() + "/DITTE.DAT");

  ctx.company = "7";
  ctx.year = "2024";
  EXPECT_EQ(files().DAMMIFILE(kCompanies, false), "DITTE.DAT");
  EXPECT_EQ(ctx.company, "007");  // rewritten by every build, cleared only when used
  EXPECT_EQ(ctx.year, "24");
  EXPECT_EQ(files().DAMMIFILE(kPerCompany, false), "DIP007\\ANAG24.DAT");
  EXPECT_EQ(ctx.company, "");
  EXPECT_EQ(ctx.year, "");
  EXPECT_EQ(FatalText(kPerCompany), "ERRORE OPEN FILE - MANCA DITTAOPEN 2");

  ctx.substitute_folder = "/srv/salarion";
  EXPECT_EQ(files().DAMMIFILE(kSubstituted, true), "/srv/salarion\\SUB.DAT");
}

TEST_F(ArchiveFilesTest, RecordRoundTripsAndEndOfFile) {
  ASSERT_EQ(files().FAIOPEN(kCompanies), 20);
  EXPECT_EQ(files().RecordBuffer(kCompanies), std::string(20, ' '));
  EXPECT_TRUE(fs::exists(dir_ / "DITTE.DAT"));
  const std::string third = "third record 3333333";
  files().SCRIVIREC(kCompanies, 3, third);
  files().RecordBuffer(kCompanies) = "first record 1111111";
  files().SCRIVIREC(kCompanies, 1);
  EXPECT_EQ(files().RecordCount(kCompanies), 3);

  EXPECT_EQ(files().LEGGIREC(kCompanies, 3), 0);
  EXPECT_EQ(files().RecordBuffer(kCompanies), third);
  std::ofstream(dir_ / "DITTE.DAT", std::ios::binary | std::ios::app) << "partial";
  EXPECT_EQ(files().LEGGIREC(kCompanies, 4), 1);  // a partial record is the end too
  EXPECT_EQ(files().RecordBuffer(kCompanies), third);
  EXPECT_EQ(files().LEGGIREC(kCompanies, 1), 0);
  EXPECT_EQ(files().RecordBuffer(kCompanies), "first record 1111111");
  EXPECT_THAT(Raised([&] { files().LEGGIREC(kCompanies, 0); }), StartsWith("63: "));
}

TEST_F(ArchiveFilesTest, BadRecordLengthChangesNothingAndTornFilesAreRefused) {
  files().FAIOPEN(kCompanies);
  files().SCRIVIREC(kCompanies, 1, "0123456789abcdefghij");
  const std::string before = Slurp(dir_ / "DITTE.DAT");
  EXPECT_THAT(Raised([&] { files().SCRIVIREC(kCompanies, 2, "too short"); }),
              AllOf(StartsWith("59: "), HasSubstr("(base 1, record 2)")));
  EXPECT_EQ(files().RecordBuffer(kCompanies), "0123456789abcdefghij");
  EXPECT_EQ(Slurp(dir_ / "DITTE.DAT"), before);

  // Before a record found through an index is written back, the file must be whole records
  // of the catalogue's length (the key check is the memorization's damaged archive test's).
  EXPECT_TRUE(files().CheckWholeRecords(kCompanies).ok());
  // One record and a half: 30 bytes.
  { std::ofstream(dir_ / "DITTE.DAT", std::ios::binary | std::ios::app) << std::string(10, 'C'); }
  const Status torn = files().CheckWholeRecords(kCompanies);
  EXPECT_FALSE(torn.ok());
  EXPECT_THAT(torn.message(), AllOf(HasSubstr((dir_ / "DITTE.DAT").string()), HasSubstr("30 byte"),
                                    HasSubstr("20 caratteri")));
}

TEST_F(ArchiveFilesTest, OpeningFindsNamesIgnoringCaseAndReportsFailures) {
  fs::remove(dir_ / "DIP007");
  fs::create_directories(dir_ / "dip007");
  std::ofstream(dir_ / "dip007" / "anag24.dat", std::ios::binary) << std::string(20, 'E');
  files().context().company = "7";
  files().context().year = "2024";
  files().FAIOPEN(kPerCompany);
  EXPECT_EQ(files().LEGGIREC(kPerCompany, 1), 0);
  EXPECT_EQ(files().RecordBuffer(kPerCompany), std::string(20, 'E'));

  EXPECT_THAT(Raised([&] { files().FAIOPEN(kMissingDir); }),
              AllOf(StartsWith("76: "), HasSubstr("NODIR")));
}

// Makes a file unwritable even for root (immutable flag) or, for other users, read-only.
bool ProtectFile(const fs::path& path, bool on) {
  if (geteuid() != 0) {
    fs::permissions(path, on ? fs::perms::owner_read : fs::perms::owner_all);
    return true;
  }
  const int fd = ::open(path.c_str(), O_RDONLY);
  int flags = 0;
  bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) ::close(fd);
  return ok;
}

TEST_F(ArchiveFilesTest, ReadOnlyFilesOpenForReading) {
  const fs::path file = dir_ / "DITTE.DAT";
  std::ofstream(file, std::ios::binary) << std::string(20, 'R');
  if (!ProtectFile(file, true)) GTEST_SKIP() << "cannot make a file unwritable here";
  files().FAIOPEN(kCompanies);
  EXPECT_EQ(files().LEGGIREC(kCompanies, 1), 0);
  EXPECT_THAT(Raised([&] { files().SCRIVIREC(kCompanies, 1, std::string(20, 'W')); }),
              StartsWith("75: "));
  EXPECT_EQ(files().RecordBuffer(kCompanies), std::string(20, 'R'));
  ProtectFile(file, false);
  EXPECT_EQ(Slurp(file), std::string(20, 'R'));
}

TEST_F(ArchiveFilesTest, IsamSearchMessages) {
  std::vector<IsamEntry> entries;
  for (long i = 1; i <= 300; ++i)
    entries.push_back({"0070010" + std::to_string(1000 + i).substr(1), i});
  auto last_message = [&] { return dialogs_.entries().back().text; };

  files().context().company = "5";
  EXPECT_EQ(files().IsamSearch(kIndex, "0070010001", 2), -1);  // created empty by the open
  EXPECT_EQ(last_message(), "ERRORE ISAM - FILE VUOTO 7");
  EXPECT_EQ(files().context().company, "5");  // saved and restored around the open

  files().CloseArchiveFile(kIndex);
  ASSERT_TRUE(BuildIsamIndexFile(dir_ / "INDICE.IDX", 10, entries).ok());
  EXPECT_EQ(files().IsamSearch(kIndex, "0070010150", 4), 151);
  EXPECT_EQ(files().IsamSearch(kIndex, "0070010301", 2), 999999);

  // A zero record number has its own message (which damage the reader notices is the index
  // reader's own tests').
  std::string bytes = Slurp(dir_ / "INDICE.IDX");
  bytes.replace(2 * 2176 + 11, 6, "000000");  // the leaf entry of the first key
  std::ofstream(dir_ / "INDICE.IDX", std::ios::binary) << bytes;
  EXPECT_EQ(files().IsamSearch(kIndex, "0070010001", 2), -1);
  EXPECT_EQ(last_message(), "ERR.ISAM - N.REC.=0");
}

// A job keeps the index nodes it has read, but an index the payroll program rewrites in
// place meanwhile is read again: the lookups answer from the new tree, not the kept one.
TEST_F(ArchiveFilesTest, KeptIndexNodesFollowAnIndexRewrittenInPlace) {
  const auto index_bytes = [](long shift) {
    std::vector<IsamEntry> entries;
    for (long i = 1; i <= 300; ++i)
      entries.push_back({"0070010" + std::to_string(1000 + i).substr(1), i + shift});
    return *BuildIsamIndexBytes(10, entries);
  };
  const fs::path index = dir_ / "INDICE.IDX";
  // Nodes are kept only from an index last changed more than a second before.
  const auto settle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(1100)); };
  std::ofstream(index, std::ios::binary) << index_bytes(0);
  settle();

  const ArchiveFiles::KeptIndexNodes kept(files());
  EXPECT_EQ(files().IsamSearch(kIndex, "0070010150", 2), 150);
  EXPECT_EQ(files().IsamSearch(kIndex, "0070010151", 2), 151);

  // The same file (same inode and size), every record number moved on by 500, rewritten
  // while the job waits, more than a second before its next lookup.
  {
    std::fstream out(index, std::ios::binary | std::ios::in | std::ios::out);
    out << index_bytes(500);
  }
  settle();
  EXPECT_EQ(files().IsamSearch(kIndex, "0070010150", 2), 650);
  EXPECT_EQ(files().IsamSearch(kIndex, "0070010300", 2), 800);
  EXPECT_EQ(files().IsamSearch(kIndex, "0070010301", 2), ArchiveFiles::kNoRecord);
}

}  // namespace
}  // namespace kaveltar
