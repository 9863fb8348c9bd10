// The attendance database on a PostgreSQL server, for offices whose workstations share one
// database instead of a file on a network folder. Same tables, columns, keys and behaviour
// as the SQLite file (see attendance_db.h). Table and column names are unquoted, so the
// server keeps them in lower case and any client may write them in either case; the key
// columns use the "C" collation, so key order and key ranges are byte order.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "db/attendance_db.h"

namespace kaveltar {

// The refusal of a database without the attendance tables.
inline constexpr std::string_view kPostgresNoTablesMessage =
    "Il database PostgreSQL non contiene ancora le tabelle delle presenze: prepararlo con "
    "kaveltar-cli --db INDIRIZZO db init";

// Connects with a libpq connection string ("host=... port=... dbname=... user=...") or URI,
// always with client encoding UTF8, and prepares every statement once. The tables must exist
// (InitPostgresDatabase or CreatePostgresSchema); a database without them, or whose recorded
// version is newer than kSchemaVersion, is refused with an Italian message. A transaction of
// more than 50,000 writes (an import of a whole office) is not run again after a deadlock:
// its failure is reported at once. A lost connection is re-established on the next call outside a
// transaction; inside one, the transaction fails and is rolled back. Error messages never
// repeat the connection string (it may hold a password).
Result<std::unique_ptr<AttendanceDb>> OpenPostgresDatabase(std::string_view conninfo);

// Creates the four tables where they are missing and records the schema version; existing
// tables and rows are kept.
Status CreatePostgresSchema(std::string_view conninfo);

// Sets up an office's shared database from `source` (its SQLite database), in ONE
// transaction: creates the schema where missing, then replaces the rows of FESTIVITA,
// GIUSTIFICATIVI, GRUPPI and PRESENZE with the source's, sent with COPY. A database that
// already holds days is refused (kConflict, nothing changed) unless `force`. Returns the rows
// copied per table, in that order.
Result<std::vector<CopiedTable>> InitPostgresDatabase(std::string_view conninfo,
                                                      AttendanceDb& source, bool force);

// Day rows written with COPY into `table` (with PRESENZE's columns) in one transaction on a
// connection of its own: the fastest way the server takes rows, which the benchmarks use as
// their floor. Add only keeps the rows; Finish sends them all and waits for the server, so
// the time of Add and Finish holds all the server's work, even when the caller does other
// things between the calls.
class PostgresDayCopy {
 public:
  PostgresDayCopy();
  ~PostgresDayCopy();
  PostgresDayCopy(const PostgresDayCopy&) = delete;
  PostgresDayCopy& operator=(const PostgresDayCopy&) = delete;
  Status Start(std::string_view conninfo, std::string_view table);
  Status Add(const std::vector<DayRow>& rows);
  // Ends the copy and commits.
  Status Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Runs statements without parameters or results on a connection of its own.
Status PostgresExecute(std::string_view conninfo, std::string_view sql);

}  // namespace kaveltar
