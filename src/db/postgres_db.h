// The attendance database on a PostgreSQL server, for offices whose workstations share one
// database instead of a file on a network folder. Same tables, columns, keys and behaviour
// as the SQLite file (see attendance_db.h). Table and column names are unquoted, so the
// server keeps them in lower case and any client may write them in either case; the key
// columns use the "C" collation, so key order and key ranges are byte order.
#pragma once

#include <memory>
#include <string_view>

#include "base/status.h"
#include "db/attendance_db.h"

namespace kaveltar {

// Connects with a libpq connection string ("host=... port=... dbname=... user=...") or URI,
// always with client encoding UTF8, and prepares every statement once. The tables must exist
// (CreatePostgresSchema). A lost connection is re-established on the next call outside a
// transaction; inside one, the transaction fails and is rolled back. Error messages never
// repeat the connection string (it may hold a password).
Result<std::unique_ptr<AttendanceDb>> OpenPostgresDatabase(std::string_view conninfo);

// Creates the four tables where they are missing; existing tables and rows are kept.
Status CreatePostgresSchema(std::string_view conninfo);

}  // namespace kaveltar
