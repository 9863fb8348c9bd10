// Whole demo installations, read back through the archive layer and the database as the
// program reads them.
#include "demo/demo_installation.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "archive/archive_files.h"
#include "archive/field_codec.h"
#include "archive/fields.h"
#include "archive/isam.h"
#include "base/dates.h"
#include "base/dialogs.h"
#include "base/hours.h"
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
  // The database file is SQLite's; its rows are compared in DemoTables below.
  ta.erase("ARCHIVI/QXPREXXX.sqlite");
  tb.erase("ARCHIVI/QXPREXXX.sqlite");
  ASSERT_EQ(ta.size(), tb.size());
  for (const auto& [name, bytes] : ta) EXPECT_TRUE(tb.at(name) == bytes) << name;
  EXPECT_NE(ta.at("ARCHIVI/DIPEND.DAT"), tc.at("ARCHIVI/DIPEND.DAT"));
  EXPECT_NE(ta.at("ARCHIVI/DITTE.DAT"), tc.at("ARCHIVI/DITTE.DAT"));
  EXPECT_EQ(a.cases, b.cases);
}

TEST_F(DemoRead, CatalogueNamesEveryBaseTheProgramOpens) {
  const BaseFileTable& catalogue = r.files.catalogue();
  EXPECT_EQ(fs::file_size(report.archive_folder / "QXBASE.DAT"), 600u * kCatalogueRecordLength);
  for (int base : {1, 19, 5, 7, 2, 37, 30, 29, 32, 31, 96, 92, 91, 93, 85, 84, 86, 401, 6, 280}) {
    SCOPED_TRACE("base " + std::to_string(base));
    const CatalogueEntry* entry = catalogue.Find(base);
    ASSERT_NE(entry, nullptr);
    ASSERT_FALSE(entry->name_template.empty());
    const fs::path path = r.files.ResolvePath(base);
    ASSERT_TRUE(fs::exists(path)) << path;
    if (entry->record_length > 0) {
      EXPECT_EQ(fs::file_size(path) % entry->record_length, 0u);
    }
  }
  for (int index : {7, 30, 32, 92, 85}) {
    EXPECT_EQ(catalogue.Find(index)->record_length, 2176);
    const std::string bytes = ReadAll(r.files.ResolvePath(index));
    EXPECT_EQ(CheckIsamIndex(bytes, 10), std::vector<std::string>{}) << "index " << index;
  }
  // The last fields read lie inside their records.
  for (int base : {2, 29, 31, 91, 84})
    EXPECT_GE(catalogue.Find(base)->record_length, 14522 + 8 - 1);
  EXPECT_GE(catalogue.Find(1)->record_length, 2791 + 8 - 1);
  EXPECT_GE(catalogue.Find(19)->record_length, 2673);
  EXPECT_EQ(r.files.ResolvePath(280).filename(), "STAMPA01.INI");
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
  EXPECT_EQ(report.employees, 400);

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
  auto in_gruppi = [&](const std::string& code) {
    auto g = (*db)->FindGroup(code);
    return g.ok() && g->has_value();
  };
  const long month_start = 20240501;
  auto key_of = [](const std::string& ddmmyyyy) { return ValInt(DdMmYyyyToKey(ddmmyyyy)); };

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
      int further = 0;
      for (auto d : {kP772, kP773, kP774, kP775}) further += ValInt(r.Field(d, rec)) != 0;
      const bool has_group = ValInt(group) != 0;
      const bool has_profile = ValInt(r.Field(kP138, rec)) != 0;
      const std::string end = r.Field(kP017, rec);
      const std::string hired = r.Field(kP013, rec);
      switch (the_case) {
        case DemoCase::kGroup:
          EXPECT_TRUE(has_group && in_gruppi(group) && further == 0 && !has_profile);
          EXPECT_EQ(Trim(end), "");
          EXPECT_LT(key_of(hired), month_start);
          for (auto d : {kP054, kP447, kP529, kP767, kP768, kP890})
            EXPECT_EQ(ValInt(r.Field(d, rec)), 0);
          break;
        case DemoCase::kProfile: {
          EXPECT_TRUE(has_profile && !has_group && further == 0);
          // The profile exists: record number = profile code, Monday's hours not zero.
          const std::string profile = r.Record(96, ValInt(r.Field(kP138, rec)));
          EXPECT_GT(Val(r.Field(kProfileDays[0], profile)), 0);
          break;
        }
        case DemoCase::kRotation2:
        case DemoCase::kRotation3:
        case DemoCase::kRotation4:
        case DemoCase::kRotation5:
          EXPECT_TRUE(has_group && !has_profile);
          EXPECT_EQ(further + 1, c - static_cast<int>(DemoCase::kRotation2) + 2);
          EXPECT_LE(ValInt(r.Field(kP777, rec)), further + 1);
          EXPECT_LE(ValInt(r.Field(kP776, rec)), 6);
          break;
        case DemoCase::kRotationWithProfile:
          EXPECT_TRUE(has_group && further > 0 && has_profile);
          break;
        case DemoCase::kHiredMidMonth:
          EXPECT_EQ(hired.substr(2), "052024");
          EXPECT_GT(ValInt(hired.substr(0, 2)), 1);
          EXPECT_EQ(r.files.IsamSearch(30, key, 2), ArchiveFiles::kNoRecord);
          break;
        case DemoCase::kLeavingMidMonth:
          EXPECT_EQ(end.substr(2), "052024");
          EXPECT_LT(ValInt(end.substr(0, 2)), 31);
          EXPECT_EQ(ValInt(r.Field(kP054, rec)), 0);
          break;
        case DemoCase::kStatus2:
          EXPECT_EQ(ValInt(r.Field(kP054, rec)), 2);
          ASSERT_FALSE(Trim(end).empty());
          EXPECT_LE(key_of(end), ValInt(report.processing_date));
          break;
        case DemoCase::kCollaboratorWithGroup:
          EXPECT_EQ(ValInt(r.Field(kP447, rec)), 1);
          EXPECT_TRUE(has_group);
          break;
        case DemoCase::kCollaboratorWithoutGroup:
          EXPECT_EQ(ValInt(r.Field(kP447, rec)), 1);
          EXPECT_TRUE(!has_group && !has_profile && further == 0);
          break;
        case DemoCase::kNoSchedule:
          EXPECT_EQ(ValInt(r.Field(kP447, rec)), 0);
          EXPECT_TRUE(!has_group && !has_profile && further == 0);
          break;
        case DemoCase::kMissingGroup:
          EXPECT_TRUE(has_group);
          EXPECT_FALSE(in_gruppi(group));
          EXPECT_EQ(group, report.missing_group);
          break;
        case DemoCase::kGrantHolder:
          EXPECT_EQ(ValInt(r.Field(kP529, rec)), 1);
          break;
        case DemoCase::kExcluded:
          EXPECT_EQ(Trim(r.Field(kP890, rec)), "1");
          break;
        case DemoCase::kNotListed:
          EXPECT_EQ(ValInt(r.Field(kP768, rec)), 1);
          break;
        case DemoCase::kLetterSheet:
          EXPECT_EQ(ValInt(r.Field(kP767, rec)), 1);
          break;
        case DemoCase::kLeftEarlierYear:
          break;
      }
    }
  }
}

TEST_F(DemoRead, ParametersCompaniesProfilesFormulasAndSettings) {
  EXPECT_EQ(report.processing_date, "20240531");

  EXPECT_EQ(r.Record(6, 1).substr(0, 8), "31052024");
  const std::string fis = r.Record(19, 1);
  EXPECT_EQ(r.Field(kF161, fis), "0809");
  EXPECT_EQ(r.Field(kF419, fis), "0");
  EXPECT_GT(ValInt(r.Field(kF416, fis)), 0);
  EXPECT_FALSE(Trim(r.Field(kF357, fis)).empty());

  // Companies 001-006 with code 004 left free; names in Windows-1252.
  EXPECT_EQ(report.company_codes,
            (std::vector<std::string>{"001", "002", "003", "005", "006", "007"}));
  EXPECT_EQ(TrimRight(r.Field(kT002, r.Record(1, 1))), "Trattoria Da Nicol\xF2 S.r.l.");
  EXPECT_TRUE(Trim(r.Record(1, 4)).empty());
  for (const std::string& code : report.company_codes) {
    const std::string rec = r.Record(1, ValInt(code));
    EXPECT_EQ(r.Field(kT001, rec), code);
    EXPECT_TRUE(IsDigits(r.Field(kT466, rec)));
  }

  // Profile 002 is 7 h 45 min from Monday to Friday, H.MM with two implied decimals.
  const std::string profile = r.Record(96, 2);
  EXPECT_EQ(profile.substr(30, 5), "00745");
  EXPECT_EQ(r.Field(kProfileDays[5], profile), "000.00");

  // Formulas: record number = code; free and cancelled records begin with "99".
  const std::string ferie = r.Record(401, 10);
  EXPECT_EQ(r.Field(kZ001, ferie), "010");
  EXPECT_EQ(TrimRight(r.Field(kZ002, ferie)), "FERIE GODUTE");
  EXPECT_FALSE(Trim(r.Field(kZ003, ferie)).empty());
  EXPECT_EQ(r.Record(401, 2).substr(0, 2), "99");
  EXPECT_EQ(r.Record(401, 99).substr(0, 2), "99");

  const std::string printers = ReadAll(r.files.ResolvePath(280));
  EXPECT_EQ(std::count(printers.begin(), printers.end(), '\n'), 2);
  const std::string stamp = ReadFirstLine(report.archive_folder / "BOLLOSTAMP01");
  ASSERT_FALSE(stamp.empty());
  EXPECT_TRUE(stamp[0] >= '0' && stamp[0] <= '3');
  EXPECT_EQ(FindCaseInsensitive(report.program_folder / "moduli" / "inailstd.jpg"),
            report.program_folder / "MODULI" / "inailstd.jpg");
  EXPECT_TRUE(fs::exists(report.program_folder / "MODULI" / "CIRCOLARE.BMP"));
}

TEST_F(DemoRead, TemplateDatabaseHoldsTheTablesAndNoAttendance) {
  EXPECT_FALSE(fs::exists(report.archive_folder / kDatabaseFile));
  {
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
    EXPECT_GT(holidays.size(), 10u);

    std::vector<JustificationRow> codes;
    ASSERT_TRUE((*db)->ListJustifications(&codes).ok());
    std::set<std::string> types, sr18;
    for (const JustificationRow& j : codes) {
      types.insert(j.gius[2]);
      sr18.insert(j.gius[6]);
      EXPECT_EQ(j.gius[8].size(), 2u);
      if (j.gius[3] == "1") {
        EXPECT_EQ(j.gius[2], "P") << j.code;  // overtime only on presences
      }
      EXPECT_TRUE(IsDigits(j.gius[14])) << j.code;
    }
    EXPECT_EQ(types, (std::set<std::string>{"A", "M", "N", "P"}));
    EXPECT_EQ(sr18,
              (std::set<std::string>{"", "ML", "I", "F", "MT", "S", "P", "C", "D", "CM", "V"}));

    std::vector<GroupRow> groups;
    ASSERT_TRUE((*db)->ListGroups(&groups).ok());
    EXPECT_EQ(static_cast<int>(groups.size()), report.groups);
    for (const GroupRow& g : groups) {
      for (int d = 2; d <= 8; ++d)
        EXPECT_TRUE(g.grup[d].size() == 5 && IsValidHours(g.grup[d])) << g.code;
    }
  }
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open_v2(report.template_database.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT COUNT(*) FROM PRESENZE", -1, &stmt, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(stmt, 0), 0);
  sqlite3_finalize(stmt);
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
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(tmp.path())) names.insert(e.path().filename());
    for (const std::string& n : names) EXPECT_EQ(n.find(".tmp-"), std::string::npos) << n;
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
  EXPECT_EQ(ReadFirstLine(c / "MIRTASK" / "MIRTASK.INI").substr(0, 2), "01");
  EXPECT_EQ(report.drive_files.size(), 3u);
}

}  // namespace
}  // namespace kaveltar
