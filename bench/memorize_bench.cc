// bench_memorize: month memorization of every employee of a demo installation, against the
// floor any memorization must pay: the same rows inserted into an empty attendance database
// with one prepared INSERT per row and one transaction per employee, on the same disk, with
// the same durability settings (rollback journal, synchronous FULL).
//
//   bench_memorize [EMPLOYEES] [--keep DIR]
// EMPLOYEES is the size of the installation (1-9999, default 9999: the employee number has
// four digits). The month is March 2024 (31 days). The employees are taken in chunks of 250:
// each chunk is memorized (timed), then its rows are read back from the memorized database
// (not timed) and inserted into the floor database (timed), so that changes in the machine's
// load weigh on both alike. Both phases keep no per-employee state, so the peak memory of the
// process, reset before the run and reported after it, stays flat in the number of employees.
// --keep DIR leaves the installation and both databases in DIR.
//
// The last line is "memorize_s=<seconds> floor_s=<seconds> ratio=<memorize/floor>".
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
#include "base/dialogs.h"
#include "db/attendance_db.h"
#include "demo/demo_installation.h"
#include "memorize/month_memorizer.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace kaveltar;

constexpr int kYear = 2024;
constexpr int kMonth = 3;
constexpr size_t kChunk = 250;

[[noreturn]] void Die(const std::string& message) {
  std::fprintf(stderr, "bench_memorize: %s\n", message.c_str());
  std::exit(1);
}

// Peak resident memory of the process in kB (VmHWM), and its reset.
long PeakKb() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}
void ResetPeak() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
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
    if (!s.ok()) std::fprintf(stderr, "bench_memorize: %s\n", s.message().c_str());
    ::_exit(s.ok() ? 0 : 1);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Die("the demo installation could not be written");
  }
}

// The empty database of the floor and its one prepared INSERT.
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
    Prepare("BEGIN IMMEDIATE", &begin_);
    Prepare("COMMIT", &commit_);
  }
  ~FloorDb() {
    for (sqlite3_stmt* s : {insert_, begin_, commit_}) sqlite3_finalize(s);
    sqlite3_close_v2(db_);
  }

  // One employee-month in one transaction.
  void Insert(const std::vector<DayRow>& rows) {
    Step(begin_);
    for (const DayRow& row : rows) {
      sqlite3_bind_text(insert_, 1, row.employee.data(), static_cast<int>(row.employee.size()), SQLITE_STATIC);
      sqlite3_bind_text(insert_, 2, row.period.data(), static_cast<int>(row.period.size()), SQLITE_STATIC);
      sqlite3_bind_int64(insert_, 3, row.pres0);
      for (int n = 1; n <= 23; ++n) {
        const std::string& v = row.pres[static_cast<size_t>(n)];
        sqlite3_bind_text(insert_, 3 + n, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
      }
      sqlite3_bind_int64(insert_, 27, row.protocollo);
      Step(insert_);
    }
    Step(commit_);
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
  void Step(sqlite3_stmt* stmt) {
    if (sqlite3_step(stmt) != SQLITE_DONE) Die(sqlite3_errmsg(db_));
    sqlite3_reset(stmt);
  }

  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* begin_ = nullptr;
  sqlite3_stmt* commit_ = nullptr;
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
      Die("usage: bench_memorize [EMPLOYEES] [--keep DIR]");
    }
  }
  if (employees < 1 || employees > 9999) Die("EMPLOYEES must be 1-9999 (the employee number has four digits)");

  // On the disk of the current folder, as the program's database would be.
  fs::path root = keep;
  if (root.empty()) {
    std::string pattern = (fs::current_path() / "bench-memorize-XXXXXX").string();
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

  long peak_kb = 0;
  double memorize_s = 0, floor_s = 0;
  long rows_written = 0;
  size_t listed = 0;
  MemorizeTotals totals;
  {
    RecordingDialogs dialogs;
    Session session(dialogs);
    StartupOptions paths;
    paths.archive_path = demo / "ARCHIVI";
    paths.program_path = demo / "PROGRAMMI";
    Startup(session, paths);

    // Every employee of every company, as the memorization screen lists them.
    std::vector<std::string> entries;
    {
      SelectionLists& lists = session.lists();
      lists.CARICAESTRAZIONE(0);
      MemorizeSelection selection;
      for (const std::string& company : lists.LISTA_AZIENDE(Screen::kMemorize, kOrderByCode)) {
        selection.AddAll(lists.EmployeeList(Screen::kMemorize, kOrderByCode, kYear, company));
      }
      entries = selection.lines();
    }
    listed = entries.size();

    FloorDb floor(root / "floor.sqlite");
    MemorizeOptions options;
    options.year = kYear;
    options.month = kMonth;
    MonthMemorizer memorizer(session, options);
    int anomalies = 0;
    memorizer.set_anomaly_sink([&](std::string_view) { ++anomalies; });

    std::vector<std::string> chunk;
    std::vector<DayRow> rows;
    const std::string month = std::to_string(kYear * 100 + kMonth);
    ResetPeak();
    for (size_t start = 0; start < entries.size(); start += kChunk) {
      chunk.assign(entries.begin() + static_cast<long>(start),
                   entries.begin() + static_cast<long>(std::min(entries.size(), start + kChunk)));
      const auto t0 = Clock::now();
      memorizer.ELABORADIPENDENTI(chunk);
      memorize_s += Seconds(Clock::now() - t0);

      for (const std::string& entry : chunk) {
        const std::string key(entry.substr(entry.size() - 10));
        if (Status s = session.db().EmployeeMonth(key, month, &rows); !s.ok()) Die(s.message());
        if (rows.empty()) continue;
        const auto t1 = Clock::now();
        floor.Insert(rows);
        floor_s += Seconds(Clock::now() - t1);
        rows_written += static_cast<long>(rows.size());
      }
    }
    peak_kb = PeakKb();
    totals = memorizer.totals();
  }
  if (keep.empty()) fs::remove_all(root);

  std::printf("employees listed: %zu (installation of %d)\n", listed, employees);
  std::printf("memorized: %d, already stored: %d, skipped: %d, stopped by an anomaly: %d\n", totals.written,
              totals.existing, totals.skipped, totals.anomalies);
  std::printf("day rows: %ld memorized, %ld inserted by the floor\n", totals.days, rows_written);
  std::printf("memorization: %.3f s (%.0f rows/s, %.0f us per employee)\n", memorize_s, totals.days / memorize_s,
              1e6 * memorize_s / static_cast<double>(std::max<size_t>(listed, 1)));
  std::printf("floor (one INSERT per row, one transaction per employee): %.3f s (%.0f rows/s)\n", floor_s,
              rows_written / floor_s);
  std::printf("peak memory during the run: %ld kB\n", peak_kb);
  std::printf("memorize_s=%.3f floor_s=%.3f ratio=%.3f\n", memorize_s, floor_s, memorize_s / floor_s);
  return 0;
}
