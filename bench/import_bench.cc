// bench_import: the external attendance import of a fixed-layout file holding one record per
// employee and working day of a month, against the floor any import must pay: the same day
// rows inserted into an empty attendance database with one prepared INSERT per row, in one
// transaction (the import is one transaction too), on the same disk, with the same
// durability settings (rollback journal, synchronous FULL).
//
//   bench_import [EMPLOYEES] [--keep DIR] [--db URL] [--runs N]
// EMPLOYEES is the size of the demo installation (1-9999, default 9999: the employee number
// has four digits, so 9,999 is the largest installation the demo makes). The month is April
// 2024, 22 working days (Monday to Friday), so the full run imports 9,999 x 22 = 219,978
// records. Each record has worked hours and one or two justification pairs, with file codes
// matched through GIUS_5, through the key and (one in a hundred) not matched at all.
// The file is checked first (timed apart, not part of the import). After the import its rows
// are read back one employee-month at a time (not timed) and inserted into the floor
// database (timed). Both are timed --runs times (default 5), each run on a fresh database; the
// fastest of each counts. --keep DIR leaves the installation, the file and both databases in DIR.
//
// The last line is "import_s=<seconds> floor_s=<seconds> ratio=<import/floor>".
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/session.h"
#include "archive/selection_lists.h"
#include "base/dates.h"
#include "base/dialogs.h"
#include "base/text.h"
#include "bench_common.h"
#include "db/attendance_db.h"
#include "exchange/attendance_import.h"

namespace {

namespace fs = std::filesystem;
using namespace kaveltar;
using namespace kaveltar::bench;

constexpr int kYear = 2024;
constexpr int kMonth = 4;

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
      record +=
          PadRight(n % 100 == 0 ? "XYZ" : kCodes[n % 8], 10) + (n % 7 == 0 ? "04:00" : "01:30");
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

// What one timed run of the import and of its floor gives.
struct RunFigures {
  double check_s = 0;
  double import_s = 0;
  double import_cpu_s = 0;
  double floor_s = 0;
  long rows_written = 0;
  ImportResult result;
};

// One run on a fresh attendance database: the file checked (written by the first run, which
// sets `*records`), the import, then the floor into `floor_file` (SQLite) or the run's schema.
RunFigures RunOnce(const DemoRun& run, const fs::path& floor_file, long* records) {
  RunFigures f;
  RecordingDialogs dialogs;
  dialogs.set_default_answer(true);
  Session session(dialogs);
  StartDemoSession(session, run.demo, run.conninfo);

  const fs::path file = run.root / "PRESENZE.PRE";
  if (*records == 0) {
    session.lists().CARICAESTRAZIONE(0);
    std::vector<std::string> keys;
    for (const std::string& entry : session.lists().extraction()) {
      if (!Trim(entry).empty()) keys.push_back(entry.substr(0, 10));
    }
    *records = WriteFile(file, keys);
  }

  ImportState state;
  auto t0 = Clock::now();
  ChooseImportFile(session.job(), &state, file.string());
  f.check_s = Seconds(Clock::now() - t0);
  if (!state.import_enabled) Die("the file did not pass the checks");
  const double cpu0 = CpuSeconds();
  t0 = Clock::now();
  f.result = ImportAttendanceFile(session.job(), &state);
  f.import_s = Seconds(Clock::now() - t0);
  f.import_cpu_s = CpuSeconds() - cpu0;
  if (!f.result.completed) Die("the import did not complete");

  EmployeeMonths months;
  for (const std::string& key : f.result.keys)
    months.emplace_back(key.substr(0, 10), key.substr(11));
  f.floor_s = FillFloor(*MakeFloor(run, floor_file), session.db(), months, &f.rows_written);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  const DemoRun run = PrepareDemoRun("bench_import", argc, argv, kYear, kMonth);

  RunFigures first;
  long records = 0;
  double check_s = 0, import_cpu_s = 0;
  const Fastest fastest = RepeatTimedRuns(run, "import_s", [&](const fs::path& floor_file) {
    const RunFigures f = RunOnce(run, floor_file, &records);
    if (!first.result.completed) {
      first = f;
      check_s = f.check_s;
      import_cpu_s = f.import_cpu_s;
    }
    check_s = std::min(check_s, f.check_s);
    import_cpu_s = std::min(import_cpu_s, f.import_cpu_s);
    return TimedRun{f.import_s, f.floor_s, f.result.days + f.rows_written};
  });
  FinishDemoRun(run);
  std::printf("%s\n", DatabaseLine(run).c_str());

  const ImportResult& result = first.result;
  const double import_s = fastest.measured_s;
  const double floor_s = fastest.floor_s;
  std::printf("records: %ld (%d employees x working days of %04d-%02d)\n", records,
              run.args.employees, kYear, kMonth);
  std::printf("employee-months replaced: %zu, records imported: %ld, anomaly lines: %zu\n",
              result.keys.size(), result.records, result.anomalies.size());
  std::printf("day rows: %ld written by the import, %ld inserted by the floor\n", result.days,
              first.rows_written);
  std::printf("fastest of %d runs of each:\n", fastest.runs);
  std::printf("checks: %.3f s\n", check_s);
  std::printf("import: %.3f s (%.0f records/s)\n", import_s, records / import_s);
  std::printf("import on the processor: %.3f s (the rest waits for the disk)\n", import_cpu_s);
  std::printf("floor (one INSERT per row, one transaction): %.3f s (%.0f rows/s)\n", floor_s,
              first.rows_written / floor_s);
  PrintResultLine("import_s", import_s, "floor_s", floor_s);
  return 0;
}
