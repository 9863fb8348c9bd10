// The PostgreSQL engine. Every statement is prepared once per connection (PQprepare) and run
// with PQexecPrepared. Text parameters travel in binary format, which for text is the bytes
// themselves with a length: no copy, no terminating NUL needed. Numbers travel as decimal
// text; results come back as text.
//
// Inside a transaction the saves and deletes go out in libpq's pipeline mode: they are sent
// without waiting for each answer, and the answers are read in one go before the next read,
// every kPipelineDepth statements, and at the commit. The transaction also keeps its writes,
// so that when the server cancels it to break a deadlock with another workstation (or for a
// serialization failure) it is rolled back and run again, up to kRetries times, before the
// error is reported.
//
// A save of a day whose employee-month the transaction deleted earlier (and has not saved
// since), or whose employee-month it read without that day, cannot meet a stored row, so it
// goes out with COPY instead, as the import rewrites whole months and memorization writes new
// ones. Such days are collected and sent before anything that could see or touch them: a
// read, a delete of their month, a second save of the same day, the commit. The deletes of
// whole employee-months wait for them too, and go out in one statement just before them. The
// server stores a COPY while the program goes on with the next rows; its answer is read
// before the next statement.
#include "db/postgres_db.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "base/escape.h"
#include "db/sql_backend.h"

namespace kaveltar {
namespace {

using db_internal::Op;
using db_internal::RowView;
using db_internal::RowVisitor;
using db_internal::SqlParam;

constexpr int kMaxParams = 32;
// Statements sent before their answers are read. The answers of a batch are a few dozen
// bytes each, far below what the socket buffers hold, so neither side ever blocks the other.
constexpr int kPipelineDepth = 256;
// How many times a transaction cancelled by a deadlock or a serialization failure is run
// again before the failure is reported.
constexpr int kRetries = 4;
// The writes a transaction keeps for running it again. A longer transaction (an import of a
// whole office) is not run again: its memory would grow with every row.
constexpr size_t kMaxLoggedWrites = 50000;

// SQLSTATE of the failures that running the whole transaction again can cure.
bool IsRetryable(const char* sqlstate) {
  if (sqlstate == nullptr) return false;
  const std::string_view code(sqlstate);
  return code == "40001" || code == "40P01";
}

std::string DayColumns() {
  std::string s = "KDIPENDENTE, KPERIODO, PRES_0";
  for (int n = 1; n <= 23; ++n) s += ", PRES_" + std::to_string(n);
  return s + ", PROTOCOLLO";
}

// One statement that saves many days at once: the rows travel as one array per column and
// unnest() turns them back into rows (the days of one batch have distinct keys).
// `keep_number` leaves PROTOCOLLO of an existing row alone, as SaveDayKeepNumber does.
std::string SaveDaysText(bool keep_number) {
  std::string s = "INSERT INTO PRESENZE (" + DayColumns() + ") SELECT * FROM unnest(";
  for (int i = 1; i <= 27; ++i) {
    if (i > 1) s += ", ";
    s += "$" + std::to_string(i) + (i == 3 || i == 27 ? "::bigint[]" : "::text[]");
  }
  s += ") ON CONFLICT (KDIPENDENTE, KPERIODO) DO UPDATE SET PRES_0 = excluded.PRES_0";
  for (int n = 1; n <= 23; ++n) {
    s += ", PRES_" + std::to_string(n) + " = excluded.PRES_" + std::to_string(n);
  }
  if (!keep_number) s += ", PROTOCOLLO = excluded.PROTOCOLLO";
  return s;
}

// Appends a text as an element of an array literal: quoted, with backslash and quote escaped.
void AppendArrayText(std::string& array, std::string_view text) {
  array += array.empty() ? "{\"" : ",\"";
  for (char c : text) {
    if (c == '\\' || c == '"') array += '\\';
    array += c;
  }
  array += '"';
}

void AppendArrayNumber(std::string& array, int64_t n) {
  array += array.empty() ? "{" : ",";
  array += std::to_string(n);
}

// Appends a text to a COPY line in its text format: backslash, tab, newline and carriage
// return are escaped; every other byte goes as it is.
void AppendCopyText(std::string& line, std::string_view text) {
  AppendBackslashEscaped(line, text, "\\\t\n\r");
}

void AppendDayLine(std::string& buffer, const DayRow& row) {
  AppendCopyText(buffer, row.employee);
  buffer += '\t';
  AppendCopyText(buffer, row.period);
  buffer += '\t';
  buffer += std::to_string(row.pres0);
  for (int n = 1; n <= 23; ++n) {
    buffer += '\t';
    AppendCopyText(buffer, row.pres[static_cast<size_t>(n)]);
  }
  buffer += '\t';
  buffer += std::to_string(row.protocollo);
  buffer += '\n';
}

// How many days one read-ahead brings at most: some two hundred employee-months.
constexpr int kAheadDays = 6400;

// How many days one batched statement carries at most.
constexpr int kDaysPerStatement = 1000;

// The table that records the version of the tables' layout.
constexpr const char* kVersionTable =
    "CREATE TABLE IF NOT EXISTS KAVELTAR_SCHEMA (VERSIONE integer NOT NULL)";

// The server's message without its trailing newline.
std::string ServerMessage(const char* text) {
  std::string s = text ? text : "";
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s.empty() ? "errore sconosciuto" : s;
}

// Connects with client encoding UTF8 (kept across PQreset) and without notices on stderr.
Result<PGconn*> Connect(std::string_view conninfo) {
  const std::string info(conninfo);
  const char* keys[] = {"dbname", "client_encoding", "fallback_application_name", nullptr};
  const char* values[] = {info.c_str(), "UTF8", "kaveltar", nullptr};
  PGconn* conn = PQconnectdbParams(keys, values, /*expand_dbname=*/1);
  if (conn == nullptr) return Status::DbError("impossibile collegarsi al database delle presenze");
  if (PQstatus(conn) != CONNECTION_OK) {
    Status s = Status::DbError("impossibile collegarsi al database delle presenze: " +
                               ServerMessage(PQerrorMessage(conn)));
    PQfinish(conn);
    return s;
  }
  PQsetNoticeProcessor(
      conn, [](void*, const char*) {}, nullptr);
  return conn;
}

// Runs a statement without parameters; returns the error, if any.
Status Exec(PGconn* conn, const char* sql, std::string_view operation) {
  PGresult* res = PQexec(conn, sql);
  const ExecStatusType st = PQresultStatus(res);
  Status status;
  if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
    status = Status::DbError(std::string(operation) + ": " +
                             ServerMessage(res ? PQresultErrorMessage(res) : PQerrorMessage(conn)));
  }
  PQclear(res);
  return status;
}

// The version of the tables' layout the database records: 0 when it has no PRESENZE table,
// 1 for tables made before the version was recorded.
Result<int> SchemaVersion(PGconn* conn) {
  PGresult* res = PQexec(conn,
                         "SELECT to_regclass('presenze') IS NOT NULL, "
                         "to_regclass('kaveltar_schema') IS NOT NULL");
  if (PQresultStatus(res) != PGRES_TUPLES_OK || PQntuples(res) != 1) {
    Status s = Status::DbError("SchemaVersion: " + ServerMessage(PQresultErrorMessage(res)));
    PQclear(res);
    return s;
  }
  const bool tables = PQgetvalue(res, 0, 0)[0] == 't';
  const bool recorded = PQgetvalue(res, 0, 1)[0] == 't';
  PQclear(res);
  if (!tables) return 0;
  if (!recorded) return 1;
  res = PQexec(conn, "SELECT COALESCE(MAX(VERSIONE), 1) FROM KAVELTAR_SCHEMA");
  if (PQresultStatus(res) != PGRES_TUPLES_OK || PQntuples(res) != 1) {
    Status s = Status::DbError("SchemaVersion: " + ServerMessage(PQresultErrorMessage(res)));
    PQclear(res);
    return s;
  }
  const int version = std::atoi(PQgetvalue(res, 0, 0));
  PQclear(res);
  return version;
}

class PgRow final : public RowView {
 public:
  PgRow(const PGresult* res, int row) : res_(res), row_(row) {}
  std::string_view Text(int column) const override {
    if (PQgetisnull(res_, row_, column)) return {};
    return {PQgetvalue(res_, row_, column), static_cast<size_t>(PQgetlength(res_, row_, column))};
  }
  int64_t Int(int column) const override {
    const std::string_view t = Text(column);
    int64_t n = 0;
    std::from_chars(t.data(), t.data() + t.size(), n);
    return n;
  }

 private:
  const PGresult* res_;
  int row_;
};

class PgAttendanceDb final : public db_internal::SqlAttendanceDb {
 public:
  static Result<std::unique_ptr<AttendanceDb>> Open(std::string_view conninfo);
  ~PgAttendanceDb() override { PQfinish(conn_); }

  Status Begin() override;
  Status BeginSnapshot() override;
  Status Commit() override;
  Status Rollback() override;
  void ReadAhead(std::string_view company, std::string_view month) override;
  Status EmployeeMonth(std::string_view employee, std::string_view month,
                       std::vector<DayRow>* rows) override;

 protected:
  Status Execute(Op op, std::span<const SqlParam> params, RowVisitor* visitor) override;

 private:
  // A write of the open transaction, with its own copy of the parameters.
  struct LoggedWrite {
    Op op;
    // The parameters packed one after another, as little memory as a long transaction
    // allows: a number (its bit set in `numbers`) as its 8 bytes, a text as 4 bytes of
    // length and its bytes.
    uint32_t numbers = 0;
    uint32_t count = 0;
    std::string bytes;
  };

  explicit PgAttendanceDb(PGconn* conn) : conn_(conn) {}
  Status PrepareAll();
  // Re-establishes a lost connection and its prepared statements.
  Status EnsureConnected(std::string_view operation);
  void BindParams(std::span<const SqlParam> params);
  Status RunOnce(Op op, std::span<const SqlParam> params, RowVisitor* visitor);
  // Sends a write of the transaction without waiting for its answer.
  Status Send(Op op, std::span<const SqlParam> params);
  // Sends the days collected (nothing when none).
  Status SendDays();
  // Reads the answers of every write sent and leaves pipeline mode. `visitor` receives the
  // rows of a read sent last in the pipeline.
  Status Drain(RowVisitor* visitor = nullptr);
  // Drain(), running the transaction again after a deadlock or serialization failure.
  Status Settle();
  // After such a failure: runs the transaction's writes again until they go through, or
  // until kRetries runs; returns the last failure otherwise.
  Status Recover(Status failure);
  // Rolls the cancelled transaction back, waits a little and sends its writes again.
  Status Restart(int attempt);
  Status StartTransaction(const char* begin);
  void DropDays();
  void EndTransaction();
  Status ErrorOf(std::string_view operation, const PGresult* res);
  // Sends the days collected for COPY (nothing when none), after every statement sent before.
  Status FlushCopy();
  // Reads the answer of the COPY sent last, if not read yet.
  Status AwaitCopy();
  void DropCopy() {
    copy_.clear();
    copy_rows_ = 0;
    copy_months_.clear();
    fresh_months_.clear();
    for (std::string& column : deletes_) column.clear();
  }
  // Notes which days of an employee-month a read of this transaction found, so that the
  // other days can go out with COPY.
  void NoteMonthRead(std::string_view employee, std::string_view month,
                     const std::vector<DayRow>& rows);
  // The writes of the transaction are all kept, so it can be run again.
  bool Replayable() const { return !log_overflow_ && log_.size() < kMaxLoggedWrites; }
  // Routes a write of PRESENZE: true when a save went into the COPY data. Flushes that data
  // first when the write touches one of its employee-months.
  Result<bool> RouteDayWrite(Op op, std::span<const SqlParam> params);
  // The two halves of Execute inside a transaction: a write is collected, batched or
  // pipelined and logged; a read waits for the writes before it.
  void LogWrite(Op op, std::span<const SqlParam> params);
  Status WriteInTransaction(Op op, std::span<const SqlParam> params);
  Status ReadInTransaction(Op op, std::span<const SqlParam> params, RowVisitor* visitor);
  // Reads the days of the read-ahead's company-month from `employee` on, at most kAheadDays.
  Status FetchAhead(std::string_view employee);
  bool AheadHolds(std::string_view employee) const {
    return !ahead_high_.empty() && employee >= ahead_low_ && employee < ahead_high_;
  }
  void DropAhead() {
    ahead_low_.clear();
    ahead_high_.clear();
    ahead_rows_.clear();
  }
  // Forgets what was read ahead when a write of the transaction touches it.
  void WriteTouchesAhead(Op op, std::span<const SqlParam> params);

  PGconn* conn_;
  // The read-ahead: the company and month named by ReadAhead (empty when none), and the days
  // read of the employees in [ahead_low_, ahead_high_) by this transaction, by employee (an
  // employee of that range without an entry has no days). An employee's days are handed out
  // once; ahead_low_ then moves past him.
  std::string ahead_company_;
  std::string ahead_month_;
  std::string ahead_low_;
  std::string ahead_high_;
  std::map<std::string, std::vector<DayRow>, std::less<>> ahead_rows_;
  // Saves of days whose employee-month was deleted earlier in the transaction and which have
  // not been saved since: no stored row can have their key, so they go to the server with
  // COPY, the fastest way it takes rows. copy_ holds their lines in COPY's text format,
  // copy_months_ their employee-months ("KDIPENDENTE\tYYYYMM") and those of the deletes held
  // back; fresh_months_ the employee-months deleted or read in the transaction, with a bit for
  // each day saved since or found by the read, and kReadMonth for a read. A read does not keep
  // the days out of another workstation's reach: if one stores them meanwhile, the COPY fails
  // and the transaction is run again with plain saves, so a read counts only while the
  // transaction keeps its writes for that.
  static constexpr uint32_t kReadMonth = 1u;
  std::string copy_;
  int copy_rows_ = 0;
  std::set<std::string, std::less<>> copy_months_;
  std::map<std::string, uint32_t, std::less<>> fresh_months_;
  // The deletes of whole employee-months held back: employee, first and end key of the
  // month, one array literal each.
  std::array<std::string, 3> deletes_;
  bool copy_in_flight_ = false;  // a COPY was sent and its answer is not read yet
  std::vector<LoggedWrite> log_;
  // Days saved inside the transaction and not sent yet: one array literal per column, sent
  // as one statement (SendDays) before any other statement and at kDaysPerStatement days.
  Op days_op_ = Op::kCount;  // kSaveDay or kSaveDayKeepNumber; kCount when none
  std::array<std::string, db_internal::kDayColumns> days_;
  std::set<std::string> day_keys_;  // "KDIPENDENTE\tKPERIODO"
  int pending_ = 0;                 // writes sent whose answers are not read yet
  std::vector<Op> pending_ops_;     // and what they are, for the messages
  bool retryable_ = false;  // the transaction was cancelled by a deadlock or serialization failure
  int retries_ = 0;         // runs again of the open transaction
  bool log_overflow_ = false;  // too many writes kept: the transaction is not run again
  bool snapshot_ = false;      // the open transaction is a read-only snapshot
  std::array<std::string, db_internal::kOpCount> names_;
  // Parameter arrays reused by every call.
  std::array<const char*, kMaxParams> values_{};
  std::array<int, kMaxParams> lengths_{};
  std::array<int, kMaxParams> formats_{};
  std::array<std::array<char, 24>, kMaxParams> numbers_{};
};

Result<std::unique_ptr<AttendanceDb>> PgAttendanceDb::Open(std::string_view conninfo) {
  Result<PGconn*> conn = Connect(conninfo);
  if (!conn.ok()) return conn.status();
  std::unique_ptr<PgAttendanceDb> db(new PgAttendanceDb(*conn));
  Result<int> version = SchemaVersion(*conn);
  if (!version.ok()) return version.status();
  if (*version == 0) return Status::DbError(std::string(kPostgresNoTablesMessage));
  if (*version > kSchemaVersion) return Status::DbError(SchemaTooNewMessage(*version));
  for (int i = 0; i < db_internal::kOpCount; ++i) {
    db->names_[i] = "kaveltar_" + std::string(db_internal::OpName(static_cast<Op>(i)));
  }
  if (Status s = db->PrepareAll(); !s.ok()) return s;
  return std::unique_ptr<AttendanceDb>(std::move(db));
}

Status PgAttendanceDb::PrepareAll() {
  for (int i = 0; i < db_internal::kOpCount; ++i) {
    const Op op = static_cast<Op>(i);
    const std::string sql = db_internal::StatementText(op, db_internal::Dialect::kPostgres);
    PGresult* res = PQprepare(conn_, names_[i].c_str(), sql.c_str(), 0, nullptr);
    const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
    std::string msg =
        ok ? "" : ServerMessage(res ? PQresultErrorMessage(res) : PQerrorMessage(conn_));
    PQclear(res);
    if (!ok) {
      return Status::DbError("il database delle presenze non è utilizzabile (" +
                             std::string(db_internal::OpName(op)) + "): " + msg);
    }
  }
  for (bool keep : {false, true}) {
    PGresult* res = PQprepare(conn_, keep ? "kaveltar_SaveDaysKeepNumber" : "kaveltar_SaveDays",
                              SaveDaysText(keep).c_str(), 0, nullptr);
    const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
    std::string msg = ok ? "" : ServerMessage(PQresultErrorMessage(res));
    PQclear(res);
    if (!ok)
      return Status::DbError("il database delle presenze non è utilizzabile (SaveDay): " + msg);
  }
  PGresult* res = PQprepare(conn_, "kaveltar_DeleteMonths",
                            "DELETE FROM PRESENZE p USING unnest($1::text[], $2::text[], "
                            "$3::text[]) AS d(employee, low, high) WHERE p.KDIPENDENTE = "
                            "d.employee AND p.KPERIODO >= d.low AND p.KPERIODO < d.high",
                            0, nullptr);
  const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
  std::string msg = ok ? "" : ServerMessage(PQresultErrorMessage(res));
  PQclear(res);
  if (!ok) {
    return Status::DbError("il database delle presenze non è utilizzabile (DeleteEmployeeMonth): " +
                           msg);
  }
  return Status::Ok();
}

Status PgAttendanceDb::EnsureConnected(std::string_view operation) {
  if (PQstatus(conn_) == CONNECTION_OK) return Status::Ok();
  PQreset(conn_);
  if (PQstatus(conn_) != CONNECTION_OK) {
    return Status::DbError(std::string(operation) +
                           ": il collegamento al database delle presenze è interrotto: " +
                           ServerMessage(PQerrorMessage(conn_)));
  }
  PQsetNoticeProcessor(
      conn_, [](void*, const char*) {}, nullptr);
  copy_in_flight_ = false;
  return PrepareAll();
}

Status PgAttendanceDb::ErrorOf(std::string_view operation, const PGresult* res) {
  if (res != nullptr && IsRetryable(PQresultErrorField(res, PG_DIAG_SQLSTATE))) retryable_ = true;
  return Status::DbError(std::string(operation) + ": " +
                         ServerMessage(res ? PQresultErrorMessage(res) : PQerrorMessage(conn_)));
}

void PgAttendanceDb::BindParams(std::span<const SqlParam> params) {
  const int n = static_cast<int>(params.size());
  for (int i = 0; i < n; ++i) {
    const SqlParam& p = params[i];
    if (p.is_int) {
      std::array<char, 24>& buf = numbers_[i];
      const auto end = std::to_chars(buf.data(), buf.data() + buf.size() - 1, p.integer).ptr;
      *end = '\0';
      values_[i] = buf.data();
      lengths_[i] = static_cast<int>(end - buf.data());
      formats_[i] = 0;
    } else {
      // A null pointer would send NULL; the empty text must stay ''.
      values_[i] = p.text.empty() ? "" : p.text.data();
      lengths_[i] = static_cast<int>(p.text.size());
      formats_[i] = 1;
    }
  }
}

Status PgAttendanceDb::RunOnce(Op op, std::span<const SqlParam> params, RowVisitor* visitor) {
  if (Status s = AwaitCopy(); !s.ok()) return s;
  const int n = static_cast<int>(params.size());
  BindParams(params);
  if (op == Op::kAllDays) {
    // The whole table: one row at a time, never all of it in memory.
    if (!PQsendQueryPrepared(conn_, names_[static_cast<int>(op)].c_str(), n, values_.data(),
                             lengths_.data(), formats_.data(), 0) ||
        !PQsetSingleRowMode(conn_)) {
      return ErrorOf(db_internal::OpName(op), nullptr);
    }
    Status status;
    bool reading = true;
    while (PGresult* res = PQgetResult(conn_)) {
      const ExecStatusType st = PQresultStatus(res);
      if (st == PGRES_SINGLE_TUPLE) {
        if (reading && visitor != nullptr) reading = visitor->OnRow(PgRow(res, 0));
      } else if (st != PGRES_TUPLES_OK && st != PGRES_COMMAND_OK && status.ok()) {
        status = ErrorOf(db_internal::OpName(op), res);
      }
      PQclear(res);
    }
    return status;
  }
  PGresult* res = PQexecPrepared(conn_, names_[static_cast<int>(op)].c_str(), n, values_.data(),
                                 lengths_.data(), formats_.data(),
                                 /*resultFormat=*/0);
  const ExecStatusType st = PQresultStatus(res);
  Status status;
  if (st == PGRES_TUPLES_OK) {
    const int rows = PQntuples(res);
    for (int r = 0; r < rows && visitor != nullptr; ++r) {
      if (!visitor->OnRow(PgRow(res, r))) break;
    }
  } else if (st != PGRES_COMMAND_OK) {
    status = ErrorOf(db_internal::OpName(op), res);
  }
  PQclear(res);
  return status;
}

Status PgAttendanceDb::Send(Op op, std::span<const SqlParam> params) {
  // Saves and deletes reach the server in the order they were made; only the delete of an
  // employee-month that none of the days collected belongs to may go ahead of them (the
  // import deletes each month before writing it, so its days still go out together).
  bool ahead = false;
  if (op == Op::kDeleteEmployeeRange && params.size() == 3) {
    const std::string low = std::string(params[0].text) + '\t' + std::string(params[1].text);
    const std::string high = std::string(params[0].text) + '\t' + std::string(params[2].text);
    const auto first = day_keys_.lower_bound(low);
    ahead = first == day_keys_.end() || *first >= high;
  }
  if (!ahead) {
    if (Status s = SendDays(); !s.ok()) return s;
  }
  if (Status s = AwaitCopy(); !s.ok()) return s;
  if (PQpipelineStatus(conn_) == PQ_PIPELINE_OFF && !PQenterPipelineMode(conn_)) {
    return ErrorOf(db_internal::OpName(op), nullptr);
  }
  BindParams(params);
  if (!PQsendQueryPrepared(conn_, names_[static_cast<int>(op)].c_str(),
                           static_cast<int>(params.size()), values_.data(), lengths_.data(),
                           formats_.data(), 0)) {
    return ErrorOf(db_internal::OpName(op), nullptr);
  }
  pending_ops_.push_back(op);
  if (++pending_ >= kPipelineDepth) return Drain();
  return Status::Ok();
}

Status PgAttendanceDb::SendDays() {
  if (days_op_ == Op::kCount) return Status::Ok();
  const Op op = days_op_;
  days_op_ = Op::kCount;
  day_keys_.clear();
  if (Status s = AwaitCopy(); !s.ok()) {
    for (std::string& column : days_) column.clear();
    return s;
  }
  if (PQpipelineStatus(conn_) == PQ_PIPELINE_OFF && !PQenterPipelineMode(conn_)) {
    return ErrorOf(db_internal::OpName(op), nullptr);
  }
  std::array<const char*, db_internal::kDayColumns> values;
  for (size_t i = 0; i < days_.size(); ++i) {
    days_[i] += '}';
    values[i] = days_[i].c_str();
  }
  const bool sent = PQsendQueryPrepared(
      conn_, op == Op::kSaveDay ? "kaveltar_SaveDays" : "kaveltar_SaveDaysKeepNumber",
      db_internal::kDayColumns, values.data(), nullptr, nullptr, 0);
  for (std::string& column : days_) column.clear();
  if (!sent) return ErrorOf(db_internal::OpName(op), nullptr);
  pending_ops_.push_back(op);
  if (++pending_ >= kPipelineDepth) return Drain();
  return Status::Ok();
}

Status PgAttendanceDb::Drain(RowVisitor* visitor) {
  if (Status s = FlushCopy(); !s.ok()) return s;
  if (Status s = AwaitCopy(); !s.ok()) return s;
  if (Status s = SendDays(); !s.ok()) return s;
  if (PQpipelineStatus(conn_) == PQ_PIPELINE_OFF) return Status::Ok();
  Status status;
  if (pending_ > 0) {
    const bool synced = PQpipelineSync(conn_) == 1;
    if (!synced) status = ErrorOf(db_internal::OpName(pending_ops_.front()), nullptr);
    size_t answered = 0;  // statements whose answers are all read
    // Every answer up to the synchronization point; a failed write makes the server skip the
    // rest (PGRES_PIPELINE_ABORTED), and its error is the one reported.
    while (synced) {
      PGresult* res = PQgetResult(conn_);
      const Op op = pending_ops_[std::min(answered, pending_ops_.size() - 1)];
      if (res == nullptr) {
        if (PQstatus(conn_) != CONNECTION_OK) {
          if (status.ok()) status = ErrorOf(db_internal::OpName(op), nullptr);
          break;
        }
        ++answered;  // the end of one statement's answers
        continue;
      }
      const ExecStatusType st = PQresultStatus(res);
      if (st == PGRES_FATAL_ERROR && status.ok()) status = ErrorOf(db_internal::OpName(op), res);
      // The rows of a read sent last, behind the writes.
      if (st == PGRES_TUPLES_OK && visitor != nullptr && status.ok()) {
        const int rows = PQntuples(res);
        for (int r = 0; r < rows; ++r) {
          if (!visitor->OnRow(PgRow(res, r))) break;
        }
      }
      PQclear(res);
      if (st == PGRES_PIPELINE_SYNC) break;
    }
    pending_ = 0;
    pending_ops_.clear();
  }
  PQexitPipelineMode(conn_);
  return status;
}

Status PgAttendanceDb::Settle() {
  Status status = Drain();
  if (!status.ok() && retryable_) status = Recover(status);
  return status;
}

Status PgAttendanceDb::Recover(Status failure) {
  while (retryable_ && retries_ < kRetries && !log_overflow_) {
    failure = Restart(retries_);
    if (failure.ok()) failure = Drain();
    if (failure.ok()) break;
  }
  return failure;
}

Status PgAttendanceDb::Restart(int attempt) {
  ++retries_;
  transaction_failure_.clear();
  DropDays();   // they are in the log too
  DropAhead();  // read in the cancelled transaction
  DropCopy();   // the saves are in the log, and run again as plain saves
  (void)Drain();
  retryable_ = false;
  (void)Exec(conn_, "ROLLBACK", "Rollback");
  // The other transaction goes on meanwhile; a random wait keeps two victims from meeting
  // again at once.
  thread_local std::minstd_rand random(static_cast<unsigned>(::getpid()));
  const int ms = 10 * (attempt + 1) + static_cast<int>(random() % 40);
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  if (Status s = Exec(
          conn_, snapshot_ ? "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY" : "BEGIN", "Begin");
      !s.ok()) {
    return s;
  }
  std::vector<SqlParam> params;
  for (const LoggedWrite& w : log_) {
    params.clear();
    const std::string_view bytes = w.bytes;
    size_t at = 0;
    for (uint32_t i = 0; i < w.count; ++i) {
      if ((w.numbers >> i & 1u) != 0) {
        int64_t n = 0;
        std::memcpy(&n, bytes.data() + at, sizeof n);
        at += sizeof n;
        params.push_back(SqlParam::Int(n));
      } else {
        uint32_t length = 0;
        std::memcpy(&length, bytes.data() + at, sizeof length);
        at += sizeof length;
        params.push_back(SqlParam::Text(bytes.substr(at, length)));
        at += length;
      }
    }
    if (Status s = Send(w.op, params); !s.ok()) return s;
  }
  return Status::Ok();
}

// Keeps a write of the open transaction for replaying it after a lost connection; past
// kMaxLoggedWrites the log is dropped and the transaction can no longer be recovered.
void PgAttendanceDb::LogWrite(Op op, std::span<const SqlParam> params) {
  if (log_.size() < kMaxLoggedWrites && !log_overflow_) {
    LoggedWrite& w = log_.emplace_back();
    w.op = op;
    w.count = static_cast<uint32_t>(params.size());  // at most kMaxParams
    for (uint32_t i = 0; i < w.count; ++i) {
      const SqlParam& p = params[i];
      if (p.is_int) {
        w.numbers |= 1u << i;
        w.bytes.append(reinterpret_cast<const char*>(&p.integer), sizeof p.integer);
      } else {
        const auto length = static_cast<uint32_t>(p.text.size());
        w.bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
        w.bytes.append(p.text);
      }
    }
  } else if (!log_overflow_) {
    log_overflow_ = true;
    log_.clear();
    log_.shrink_to_fit();
  }
}

Status PgAttendanceDb::WriteInTransaction(Op op, std::span<const SqlParam> params) {
  Status status;
  WriteTouchesAhead(op, params);
  Result<bool> copied = RouteDayWrite(op, params);
  if (!copied.ok()) status = copied.status();
  LogWrite(op, params);
  if (!status.ok() || *copied) {
    // Failed, or collected for COPY.
  } else if ((op == Op::kSaveDay || op == Op::kSaveDayKeepNumber) &&
             params.size() == static_cast<size_t>(db_internal::kDayColumns)) {
    // The same day twice in one statement is refused by the server: the first goes first.
    std::string key(params[0].text);
    key += '\t';
    key += params[1].text;
    if (days_op_ != op || day_keys_.count(key) > 0) status = SendDays();
    if (status.ok()) {
      days_op_ = op;
      day_keys_.insert(std::move(key));
      for (size_t i = 0; i < params.size(); ++i) {
        if (params[i].is_int) {
          AppendArrayNumber(days_[i], params[i].integer);
        } else {
          AppendArrayText(days_[i], params[i].text);
        }
      }
      if (static_cast<int>(day_keys_.size()) >= kDaysPerStatement) status = SendDays();
    }
  } else {
    status = Send(op, params);
  }
  if (!status.ok() && retryable_) status = Recover(status);
  return status;
}

Status PgAttendanceDb::ReadInTransaction(Op op, std::span<const SqlParam> params,
                                         RowVisitor* visitor) {
  // A read sees the writes before it. With writes on the way it goes behind them in the
  // pipeline, so the writes' answers and its rows come back in one round trip.
  Status status = FlushCopy();
  if (status.ok()) status = SendDays();
  if (status.ok() && pending_ > 0 && op != Op::kAllDays) {
    BindParams(params);
    if (!PQsendQueryPrepared(conn_, names_[static_cast<int>(op)].c_str(),
                             static_cast<int>(params.size()), values_.data(), lengths_.data(),
                             formats_.data(), 0)) {
      status = ErrorOf(db_internal::OpName(op), nullptr);
    } else {
      pending_ops_.push_back(op);
      ++pending_;
      status = Drain(visitor);
    }
  } else if (status.ok()) {
    status = Settle();
    if (status.ok()) status = RunOnce(op, params, visitor);
  }
  while (!status.ok() && retryable_ && retries_ < kRetries && !log_overflow_) {
    status = Recover(status);
    if (status.ok()) status = RunOnce(op, params, visitor);
  }
  return status;
}

Status PgAttendanceDb::Execute(Op op, std::span<const SqlParam> params, RowVisitor* visitor) {
  if (params.size() > kMaxParams) return Status::Invalid("troppi parametri");
  if (in_transaction_) {
    // A statement after a failed one would fail too: the commit reports the first error.
    if (!transaction_failure_.empty()) {
      return Status::DbError(std::string(db_internal::OpName(op)) + ": " + transaction_failure_);
    }
    Status status = db_internal::IsWrite(op) ? WriteInTransaction(op, params)
                                             : ReadInTransaction(op, params, visitor);
    if (!status.ok()) NoteFailure(status);
    return status;
  }
  Status status;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!in_transaction_) {
      status = EnsureConnected(db_internal::OpName(op));
      if (!status.ok()) return status;
    }
    status = RunOnce(op, params, visitor);
    // Every statement is a read, an upsert or a delete, so running it again after the
    // connection dropped cannot apply anything twice.
    if (status.ok() || PQstatus(conn_) == CONNECTION_OK) break;
  }
  if (!status.ok()) NoteFailure(status);
  return status;
}

Status PgAttendanceDb::StartTransaction(const char* begin) {
  if (in_transaction_) {
    return Status::Invalid("Begin: una transazione è già aperta (le transazioni non si annidano)");
  }
  if (Status s = EnsureConnected("Begin"); !s.ok()) return s;
  if (Status s = Exec(conn_, begin, "Begin"); !s.ok()) return s;
  in_transaction_ = true;
  transaction_failure_.clear();
  log_.clear();
  log_overflow_ = false;
  DropDays();
  DropAhead();
  DropCopy();
  pending_ = 0;
  pending_ops_.clear();
  retryable_ = false;
  retries_ = 0;
  return Status::Ok();
}

Status PgAttendanceDb::Begin() {
  snapshot_ = false;
  return StartTransaction("BEGIN");
}

Status PgAttendanceDb::BeginSnapshot() {
  snapshot_ = true;
  return StartTransaction("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
}

void PgAttendanceDb::DropDays() {
  days_op_ = Op::kCount;
  day_keys_.clear();
  for (std::string& column : days_) column.clear();
}

void PgAttendanceDb::EndTransaction() {
  in_transaction_ = false;
  DropDays();
  DropAhead();
  DropCopy();
  log_.clear();
  log_.shrink_to_fit();
}

Status PgAttendanceDb::Commit() {
  if (!in_transaction_) return Status::Invalid("Commit: nessuna transazione aperta");
  if (PQstatus(conn_) != CONNECTION_OK) {
    EndTransaction();
    copy_in_flight_ = false;
    return Status::DbError(
        "Commit: il collegamento al database delle presenze si è interrotto; la transazione è "
        "stata annullata");
  }
  Status status;
  for (;;) {
    if (transaction_failure_.empty()) {
      status = Settle();
      if (!status.ok()) NoteFailure(status);
    }
    if (!transaction_failure_.empty() || PQtransactionStatus(conn_) == PQTRANS_INERROR) {
      DropCopy();
      (void)Drain();
      (void)Exec(conn_, "ROLLBACK", "Rollback");
      const std::string failure = transaction_failure_;
      EndTransaction();
      return Status::DbError(
          "Commit: transazione annullata perché una sua operazione non è riuscita: " +
          (failure.empty() ? std::string("un'istruzione precedente non è riuscita") : failure));
    }
    PGresult* res = PQexec(conn_, "COMMIT");
    status = Status::Ok();
    if (PQresultStatus(res) != PGRES_COMMAND_OK) {
      status = ErrorOf("Commit", res);
    } else if (std::string_view(PQcmdStatus(res)) != "COMMIT") {
      status = Status::DbError("Commit: il server ha annullato la transazione");
    }
    PQclear(res);
    if (status.ok() || !retryable_ || retries_ >= kRetries || log_overflow_) break;
    // A serialization failure found at the commit: the whole transaction once more.
    status = Recover(status);
    if (!status.ok()) break;
  }
  if (!status.ok())
    status = Status::DbError(status.message() + "; la transazione è stata annullata");
  if (PQtransactionStatus(conn_) != PQTRANS_IDLE && PQstatus(conn_) == CONNECTION_OK) {
    (void)Exec(conn_, "ROLLBACK", "Rollback");
  }
  EndTransaction();
  return status;
}

Status PgAttendanceDb::Rollback() {
  if (!in_transaction_) return Status::Invalid("Rollback: nessuna transazione aperta");
  EndTransaction();
  // Without a connection the server has already dropped the transaction.
  if (PQstatus(conn_) != CONNECTION_OK) {
    copy_in_flight_ = false;
    return Status::Ok();
  }
  (void)Drain();
  return Exec(conn_, "ROLLBACK", "Rollback");
}

Result<bool> PgAttendanceDb::RouteDayWrite(Op op, std::span<const SqlParam> params) {
  const bool save = (op == Op::kSaveDay || op == Op::kSaveDayKeepNumber) &&
                    params.size() == static_cast<size_t>(db_internal::kDayColumns) &&
                    params[1].text.size() == 8;
  const bool month_delete =
      op == Op::kDeleteEmployeeRange && params.size() == 3 && params[1].text.size() == 6;
  if (op == Op::kDeleteAllDays || (op == Op::kDeleteEmployeeRange && !month_delete)) {
    if (Status s = FlushCopy(); !s.ok()) return s;
    fresh_months_.clear();
    return false;
  }
  if (!save && !month_delete && op != Op::kDeleteDay) return false;  // another table
  std::string month(params[0].text);
  month += '\t';
  month += params[1].text.substr(0, 6);
  if (!save) {
    // A delete: the copied days of its month must reach the server before it.
    if (copy_months_.count(month) > 0) {
      if (Status s = FlushCopy(); !s.ok()) return s;
    }
    if (!month_delete) return false;
    // The month is emptied just before the COPY of the days that follow.
    fresh_months_[month] = 0;
    for (size_t i = 0; i < deletes_.size(); ++i) AppendArrayText(deletes_[i], params[i].text);
    copy_months_.insert(std::move(month));
    return true;
  }
  const std::string_view period = params[1].text;
  const int day = (period[6] - '0') * 10 + (period[7] - '0');
  const auto fresh = fresh_months_.find(month);
  if (fresh == fresh_months_.end() || day < 1 || day > 31 || (fresh->second >> day & 1u) ||
      ((fresh->second & kReadMonth) != 0 && !Replayable())) {
    // The key may exist: a plain save, after the copied days of its month.
    if (copy_months_.count(month) > 0) {
      if (Status s = FlushCopy(); !s.ok()) return s;
    }
    return false;
  }
  fresh->second |= 1u << day;
  for (size_t i = 0; i < params.size(); ++i) {
    if (i > 0) copy_ += '\t';
    if (params[i].is_int) {
      copy_ += std::to_string(params[i].integer);
    } else {
      AppendCopyText(copy_, params[i].text);
    }
  }
  copy_ += '\n';
  ++copy_rows_;
  copy_months_.insert(std::move(month));
  if (copy_.size() >= (1u << 20)) {
    if (Status s = FlushCopy(); !s.ok()) return s;
  }
  return true;
}

Status PgAttendanceDb::FlushCopy() {
  if (copy_rows_ == 0 && deletes_[0].empty()) return Status::Ok();
  std::string data;
  data.swap(copy_);
  std::array<std::string, 3> deletes;
  deletes.swap(deletes_);
  copy_rows_ = 0;
  copy_months_.clear();
  // The statements sent before run first.
  if (Status s = Drain(); !s.ok()) return s;
  if (!deletes[0].empty()) {
    std::array<const char*, 3> values;
    for (size_t i = 0; i < deletes.size(); ++i) {
      deletes[i] += '}';
      values[i] = deletes[i].c_str();
    }
    PGresult* res =
        PQexecPrepared(conn_, "kaveltar_DeleteMonths", 3, values.data(), nullptr, nullptr, 0);
    Status s = PQresultStatus(res) == PGRES_COMMAND_OK ? Status::Ok()
                                                       : ErrorOf("DeleteEmployeeMonth", res);
    PQclear(res);
    if (!s.ok()) return s;
  }
  if (data.empty()) return Status::Ok();
  static const std::string kCopy = "COPY PRESENZE (" + DayColumns() + ") FROM STDIN";
  PGresult* res = PQexec(conn_, kCopy.c_str());
  if (PQresultStatus(res) != PGRES_COPY_IN) {
    Status s = ErrorOf("SaveDay", res);
    PQclear(res);
    while (PGresult* r = PQgetResult(conn_)) PQclear(r);
    return s;
  }
  PQclear(res);
  if (PQputCopyData(conn_, data.data(), static_cast<int>(data.size())) != 1) {
    Status s = ErrorOf("SaveDay", nullptr);
    (void)PQputCopyEnd(conn_, "copia interrotta");
    while (PGresult* r = PQgetResult(conn_)) PQclear(r);
    return s;
  }
  if (PQputCopyEnd(conn_, nullptr) != 1) {
    Status s = ErrorOf("SaveDay", nullptr);
    while (PGresult* r = PQgetResult(conn_)) PQclear(r);
    return s;
  }
  copy_in_flight_ = true;
  return Status::Ok();
}

Status PgAttendanceDb::AwaitCopy() {
  if (!copy_in_flight_) return Status::Ok();
  copy_in_flight_ = false;
  Status status;
  while (PGresult* r = PQgetResult(conn_)) {
    if (PQresultStatus(r) != PGRES_COMMAND_OK && status.ok()) {
      status = ErrorOf("SaveDay", r);
      // Another workstation stored one of these days after the delete or the read: the
      // transaction run again saves them as plain saves, which replace what it stored.
      const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
      if (state != nullptr && std::string_view(state) == "23505") retryable_ = true;
    }
    PQclear(r);
  }
  return status;
}

void PgAttendanceDb::ReadAhead(std::string_view company, std::string_view month) {
  if (company == ahead_company_ && month == ahead_month_) return;
  DropAhead();
  const bool usable =
      company.size() == 3 && month.size() == 6 &&
      std::all_of(company.begin(), company.end(), [](char c) { return c >= 0x20 && c <= 0x7e; }) &&
      std::all_of(month.begin(), month.end(), [](char c) { return c >= '0' && c <= '9'; });
  ahead_company_ = usable ? std::string(company) : std::string();
  ahead_month_ = usable ? std::string(month) : std::string();
}

Status PgAttendanceDb::FetchAhead(std::string_view employee) {
  DropAhead();
  const db_internal::PrefixRange company(ahead_company_);
  const db_internal::PrefixRange days(ahead_month_);
  const SqlParam params[] = {SqlParam::Text(employee), SqlParam::Text(company.high),
                             SqlParam::Text(days.low), SqlParam::Text(days.high),
                             SqlParam::Int(kAheadDays)};
  class Visitor final : public RowVisitor {
   public:
    explicit Visitor(std::map<std::string, std::vector<DayRow>, std::less<>>* rows) : rows_(rows) {}
    bool OnRow(const RowView& v) override {
      db_internal::ReadDay(v, &row_);
      auto it = rows_->find(row_.employee);
      if (it == rows_->end()) it = rows_->try_emplace(row_.employee).first;
      it->second.push_back(row_);
      ++count;
      return true;
    }
    int count = 0;

   private:
    std::map<std::string, std::vector<DayRow>, std::less<>>* rows_;
    DayRow row_;
  } visitor(&ahead_rows_);
  if (Status s = Run(Op::kMonthFromEmployee, params, &visitor); !s.ok()) {
    DropAhead();
    return s;
  }
  if (visitor.count < kAheadDays) {
    ahead_high_ = company.high;
  } else {
    // The last employee read (rows come in key order) may be cut short: he is read again
    // with the next window.
    const auto last = std::prev(ahead_rows_.end());
    ahead_high_ = last->first;
    ahead_rows_.erase(last);
  }
  ahead_low_.assign(employee);
  if (ahead_high_ <= ahead_low_) DropAhead();
  return Status::Ok();
}

Status PgAttendanceDb::EmployeeMonth(std::string_view employee, std::string_view month,
                                     std::vector<DayRow>* rows) {
  const bool ahead = in_transaction_ && !snapshot_ && transaction_failure_.empty() &&
                     !ahead_company_.empty() && month == ahead_month_ &&
                     employee.substr(0, 3) == ahead_company_;
  if (!ahead) {
    Status s = SqlAttendanceDb::EmployeeMonth(employee, month, rows);
    if (s.ok()) NoteMonthRead(employee, month, *rows);
    return s;
  }
  if (!AheadHolds(employee)) {
    const std::string key(employee);
    if (Status s = FetchAhead(key); !s.ok()) {
      rows->clear();
      return s;
    }
    if (!AheadHolds(key)) {
      Status s = SqlAttendanceDb::EmployeeMonth(employee, month, rows);
      if (s.ok()) NoteMonthRead(employee, month, *rows);
      return s;
    }
  }
  rows->clear();
  if (auto it = ahead_rows_.find(employee); it != ahead_rows_.end()) {
    rows->swap(it->second);
    ahead_rows_.erase(it);
  }
  // The smallest key after this employee's (keys hold no NUL).
  ahead_low_.assign(employee);
  ahead_low_ += '\x01';
  if (ahead_low_ >= ahead_high_) DropAhead();
  NoteMonthRead(employee, month, *rows);
  return Status::Ok();
}

void PgAttendanceDb::NoteMonthRead(std::string_view employee, std::string_view month,
                                   const std::vector<DayRow>& rows) {
  if (!in_transaction_ || snapshot_ || month.size() != 6 || !Replayable()) return;
  std::string key(employee);
  key += '\t';
  key += month;
  // A delete or an earlier read of the transaction knows better: it saw its own saves.
  if (fresh_months_.count(key) > 0) return;
  uint32_t found = kReadMonth;
  for (const DayRow& row : rows) {
    const std::string_view period = row.period;
    const bool digits = period.size() == 8 && period.substr(0, 6) == month &&
                        std::isdigit(static_cast<unsigned char>(period[6])) &&
                        std::isdigit(static_cast<unsigned char>(period[7]));
    const int day = digits ? (period[6] - '0') * 10 + (period[7] - '0') : 0;
    if (day < 1 || day > 31) return;  // a key out of the ordinary: plain saves only
    found |= 1u << day;
  }
  fresh_months_.emplace(std::move(key), found);
}

void PgAttendanceDb::WriteTouchesAhead(Op op, std::span<const SqlParam> params) {
  if (ahead_high_.empty()) return;
  switch (op) {
    case Op::kDeleteAllDays:
      DropAhead();
      break;
    case Op::kSaveDay:
    case Op::kSaveDayKeepNumber:
    case Op::kDeleteDay:
    case Op::kDeleteEmployeeRange:
      if (params.empty() || AheadHolds(params[0].text)) DropAhead();
      break;
    default:
      break;
  }
}

}  // namespace

Result<std::unique_ptr<AttendanceDb>> OpenPostgresDatabase(std::string_view conninfo) {
  return PgAttendanceDb::Open(conninfo);
}

namespace {

// The statements that create whatever is missing of the schema and record its version.
std::string SchemaScript() {
  std::string script;
  for (const std::string& s : db_internal::SchemaStatements(db_internal::Dialect::kPostgres)) {
    script += s + ";";
  }
  script += std::string(kVersionTable) + ";";
  script += "INSERT INTO KAVELTAR_SCHEMA (VERSIONE) SELECT " + std::to_string(kSchemaVersion) +
            " WHERE NOT EXISTS (SELECT 1 FROM KAVELTAR_SCHEMA);";
  return script;
}

// Lines collected and sent to the server in pieces of about 256 kB.
class CopyStream {
 public:
  CopyStream(PGconn* conn, std::string table) : conn_(conn), table_(std::move(table)) {}

  Status Start(const std::string& sql) {
    PGresult* res = PQexec(conn_, sql.c_str());
    const bool ok = PQresultStatus(res) == PGRES_COPY_IN;
    Status s = ok ? Status::Ok()
                  : Status::DbError(table_ + ": " + ServerMessage(PQresultErrorMessage(res)));
    PQclear(res);
    return s;
  }
  std::string& buffer() { return buffer_; }
  Status LineDone() {
    ++rows_;
    return buffer_.size() >= (1u << 18) ? Flush() : Status::Ok();
  }
  Status Finish() {
    if (Status s = Flush(); !s.ok()) return s;
    if (PQputCopyEnd(conn_, nullptr) != 1) return Failure();
    Status status;
    while (PGresult* res = PQgetResult(conn_)) {
      if (PQresultStatus(res) != PGRES_COMMAND_OK && status.ok()) {
        status = Status::DbError(table_ + ": " + ServerMessage(PQresultErrorMessage(res)));
      }
      PQclear(res);
    }
    return status;
  }
  int64_t rows() const { return rows_; }

 private:
  Status Flush() {
    if (buffer_.empty()) return Status::Ok();
    if (PQputCopyData(conn_, buffer_.data(), static_cast<int>(buffer_.size())) != 1) {
      return Failure();
    }
    buffer_.clear();
    return Status::Ok();
  }
  Status Failure() { return Status::DbError(table_ + ": " + ServerMessage(PQerrorMessage(conn_))); }

  PGconn* conn_;
  std::string table_;
  std::string buffer_;
  int64_t rows_ = 0;
};

// COPY of one of the three small tables: the key, then the numbered columns 1..columns.
template <typename Row>
Status CopyKeyed(PGconn* conn, const std::string& table, const std::string& columns,
                 const std::vector<Row>& rows,
                 const std::function<void(std::string&, const Row&)>& append,
                 std::vector<CopiedTable>* copied) {
  CopyStream copy(conn, table);
  if (Status s = copy.Start("COPY " + table + " (" + columns + ") FROM STDIN"); !s.ok()) return s;
  for (const Row& r : rows) {
    append(copy.buffer(), r);
    copy.buffer() += '\n';
    if (Status s = copy.LineDone(); !s.ok()) return s;
  }
  if (Status s = copy.Finish(); !s.ok()) return s;
  copied->push_back({table, copy.rows()});
  return Status::Ok();
}

// COPY of a table keyed by a code whose other columns are numbered from 1: `values` holds them
// at the same numbers (element 0 is unused).
template <typename Row, typename Values>
Status CopyNumbered(PGconn* conn, const std::string& table, const std::string& key,
                    const std::string& prefix, const std::vector<Row>& rows, Values Row::*values,
                    std::vector<CopiedTable>* copied) {
  constexpr size_t count = std::tuple_size_v<Values> - 1;
  std::string columns = key;
  for (size_t n = 1; n <= count; ++n) columns += ", " + prefix + std::to_string(n);
  return CopyKeyed<Row>(
      conn, table, columns, rows,
      [&](std::string& b, const Row& r) {
        AppendCopyText(b, r.code);
        for (size_t n = 1; n <= count; ++n) {
          b += '\t';
          AppendCopyText(b, (r.*values)[n]);
        }
      },
      copied);
}

// Creates the schema when missing and empties its tables, under a lock that makes a second
// set-up started at once wait; a database holding days is left alone unless `force`.
Status PrepareEmptyDatabase(PGconn* conn, bool force) {
  Result<int> version = SchemaVersion(conn);
  if (!version.ok()) return version.status();
  if (*version > kSchemaVersion) return Status::DbError(SchemaTooNewMessage(*version));
  if (Status s = Exec(conn, SchemaScript().c_str(), "CreatePostgresSchema"); !s.ok()) return s;
  // Two set-ups started at once: the second waits here and then finds the days.
  if (Status s = Exec(conn, "LOCK TABLE PRESENZE IN EXCLUSIVE MODE", "db init"); !s.ok()) return s;
  PGresult* res = PQexec(conn, "SELECT COUNT(*) FROM PRESENZE");
  if (PQresultStatus(res) != PGRES_TUPLES_OK) {
    Status s = Status::DbError("CountDays: " + ServerMessage(PQresultErrorMessage(res)));
    PQclear(res);
    return s;
  }
  const long long stored = std::atoll(PQgetvalue(res, 0, 0));
  PQclear(res);
  if (stored > 0 && !force) {
    return Status::Conflict("il database contiene già " + std::to_string(stored) +
                            " giorni di presenze: non viene modificato");
  }
  if (Status s = Exec(conn,
                      "DELETE FROM FESTIVITA; DELETE FROM GIUSTIFICATIVI; "
                      "DELETE FROM GRUPPI; DELETE FROM PRESENZE",
                      "db init");
      !s.ok()) {
    return s;
  }
  return Status::Ok();
}

// The three tables, copied whole from `source`.
Status CopyTables(PGconn* conn, AttendanceDb& source, std::vector<CopiedTable>* copied) {
  std::vector<HolidayRow> holidays;
  if (Status s = source.ListHolidays(&holidays); !s.ok()) return s;
  if (Status s = CopyKeyed<HolidayRow>(
          conn, "FESTIVITA", "KDATAF, FEST_1", holidays,
          [](std::string& b, const HolidayRow& r) {
            AppendCopyText(b, r.day);
            b += '\t';
            AppendCopyText(b, r.description);
          },
          copied);
      !s.ok()) {
    return s;
  }
  std::vector<JustificationRow> justifications;
  if (Status s = source.ListJustifications(&justifications); !s.ok()) return s;
  if (Status s = CopyNumbered(conn, "GIUSTIFICATIVI", "KGIUS", "GIUS_", justifications,
                              &JustificationRow::gius, copied);
      !s.ok()) {
    return s;
  }
  std::vector<GroupRow> groups;
  if (Status s = source.ListGroups(&groups); !s.ok()) return s;
  if (Status s = CopyNumbered(conn, "GRUPPI", "KGRUPPO", "GRUP_", groups, &GroupRow::grup, copied);
      !s.ok()) {
    return s;
  }
  return Status::Ok();
}

// The days, streamed from `source` in one COPY.
Status CopyDays(PGconn* conn, AttendanceDb& source, std::vector<CopiedTable>* copied) {
  CopyStream days(conn, "PRESENZE");
  if (Status s = days.Start("COPY PRESENZE (" + DayColumns() + ") FROM STDIN"); !s.ok()) return s;
  Status sent;
  Status read = source.ForEachDay([&](const DayRow& row) {
    AppendDayLine(days.buffer(), row);
    sent = days.LineDone();
    return sent.ok();
  });
  if (read.ok() && !sent.ok()) read = sent;
  if (!read.ok()) {
    // The server must hear the end of the copy before the transaction can be rolled back.
    PQputCopyEnd(conn, "copia interrotta");
    while (PGresult* r = PQgetResult(conn)) PQclear(r);
    return read;
  }
  if (Status s = days.Finish(); !s.ok()) return s;
  copied->push_back({"PRESENZE", days.rows()});
  return Status::Ok();
}

// Everything InitPostgresDatabase does inside its transaction.
Status FillDatabase(PGconn* conn, AttendanceDb& source, bool force,
                    std::vector<CopiedTable>* copied) {
  if (Status s = PrepareEmptyDatabase(conn, force); !s.ok()) return s;
  if (Status s = CopyTables(conn, source, copied); !s.ok()) return s;
  return CopyDays(conn, source, copied);
}

}  // namespace

Status CreatePostgresSchema(std::string_view conninfo) {
  Result<PGconn*> conn = Connect(conninfo);
  if (!conn.ok()) return conn.status();
  Status status;
  Result<int> version = SchemaVersion(*conn);
  if (!version.ok()) {
    status = version.status();
  } else if (*version > kSchemaVersion) {
    status = Status::DbError(SchemaTooNewMessage(*version));
  } else {
    status = Exec(*conn, ("BEGIN;" + SchemaScript() + "COMMIT;").c_str(), "CreatePostgresSchema");
  }
  PQfinish(*conn);
  return status;
}

Result<std::vector<CopiedTable>> InitPostgresDatabase(std::string_view conninfo,
                                                      AttendanceDb& source, bool force) {
  Result<PGconn*> conn = Connect(conninfo);
  if (!conn.ok()) return conn.status();
  std::vector<CopiedTable> copied;
  Status status = Exec(*conn, "BEGIN", "Begin");
  if (status.ok()) status = FillDatabase(*conn, source, force, &copied);
  if (status.ok()) {
    PGresult* res = PQexec(*conn, "COMMIT");
    if (PQresultStatus(res) != PGRES_COMMAND_OK || std::string_view(PQcmdStatus(res)) != "COMMIT") {
      status = Status::DbError("Commit: " + ServerMessage(PQresultErrorMessage(res)));
    }
    PQclear(res);
  } else {
    (void)Exec(*conn, "ROLLBACK", "Rollback");
  }
  PQfinish(*conn);
  if (!status.ok()) return status;
  return copied;
}

// The lines wait in a temporary file (the memory stays flat however many rows come) and go
// to the server in Finish.
struct PostgresDayCopy::Impl {
  PGconn* conn = nullptr;
  std::string table;
  std::FILE* file = nullptr;
  std::string lines;  // not written to the file yet

  Status Spill() {
    if (!lines.empty() && std::fwrite(lines.data(), 1, lines.size(), file) != lines.size()) {
      return Status::DbError(table + ": impossibile scrivere il file temporaneo");
    }
    lines.clear();
    return Status::Ok();
  }
};

PostgresDayCopy::PostgresDayCopy() : impl_(std::make_unique<Impl>()) {}

PostgresDayCopy::~PostgresDayCopy() {
  if (impl_->file != nullptr) std::fclose(impl_->file);
  if (impl_->conn != nullptr) PQfinish(impl_->conn);
}

Status PostgresDayCopy::Start(std::string_view conninfo, std::string_view table) {
  Result<PGconn*> conn = Connect(conninfo);
  if (!conn.ok()) return conn.status();
  impl_->conn = *conn;
  impl_->table.assign(table);
  impl_->file = std::tmpfile();
  if (impl_->file == nullptr) return Status::DbError(impl_->table + ": manca il file temporaneo");
  return Exec(impl_->conn, "BEGIN", "Begin");
}

Status PostgresDayCopy::Add(const std::vector<DayRow>& rows) {
  for (const DayRow& row : rows) AppendDayLine(impl_->lines, row);
  return impl_->lines.size() >= (1u << 18) ? impl_->Spill() : Status::Ok();
}

Status PostgresDayCopy::Finish() {
  if (Status s = impl_->Spill(); !s.ok()) return s;
  std::rewind(impl_->file);
  CopyStream stream(impl_->conn, impl_->table);
  if (Status s = stream.Start("COPY " + impl_->table + " (" + DayColumns() + ") FROM STDIN");
      !s.ok()) {
    return s;
  }
  std::string& buffer = stream.buffer();
  for (;;) {
    const size_t old = buffer.size();
    buffer.resize(old + (1u << 18));
    const size_t got = std::fread(buffer.data() + old, 1, 1u << 18, impl_->file);
    buffer.resize(old + got);
    if (got == 0) break;
    if (Status s = stream.LineDone(); !s.ok()) return s;
  }
  if (Status s = stream.Finish(); !s.ok()) return s;
  return Exec(impl_->conn, "COMMIT", "Commit");
}

Status PostgresExecute(std::string_view conninfo, std::string_view sql) {
  Result<PGconn*> conn = Connect(conninfo);
  if (!conn.ok()) return conn.status();
  const std::string text(sql);
  Status status = Exec(*conn, text.c_str(), "Execute");
  PQfinish(*conn);
  return status;
}

}  // namespace kaveltar
