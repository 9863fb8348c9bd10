// The SQLite engine: the database file QXPRES.sqlite in the archive folder, its template, and
// the copy of the template into place.
//
// Choices for a file that may sit on a network folder used by several workstations:
// - rollback journal (journal_mode DELETE, set at every open), not WAL: WAL keeps its index
//   in shared memory, which processes on different machines cannot share;
// - synchronous FULL: a commit is on disk when it returns, and a power cut never corrupts the
//   file (the price is a few flushes per commit, which bound the write rate, not the CPU);
// - a busy timeout, so a workstation waits for another one's write instead of failing;
// - BEGIN IMMEDIATE, so a transaction takes the write lock at its start and never fails
//   half-way because another writer got there first.
#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <system_error>

#include "base/text.h"
#include "db/attendance_db.h"
#include "db/sql_backend.h"

namespace kaveltar {
namespace {

using db_internal::Op;
using db_internal::RowView;
using db_internal::RowVisitor;
using db_internal::SqlParam;

std::string PathText(const std::filesystem::path& p) { return p.string(); }

std::string ErrnoText(int err) { return std::strerror(err); }

class SqliteRow final : public RowView {
 public:
  explicit SqliteRow(sqlite3_stmt* stmt) : stmt_(stmt) {}
  // The engine ends every text with a NUL, and stored texts hold none (writes refuse them):
  // measuring it is cheaper than a second call into the engine for its length.
  std::string_view Text(int column) const override {
    const unsigned char* p = sqlite3_column_text(stmt_, column);
    if (p == nullptr) return {};
    return {reinterpret_cast<const char*>(p)};
  }
  int64_t Int(int column) const override { return sqlite3_column_int64(stmt_, column); }

 private:
  sqlite3_stmt* stmt_;
};

class SqliteAttendanceDb final : public db_internal::SqlAttendanceDb {
 public:
  static Result<std::unique_ptr<AttendanceDb>> Open(const std::filesystem::path& file);
  ~SqliteAttendanceDb() override;

  Status Begin() override;
  Status BeginSnapshot() override;
  Status Commit() override;
  Status Rollback() override;

  // After this, closing the connection with no failed operation records the file's state
  // beside it (see OpenCheckedSqliteDatabase); `checked_at` is when the file was last
  // really checked, in seconds since the epoch.
  void RecordCleanClose(int64_t checked_at) {
    record_clean_close_ = true;
    checked_at_ = checked_at;
  }

 protected:
  Status Execute(Op op, std::span<const SqlParam> params, RowVisitor* visitor) override;

 private:
  SqliteAttendanceDb(sqlite3* db, std::string file) : db_(db), file_(std::move(file)) {}
  Status Error(std::string_view operation) const;
  Status Prepare(const char* sql, sqlite3_stmt** stmt);
  // Runs a statement without parameters or rows (BEGIN, COMMIT, ROLLBACK).
  int Step(sqlite3_stmt* stmt);
  // Binds the parameters to `stmt`, steps it and passes its rows to the visitor. `empty`
  // has a bit set for each parameter that holds the empty text since an earlier call:
  // bindings outlive a reset, so such a parameter is not bound again (most texts of a day
  // row are empty).
  Status Perform(Op op, sqlite3_stmt* stmt, uint32_t* empty, std::span<const SqlParam> params,
                 RowVisitor* visitor);
  // True when the day a save names is certainly absent: the write transaction deleted its
  // employee-month, or read it whole and did not find that day, and has not saved that day
  // since. Marks the day as saved.
  bool TakeAbsentDay(std::span<const SqlParam> params);
  // Reads one employee-month inside the write transaction and notes which of its days are
  // stored: the others are absent until the transaction saves them.
  Status ReadMonthNotingDays(std::span<const SqlParam> params, RowVisitor* visitor);
  // Sets the days of `employee`'s `month` known to be present (a bit per day, 1-31).
  void NoteMonth(std::string_view employee, std::string_view month, uint32_t present);
  void ForgetDeletedMonths() {
    deleted_months_.clear();
    last_month_ = nullptr;
  }

  sqlite3* db_;
  std::string file_;
  std::array<sqlite3_stmt*, db_internal::kOpCount> stmts_{};
  std::array<uint32_t, db_internal::kOpCount> empty_params_{};
  // A plain INSERT of a day, for the days TakeAbsentDay finds absent; the import deletes
  // each employee-month it replaces and writes its days again in one transaction.
  sqlite3_stmt* insert_day_ = nullptr;
  uint32_t insert_day_empty_params_ = 0;
  // The employee-months ("KDIPENDENTE\tYYYYMM") deleted or read whole in the open write
  // transaction, each with a bit per day (1-31) that may be stored: found by the read or
  // saved since. `last_month_` is the one used last.
  std::map<std::string, uint32_t, std::less<>> deleted_months_;
  std::pair<const std::string, uint32_t>* last_month_ = nullptr;
  std::string month_key_;  // reused for lookups
  sqlite3_stmt* begin_ = nullptr;
  sqlite3_stmt* begin_read_ = nullptr;
  sqlite3_stmt* commit_ = nullptr;
  sqlite3_stmt* rollback_ = nullptr;
  bool write_transaction_ = false;  // the open transaction began with BEGIN IMMEDIATE
  bool record_clean_close_ = false;
  bool failed_ = false;  // an operation failed: the close is not a clean one
  int64_t checked_at_ = 0;
};

// ----- The record of a clean close -----

// What identifies the file's content without reading it: its size, its modification time
// and SQLite's change counter (header bytes 24-27, raised by every write transaction).
struct FileState {
  uint64_t size = 0;
  int64_t modified_ns = 0;
  uint32_t change_counter = 0;
};

std::filesystem::path MarkerFile(const std::filesystem::path& file) {
  return std::filesystem::path(file.string() + std::string(kCheckedMarkerSuffix));
}

int64_t ModifiedNs(const struct stat& st) {
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool ReadFileState(const std::filesystem::path& file, FileState* state) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  unsigned char counter[4];
  const bool ok = ::fstat(fd, &st) == 0 && ::pread(fd, counter, 4, 24) == 4;
  ::close(fd);
  if (!ok) return false;
  state->size = static_cast<uint64_t>(st.st_size);
  state->modified_ns = ModifiedNs(st);
  state->change_counter = (uint32_t{counter[0]} << 24) | (uint32_t{counter[1]} << 16) |
                          (uint32_t{counter[2]} << 8) | counter[3];
  return true;
}

// The record is one line: size, modification time in ns, change counter, time of the last
// real check in seconds.
void WriteMarker(const std::filesystem::path& file, int64_t checked_at) {
  FileState state;
  if (!ReadFileState(file, &state)) return;
  char line[128];
  const int n =
      std::snprintf(line, sizeof line, "%" PRIu64 " %" PRId64 " %" PRIu32 " %" PRId64 "\n",
                    state.size, state.modified_ns, state.change_counter, checked_at);
  // Written beside and renamed into place, so a reader never sees half a record. A folder
  // that cannot be written only costs a check at the next start.
  const std::filesystem::path marker = MarkerFile(file);
  const std::filesystem::path temp(marker.string() + "." + std::to_string(::getpid()));
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return;
  const bool written = ::write(fd, line, static_cast<size_t>(n)) == n;
  if (::close(fd) == 0 && written && ::rename(temp.c_str(), marker.c_str()) == 0) return;
  ::unlink(temp.c_str());
}

void RemoveMarker(const std::filesystem::path& file) { ::unlink(MarkerFile(file).c_str()); }

// True when the file is exactly as the last clean close recorded it and that record can be
// trusted; *checked_at then receives the time of the last real check.
bool UnchangedSinceCleanClose(const std::filesystem::path& file, int64_t now, int64_t* checked_at) {
  // A rollback journal beside the file: a write was cut short (or is running elsewhere).
  if (::access((file.string() + "-journal").c_str(), F_OK) == 0) return false;
  const std::filesystem::path marker = MarkerFile(file);
  const int fd = ::open(marker.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char line[128] = {};
  struct stat st {};
  const ssize_t n = ::read(fd, line, sizeof line - 1);
  const bool stat_ok = ::fstat(fd, &st) == 0;
  ::close(fd);
  if (n <= 0 || !stat_ok) return false;
  FileState recorded;
  int64_t when = 0;
  if (std::sscanf(line, "%" SCNu64 " %" SCNd64 " %" SCNu32 " %" SCNd64, &recorded.size,
                  &recorded.modified_ns, &recorded.change_counter, &when) != 4) {
    return false;
  }
  FileState current;
  if (!ReadFileState(file, &current)) return false;
  if (current.size != recorded.size || current.modified_ns != recorded.modified_ns ||
      current.change_counter != recorded.change_counter) {
    return false;
  }
  // A file modified in the same clock tick as the record was written could have changed
  // again within that tick without its time moving.
  if (current.modified_ns >= ModifiedNs(st)) return false;
  if (when > now || now - when >= kRecheckAfterSeconds) return false;
  *checked_at = when;
  return true;
}

Result<std::unique_ptr<AttendanceDb>> SqliteAttendanceDb::Open(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) {
    return Status::NotFound("il database delle presenze " + PathText(file) + " non esiste");
  }
  // READWRITE without CREATE: a file that vanished meanwhile is an error, never a new
  // empty database.
  sqlite3* handle = nullptr;
  const int rc = sqlite3_open_v2(PathText(file).c_str(), &handle,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc);
    sqlite3_close_v2(handle);
    return Status::DbError("impossibile aprire il database delle presenze " + PathText(file) +
                           ": " + msg);
  }
  std::unique_ptr<SqliteAttendanceDb> db(new SqliteAttendanceDb(handle, PathText(file)));
  sqlite3_extended_result_codes(handle, 1);
  sqlite3_busy_timeout(handle, kSqliteBusyTimeoutMs);
  // A file switched to WAL elsewhere goes back to the rollback journal (this fails, harmlessly,
  // while another connection still has it open in WAL mode).
  sqlite3_exec(handle, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL", nullptr, nullptr,
               nullptr);

  // A file written by a newer version of the program may hold what this one cannot keep.
  {
    sqlite3_stmt* version = nullptr;
    int found = 0;
    if (sqlite3_prepare_v2(handle, "PRAGMA user_version", -1, &version, nullptr) == SQLITE_OK &&
        sqlite3_step(version) == SQLITE_ROW) {
      found = sqlite3_column_int(version, 0);
    }
    sqlite3_finalize(version);
    if (found > kSchemaVersion) {
      return Status::DbError(SchemaTooNewMessage(found) + " (" + PathText(file) + ")");
    }
  }
  // Preparing every statement reads the schema: a file that is not a database, or lacks a
  // table or a column, fails here rather than at the first use.
  for (int i = 0; i < db_internal::kOpCount; ++i) {
    const Op op = static_cast<Op>(i);
    const std::string sql = db_internal::StatementText(op, db_internal::Dialect::kSqlite);
    if (sqlite3_prepare_v3(handle, sql.c_str(), static_cast<int>(sql.size()) + 1,
                           SQLITE_PREPARE_PERSISTENT, &db->stmts_[i], nullptr) != SQLITE_OK) {
      return Status::DbError("il database delle presenze " + PathText(file) +
                             " non è utilizzabile (" + std::string(db_internal::OpName(op)) +
                             "): " + sqlite3_errmsg(handle));
    }
  }
  const std::string insert_day = db_internal::DayInsertText();
  for (auto [sql, stmt] :
       {std::pair{"BEGIN IMMEDIATE", &db->begin_}, std::pair{"BEGIN", &db->begin_read_},
        std::pair{"COMMIT", &db->commit_}, std::pair{"ROLLBACK", &db->rollback_},
        std::pair{insert_day.c_str(), &db->insert_day_}}) {
    if (Status s = db->Prepare(sql, stmt); !s.ok()) return s;
  }
  return std::unique_ptr<AttendanceDb>(std::move(db));
}

SqliteAttendanceDb::~SqliteAttendanceDb() {
  if (in_transaction_ && !sqlite3_get_autocommit(db_)) Step(rollback_);
  for (sqlite3_stmt* s : stmts_) sqlite3_finalize(s);
  sqlite3_finalize(begin_);
  sqlite3_finalize(begin_read_);
  sqlite3_finalize(commit_);
  sqlite3_finalize(rollback_);
  sqlite3_finalize(insert_day_);
  const bool closed = sqlite3_close_v2(db_) == SQLITE_OK;
  // Recorded once the file is closed, so that its state is the final one.
  if (record_clean_close_) {
    if (closed && !failed_) {
      WriteMarker(file_, checked_at_);
    } else {
      RemoveMarker(file_);
    }
  }
}

Status SqliteAttendanceDb::Error(std::string_view operation) const {
  return Status::DbError(std::string(operation) + ": " + sqlite3_errmsg(db_) + " (" + file_ + ")");
}

Status SqliteAttendanceDb::Prepare(const char* sql, sqlite3_stmt** stmt) {
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, stmt, nullptr) != SQLITE_OK) {
    return Error(sql);
  }
  return Status::Ok();
}

int SqliteAttendanceDb::Step(sqlite3_stmt* stmt) {
  const int rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  return rc;
}

Status SqliteAttendanceDb::Execute(Op op, std::span<const SqlParam> params, RowVisitor* visitor) {
  const int i = static_cast<int>(op);
  if (in_transaction_ && !deleted_months_.empty() &&
      (op == Op::kSaveDay || op == Op::kSaveDayKeepNumber) && TakeAbsentDay(params)) {
    return Perform(op, insert_day_, &insert_day_empty_params_, params, visitor);
  }
  // Inside a write transaction no other connection can write before the commit: what the
  // transaction learns of an employee-month holds until it commits.
  const bool whole_month = in_transaction_ && write_transaction_ && params.size() == 3 &&
                           params[1].text.size() == 6 && !sqlite3_get_autocommit(db_);
  if (op == Op::kEmployeeMonth && whole_month) return ReadMonthNotingDays(params, visitor);
  Status status = Perform(op, stmts_[i], &empty_params_[i], params, visitor);
  // A delete of a whole employee-month (its KPERIODO range is a six-digit month): its days
  // stay absent until the transaction saves them.
  if (op == Op::kDeleteEmployeeRange && status.ok() && whole_month) {
    NoteMonth(params[0].text, params[1].text, 0);
  }
  return status;
}

Status SqliteAttendanceDb::ReadMonthNotingDays(std::span<const SqlParam> params,
                                               RowVisitor* visitor) {
  // Passes the rows on and notes their days; a KPERIODO that is not a day of the month (the
  // table takes any text) makes every day count as present.
  class NoteDays final : public RowVisitor {
   public:
    explicit NoteDays(RowVisitor* inner) : inner_(inner) {}
    bool OnRow(const RowView& row) override {
      const std::string_view period = row.Text(1);
      const int day = period.size() == 8 && IsDigits(period.substr(6))
                          ? (period[6] - '0') * 10 + (period[7] - '0')
                          : 0;
      present_ |= day >= 1 && day <= 31 ? 1u << day : ~0u;
      if (inner_ != nullptr && inner_->OnRow(row)) return true;
      whole_ = false;
      return false;
    }
    uint32_t present() const { return present_; }
    bool whole() const { return whole_; }

   private:
    RowVisitor* inner_;
    uint32_t present_ = 0;
    bool whole_ = true;
  };
  const int i = static_cast<int>(Op::kEmployeeMonth);
  NoteDays note(visitor);
  Status status = Perform(Op::kEmployeeMonth, stmts_[i], &empty_params_[i], params, &note);
  // The upper bound of the range is the month's successor (EmployeeMonth's PrefixRange), so
  // a read that ran to its end saw every day of the month.
  if (status.ok() && note.whole() && !sqlite3_get_autocommit(db_)) {
    NoteMonth(params[0].text, params[1].text, note.present());
  }
  return status;
}

void SqliteAttendanceDb::NoteMonth(std::string_view employee, std::string_view month,
                                   uint32_t present) {
  month_key_.assign(employee);
  month_key_ += '\t';
  month_key_ += month;
  last_month_ = &*deleted_months_.insert_or_assign(month_key_, present).first;
}

bool SqliteAttendanceDb::TakeAbsentDay(std::span<const SqlParam> params) {
  if (params.size() != static_cast<size_t>(db_internal::kDayColumns)) return false;
  const std::string_view employee = params[0].text;
  const std::string_view period = params[1].text;
  if (period.size() != 8) return false;
  const int day = (period[6] - '0') * 10 + (period[7] - '0');
  if (day < 1 || day > 31) return false;
  // The import writes the days of one month one after the other: that month is tried first.
  const auto same = [&](const std::string& key) {
    return key.size() == employee.size() + 7 && key.compare(0, employee.size(), employee) == 0 &&
           key[employee.size()] == '\t' && key.compare(employee.size() + 1, 6, period, 0, 6) == 0;
  };
  if (last_month_ == nullptr || !same(last_month_->first)) {
    month_key_.assign(employee);
    month_key_ += '\t';
    month_key_.append(period.substr(0, 6));
    const auto found = deleted_months_.find(month_key_);
    if (found == deleted_months_.end()) return false;
    last_month_ = &*found;
  }
  const uint32_t bit = 1u << day;
  // A day saved already, or a transaction the engine rolled back on its own.
  if ((last_month_->second & bit) != 0 || sqlite3_get_autocommit(db_)) return false;
  last_month_->second |= bit;
  return true;
}

Status SqliteAttendanceDb::Perform(Op op, sqlite3_stmt* stmt, uint32_t* empty,
                                   std::span<const SqlParam> params, RowVisitor* visitor) {
  int rc = SQLITE_OK;
  for (size_t i = 0; i < params.size() && rc == SQLITE_OK; ++i) {
    const SqlParam& p = params[i];
    const int index = static_cast<int>(i) + 1;
    const uint32_t bit = i < 32 ? 1u << i : 0;
    if (p.is_int) {
      rc = sqlite3_bind_int64(stmt, index, p.integer);
      *empty &= ~bit;
    } else if (p.text.empty()) {
      if (bit != 0 && (*empty & bit) != 0) continue;
      // Not the view's pointer, which may be null and would bind NULL instead of ''.
      rc = sqlite3_bind_text(stmt, index, "", 0, SQLITE_STATIC);
      *empty |= bit;
    } else {
      rc = sqlite3_bind_text(stmt, index, p.text.data(), static_cast<int>(p.text.size()),
                             SQLITE_STATIC);
      *empty &= ~bit;
    }
  }
  if (rc != SQLITE_OK) *empty = 0;  // a binding may have failed half-way
  if (rc == SQLITE_OK) {
    const SqliteRow row(stmt);
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      if (visitor == nullptr || !visitor->OnRow(row)) {
        rc = SQLITE_DONE;
        break;
      }
    }
  }
  if (rc == SQLITE_DONE) {
    // Resetting ends the read, so no lock outlives the call.
    sqlite3_reset(stmt);
    return Status::Ok();
  }
  Status status = Error(db_internal::OpName(op));
  sqlite3_reset(stmt);
  failed_ = true;
  NoteFailure(status);
  return status;
}

Status SqliteAttendanceDb::Begin() {
  if (in_transaction_) {
    return Status::Invalid("Begin: una transazione è già aperta (le transazioni non si annidano)");
  }
  if (Step(begin_) != SQLITE_DONE) {
    failed_ = true;
    return Error("Begin");
  }
  in_transaction_ = true;
  write_transaction_ = true;
  transaction_failure_.clear();
  ForgetDeletedMonths();
  return Status::Ok();
}

// A deferred transaction: its first read takes the shared lock, which it keeps to the end,
// so every read sees the file as it was then; writers of other workstations wait meanwhile.
Status SqliteAttendanceDb::BeginSnapshot() {
  if (in_transaction_) {
    return Status::Invalid("Begin: una transazione è già aperta (le transazioni non si annidano)");
  }
  if (Step(begin_read_) != SQLITE_DONE) return Error("Begin");
  in_transaction_ = true;
  write_transaction_ = false;
  transaction_failure_.clear();
  ForgetDeletedMonths();
  return Status::Ok();
}

Status SqliteAttendanceDb::Commit() {
  if (!in_transaction_) return Status::Invalid("Commit: nessuna transazione aperta");
  in_transaction_ = false;
  ForgetDeletedMonths();
  if (!transaction_failure_.empty()) {
    if (!sqlite3_get_autocommit(db_)) Step(rollback_);
    return Status::DbError(
        "Commit: transazione annullata perché una sua operazione non è riuscita: " +
        transaction_failure_);
  }
  if (sqlite3_get_autocommit(db_)) {
    return Status::DbError("Commit: il motore del database aveva già annullato la transazione (" +
                           file_ + ")");
  }
  if (Step(commit_) != SQLITE_DONE) {
    failed_ = true;
    Status status = Error("Commit");
    if (!sqlite3_get_autocommit(db_)) Step(rollback_);
    return Status::DbError(status.message() + "; la transazione è stata annullata");
  }
  return Status::Ok();
}

Status SqliteAttendanceDb::Rollback() {
  if (!in_transaction_) return Status::Invalid("Rollback: nessuna transazione aperta");
  in_transaction_ = false;
  ForgetDeletedMonths();
  if (sqlite3_get_autocommit(db_)) return Status::Ok();  // the engine already rolled back
  if (Step(rollback_) != SQLITE_DONE) {
    failed_ = true;
    return Error("Rollback");
  }
  return Status::Ok();
}

// Copies `from` into a new file `to` and flushes it to disk.
Status CopyToNewFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0)
    return Status::IoError("impossibile leggere " + PathText(from) + ": " + ErrnoText(errno));
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) {
    const int err = errno;
    ::close(in);
    return Status::IoError("impossibile creare " + PathText(to) + ": " + ErrnoText(err));
  }
  std::array<char, 1 << 16> buffer;
  Status status;
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      status = Status::IoError("impossibile leggere " + PathText(from) + ": " + ErrnoText(errno));
      break;
    }
    for (ssize_t done = 0; done < n && status.ok();) {
      const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        status = Status::IoError("impossibile scrivere " + PathText(to) + ": " + ErrnoText(errno));
      } else {
        done += w;
      }
    }
    if (!status.ok()) break;
  }
  if (status.ok() && ::fsync(out) != 0) {
    status = Status::IoError("impossibile completare la scrittura di " + PathText(to) + ": " +
                             ErrnoText(errno));
  }
  if (::close(out) != 0 && status.ok()) {
    status = Status::IoError("impossibile scrivere " + PathText(to) + ": " + ErrnoText(errno));
  }
  ::close(in);
  return status;
}

// Moves `from` to `to` unless `to` exists. Returns true in *moved when it did.
Status RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                       bool* moved) {
  *moved = false;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    *moved = true;
    return Status::Ok();
  }
  if (errno == EEXIST) return Status::Ok();
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
    return Status::IoError("impossibile rinominare " + PathText(from) + " in " + PathText(to) +
                           ": " + ErrnoText(errno));
  }
  // The file system cannot refuse to replace: a hard link does, where links exist; else
  // look first and rename.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    *moved = true;
    return Status::Ok();
  }
  if (errno == EEXIST) return Status::Ok();
  std::error_code ec;
  if (std::filesystem::exists(to, ec)) return Status::Ok();
  if (::rename(from.c_str(), to.c_str()) != 0) {
    return Status::IoError("impossibile rinominare " + PathText(from) + " in " + PathText(to) +
                           ": " + ErrnoText(errno));
  }
  *moved = true;
  return Status::Ok();
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

}  // namespace

Status CreateSqliteDatabase(const std::filesystem::path& file) {
  // Creating the file exclusively first means an existing database is never touched.
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return Status::Conflict("il database " + PathText(file) + " esiste già");
    return Status::IoError("impossibile creare " + PathText(file) + ": " + ErrnoText(errno));
  }
  ::close(fd);

  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(PathText(file).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  std::string script = "BEGIN;";
  for (const std::string& s : db_internal::SchemaStatements(db_internal::Dialect::kSqlite)) {
    script += s + ";";
  }
  script += "PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";COMMIT;";
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr);
  Status status;
  if (rc != SQLITE_OK) {
    status = Status::DbError("impossibile creare il database " + PathText(file) + ": " +
                             (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
  }
  if (sqlite3_close_v2(db) != SQLITE_OK && status.ok()) {
    status = Status::DbError("impossibile chiudere il nuovo database " + PathText(file));
  }
  if (!status.ok()) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
  }
  return status;
}

namespace {

// The preparation proper, run under the lock of PrepareDatabase.
Status CopyTemplateLocked(const std::filesystem::path& database,
                          const std::filesystem::path& templ) {
  const std::filesystem::path archive_folder = database.parent_path();
  std::error_code ec;
  if (std::filesystem::exists(database, ec)) return Status::Ok();

  const std::filesystem::path temp =
      archive_folder / ("." + std::string(kDatabaseFile) + ".copy-" + std::to_string(::getpid()));
  std::filesystem::remove(temp, ec);  // left by an earlier crash of a process with our id
  Status status = CopyToNewFile(templ, temp);
  if (status.ok()) {
    // A rollback journal left beside a database that no longer exists would be played back
    // into the fresh copy when it is first opened.
    std::filesystem::remove(archive_folder / (std::string(kDatabaseFile) + "-journal"), ec);
    bool moved = false;
    status = RenameNoReplace(temp, database, &moved);
    if (status.ok() && moved) SyncFolder(archive_folder);
  }
  std::filesystem::remove(temp, ec);
  return status;
}

}  // namespace

Status PrepareDatabase(const std::filesystem::path& archive_folder) {
  const std::filesystem::path database = archive_folder / kDatabaseFile;
  const std::filesystem::path templ = archive_folder / kTemplateFile;
  std::error_code ec;
  if (std::filesystem::exists(database, ec)) return Status::Ok();
  if (!std::filesystem::exists(templ, ec)) return Status::Ok();
  // Workstations started at the same moment all find no database. Only one may copy the
  // template and clear a stale journal: once the database exists, the journal beside it
  // belongs to another workstation's running transaction, and deleting it breaks that
  // commit. A lock file held for the whole preparation makes the check and the copy one step.
  const std::filesystem::path lock_file =
      archive_folder / ("." + std::string(kDatabaseFile) + ".prepare-lock");
  const int lock = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lock < 0) {
    return Status::IoError("impossibile creare " + PathText(lock_file) + ": " + ErrnoText(errno));
  }
  while (::flock(lock, LOCK_EX) != 0) {
    if (errno != EINTR) {
      const int error = errno;
      ::close(lock);
      return Status::IoError("impossibile bloccare " + PathText(lock_file) + ": " +
                             ErrnoText(error));
    }
  }
  Status status = CopyTemplateLocked(database, templ);
  // Once the database exists nobody copies again, whichever lock file they hold, so the lock
  // file can go; after a failure it stays, and the next start waits on the same one.
  if (status.ok() && std::filesystem::exists(database, ec)) ::unlink(lock_file.c_str());
  ::close(lock);  // closing the descriptor releases the lock
  return status;
}

Result<std::unique_ptr<AttendanceDb>> OpenSqliteDatabase(const std::filesystem::path& file) {
  return SqliteAttendanceDb::Open(file);
}

namespace {

// Copies the four tables of `source` into `target`, counting the rows per table.
Status CopyTables(AttendanceDb& source, AttendanceDb& target, std::vector<CopiedTable>* copied) {
  copied->clear();
  {
    std::vector<HolidayRow> rows;
    if (Status s = source.ListHolidays(&rows); !s.ok()) return s;
    for (const HolidayRow& r : rows) {
      if (Status s = target.SaveHoliday(r); !s.ok()) return s;
    }
    copied->push_back({"FESTIVITA", static_cast<int64_t>(rows.size())});
  }
  {
    std::vector<JustificationRow> rows;
    if (Status s = source.ListJustifications(&rows); !s.ok()) return s;
    for (const JustificationRow& r : rows) {
      if (Status s = target.SaveJustification(r); !s.ok()) return s;
    }
    copied->push_back({"GIUSTIFICATIVI", static_cast<int64_t>(rows.size())});
  }
  {
    std::vector<GroupRow> rows;
    if (Status s = source.ListGroups(&rows); !s.ok()) return s;
    for (const GroupRow& r : rows) {
      if (Status s = target.SaveGroup(r); !s.ok()) return s;
    }
    copied->push_back({"GRUPPI", static_cast<int64_t>(rows.size())});
  }
  int64_t days = 0;
  Status written;
  Status read = source.ForEachDay([&](const DayRow& row) {
    written = target.SaveDay(row);
    ++days;
    return written.ok();
  });
  if (!written.ok()) return written;
  if (!read.ok()) return read;
  copied->push_back({"PRESENZE", days});
  return Status::Ok();
}

}  // namespace

Result<std::vector<CopiedTable>> BackupToSqlite(AttendanceDb& source,
                                                const std::filesystem::path& file) {
  const std::filesystem::path folder =
      file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  const std::filesystem::path temp =
      folder / ("." + file.filename().string() + ".backup-" + std::to_string(::getpid()));
  std::error_code ec;
  std::filesystem::remove(temp, ec);  // left by an earlier crash of a process with our id
  std::filesystem::remove(temp.string() + "-journal", ec);
  if (Status s = CreateSqliteDatabase(temp); !s.ok()) return s;

  std::vector<CopiedTable> copied;
  Status status;
  {
    Result<std::unique_ptr<AttendanceDb>> target = OpenSqliteDatabase(temp);
    if (!target.ok()) {
      status = target.status();
    } else {
      Transaction writing(**target);
      status = writing.status();
      if (status.ok()) status = source.BeginSnapshot();
      if (status.ok()) {
        status = CopyTables(source, **target, &copied);
        // The snapshot only read: ending it either way changes nothing.
        (void)source.Rollback();
      }
      if (status.ok()) status = writing.Commit();
    }
  }
  if (status.ok()) {
    // A rollback journal of an older file of that name must not be played into the copy.
    std::filesystem::remove(file.string() + "-journal", ec);
    if (::rename(temp.c_str(), file.c_str()) != 0) {
      status = Status::IoError("impossibile rinominare " + PathText(temp) + " in " +
                               PathText(file) + ": " + ErrnoText(errno));
    } else {
      SyncFolder(folder);
    }
  }
  if (!status.ok()) {
    std::filesystem::remove(temp, ec);
    std::filesystem::remove(temp.string() + "-journal", ec);
    return status;
  }
  return copied;
}

Status QuickCheckSqliteDatabase(const std::filesystem::path& file) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(PathText(file).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    return Status::DbError(PathText(file) + ": " + msg);
  }
  sqlite3_busy_timeout(db, kSqliteBusyTimeoutMs);
  sqlite3_stmt* stmt = nullptr;
  // One line of the check is enough to refuse the file: "ok" when nothing is wrong.
  rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &stmt, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(stmt);
  Status status;
  if (rc == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(stmt, 0);
    const std::string line = text ? reinterpret_cast<const char*>(text) : "";
    if (line != "ok") status = Status::Corrupt(PathText(file) + ": " + line);
  } else if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) {
    status = Status::Corrupt(PathText(file) + ": " + sqlite3_errmsg(db));
  } else {
    status = Status::DbError(PathText(file) + ": " + sqlite3_errmsg(db));
  }
  sqlite3_finalize(stmt);
  sqlite3_close_v2(db);
  return status;
}

Result<std::unique_ptr<AttendanceDb>> OpenCheckedSqliteDatabase(const std::filesystem::path& file) {
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  int64_t checked_at = now;
  if (!UnchangedSinceCleanClose(file, now, &checked_at)) {
    checked_at = now;
    if (Status s = QuickCheckSqliteDatabase(file); !s.ok()) {
      RemoveMarker(file);
      return s;
    }
  }
  Result<std::unique_ptr<AttendanceDb>> opened = SqliteAttendanceDb::Open(file);
  if (opened.ok()) static_cast<SqliteAttendanceDb&>(*opened.value()).RecordCleanClose(checked_at);
  return opened;
}

}  // namespace kaveltar
