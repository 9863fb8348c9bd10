// Shared pieces of the benchmarks that run against a demo installation: argument parsing,
// the working folder, the demo installation written by a child process, the session opened
// on it, timing, peak memory, the floor database of plain INSERTs and the last result line.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "db/attendance_db.h"

namespace kaveltar::bench {

using Clock = std::chrono::steady_clock;

// Seconds in a clock duration.
double Seconds(Clock::duration d);

// Writes "<program>: <message>" to stderr and exits with status 1. The program name is the
// one given to ParseArgs.
[[noreturn]] void Die(const std::string& message);

// User and system time of this process so far, in seconds.
double CpuSeconds();

// Peak resident memory of the process in kB (VmHWM), and its reset.
long PeakKb();
void ResetPeak();

// The arguments "[EMPLOYEES] [--keep DIR] [--db URL] [--runs N]". EMPLOYEES is 1-9999, default
// 9999 (the employee number has four digits). --db names a PostgreSQL server database to run on
// instead of the SQLite file: the run works in a schema of its own there, dropped at the end.
// --runs (1-20, default 5) is how many times a benchmark that measures against a floor times
// both, each on a database put back as it was: the machine is shared, and the fastest of a
// few runs of each is the figure least disturbed by others. Bad arguments end the program
// with the usage line.
struct Args {
  int employees = 9999;
  std::filesystem::path keep;
  std::string db;
  int runs = 5;
};
Args ParseArgs(const char* program, int argc, char** argv);

// The working folder: DIR of --keep, emptied, or a new folder "<prefix>-XXXXXX" in the current
// folder (on the disk of the current folder, as the program's database would be). Points the
// program's drive C, registry and printer into it.
std::filesystem::path MakeWorkingFolder(const Args& args, const std::string& prefix);

// Removes the working folder unless --keep was given.
void RemoveWorkingFolder(const Args& args, const std::filesystem::path& root);

// Writes the demo installation of the month in a child process, so its memory does not count.
void WriteInstallation(const std::filesystem::path& dir, int employees, int year, int month);

// The start every benchmark shares: the arguments parsed, the working folder made (named after
// the program, "bench_memorize" giving "bench-memorize-XXXXXX") and the demo installation of the
// month written into its "demo" folder.
// With --db, the installation's database is copied into the run's own schema on the server,
// and `conninfo` names that schema.
struct DemoRun {
  Args args;
  std::filesystem::path root;
  std::filesystem::path demo;
  std::string conninfo;
  std::string schema;
};
DemoRun PrepareDemoRun(const char* program, int argc, char** argv, int year, int month);

// Drops the run's schema on the server (with --db) and removes the working folder unless
// --keep was given.
void FinishDemoRun(const DemoRun& run);

// Puts the attendance database back as PrepareDemoRun left it, for another timed run: the
// SQLite file is removed (the next session start makes it again from the template, as on a
// first start), or the run's schema on the server is filled again from the installation's
// file. No session may be open on it.
void ResetAttendanceDatabase(const DemoRun& run);

// The fastest of the runs of a benchmark measured against its floor, each taken on its own.
struct Fastest {
  double measured_s = 0;
  double floor_s = 0;
  int runs = 0;
  void Add(double measured, double floor);
};

// What one run of a benchmark against its floor gives: the two times, and the rows it wrote.
struct TimedRun {
  double measured_s = 0;
  double floor_s = 0;
  long rows = 0;
};

// Calls `run_once` --runs times, from the second on with the attendance database put back
// (ResetAttendanceDatabase), passing the floor file of that run ("floor-N.sqlite" in the
// working folder; only the last one stays). Each run must write as many rows as the first.
// Prints "run N: <name>=<s> floor_s=<s>" per run; gives the fastest of each.
Fastest RepeatTimedRuns(const DemoRun& run, const char* name,
                        const std::function<TimedRun(const std::filesystem::path&)>& run_once);

// Starts the session on the ARCHIVI and PROGRAMMI folders of the demo installation, on the
// PostgreSQL database `conninfo` when it is not empty.
void StartDemoSession(Session& session, const std::filesystem::path& demo,
                      const std::string& conninfo = {});

// Every company of the print screen, by code, with the keys of the employees the screen lists
// for it in `year`; `all` receives every listed key in the same order.
using CompanyEmployees = std::vector<std::pair<std::string, std::vector<std::string>>>;
CompanyEmployees PrintScreenCompanies(Session& session, int year, std::vector<std::string>* all);

// Where the floor of a benchmark writes its rows: Begin, Insert as often as needed, Commit.
class Floor {
 public:
  virtual ~Floor() = default;
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Insert(const std::vector<DayRow>& rows) = 0;
};

// The empty attendance database of the floor, with the same durability settings as the
// program's (rollback journal, synchronous FULL), and its one prepared INSERT.
class FloorDb : public Floor {
 public:
  explicit FloorDb(const std::filesystem::path& file);
  ~FloorDb() override;
  FloorDb(const FloorDb&) = delete;
  FloorDb& operator=(const FloorDb&) = delete;

  void Begin() override;
  void Commit() override;
  // Inserts the rows with one INSERT each, inside the caller's transaction.
  void Insert(const std::vector<DayRow>& rows) override;
  // Inserts the rows of one employee-month in a transaction of their own.
  void InsertInTransaction(const std::vector<DayRow>& rows);

 private:
  void Exec(const char* sql);
  void Prepare(const std::string& sql, sqlite3_stmt** stmt);
  void Step(sqlite3_stmt* stmt);

  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* begin_ = nullptr;
  sqlite3_stmt* commit_ = nullptr;
};

// Reads the rows of each employee-month ("KEY" and "YYYYMM") back from `db` (not timed) and
// inserts them into `floor` in one transaction (timed); the seconds spent in the floor, with
// the rows inserted added to `*rows_written`.
using EmployeeMonths = std::vector<std::pair<std::string, std::string>>;
double FillFloor(Floor& floor, AttendanceDb& db, const EmployeeMonths& months, long* rows_written);

// The floor of a run: with --db, the rows written with COPY in one transaction into an empty
// table shaped like PRESENZE in the run's schema (the fastest way the server takes rows);
// otherwise FloorDb in the file `file`.
std::unique_ptr<Floor> MakeFloor(const DemoRun& run, const std::filesystem::path& file);

// What the run's database is, for the report.
std::string DatabaseLine(const DemoRun& run);

// Prints the last line "<name>=<s> <base_name>=<s> ratio=<measured/base>", the seconds with
// three decimals and the ratio with ratio_decimals.
void PrintResultLine(const char* name, double measured_s, const char* base_name, double base_s,
                     int ratio_decimals = 3);

}  // namespace kaveltar::bench
