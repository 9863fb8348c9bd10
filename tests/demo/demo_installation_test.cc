// Whole demo installations, read back through the archive layer and the database as the
// program reads them.
#include "demo/demo_installation.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <map>
#include <set>
#include <tuple>

#include "archive/archive_files.h"
#include "archive/field_codec.h"
#include "archive/fields.h"
#include "base/dialogs.h"
#include "base/text.h"
#include "base/trace.h"
#include "db/attendance_db.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;
using namespace fields;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "kaveltar-demo-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// All files below a folder, by relative path.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files[entry.path().lexically_relative(root).string()] = ReadAll(entry.path());
    }
  }
  return files;
}

DemoOptions Options(const fs::path& dir, int employees = 60, uint64_t seed = 7) {
  DemoOptions o;
  o.dir = dir;
  o.year = 2024;
  o.month = 5;
  o.companies = 6;
  o.employees = employees;
  o.seed = seed;
  return o;
}

// The installation opened the way the program opens it.
struct Reader {
  explicit Reader(const DemoReport& report)
      : files(report.archive_folder, dialogs, trace), codec(dialogs) {
    files.LoadCatalogue();
    files.context().installation_code = report.installation_code;
  }
  std::string Record(int base, long record) {
    if (!files.IsOpen(base)) files.FAIOPEN(base);
    EXPECT_EQ(files.LEGGIREC(base, record), 0) << "base " << base << " record " << record;
    return files.RecordBuffer(base);
  }
  std::string Field(std::string_view descriptor, const std::string& record) {
    return codec.GetField(descriptor, 0, record);
  }
  RecordingDialogs dialogs;
  TraceRing trace;
  ArchiveFiles files;
  FieldCodec codec;
};

std::vector<std::string> ExtractionKeys(Reader& r, int base) {
  std::vector<std::string> keys;
  r.files.FAIOPEN(base);
  for (long rec = 1; r.files.LEGGIREC(base, rec) == 0; ++rec) {
    const std::string record = r.files.RecordBuffer(base);
    for (size_t slot = 0; slot < 20; ++slot) {
      const std::string key = record.substr(slot * 10, 10);
      if (key == "9999999999" || Trim(key).empty()) return keys;
      keys.push_back(key);
    }
  }
  ADD_FAILURE() << "extraction of base " << base << " has no end mark";
  return keys;
}

// One installation of 60 employees, written once and only read by the cases that use it.
class DemoRead : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tmp_ = new TempFolder;
    ASSERT_TRUE(WriteDemoInstallation(Options(tmp_->path() / "d"), &report_).ok());
  }
  static void TearDownTestSuite() { delete tmp_; }
  static inline TempFolder* tmp_ = nullptr;
  static inline DemoReport report_;
  const DemoReport& report = report_;
  Reader r{report_};
};

TEST(DemoInstallation, SameSeedGivesTheSameBytesAndAnotherSeedDoesNot) {
  TempFolder tmp;
  DemoReport a, b, c;
  ASSERT_TRUE(WriteDemoInstallation(Options(tmp.path() / "a"), &a).ok());
  ASSERT_TRUE(WriteDemoInstallation(Options(tmp.path() / "b"), &b).ok());
  ASSERT_TRUE(WriteDemoInstallation(Options(tmp.path() / "c", 60, 8), &c).ok());
  auto ta = Tree(tmp.path() / "a");
  auto tb = Tree(tmp.path() / "b");
  auto tc = Tree(tmp.path() / "c");
  // The database file is SQLite's own and not byte-stable.
  ta.erase("ARCHIVI/QXPREXXX.sqlite");
  tb.erase("ARCHIVI/QXPREXXX.sqlite");
  ASSERT_EQ(ta.size(), tb.size());
  for (const auto& [name, bytes] : ta) EXPECT_TRUE(tb.at(name) == bytes) << name;
  EXPECT_NE(ta.at("ARCHIVI/DIPEND.DAT"), tc.at("ARCHIVI/DIPEND.DAT"));
  EXPECT_EQ(a.cases, b.cases);
}

TEST(DemoInstallation, EveryEmployeeIsFoundThroughTheIndexOfItsYear) {
  TempFolder tmp;
  DemoReport report;
  // Enough employees for several index leaves (128 keys each).
  ASSERT_TRUE(WriteDemoInstallation(Options(tmp.path() / "d", 400), &report).ok());
  Reader r(report);
  const int archives[5] = {2, 29, 31, 91, 84};
  const int indexes[5] = {7, 30, 32, 92, 85};

  // The two sequential extractions, checked key by key through the index.
  for (int d : {0, 1}) {
    const std::vector<std::string> keys = ExtractionKeys(r, d == 0 ? 5 : 37);
    EXPECT_EQ(static_cast<int>(keys.size()), report.employees_by_year[d]);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    for (const std::string& key : keys) {
      const long rec = r.files.IsamSearch(indexes[d], key, 2);
      ASSERT_EQ(rec, ValInt(key.substr(6, 4))) << key;  // record number = employee number
      EXPECT_EQ(r.Field(kP001, r.Record(archives[d], rec)), key);
    }
  }
  EXPECT_EQ(report.employees_by_year[0], 400);

  // The older years, walked in key order as the lists walk them.
  for (int d = 0; d < 5; ++d) {
    std::string key = "0000000000";
    int count = 0;
    for (long rec; (rec = r.files.IsamSearch(indexes[d], key, 4)) != ArchiveFiles::kNoRecord;) {
      ASSERT_GT(rec, 0);
      const std::string next = r.Field(kP001, r.Record(archives[d], rec));
      ASSERT_GT(next, key);
      key = next;
      ++count;
    }
    EXPECT_EQ(count, report.employees_by_year[d]) << "year distance " << d;
  }
  EXPECT_TRUE(r.dialogs.entries().empty());
}

// Reads back the record of every reported case and checks the fields it stands for.
TEST_F(DemoRead, EachReportedCaseHasTheFieldValuesItClaims) {
  auto db = OpenSqliteDatabase(report.template_database);
  ASSERT_TRUE(db.ok());
  // The schedule of each case: group, profile, groups of the rotation (-1: any).
  struct Schedule {
    DemoCase the_case;
    int group, profile, rotation;
  };
  const Schedule schedules[] = {{DemoCase::kGroup, 1, 0, 1},
                                {DemoCase::kProfile, 0, 1, 0},
                                {DemoCase::kRotation2, 1, 0, 2},
                                {DemoCase::kRotation5, 1, 0, 5},
                                {DemoCase::kRotationWithProfile, 1, 1, -1},
                                {DemoCase::kCollaboratorWithGroup, 1, -1, -1},
                                {DemoCase::kCollaboratorWithoutGroup, 0, 0, 0},
                                {DemoCase::kNoSchedule, 0, 0, 0},
                                {DemoCase::kMissingGroup, 1, -1, -1}};
  // The cases marked by one field.
  const std::tuple<DemoCase, std::string_view, int> flags[] = {
      {DemoCase::kStatus2, kP054, 2},     {DemoCase::kCollaboratorWithGroup, kP447, 1},
      {DemoCase::kGrantHolder, kP529, 1}, {DemoCase::kExcluded, kP890, 1},
      {DemoCase::kNotListed, kP768, 1},   {DemoCase::kLetterSheet, kP767, 1}};

  for (int c = 0; c < kDemoCaseCount; ++c) {
    const auto the_case = static_cast<DemoCase>(c);
    SCOPED_TRACE(std::string(DemoCaseName(the_case)));
    ASSERT_FALSE(report.Keys(the_case).empty());
    for (const std::string& key : report.Keys(the_case)) {
      SCOPED_TRACE(key);
      if (the_case == DemoCase::kLeftEarlierYear) {
        EXPECT_EQ(r.files.IsamSearch(7, key, 2), ArchiveFiles::kNoRecord);
        bool found = false;
        for (int index : {30, 32, 92, 85}) found = found || r.files.IsamSearch(index, key, 2) > 0;
        EXPECT_TRUE(found);
        continue;
      }
      const std::string rec = r.Record(2, r.files.IsamSearch(7, key, 2));
      const std::string group = r.Field(kP766, rec);
      const int has_group = ValInt(group) != 0;
      int rotation = has_group;
      for (auto d : {kP772, kP773, kP774, kP775}) rotation += ValInt(r.Field(d, rec)) != 0;
      const int has_profile = ValInt(r.Field(kP138, rec)) != 0;
      for (const Schedule& s : schedules) {
        if (s.the_case != the_case) continue;
        EXPECT_EQ(has_group, s.group);
        EXPECT_TRUE(s.profile < 0 || has_profile == s.profile);
        EXPECT_TRUE(s.rotation < 0 || rotation == s.rotation) << rotation;
        EXPECT_TRUE(s.rotation >= 0 || s.profile <= 0 || rotation > 1) << rotation;
      }
      for (const auto& [flagged, descriptor, value] : flags) {
        EXPECT_TRUE(flagged != the_case || ValInt(r.Field(descriptor, rec)) == value) << descriptor;
      }
      if (has_group) {
        auto found = (*db)->FindGroup(group);
        ASSERT_TRUE(found.ok());
        EXPECT_EQ(found->has_value(), the_case != DemoCase::kMissingGroup);
      }
      const std::string hired = r.Field(kP013, rec);
      const std::string end = r.Field(kP017, rec);
      if (the_case == DemoCase::kHiredMidMonth) {
        EXPECT_EQ(hired.substr(2), "052024");
        EXPECT_GT(ValInt(hired.substr(0, 2)), 1);
      }
      if (the_case == DemoCase::kLeavingMidMonth) {
        EXPECT_EQ(end.substr(2), "052024");
        EXPECT_LT(ValInt(end.substr(0, 2)), 31);
      }
    }
  }
}

TEST_F(DemoRead, CompaniesAndTablesOfTheMonth) {
  EXPECT_EQ(report.processing_date, "20240531");
  // Companies 001-006 with code 004 left free; names in Windows-1252.
  EXPECT_EQ(report.company_codes,
            (std::vector<std::string>{"001", "002", "003", "005", "006", "007"}));
  EXPECT_EQ(TrimRight(r.Field(kT002, r.Record(1, 1))), "Trattoria Da Nicol\xF2 S.r.l.");
  EXPECT_TRUE(Trim(r.Record(1, 4)).empty());

  // The template database holds the national holidays and no attendance.
  EXPECT_FALSE(fs::exists(report.archive_folder / kDatabaseFile));
  auto db = OpenSqliteDatabase(report.template_database);
  ASSERT_TRUE(db.ok());
  std::vector<HolidayRow> holidays;
  ASSERT_TRUE((*db)->ListHolidays(&holidays).ok());
  std::set<std::string> days;
  for (const HolidayRow& h : holidays) days.insert(h.day);
  for (const char* national :
       {"0101", "0106", "0425", "0501", "0602", "0815", "1101", "1208", "1225", "1226"}) {
    EXPECT_EQ(days.count(national), 1u) << national;
  }
  auto stored = (*db)->CountDays();
  ASSERT_TRUE(stored.ok());
  EXPECT_EQ(*stored, 0);
}

TEST(DemoInstallation, RefusalsChangeNothingOnDisk) {
  TempFolder tmp;
  DemoReport report;
  auto expect_refused = [&](const DemoOptions& o, std::string_view words) {
    const auto before = Tree(tmp.path());
    const Status s = WriteDemoInstallation(o, &report);
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find(words), std::string::npos) << s.message();
    EXPECT_EQ(Tree(tmp.path()), before);
  };
  DemoOptions o = Options(tmp.path() / "nuova");
  o.employees = 10000;
  expect_refused(o, "9999");
  o = Options(tmp.path() / "nuova");
  o.companies = 0;
  expect_refused(o, "ditte");
  EXPECT_FALSE(fs::exists(tmp.path() / "nuova"));

  fs::create_directory(tmp.path() / "ufficio");
  std::ofstream(tmp.path() / "ufficio" / "lettera.txt") << "da non perdere";
  expect_refused(Options(tmp.path() / "ufficio"), "non è vuota");
  std::ofstream(tmp.path() / "file") << "x";
  expect_refused(Options(tmp.path() / "file"), "non è una cartella");

  // An empty folder is fine.
  fs::create_directory(tmp.path() / "vuota");
  EXPECT_TRUE(WriteDemoInstallation(Options(tmp.path() / "vuota"), &report).ok());
  EXPECT_TRUE(fs::exists(tmp.path() / "vuota" / "ARCHIVI" / "QXBASE.DAT"));
}

TEST(DemoInstallation, RegistryAndDriveFilesPointAtTheInstallation) {
  TempFolder tmp;
  ::setenv("KAVELTAR_REGISTRY", (tmp.path() / "registry.ini").c_str(), 1);
  ::setenv("KAVELTAR_DRIVE_C", (tmp.path() / "drive_c").c_str(), 1);
  DemoOptions o = Options(tmp.path() / "d");
  o.write_registry = true;
  DemoReport report;
  const Status s = WriteDemoInstallation(o, &report);
  ::unsetenv("KAVELTAR_REGISTRY");
  ::unsetenv("KAVELTAR_DRIVE_C");
  ASSERT_TRUE(s.ok()) << s.message();

  auto store = RegistryStore::Load(tmp.path() / "registry.ini");
  ASSERT_TRUE(store.ok());
  EXPECT_EQ(store->ReadRegistryString(kHkeyCurrentUser, kSalarionKey, "PERCORSOARCHIVI"),
            report.archive_folder.string());
  EXPECT_EQ(store->ReadRegistryString(kHkeyCurrentUser, kSalarionKey, "PERCORSOPROGRAMMI"),
            report.program_folder.string());
  const fs::path c = tmp.path() / "drive_c";
  EXPECT_EQ(ReadFirstLine(c / "PQXPAGHE" / "QXPERARK.QXP"), report.archive_folder.string());
  EXPECT_EQ(ReadFirstLine(c / "PQXPAGHE" / "QXPERPRO.QXP"), report.program_folder.string());
}

}  // namespace
}  // namespace kaveltar
