// Moving an office's history from the previous program: the attendance database QXPRES.MDB
// (an Access file) is read table by table and written into our attendance database, SQLite
// or PostgreSQL. One function does the job for the command line and the desktop program.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "db/attendance_db.h"

namespace kaveltar {

// The previous program's database file, in the archive folder.
inline constexpr std::string_view kPreviousDatabaseFile = "QXPRES.MDB";

// The tables moved, in the order they are reported.
inline constexpr std::array<std::string_view, 4> kMigratedTables = {"PRESENZE", "GIUSTIFICATIVI",
                                                                    "GRUPPI", "FESTIVITA"};

struct MigratedTable {
  std::string name;
  int64_t read = 0;                          // live rows read from the file
  int64_t written = 0;                       // rows the database holds after the import
  std::vector<std::string> extra_columns;    // in the file, not ours: not imported
  std::vector<std::string> missing_columns;  // ours, not in the file: left empty
};

struct MigrationReport {
  std::vector<MigratedTable> tables;  // in kMigratedTables order
};

struct MigrationOptions {
  // Replace the day rows PRESENZE already holds; without it their presence is refused.
  bool force = false;
};

// Called while the job runs: the table being read and the rows read from it so far.
using MigrationProgress = std::function<void(std::string_view table, int64_t rows)>;

// Reads PRESENZE, GIUSTIFICATIVI, GRUPPI and FESTIVITA from `file` and writes them into `db`
// in one transaction: the three tables replace what the database holds, PRESENZE rows are
// imported as they stand. Columns are matched by name (without case); a column the file
// lacks is left empty (0 for the numbers), NULL and empty text both become the empty text.
// Before committing, the rows of each table are counted on both sides and compared.
//
// Refused (kConflict) when PRESENZE already holds rows and options.force is not set; counts
// that differ are kDbError. A
// missing file, a file that is not an Access database, a truncated or damaged one, or one
// lacking one of the four tables gives an Italian message and changes nothing; so does any
// failure while writing.
Result<MigrationReport> MigrateAttendanceDatabase(const std::filesystem::path& file,
                                                  AttendanceDb& db, const MigrationOptions& options,
                                                  const MigrationProgress& progress = {});

// The report as printed, one line each: per table "PRESENZE: righe lette N, scritte N", then
// the columns not imported and the columns left empty.
std::vector<std::string> MigrationReportLines(const MigrationReport& report);

// The previous program's database in the archive folder (found without regard to case),
// or an empty path when there is none.
std::filesystem::path FindPreviousDatabase(const std::filesystem::path& archive_folder);

}  // namespace kaveltar
