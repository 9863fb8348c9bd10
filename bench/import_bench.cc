// bench_import: the external attendance import of a fixed-layout file holding one record per
// employee and working day of a month, against the floor any import must pay: the same day
// rows inserted into an empty attendance database with one prepared INSERT per row, in one
// transaction (the import is one transaction too), on the same disk, with the same
// durability settings (rollback journal, synchronous FULL).
//
//   bench_import [EMPLOYEES] [--keep DIR]
// EMPLOYEES is the size of the demo installation (1-9999, default 9999: the employee number
// has four digits, so 9,999 is the largest installation the demo makes). The month is April
// 2024, 22 working days (Monday to Friday), so the full run imports 9,999 x 22 = 219,978
// records. Each record has worked hours and one or two justification pairs, with file codes
// matched through GIUS_5, through the key and (one in a hundred) not matched at all.
// The file is checked first (timed apart, not part of the import). After the import its rows
// are read back one employee-month at a time (not timed) and inserted into the floor
// database (timed). --keep DIR leaves the installation, the file and both databases in DIR.
//
// The last line is "import_s=<seconds> floor_s=<seconds> ratio=<import/floor>".
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/startup.h"
#include "archive/selection_lists.h"
#include "base/dates.h"
#include "base/dialogs.h"
#include "base/text.h"
#include "db/attendance_db.h"
#include "demo/demo_installation.h"
#include "exchange/attendance_import.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace kaveltar;

constexpr int kYear = 2024;
constexpr int kMonth = 4;

[[noreturn]] void Die(const std::string& message) {
  std::fprintf(stderr, "bench_import: %s\n", message.c_str());
  std::exit(1);
}

// The demo installation is written by a child process, so its memory does not count.
void WriteInstallation(const fs::path& dir, int employees) {
  const pid_t child = ::fork();
  if (child < 0) Die("fork failed");
  if (child == 0) {
    DemoOptions options;
    options.dir = dir;
    options.year = kYear;
    options.month = kMonth;
    options.employees = employees;
    options.companies = std::max(1, employees / 200);
    options.seed = 2024;
    DemoReport report;
    const Status s = WriteDemoInstallation(options, &report);
    if (!s.ok()) std::fprintf(stderr, "bench_import: %s\n", s.message().c_str());
    ::_exit(s.ok() ? 0 : 1);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Die("the demo installation could not be written");
  }
}

// One record per employee and working day; returns the number of records.
long WriteFile(const fs::path& file, const std::vector<std::string>& keys) {
  std::ofstream out(file, std::ios::binary);
  const std::string month = ZeroPad(kYear, 4) + ZeroPad(kMonth, 2);
  // Import codes of the demo table (GIUS_5), a key, and a code nobody knows.
  static const char* const kCodes[] = {"FE", "rl", "MA", "30", "0000000019", "ST", "TR", "104"};
  long records = 0;
  std::string record;
  for (size_t e = 0; e < keys.size(); ++e) {
    for (int day = 1; day <= MonthLength(kMonth, kYear); ++day) {
      if (Weekday(kYear, kMonth, day) > 5) continue;
      const size_t n = e * 31 + static_cast<size_t>(day);
      record = keys[e] + month + ZeroPad(day, 2);
      record += n % 7 == 0 ? "04:00" : "08:00";
      record += PadRight(n % 100 == 0 ? "XYZ" : kCodes[n % 8], 10) + (n % 7 == 0 ? "04:00" : "01:30");
      if (n % 3 == 0) record += PadRight(kCodes[(n / 3) % 8], 10) + "00:30";
      record = PadRight(record, kImportRecordLength);
      record += "\r\n";
      out << record;
      ++records;
    }
  }
  if (!out) Die("cannot write " + file.string());
  return records;
}

// The empty database of the floor and its one prepared INSERT, in one transaction.
class FloorDb {
 public:
  explicit FloorDb(const fs::path& file) {
    if (Status s = CreateSqliteDatabase(file); !s.ok()) Die(s.message());
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
      Die("cannot open " + file.string());
    }
    Exec("PRAGMA journal_mode=DELETE");
    Exec("PRAGMA synchronous=FULL");
    std::string sql = "INSERT INTO PRESENZE (KDIPENDENTE, KPERIODO, PRES_0";
    for (int n = 1; n <= 23; ++n) sql += ", PRES_" + std::to_string(n);
    sql += ", PROTOCOLLO) VALUES (?";
    for (int n = 1; n < 27; ++n) sql += ", ?";
    sql += ")";
    Prepare(sql, &insert_);
  }
  ~FloorDb() {
    sqlite3_finalize(insert_);
    sqlite3_close_v2(db_);
  }
  void Begin() { Exec("BEGIN IMMEDIATE"); }
  void Commit() { Exec("COMMIT"); }
  void Insert(const std::vector<DayRow>& rows) {
    for (const DayRow& row : rows) {
      sqlite3_bind_text(insert_, 1, row.employee.data(), static_cast<int>(row.employee.size()), SQLITE_STATIC);
      sqlite3_bind_text(insert_, 2, row.period.data(), static_cast<int>(row.period.size()), SQLITE_STATIC);
      sqlite3_bind_int64(insert_, 3, row.pres0);
      for (int n = 1; n <= 23; ++n) {
        const std::string& v = row.pres[static_cast<size_t>(n)];
        sqlite3_bind_text(insert_, 3 + n, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
      }
      sqlite3_bind_int64(insert_, 27, row.protocollo);
      if (sqlite3_step(insert_) != SQLITE_DONE) Die(sqlite3_errmsg(db_));
      sqlite3_reset(insert_);
    }
  }

 private:
  void Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Die(sqlite3_errmsg(db_));
  }
  void Prepare(const std::string& sql, sqlite3_stmt** stmt) {
    if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, stmt, nullptr) != SQLITE_OK) {
      Die(sqlite3_errmsg(db_));
    }
  }
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  int employees = 9999;
  fs::path keep;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else if (!arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos) {
      employees = std::atoi(arg.c_str());
    } else {
      Die("usage: bench_import [EMPLOYEES] [--keep DIR]");
    }
  }
  if (employees < 1 || employees > 9999) Die("EMPLOYEES must be 1-9999 (the employee number has four digits)");

  fs::path root = keep;
  if (root.empty()) {
    std::string pattern = (fs::current_path() / "bench-import-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) Die("cannot create a working folder");
    root = pattern;
  } else {
    fs::remove_all(root);
    fs::create_directories(root);
  }
  setenv("KAVELTAR_DRIVE_C", (root / "c").c_str(), 1);
  setenv("KAVELTAR_REGISTRY", (root / "registry.ini").c_str(), 1);
  setenv("KAVELTAR_PRINTER", ("file:" + (root / "spool").string()).c_str(), 1);
  const fs::path demo = root / "demo";
  WriteInstallation(demo, employees);

  double check_s = 0, import_s = 0, floor_s = 0;
  long records = 0, rows_written = 0;
  ImportResult result;
  {
    RecordingDialogs dialogs;
    dialogs.set_default_answer(true);
    Session session(dialogs);
    StartupOptions paths;
    paths.archive_path = demo / "ARCHIVI";
    paths.program_path = demo / "PROGRAMMI";
    Startup(session, paths);

    session.lists().CARICAESTRAZIONE(0);
    std::vector<std::string> keys;
    for (const std::string& entry : session.lists().extraction()) {
      if (!Trim(entry).empty()) keys.push_back(entry.substr(0, 10));
    }
    const fs::path file = root / "PRESENZE.PRE";
    records = WriteFile(file, keys);

    ImportState state;
    auto t0 = Clock::now();
    ChooseImportFile(session, &state, file.string());
    check_s = Seconds(Clock::now() - t0);
    if (!state.import_enabled) Die("the file did not pass the checks");
    t0 = Clock::now();
    result = CmdImportaFile(session, &state);
    import_s = Seconds(Clock::now() - t0);
    if (!result.completed) Die("the import did not complete");

    FloorDb floor(root / "floor.sqlite");
    std::vector<DayRow> rows;
    const auto t1 = Clock::now();
    floor.Begin();
    floor_s += Seconds(Clock::now() - t1);
    for (const std::string& key : result.keys) {
      if (Status s = session.db().EmployeeMonth(key.substr(0, 10), key.substr(11), &rows); !s.ok()) Die(s.message());
      const auto t2 = Clock::now();
      floor.Insert(rows);
      floor_s += Seconds(Clock::now() - t2);
      rows_written += static_cast<long>(rows.size());
    }
    const auto t3 = Clock::now();
    floor.Commit();
    floor_s += Seconds(Clock::now() - t3);
  }
  if (keep.empty()) fs::remove_all(root);

  std::printf("records: %ld (%d employees x working days of %04d-%02d)\n", records, employees, kYear, kMonth);
  std::printf("employee-months replaced: %zu, records imported: %ld, anomaly lines: %zu\n", result.keys.size(),
              result.records, result.anomalies.size());
  std::printf("day rows: %ld written by the import, %ld inserted by the floor\n", result.days, rows_written);
  std::printf("checks: %.3f s\n", check_s);
  std::printf("import: %.3f s (%.0f records/s)\n", import_s, records / import_s);
  std::printf("floor (one INSERT per row, one transaction): %.3f s (%.0f rows/s)\n", floor_s, rows_written / floor_s);
  std::printf("import_s=%.3f floor_s=%.3f ratio=%.3f\n", import_s, floor_s, import_s / floor_s);
  return 0;
}
