// bench_memorize: month memorization of every employee of a demo installation, against the
// floor any memorization must pay: the same rows inserted into an empty attendance database
// with one prepared INSERT per row, all in ONE transaction, on the same disk, with the same
// durability settings (rollback journal, synchronous FULL). The floor is what the disk and
// the database engine allow; memorization commits in short batches (so that another
// workstation is not locked out), which the ratio shows.
//
//   bench_memorize [EMPLOYEES] [--keep DIR]
// EMPLOYEES is the size of the installation (1-9999, default 9999: the employee number has
// four digits). The month is March 2024 (31 days). Every employee is memorized in one run
// (timed), as the screen and the command line do it; then each employee's rows are read back
// from the memorized database (not timed) and inserted into the floor database (timed).
// Neither phase keeps per-employee state, so the peak memory of the process, reset before
// the run and reported after it, stays flat in the number of employees.
// --keep DIR leaves the installation and both databases in DIR.
//
// The last line is "memorize_s=<seconds> floor_s=<seconds> ratio=<memorize/floor>".
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/session.h"
#include "archive/selection_lists.h"
#include "base/dialogs.h"
#include "bench_common.h"
#include "db/attendance_db.h"
#include "memorize/month_memorizer.h"

namespace {

namespace fs = std::filesystem;
using namespace kaveltar;
using namespace kaveltar::bench;

constexpr int kYear = 2024;
constexpr int kMonth = 3;

// User and system time of this process so far.
double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Every employee of every company, as the memorization screen lists them.
std::vector<std::string> EveryEmployee(SelectionLists& lists) {
  lists.CARICAESTRAZIONE(0);
  MemorizeSelection selection;
  for (const ListEntry& company : lists.LISTA_AZIENDE(Screen::kMemorize, kOrderByCode)) {
    selection.AddAll(lists.EmployeeList(Screen::kMemorize, kOrderByCode, kYear, company.code));
  }
  return EntryCodes(selection.entries());
}

// Writes the memorized rows of `entries` again through the floor, one INSERT a row in one
// transaction; the seconds spent in the floor (reading them back is not counted).
double InsertIntoFloor(Floor& floor, AttendanceDb& db, const std::vector<std::string>& entries,
                       long* rows_written) {
  std::vector<DayRow> rows;
  const std::string month = std::to_string(kYear * 100 + kMonth);
  double floor_s = 0;
  {
    const auto t1 = Clock::now();
    floor.Begin();
    floor_s += Seconds(Clock::now() - t1);
  }
  for (const std::string& entry : entries) {
    const std::string key(entry.substr(entry.size() - 10));
    if (Status s = db.EmployeeMonth(key, month, &rows); !s.ok()) Die(s.message());
    if (rows.empty()) continue;
    const auto t1 = Clock::now();
    floor.Insert(rows);
    floor_s += Seconds(Clock::now() - t1);
    *rows_written += static_cast<long>(rows.size());
  }
  {
    const auto t1 = Clock::now();
    floor.Commit();
    floor_s += Seconds(Clock::now() - t1);
  }
  return floor_s;
}

}  // namespace

int main(int argc, char** argv) {
  const DemoRun run = PrepareDemoRun("bench_memorize", argc, argv, kYear, kMonth);
  const int employees = run.args.employees;
  const fs::path& root = run.root;
  const fs::path& demo = run.demo;

  long peak_kb = 0;
  double memorize_s = 0, floor_s = 0, memorize_cpu_s = 0;
  long rows_written = 0;
  size_t listed = 0;
  MemorizeTotals totals;
  {
    RecordingDialogs dialogs;
    Session session(dialogs);
    StartDemoSession(session, demo, run.conninfo);

    const std::vector<std::string> entries = EveryEmployee(session.lists());
    listed = entries.size();

    std::unique_ptr<Floor> floor_db = MakeFloor(run, root / "floor.sqlite");
    Floor& floor = *floor_db;
    MemorizeOptions options;
    options.year = kYear;
    options.month = kMonth;
    MonthMemorizer memorizer(session.job(), options);
    int anomalies = 0;
    memorizer.set_anomaly_sink([&](std::string_view) { ++anomalies; });

    ResetPeak();
    // One run over the whole list, as the screen and the command line start it.
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    memorizer.ELABORADIPENDENTI(entries);
    memorize_s = Seconds(Clock::now() - t0);
    memorize_cpu_s = CpuSeconds() - cpu0;

    floor_s = InsertIntoFloor(floor, session.db(), entries, &rows_written);
    peak_kb = PeakKb();
    totals = memorizer.totals();
  }
  FinishDemoRun(run);
  std::printf("%s\n", DatabaseLine(run).c_str());

  std::printf("employees listed: %zu (installation of %d)\n", listed, employees);
  std::printf("memorized: %d, already stored: %d, skipped: %d, stopped by an anomaly: %d\n",
              totals.written, totals.existing, totals.skipped, totals.anomalies);
  std::printf("day rows: %ld memorized, %ld inserted by the floor\n", totals.days, rows_written);
  std::printf("memorization: %.3f s (%.0f rows/s, %.0f us per employee)\n", memorize_s,
              totals.days / memorize_s,
              1e6 * memorize_s / static_cast<double>(std::max<size_t>(listed, 1)));
  std::printf("memorization on the processor: %.3f s (the rest waits for the disk)\n",
              memorize_cpu_s);
  std::printf("floor (one INSERT per row, one transaction for all): %.3f s (%.0f rows/s)\n",
              floor_s, rows_written / floor_s);
  std::printf("peak memory during the run: %ld kB\n", peak_kb);
  PrintResultLine("memorize_s", memorize_s, "floor_s", floor_s);
  return 0;
}
