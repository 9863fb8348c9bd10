// The attendance database: daily attendance (PRESENZE) and the program's three tables
// (GIUSTIFICATIVI, GRUPPI, FESTIVITA). One interface, two backends: SQLite (the embedded
// default, file QXPRES.sqlite in the archive folder) and PostgreSQL (a shared database for
// offices with several workstations). Every value goes through bound parameters; month and
// year queries use key ranges on (KDIPENDENTE, KPERIODO). All texts are UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace kaveltar {

// One PRESENZE row: one employee and one calendar day.
struct DayRow {
  std::string employee;  // KDIPENDENTE, 10 characters
  std::string period;    // KPERIODO, YYYYMMDD
  long pres0 = 0;        // PRES_0
  // pres[n] is column PRES_n for n = 1..23 (pres[0] is unused): PRES_1 schedule code,
  // PRES_2 theoretical hours, PRES_3 worked hours, then code/hours pairs of slots 1-10.
  std::array<std::string, 24> pres{};
  long protocollo = 0;  // PROTOCOLLO, the sheet number

  // Slot 1-10: the justification code column (PRES_4, PRES_6, ... PRES_22) and its hours.
  std::string& SlotCode(int slot) { return pres[2 + 2 * slot]; }
  std::string& SlotHours(int slot) { return pres[3 + 2 * slot]; }
  const std::string& SlotCode(int slot) const { return pres[2 + 2 * slot]; }
  const std::string& SlotHours(int slot) const { return pres[3 + 2 * slot]; }
  bool operator==(const DayRow&) const = default;
};

// One GIUSTIFICATIVI row. gius[n] is GIUS_n for n = 1..18 (gius[0] and gius[4] unused).
struct JustificationRow {
  std::string code;  // KGIUS, 3 characters
  std::array<std::string, 19> gius{};
  bool operator==(const JustificationRow&) const = default;
};

// One GRUPPI row. grup[1] description, grup[2..8] hours of Monday..Sunday.
struct GroupRow {
  std::string code;  // KGRUPPO, three digits
  std::array<std::string, 9> grup{};
  bool operator==(const GroupRow&) const = default;
};

// One FESTIVITA row.
struct HolidayRow {
  std::string day;          // KDATAF, MMDD
  std::string description;  // FEST_1
  bool operator==(const HolidayRow&) const = default;
};

// The stored hours of one day that the summaries add up, as views into the database's
// buffers, valid only while the visitor runs.
struct DayHoursView {
  std::string_view employee;              // KDIPENDENTE
  std::string_view worked;                // PRES_3
  std::array<std::string_view, 5> codes;  // slots 1-5: PRES_4, PRES_6, ... PRES_12
  std::array<std::string_view, 5> hours;  // PRES_5, PRES_7, ... PRES_13
};

class AttendanceDb {
 public:
  virtual ~AttendanceDb() = default;

  // --- PRESENZE ---
  virtual Result<std::optional<DayRow>> FindDay(std::string_view employee,
                                                std::string_view period) = 0;
  // Inserts or replaces the row with the same key. The employee key may hold any text (it is
  // stored verbatim); an empty key or a day that is not 8 digits is kInvalid.
  virtual Status SaveDay(const DayRow& row) = 0;
  // As SaveDay, except that an existing row keeps its PROTOCOLLO (a new row takes the row's):
  // for batch work that rewrites days but never numbers sheets, so a sheet number stored by
  // a print running at the same time is never replaced by an older value.
  virtual Status SaveDayKeepNumber(const DayRow& row) = 0;
  virtual Status DeleteDay(std::string_view employee, std::string_view period) = 0;
  // Rows of one employee-month (YYYYMM) / employee-year (YYYY), in KPERIODO order: every
  // day whose KPERIODO begins with the month / year. The vector is replaced (its elements
  // are reused); a month that is not 6 digits / a year that is not 4 digits is kInvalid.
  virtual Status EmployeeMonth(std::string_view employee, std::string_view month,
                               std::vector<DayRow>* rows) = 0;
  virtual Status EmployeeYear(std::string_view employee, std::string_view year,
                              std::vector<DayRow>* rows) = 0;
  // Rows of every employee of a company (first three key characters, exactly 3 printable
  // ASCII characters) in one month, in (KPERIODO, KDIPENDENTE) order.
  virtual Status CompanyMonth(std::string_view company, std::string_view month,
                              std::vector<DayRow>* rows) = 0;
  // The same rows one at a time, in (KDIPENDENTE, KPERIODO) order, without holding them all:
  // memory stays flat however many employees the company has. `visit` returns false to stop
  // reading. The default reads them through CompanyMonth; the SQL engines stream them.
  virtual Status ForEachCompanyMonthDay(std::string_view company, std::string_view month,
                                        const std::function<bool(const DayRow&)>& visit);
  // A hint before a run that reads and rewrites the employee-months of one company
  // (first three key characters) in key order, one transaction after another: an engine whose
  // every read is a round trip to a server may then read the following employees' days
  // together, within the transaction that reads the first of them, and answer
  // EmployeeMonth from what it read while that transaction lasts (never across transactions,
  // never for an employee-month this connection has written since). An empty company ends
  // the hint. The default does nothing.
  virtual void ReadAhead(std::string_view company, std::string_view month) {
    (void)company;
    (void)month;
  }
  // True when any stored day uses the code in any of its ten slots / as PRES_1.
  virtual Result<bool> JustificationInUse(std::string_view code) = 0;
  virtual Result<bool> GroupInUse(std::string_view code) = 0;
  // Visits the days of every employee of a company (first three key characters, as in
  // CompanyMonth) whose KPERIODO begins with `period` (YYYY or YYYYMM), reading only the
  // worked hours and slots 1-5: the engines in (KDIPENDENTE, KPERIODO) order with one query
  // and nothing kept; this fallback a month at a time with CompanyMonth, in that query's order.
  // A slot whose code is empty or blank has empty hours, whatever is stored (nothing counts
  // hours without a code). A company or period of another shape is kInvalid.
  virtual Status CompanyHours(std::string_view company, std::string_view period,
                              const std::function<void(const DayHoursView&)>& visit);
  // Deletes every row of one employee-month (YYYYMM); nothing else.
  virtual Status DeleteEmployeeMonth(std::string_view employee, std::string_view month) = 0;
  // How many day rows PRESENZE holds, and the removal of all of them (moving an office's
  // history in from another program replaces the whole table).
  virtual Result<int64_t> CountDays() = 0;
  virtual Status DeleteAllDays() = 0;
  // Every stored day, one at a time in (KDIPENDENTE, KPERIODO) order, without holding them
  // all. `visit` returns false to stop. The default refuses (kInvalid): only the SQL engines
  // can walk the whole table.
  virtual Status ForEachDay(const std::function<bool(const DayRow&)>& visit);

  // --- FESTIVITA, GIUSTIFICATIVI, GRUPPI: find / save (insert or replace; an empty key is
  // kInvalid) / delete (a missing row is not an error) / all in key order (byte order) ---
  virtual Result<std::optional<HolidayRow>> FindHoliday(std::string_view day) = 0;
  virtual Status SaveHoliday(const HolidayRow& row) = 0;
  virtual Status DeleteHoliday(std::string_view day) = 0;
  virtual Status ListHolidays(std::vector<HolidayRow>* rows) = 0;

  virtual Result<std::optional<JustificationRow>> FindJustification(std::string_view code) = 0;
  virtual Status SaveJustification(const JustificationRow& row) = 0;
  virtual Status DeleteJustification(std::string_view code) = 0;
  virtual Status ListJustifications(std::vector<JustificationRow>* rows) = 0;

  virtual Result<std::optional<GroupRow>> FindGroup(std::string_view code) = 0;
  virtual Status SaveGroup(const GroupRow& row) = 0;
  virtual Status DeleteGroup(std::string_view code) = 0;
  virtual Status ListGroups(std::vector<GroupRow>* rows) = 0;

  // --- Transactions: batch work runs one transaction per employee-month. Begin() waits
  // while another workstation writes (up to the engine's busy timeout) and refuses to nest
  // (Status::kInvalid). Commit() ends the transaction either way: when it fails, or when any
  // operation inside the transaction failed, the whole transaction is rolled back and the
  // error returned. Commit() and Rollback() without Begin() are kInvalid. On PostgreSQL the
  // saves and deletes inside a transaction are sent without waiting for their answers, so a
  // write the server refuses may be reported only by the next read or by Commit(); and a
  // transaction the server cancels to break a deadlock with another workstation is run again
  // (its writes, in order) a few times before Commit() reports the failure. ---
  virtual Status Begin() = 0;
  virtual Status Commit() = 0;
  virtual Status Rollback() = 0;
  // A transaction that only reads and sees every table as it was at one moment, whatever
  // other workstations commit meanwhile (for a backup). Ended by Commit() or Rollback().
  // The default is Begin().
  virtual Status BeginSnapshot() { return Begin(); }
};

// One transaction held by a scope: Begin() when made, Rollback() when it goes out of scope
// without a successful Commit(). When Begin() failed (for example inside another
// transaction), status() says why and Commit() returns that error without touching the
// database, so a refused inner transaction can never commit an outer one.
class Transaction {
 public:
  explicit Transaction(AttendanceDb& db) : db_(db) { status_ = db_.Begin(); }
  ~Transaction() {
    if (status_.ok() && !done_) (void)db_.Rollback();
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  const Status& status() const { return status_; }
  // Ends the transaction either way: a failed commit leaves the work rolled back.
  Status Commit() {
    if (!status_.ok()) return status_;
    if (done_) return Status::Invalid("Commit: the transaction has already ended");
    done_ = true;
    return db_.Commit();
  }
  Status Rollback() {
    if (!status_.ok()) return status_;
    if (done_) return Status::Invalid("Rollback: the transaction has already ended");
    done_ = true;
    return db_.Rollback();
  }

 private:
  AttendanceDb& db_;
  Status status_;
  bool done_ = false;
};

// File names in the archive folder.
inline constexpr std::string_view kDatabaseFile = "QXPRES.sqlite";
inline constexpr std::string_view kTemplateFile = "QXPREXXX.sqlite";
// How long a SQLite call waits for another workstation's lock before failing.
inline constexpr int kSqliteBusyTimeoutMs = 15000;

// The version of the tables' layout this program writes and reads. A database records the
// version it was created with (SQLite: the file's user_version; PostgreSQL: the table
// KAVELTAR_SCHEMA); a database of a newer version is refused when opened, since this program
// could damage what it does not know. A database without a recorded version is version 1.
inline constexpr int kSchemaVersion = 1;
// The refusal of a database whose version is newer than kSchemaVersion.
std::string SchemaTooNewMessage(int found);

// One table copied by a backup or by setting up a database from another one.
struct CopiedTable {
  std::string name;
  int64_t rows = 0;
};

// Writes a consistent copy of `source` (any engine) into a new SQLite file: the four tables
// as they were at one moment. The copy is written to a temporary file in the same folder and
// renamed into place when complete, so `file` is either the old file or the whole copy.
// An existing `file` is replaced. Returns the rows copied per table.
Result<std::vector<CopiedTable>> BackupToSqlite(AttendanceDb& source,
                                                const std::filesystem::path& file);

// Creates an empty database file with the four tables (the template). Fails when the file
// exists; on failure no file is left behind.
Status CreateSqliteDatabase(const std::filesystem::path& file);
// Copies the template to the working database when the template exists and the database
// does not; an existing database is never replaced. The copy goes through a temporary file
// renamed into place, so a crash never leaves a half-copied database. With neither file
// present nothing happens (and opening then fails naming the database file).
Status PrepareDatabase(const std::filesystem::path& archive_folder);
// Opens an existing SQLite database (never creates one). A missing file is kNotFound naming
// it; a file without the four tables is kDbError. The file may live on a folder shared by
// several workstations: the rollback journal is used (not WAL, whose shared memory does not
// work across machines) and a busy database is waited for up to kSqliteBusyTimeoutMs.
Result<std::unique_ptr<AttendanceDb>> OpenSqliteDatabase(const std::filesystem::path& file);
// Runs SQLite's quick integrity check on an existing database file, read-only. A damaged file
// (or one that is not a database) is kCorrupt with the first problem the check reports; a
// database that cannot be read at all is kDbError.
Status QuickCheckSqliteDatabase(const std::filesystem::path& file);
// Opens the database as OpenSqliteDatabase, running the quick check first unless the file is
// exactly as the last clean close left it. A clean close (the connection ends with no failed
// operation) records the file's size, modification time and SQLite change counter beside it,
// in kCheckedMarkerSuffix; the check is skipped only when all three still match, the file
// was not modified in the same clock tick as the record was written, no rollback journal is
// waiting beside it and the last real check is less than kRecheckAfterSeconds old. A failed
// operation removes the record, so the next start checks again. The quick check reads the
// whole file, which on a large database takes longer than everything else at start-up.
Result<std::unique_ptr<AttendanceDb>> OpenCheckedSqliteDatabase(const std::filesystem::path& file);
inline constexpr std::string_view kCheckedMarkerSuffix = "-checked";
inline constexpr int64_t kRecheckAfterSeconds = 7 * 24 * 3600;
// Adds the holiday 0106 "EPIFANIA" when FESTIVITA has no row 0106 (an existing row is kept).
Status EnsureHolidayDefault(AttendanceDb& db);

}  // namespace kaveltar
