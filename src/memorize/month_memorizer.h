// Month memorization: writes, for each employee of a list, every day of one calendar month
// into PRESENZE, from the employee's schedule group, hour profile or rotation of groups, the
// holidays, the employment period and the long-period absences of the memorization screen.
//
// One run (one MonthMemorizer) per click of "Memorizza": it reads the tables once, then
// `ELABORADIPENDENTI` walks the employees. Employee-months are written in batches: one
// database transaction holds a few whole employee-months and is committed once it has run
// for kBatchTime, so a crash or a kill leaves every employee-month either as it was or
// complete (up to the anomaly that stopped it), and another workstation never waits long
// for the write lock. The rotation positions of a batch go back to the payroll archive
// after its commit. Anomalies are handed to a sink as lines, at most one per employee in a
// run; the caller prints them.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/job_context.h"
#include "base/status.h"
#include "db/attendance_db.h"
#include "memorize/day_engine.h"
#include "memorize/rotation.h"
#include "tables/holidays.h"

namespace kaveltar {

struct MemorizeOptions {
  int year = 0;                   // `LabAnnoMem`
  int month = 0;                  // 1-12, the entry of `ListMesiMem`
  bool rewrite_existing = false;  // `CheckElabora`: rewrite employee-months already stored
  DayOptions day;                 // the day options and the absence rows
};

// Checks what the screen's boxes guarantee, for callers without a screen: month 1-12, year
// 1-9999, and each used absence row inside the month with its first day not after its last
// and no day in two rows. The message says what is wrong.
Status CheckMemorizeOptions(const MemorizeOptions& options);

// The anomaly texts.
inline constexpr std::string_view kEmployeePrefix = "Dipendente : ";
inline constexpr std::string_view kCollaboratorPrefix = "Co.co.co : ";
inline constexpr std::string_view kGroupMissingText =
    " Cod.Gruppo in P766 non presente nella tabella GRUPPI";
inline constexpr std::string_view kNoScheduleText =
    " Cod.Gruppo(campo P766)/Profilo(campo P138) non compilati";
inline constexpr std::string_view kRotationWithProfileText =
    " ha codificato sia profili orari che Gruppi orari";

// How one employee ended.
enum class EmployeeOutcome {
  kWritten,   // the month was written
  kExisting,  // a day was already stored (and neither option allows rewriting): untouched
  kSkipped,   // not in the archive of the year, or excluded (P890 = 1): nothing written
  kAnomaly,   // stopped by an anomaly (the days before it are written)
};

struct MemorizeTotals {
  int employees = 0;  // employees processed
  int written = 0;
  int existing = 0;
  int skipped = 0;
  int anomalies = 0;  // employees stopped by an anomaly (with or without a printed line)
  long days = 0;      // day rows written
};

// How long one transaction of memorization may run before it is committed (checked between
// employee-months, so a batch ends with the employee-month that takes it past the bound).
// The database keeps a rollback journal with synchronous FULL, so every commit costs a few
// flushes of the disk: committing each employee-month made a 9,999-employee run cost about
// 20 times its rows. One transaction for the whole run would hold the write lock for the
// whole run, and another workstation gives up after its 15 s busy timeout. At 200 ms the
// flushes are a few percent of the run, and a job of another workstation waits at most
// about 200 ms for the lock between two batches.
inline constexpr std::chrono::milliseconds kBatchTime{200};

class MonthMemorizer {
 public:
  // Receives each anomaly line (ASCII text).
  using AnomalySink = std::function<void(std::string_view line)>;
  // Called before each employee: its index in the list (from 0), the list's size and the
  // employee key.
  using ProgressSink = std::function<void(size_t index, size_t total, std::string_view key)>;

  // The options must have passed CheckMemorizeOptions (or come from the screen's boxes).
  // Reads GRUPPI, FESTIVITA and the types of the absence codes; a database error is a
  // RunTimeError for the general error handler.
  MonthMemorizer(const JobContext& job, const MemorizeOptions& options);

  void set_anomaly_sink(AnomalySink sink) { anomaly_sink_ = std::move(sink); }
  void set_progress_sink(ProgressSink sink) { progress_sink_ = std::move(sink); }

  // For each employee key of the list, in order: locate the employee record in the archive of the
  // year, memorize its month and write the rotation position back to that archive. An employee
  // index that cannot be read, or an archive record that is not the one looked up, stops the run
  // with a RunTimeError naming the file and the cause; the employee-months finished before it are
  // committed, and nothing of the damaged record is written.
  void ELABORADIPENDENTI(const std::vector<std::string>& keys);
  // One employee, by its ten-character key, committed at once.
  EmployeeOutcome MemorizeEmployee(std::string_view key);

  const MemorizeTotals& totals() const { return totals_; }

 private:
  struct Employee;
  enum class Anomaly { kGroupMissing, kNoSchedule, kRotationWithProfile };
  // A group of GRUPPI: its weekday hours as stored, converted the first time an employee's
  // day uses the group (so a bad value of a group nobody follows is never reported).
  struct Group {
    WeekHours hours;
    std::optional<WeekSchedule> schedule;
  };
  // An employee record to write back to its archive once the batch is committed.
  struct WriteBack {
    int base = 0;
    long record = 0;
    std::string text;
  };

  // One employee inside the open batch.
  EmployeeOutcome Memorize(std::string_view key);
  // Finds `key` in the employee index and reads its record into record_, checked to be whole
  // and to be that employee's; kNoRecord when the index does not hold the key. A damaged
  // index or record stops the run.
  long ReadEmployeeRecord(int data_base, int index_base, std::string_view key);
  // Month loop shared by `ELABORAMESE` (rotation null) and `ELABORAMESEGRUPPIRIPETITIVI`;
  // `last_day` receives the last day of the month written (0 when none was).
  EmployeeOutcome GenerateMonth(Employee& e, const std::vector<DayGroup>* rotation, int* last_day);
  // Where an employee's days take their schedule from, read when first needed.
  struct ScheduleSource;
  // The row of `day` as it is written: the stored row when there is one (PRES_0 and slots
  // 6-10 kept), else a new one; PRES_0 cleared unless `consider_worked_hours`, PRES_1..13 emptied.
  void StartDay(const Employee& e, int day, const DayRow* stored, DayRow* row) const;
  // The schedule and its code for `day`: the rotation's group of the day, else the profile
  // (which wins) or the group. The anomaly when there is none to use.
  std::optional<Anomaly> DaySchedule(const Employee& e, const std::vector<DayGroup>* rotation,
                                     int day, ScheduleSource* source, const WeekSchedule** schedule,
                                     std::string_view* code);
  // The schedule of a group code from GRUPPI (null when the table does not hold it).
  const WeekSchedule* GroupSchedule(std::string_view code);
  // Opens a batch when none is open.
  void BeginBatch();
  // Commits the open batch (if any), then writes its employee records back.
  void CommitBatch();
  // Commits what is finished and stops the run with `error`.
  [[noreturn]] void Stop(int number, const std::string& description);
  // The hours of the profile record `code` (empty hours when it is not in the archive).
  void LoadProfile(std::string_view code, WeekSchedule* schedule);
  // T030 of the company of `key` (read once per company).
  const std::string& CompanyPatronDay(std::string_view key);
  void ReportAnomaly(const Employee& e, Anomaly anomaly);
  EmployeeOutcome Count(EmployeeOutcome outcome);
  // A failed database call stops the operation through the general error handler.
  void Check(const Status& status, std::string_view what);

  JobContext job_;
  MemorizeOptions options_;
  std::string month_key_;  // YYYYMM
  int days_ = 0;
  int distance_ = 0;  // processing year - memorized year
  HolidayCalendar holidays_;
  std::string municipality_day_;  // F161
  std::map<std::string, Group, std::less<>> groups_;
  std::optional<Transaction> batch_;
  std::chrono::steady_clock::time_point batch_start_;
  std::vector<WriteBack> write_backs_;
  std::optional<DayFiller> filler_;
  std::array<int, 32> weekdays_{};  // weekday of each day of the month, 1 Monday ... 7 Sunday
  std::string company_code_;
  std::string company_day_;
  std::unordered_set<std::string> reported_;  // keys already given an anomaly line this run
  AnomalySink anomaly_sink_;
  ProgressSink progress_sink_;
  MemorizeTotals totals_;
  // Buffers reused from one employee to the next.
  std::string record_;
  std::vector<DayRow> stored_;
  std::array<DayRow, 32> rows_;
  WeekSchedule profile_;
};

}  // namespace kaveltar
