#include "bench_common.h"

#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "app/startup.h"
#include "archive/selection_lists.h"
#include "db/postgres_db.h"
#include "demo/demo_installation.h"

namespace kaveltar::bench {

namespace fs = std::filesystem;

namespace {
std::string program_name = "bench";
}  // namespace

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void Die(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program_name.c_str(), message.c_str());
  std::exit(1);
}

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

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

Args ParseArgs(const char* program, int argc, char** argv) {
  program_name = program;
  Args args;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keep" && i + 1 < argc) {
      args.keep = argv[++i];
    } else if (arg == "--db" && i + 1 < argc) {
      args.db = argv[++i];
    } else if (arg == "--runs" && i + 1 < argc) {
      const std::string n = argv[++i];
      args.runs = n.size() <= 2 && n.find_first_not_of("0123456789") == std::string::npos
                      ? std::atoi(n.c_str())
                      : 0;
      if (args.runs < 1 || args.runs > 20) Die("--runs must be 1-20");
    } else if (!arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos) {
      args.employees = std::atoi(arg.c_str());
    } else {
      Die("usage: " + program_name + " [EMPLOYEES] [--keep DIR] [--db URL] [--runs N]");
    }
  }
  if (args.employees < 1 || args.employees > 9999) {
    Die("EMPLOYEES must be 1-9999 (the employee number has four digits)");
  }
  return args;
}

fs::path MakeWorkingFolder(const Args& args, const std::string& prefix) {
  fs::path root = args.keep;
  if (root.empty()) {
    std::string pattern = (fs::current_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) Die("cannot create a working folder");
    root = pattern;
  } else {
    fs::remove_all(root);
    fs::create_directories(root);
  }
  setenv("KAVELTAR_DRIVE_C", (root / "c").c_str(), 1);
  setenv("KAVELTAR_REGISTRY", (root / "registry.ini").c_str(), 1);
  setenv("KAVELTAR_PRINTER", ("file:" + (root / "spool").string()).c_str(), 1);
  return root;
}

void RemoveWorkingFolder(const Args& args, const fs::path& root) {
  if (args.keep.empty()) fs::remove_all(root);
}

void WriteInstallation(const fs::path& dir, int employees, int year, int month) {
  const pid_t child = ::fork();
  if (child < 0) Die("fork failed");
  if (child == 0) {
    DemoOptions options;
    options.dir = dir;
    options.year = year;
    options.month = month;
    options.employees = employees;
    options.companies = std::max(1, employees / 200);
    options.seed = 2024;
    DemoReport report;
    const Status s = WriteDemoInstallation(options, &report);
    if (!s.ok()) std::fprintf(stderr, "%s: %s\n", program_name.c_str(), s.message().c_str());
    ::_exit(s.ok() ? 0 : 1);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Die("the demo installation could not be written");
  }
}

namespace {

// Fills the run's schema on the server from the installation's attendance database (the
// template when the installation has no database of its own yet), replacing what it held.
void FillSchema(const DemoRun& run) {
  const fs::path archives = run.demo / "ARCHIVI";
  Result<std::unique_ptr<AttendanceDb>> local = OpenSqliteDatabase(
      fs::exists(archives / kDatabaseFile) ? archives / kDatabaseFile : archives / kTemplateFile);
  if (!local.ok()) Die(local.status().message());
  Result<std::vector<CopiedTable>> copied = InitPostgresDatabase(run.conninfo, **local, true);
  if (!copied.ok()) Die(copied.status().message());
}

}  // namespace

DemoRun PrepareDemoRun(const char* program, int argc, char** argv, int year, int month) {
  DemoRun run;
  run.args = ParseArgs(program, argc, argv);
  std::string prefix = program;
  std::replace(prefix.begin(), prefix.end(), '_', '-');
  run.root = MakeWorkingFolder(run.args, prefix);
  run.demo = run.root / "demo";
  WriteInstallation(run.demo, run.args.employees, year, month);
  if (!run.args.db.empty()) {
    // A schema of the run's own, so that nothing else on the server is touched.
    run.schema =
        "kaveltar_" + prefix.substr(0, prefix.find('-')) + "_" + std::to_string(::getpid());
    std::replace(run.schema.begin(), run.schema.end(), '-', '_');
    if (Status s = PostgresExecute(run.args.db, "CREATE SCHEMA " + run.schema); !s.ok())
      Die(s.message());
    const std::string& base = run.args.db;
    run.conninfo = base.rfind("postgres", 0) == 0
                       ? base + (base.find('?') == std::string::npos ? "?" : "&") +
                             "options=-csearch_path%3D" + run.schema
                       : base + " options='-csearch_path=" + run.schema + "'";
    FillSchema(run);
  }
  return run;
}

void ResetAttendanceDatabase(const DemoRun& run) {
  if (!run.conninfo.empty()) {
    FillSchema(run);
    return;
  }
  const fs::path archives = run.demo / "ARCHIVI";
  const std::string file(kDatabaseFile);
  for (const std::string& name : {file, file + "-journal", file + "-checked"}) {
    std::error_code ec;
    fs::remove(archives / name, ec);
    if (ec) Die("cannot remove " + (archives / name).string() + ": " + ec.message());
  }
}

void Fastest::Add(double measured, double floor) {
  measured_s = runs == 0 ? measured : std::min(measured_s, measured);
  floor_s = runs == 0 ? floor : std::min(floor_s, floor);
  ++runs;
}

Fastest RepeatTimedRuns(const DemoRun& run, const char* name,
                        const std::function<TimedRun(const fs::path&)>& run_once) {
  Fastest fastest;
  long first_rows = 0;
  for (int r = 1; r <= run.args.runs; ++r) {
    if (r > 1) ResetAttendanceDatabase(run);
    const fs::path floor_file = run.root / ("floor-" + std::to_string(r) + ".sqlite");
    const TimedRun t = run_once(floor_file);
    if (r == 1) first_rows = t.rows;
    if (t.rows != first_rows) Die("run " + std::to_string(r) + " wrote other rows than the first");
    if (r < run.args.runs) fs::remove(floor_file);
    std::printf("run %d: %s=%.3f floor_s=%.3f\n", r, name, t.measured_s, t.floor_s);
    fastest.Add(t.measured_s, t.floor_s);
  }
  return fastest;
}

void FinishDemoRun(const DemoRun& run) {
  if (!run.schema.empty())
    (void)PostgresExecute(run.args.db, "DROP SCHEMA " + run.schema + " CASCADE");
  RemoveWorkingFolder(run.args, run.root);
}

void StartDemoSession(Session& session, const fs::path& demo, const std::string& conninfo) {
  StartupOptions paths;
  paths.archive_path = demo / "ARCHIVI";
  paths.program_path = demo / "PROGRAMMI";
  paths.database_url = conninfo;
  Startup(session, paths);
}

namespace {

class PgFloor final : public Floor {
 public:
  explicit PgFloor(std::string conninfo) : conninfo_(std::move(conninfo)) {
    // The floor of an earlier run of the same benchmark goes first.
    if (Status s = PostgresExecute(conninfo_, "DROP TABLE IF EXISTS FLOOR_PRESENZE"); !s.ok())
      Die(s.message());
    if (Status s =
            PostgresExecute(conninfo_, "CREATE TABLE FLOOR_PRESENZE (LIKE PRESENZE INCLUDING ALL)");
        !s.ok()) {
      Die(s.message());
    }
  }
  void Begin() override {
    if (Status s = copy_.Start(conninfo_, "FLOOR_PRESENZE"); !s.ok()) Die(s.message());
  }
  void Insert(const std::vector<DayRow>& rows) override {
    if (Status s = copy_.Add(rows); !s.ok()) Die(s.message());
  }
  void Commit() override {
    if (Status s = copy_.Finish(); !s.ok()) Die(s.message());
  }

 private:
  std::string conninfo_;
  PostgresDayCopy copy_;
};

}  // namespace

double FillFloor(Floor& floor, AttendanceDb& db, const EmployeeMonths& months, long* rows_written) {
  std::vector<DayRow> rows;
  auto t = Clock::now();
  floor.Begin();
  double floor_s = Seconds(Clock::now() - t);
  for (const auto& [employee, month] : months) {
    if (Status s = db.EmployeeMonth(employee, month, &rows); !s.ok()) Die(s.message());
    t = Clock::now();
    floor.Insert(rows);
    floor_s += Seconds(Clock::now() - t);
    *rows_written += static_cast<long>(rows.size());
  }
  t = Clock::now();
  floor.Commit();
  return floor_s + Seconds(Clock::now() - t);
}

std::unique_ptr<Floor> MakeFloor(const DemoRun& run, const fs::path& file) {
  if (!run.conninfo.empty()) return std::make_unique<PgFloor>(run.conninfo);
  return std::make_unique<FloorDb>(file);
}

std::string DatabaseLine(const DemoRun& run) {
  return run.conninfo.empty()
             ? "database: SQLite file in the working folder"
             : "database: PostgreSQL, schema " + run.schema + " (floor: COPY in one transaction)";
}

FloorDb::FloorDb(const fs::path& file) {
  if (Status s = CreateSqliteDatabase(file); !s.ok()) Die(s.message());
  if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK) {
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

FloorDb::~FloorDb() {
  for (sqlite3_stmt* s : {insert_, begin_, commit_}) sqlite3_finalize(s);
  sqlite3_close_v2(db_);
}

void FloorDb::Begin() { Step(begin_); }

void FloorDb::Commit() { Step(commit_); }

void FloorDb::Insert(const std::vector<DayRow>& rows) {
  for (const DayRow& row : rows) {
    sqlite3_bind_text(insert_, 1, row.employee.data(), static_cast<int>(row.employee.size()),
                      SQLITE_STATIC);
    sqlite3_bind_text(insert_, 2, row.period.data(), static_cast<int>(row.period.size()),
                      SQLITE_STATIC);
    sqlite3_bind_int64(insert_, 3, row.pres0);
    for (int n = 1; n <= 23; ++n) {
      const std::string& v = row.pres[static_cast<size_t>(n)];
      sqlite3_bind_text(insert_, 3 + n, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
    }
    sqlite3_bind_int64(insert_, 27, row.protocollo);
    Step(insert_);
  }
}

void FloorDb::InsertInTransaction(const std::vector<DayRow>& rows) {
  Begin();
  Insert(rows);
  Commit();
}

void FloorDb::Exec(const char* sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Die(sqlite3_errmsg(db_));
}

void FloorDb::Prepare(const std::string& sql, sqlite3_stmt** stmt) {
  if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, stmt, nullptr) !=
      SQLITE_OK) {
    Die(sqlite3_errmsg(db_));
  }
}

void FloorDb::Step(sqlite3_stmt* stmt) {
  if (sqlite3_step(stmt) != SQLITE_DONE) Die(sqlite3_errmsg(db_));
  sqlite3_reset(stmt);
}

void PrintResultLine(const char* name, double measured_s, const char* base_name, double base_s,
                     int ratio_decimals) {
  std::printf("%s=%.3f %s=%.3f ratio=%.*f\n", name, measured_s, base_name, base_s, ratio_decimals,
              measured_s / base_s);
}

CompanyEmployees PrintScreenCompanies(Session& session, int year, std::vector<std::string>* all) {
  SelectionLists& lists = session.lists();
  lists.CARICAESTRAZIONE(0);
  CompanyEmployees companies;
  for (const ListEntry& company : lists.LISTA_AZIENDE(Screen::kPrint, kOrderByCode)) {
    companies.emplace_back(company.code, EntryCodes(lists.EmployeeList(Screen::kPrint, kOrderByCode,
                                                                       year, company.code)));
    all->insert(all->end(), companies.back().second.begin(), companies.back().second.end());
  }
  return companies;
}

}  // namespace kaveltar::bench
