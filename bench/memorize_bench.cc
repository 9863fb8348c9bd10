// bench_memorize: month memorization of every employee of a demo installation, against the
// floor any memorization must pay: the same rows inserted into an empty attendance database
// with one prepared INSERT per row, all in ONE transaction, on the same disk, with the same
// durability settings (rollback journal, synchronous FULL). The floor is what the disk and
// the database engine allow; memorization commits in short batches (so that another
// workstation is not locked out), which the ratio shows.
//
//   bench_memorize [EMPLOYEES] [--keep DIR] [--db URL] [--runs N]
// EMPLOYEES is the size of the installation (1-9999, default 9999: the employee number has
// four digits). The month is March 2024 (31 days). Every employee is memorized in one run
// (timed), as the screen and the command line do it; then each employee's rows are read back
// from the memorized database (not timed) and inserted into the floor database (timed). Both
// are timed --runs times (default 5), each run on a fresh database; the fastest of each counts.
// Neither phase keeps per-employee state, so the peak memory of the process, reset before
// the run and reported after it, stays flat in the number of employees.
// --keep DIR leaves the installation and both databases in DIR.
//
// The last line is "memorize_s=<seconds> floor_s=<seconds> ratio=<memorize/floor>".
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

// Every employee of every company, as the memorization screen lists them.
std::vector<std::string> EveryEmployee(SelectionLists& lists) {
  lists.CARICAESTRAZIONE(0);
  MemorizeSelection selection;
  for (const ListEntry& company : lists.LISTA_AZIENDE(Screen::kMemorize, kOrderByCode)) {
    selection.AddAll(lists.EmployeeList(Screen::kMemorize, kOrderByCode, kYear, company.code));
  }
  return EntryCodes(selection.entries());
}

// What one timed run of the memorization and of its floor gives.
struct RunFigures {
  double memorize_s = 0;
  double memorize_cpu_s = 0;
  double floor_s = 0;
  long rows_written = 0;
  size_t listed = 0;
  long peak_kb = 0;
  MemorizeTotals totals;
};

// One run on a fresh attendance database: every employee memorized, then the floor; the floor
// writes into `floor_file` (SQLite) or the run's schema.
RunFigures RunOnce(const DemoRun& run, const fs::path& floor_file) {
  RunFigures f;
  RecordingDialogs dialogs;
  Session session(dialogs);
  StartDemoSession(session, run.demo, run.conninfo);

  const std::vector<std::string> entries = EveryEmployee(session.lists());
  f.listed = entries.size();

  std::unique_ptr<Floor> floor_db = MakeFloor(run, floor_file);
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
  f.memorize_s = Seconds(Clock::now() - t0);
  f.memorize_cpu_s = CpuSeconds() - cpu0;

  EmployeeMonths months;
  for (const std::string& entry : entries)
    months.emplace_back(entry.substr(entry.size() - 10), std::to_string(kYear * 100 + kMonth));
  f.floor_s = FillFloor(*floor_db, session.db(), months, &f.rows_written);
  f.peak_kb = PeakKb();
  f.totals = memorizer.totals();
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  const DemoRun run = PrepareDemoRun("bench_memorize", argc, argv, kYear, kMonth);
  const int employees = run.args.employees;

  RunFigures first;
  long peak_kb = 0;
  double memorize_cpu_s = 0;
  const Fastest fastest = RepeatTimedRuns(run, "memorize_s", [&](const fs::path& floor_file) {
    const RunFigures f = RunOnce(run, floor_file);
    if (first.listed == 0) {
      first = f;
      memorize_cpu_s = f.memorize_cpu_s;
    }
    peak_kb = std::max(peak_kb, f.peak_kb);
    memorize_cpu_s = std::min(memorize_cpu_s, f.memorize_cpu_s);
    return TimedRun{f.memorize_s, f.floor_s, f.totals.days + f.rows_written};
  });
  FinishDemoRun(run);
  std::printf("%s\n", DatabaseLine(run).c_str());

  const MemorizeTotals& totals = first.totals;
  const double memorize_s = fastest.measured_s;
  const double floor_s = fastest.floor_s;
  std::printf("employees listed: %zu (installation of %d)\n", first.listed, employees);
  std::printf("memorized: %d, already stored: %d, skipped: %d, stopped by an anomaly: %d\n",
              totals.written, totals.existing, totals.skipped, totals.anomalies);
  std::printf("day rows: %ld memorized, %ld inserted by the floor\n", totals.days,
              first.rows_written);
  std::printf("fastest of %d runs of each:\n", fastest.runs);
  std::printf("memorization: %.3f s (%.0f rows/s, %.0f us per employee)\n", memorize_s,
              totals.days / memorize_s,
              1e6 * memorize_s / static_cast<double>(std::max<size_t>(first.listed, 1)));
  std::printf("memorization on the processor: %.3f s (the rest waits for the disk)\n",
              memorize_cpu_s);
  std::printf("floor (one INSERT per row, one transaction for all): %.3f s (%.0f rows/s)\n",
              floor_s, first.rows_written / floor_s);
  std::printf("peak memory during a run: %ld kB\n", peak_kb);
  PrintResultLine("memorize_s", memorize_s, "floor_s", floor_s);
  return 0;
}
