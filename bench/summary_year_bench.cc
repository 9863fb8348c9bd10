// bench_summary_year: the whole-year presence/absence summaries of every company of a demo
// installation, every kind (company, per employee, sub-company, schedule group,
// justification code) written as PDF, as the print screen writes them with "Esegui il
// riepilogo su tutto l'anno" ticked; against the floor of one scan of the company's rows of
// the year summed into a map of employees and codes in plain C++ on SQLite.
//
//   bench_summary_year [EMPLOYEES] [--keep DIR]
// EMPLOYEES is the size of the demo installation (1-9999, default 9999). The year is 2024,
// all twelve months stored before the clock starts: January is memorized, and its rows are
// copied into the other eleven months (cut at each month's length) with one SQL statement, so
// that the set-up does not take twelve memorizations. Each summary written (timed) is paired
// with one floor scan of its company (timed), the two taking turns at going first, so that
// changes in the machine's load and in the disk cache weigh on both alike.
// --keep DIR leaves the installation and the files in DIR.
//
// Before the last line: "peak_kb=<VmHWM during the summaries>". The last line is
// "summary_s=<seconds> floor_s=<seconds> ratio=<summary/floor>".
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/session.h"
#include "app/startup.h"
#include "archive/selection_lists.h"
#include "base/dialogs.h"
#include "bench_common.h"
#include "memorize/memorization.h"
#include "printing/summaries.h"

namespace {

namespace fs = std::filesystem;
using namespace kaveltar;
using namespace kaveltar::bench;

constexpr int kYear = 2024;

void Check(sqlite3* db, int rc, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    Die(std::string(what) + ": " + sqlite3_errmsg(db));
  }
}

// Copies January's rows into February-December, each cut at the month's last day.
void FillYear(const fs::path& database) {
  sqlite3* db = nullptr;
  Check(db, sqlite3_open(database.c_str(), &db), "open");
  std::vector<std::string> columns;
  sqlite3_stmt* info = nullptr;
  Check(db, sqlite3_prepare_v2(db, "PRAGMA table_info(PRESENZE)", -1, &info, nullptr), "columns");
  while (sqlite3_step(info) == SQLITE_ROW) {
    columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(info, 1)));
  }
  sqlite3_finalize(info);
  std::string names, values;
  for (const std::string& c : columns) {
    names += (names.empty() ? "" : ",") + c;
    values += values.empty() ? "" : ",";
    values +=
        c == "KPERIODO" ? "'" + std::to_string(kYear) + "' || m.mm || substr(KPERIODO, 7, 2)" : c;
  }
  const std::string sql =
      "BEGIN; WITH m(mm, days) AS (VALUES ('02',29),('03',31),('04',30),('05',31),('06',30),"
      "('07',31),('08',31),('09',30),('10',31),('11',30),('12',31)) "
      "INSERT OR REPLACE INTO PRESENZE (" +
      names + ") SELECT " + values + " FROM PRESENZE, m WHERE KPERIODO >= '" +
      std::to_string(kYear) + "01' AND KPERIODO < '" + std::to_string(kYear) +
      "02' AND CAST(substr(KPERIODO, 7, 2) AS INTEGER) <= m.days; COMMIT;";
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    Die(std::string("copying the months: ") + (error ? error : "?"));
  }
  sqlite3_close(db);
}

long Minutes(const unsigned char* text) {
  if (text == nullptr || text[0] == 0 || text[1] == 0 || text[2] != ':') return 0;
  return ((text[0] - '0') * 10 + (text[1] - '0')) * 60 + (text[3] - '0') * 10 + (text[4] - '0');
}

// The floor: one scan of a company's rows of the year, summed per employee and code.
class FloorScan {
 public:
  explicit FloorScan(const fs::path& database) {
    Check(db_, sqlite3_open_v2(database.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr), "open");
    Check(db_,
          sqlite3_prepare_v2(db_,
                             "SELECT KDIPENDENTE, PRES_3, PRES_4, PRES_5, PRES_6, PRES_7, PRES_8, "
                             "PRES_9, PRES_10, PRES_11, PRES_12, PRES_13 FROM PRESENZE WHERE "
                             "KDIPENDENTE >= ?1 AND KDIPENDENTE < ?2 AND KPERIODO >= ?3 AND "
                             "KPERIODO < ?4",
                             -1, &scan_, nullptr),
          "prepare");
  }
  ~FloorScan() {
    sqlite3_finalize(scan_);
    sqlite3_close(db_);
  }
  // The number of rows summed; `checksum` gets the minutes.
  long Run(const std::string& company, long* checksum) {
    struct Sums {
      long presence = 0;
      std::map<std::string, long> codes;
    };
    std::unordered_map<std::string, Sums> sums;
    const std::string high = std::to_string(std::stoi(company) + 1001).substr(1);
    const std::string from = std::to_string(kYear), to = std::to_string(kYear + 1);
    sqlite3_reset(scan_);
    sqlite3_bind_text(scan_, 1, company.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(scan_, 2, high.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(scan_, 3, from.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(scan_, 4, to.c_str(), -1, SQLITE_TRANSIENT);
    long rows = 0;
    int rc;
    while ((rc = sqlite3_step(scan_)) == SQLITE_ROW) {
      ++rows;
      Sums& s = sums[reinterpret_cast<const char*>(sqlite3_column_text(scan_, 0))];
      s.presence += Minutes(sqlite3_column_text(scan_, 1));
      for (int slot = 0; slot < 5; ++slot) {
        const unsigned char* code = sqlite3_column_text(scan_, 2 + 2 * slot);
        if (code == nullptr || code[0] == 0) continue;
        s.codes[reinterpret_cast<const char*>(code)] +=
            Minutes(sqlite3_column_text(scan_, 3 + 2 * slot));
      }
    }
    Check(db_, rc, "scan");
    for (const auto& [key, s] : sums) {
      *checksum += s.presence;
      for (const auto& [code, minutes] : s.codes) *checksum += minutes;
    }
    return rows;
  }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* scan_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  const DemoRun run = PrepareDemoRun("bench_summary_year", argc, argv, kYear, 1);
  const fs::path& demo = run.demo;

  double summary_s = 0, floor_s = 0;
  long files = 0, pages = 0, rows = 0, checksum = 0, peak_kb = 0;
  {
    RecordingDialogs dialogs;
    Session session(dialogs);
    StartDemoSession(session, demo);

    std::vector<std::string> all;
    const CompanyEmployees companies = PrintScreenCompanies(session, kYear, &all);
    MemorizeOptions january;
    january.year = kYear;
    january.month = 1;
    RunMemorization(session.job(), january, all);
    const fs::path database = session.installation().archive_path / std::string(kDatabaseFile);
    FillYear(database);

    FloorScan floor(database);
    ResetPeak();
    int turn = 0;
    for (const auto& [company, entries] : companies) {
      for (SummaryKind kind :
           {SummaryKind::kCompany, SummaryKind::kEmployees, SummaryKind::kSubCompany,
            SummaryKind::kGroup, SummaryKind::kJustification}) {
        SummaryRequest request;
        request.year = kYear;
        request.month = 1;
        request.company = company;
        request.employees = entries;
        request.kind = kind;
        request.whole_year = true;
        request.pdf = true;
        auto summary = [&] {
          const Clock::time_point t0 = Clock::now();
          const SummaryResult result = STAMPARIEPILOGOMESE(session.job(), request);
          summary_s += Seconds(Clock::now() - t0);
          if (!result.pdf_file.empty()) ++files;
          pages += result.pages;
        };
        auto scan = [&] {
          const Clock::time_point t1 = Clock::now();
          rows += floor.Run(company, &checksum);
          floor_s += Seconds(Clock::now() - t1);
        };
        // Whichever goes first finds the company's pages colder: they take turns.
        if (turn++ % 2 == 0) {
          summary();
          scan();
        } else {
          scan();
          summary();
        }
      }
    }
    peak_kb = PeakKb();
    Shutdown(session);
  }
  if (files == 0) Die("no summary was written");
  RemoveWorkingFolder(run.args, run.root);

  std::printf("employees=%d files=%ld pages=%ld rows_scanned=%ld checksum=%ld (year %d)\n",
              run.args.employees, files, pages, rows, checksum, kYear);
  std::printf("peak_kb=%ld\n", peak_kb);
  PrintResultLine("summary_s", summary_s, "floor_s", floor_s, 2);
  return 0;
}
