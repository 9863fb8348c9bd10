// The PostgreSQL engine. Every statement is prepared once per connection (PQprepare) and run
// with PQexecPrepared. Text parameters travel in binary format, which for text is the bytes
// themselves with a length: no copy, no terminating NUL needed. Numbers travel as decimal
// text; results come back as text.
#include "db/postgres_db.h"

#include <libpq-fe.h>

#include <array>
#include <charconv>
#include <string>

#include "db/sql_backend.h"

namespace kaveltar {
namespace {

using db_internal::Op;
using db_internal::RowView;
using db_internal::RowVisitor;
using db_internal::SqlParam;

constexpr int kMaxParams = 32;

// The server's message without its trailing newline.
std::string ServerMessage(const char* text) {
  std::string s = text ? text : "";
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s.empty() ? "unknown error" : s;
}

// Connects with client encoding UTF8 (kept across PQreset) and without notices on stderr.
Result<PGconn*> Connect(std::string_view conninfo) {
  const std::string info(conninfo);
  const char* keys[] = {"dbname", "client_encoding", "fallback_application_name", nullptr};
  const char* values[] = {info.c_str(), "UTF8", "kaveltar", nullptr};
  PGconn* conn = PQconnectdbParams(keys, values, /*expand_dbname=*/1);
  if (conn == nullptr) return Status::DbError("cannot connect to the attendance database");
  if (PQstatus(conn) != CONNECTION_OK) {
    Status s = Status::DbError("cannot connect to the attendance database: " +
                               ServerMessage(PQerrorMessage(conn)));
    PQfinish(conn);
    return s;
  }
  PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
  return conn;
}

// Runs a statement without parameters; returns the error, if any.
Status Exec(PGconn* conn, const char* sql, std::string_view operation) {
  PGresult* res = PQexec(conn, sql);
  const ExecStatusType st = PQresultStatus(res);
  Status status;
  if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
    status = Status::DbError(std::string(operation) + ": " +
                             ServerMessage(res ? PQresultErrorMessage(res)
                                               : PQerrorMessage(conn)));
  }
  PQclear(res);
  return status;
}

class PgRow final : public RowView {
 public:
  PgRow(const PGresult* res, int row) : res_(res), row_(row) {}
  std::string_view Text(int column) const override {
    if (PQgetisnull(res_, row_, column)) return {};
    return {PQgetvalue(res_, row_, column),
            static_cast<size_t>(PQgetlength(res_, row_, column))};
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
  Status Commit() override;
  Status Rollback() override;

 protected:
  Status Execute(Op op, std::span<const SqlParam> params, RowVisitor* visitor) override;

 private:
  explicit PgAttendanceDb(PGconn* conn) : conn_(conn) {}
  Status PrepareAll();
  // Re-establishes a lost connection and its prepared statements.
  Status EnsureConnected(std::string_view operation);
  Status RunOnce(Op op, std::span<const SqlParam> params, RowVisitor* visitor);

  PGconn* conn_;
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
    std::string msg = ok ? "" : ServerMessage(res ? PQresultErrorMessage(res)
                                                  : PQerrorMessage(conn_));
    PQclear(res);
    if (!ok) {
      return Status::DbError("the attendance database cannot be used (" +
                             std::string(db_internal::OpName(op)) + "): " + msg);
    }
  }
  return Status::Ok();
}

Status PgAttendanceDb::EnsureConnected(std::string_view operation) {
  if (PQstatus(conn_) == CONNECTION_OK) return Status::Ok();
  PQreset(conn_);
  if (PQstatus(conn_) != CONNECTION_OK) {
    return Status::DbError(std::string(operation) + ": the connection to the attendance "
                           "database is lost: " + ServerMessage(PQerrorMessage(conn_)));
  }
  PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
  return PrepareAll();
}

Status PgAttendanceDb::RunOnce(Op op, std::span<const SqlParam> params, RowVisitor* visitor) {
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
  PGresult* res = PQexecPrepared(conn_, names_[static_cast<int>(op)].c_str(), n,
                                 values_.data(), lengths_.data(), formats_.data(),
                                 /*resultFormat=*/0);
  const ExecStatusType st = PQresultStatus(res);
  Status status;
  if (st == PGRES_TUPLES_OK) {
    const int rows = PQntuples(res);
    for (int r = 0; r < rows && visitor != nullptr; ++r) {
      if (!visitor->OnRow(PgRow(res, r))) break;
    }
  } else if (st != PGRES_COMMAND_OK) {
    status = Status::DbError(std::string(db_internal::OpName(op)) + ": " +
                             ServerMessage(res ? PQresultErrorMessage(res)
                                               : PQerrorMessage(conn_)));
  }
  PQclear(res);
  return status;
}

Status PgAttendanceDb::Execute(Op op, std::span<const SqlParam> params, RowVisitor* visitor) {
  if (params.size() > kMaxParams) return Status::Invalid("too many parameters");
  Status status;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!in_transaction_) {
      status = EnsureConnected(db_internal::OpName(op));
      if (!status.ok()) return status;
    }
    status = RunOnce(op, params, visitor);
    // Every statement is a read, an upsert or a delete, so running it again after the
    // connection dropped cannot apply anything twice.
    if (status.ok() || in_transaction_ || PQstatus(conn_) == CONNECTION_OK) break;
  }
  if (!status.ok()) NoteFailure(status);
  return status;
}

Status PgAttendanceDb::Begin() {
  if (in_transaction_) {
    return Status::Invalid("Begin: a transaction is already open; transactions do not nest");
  }
  if (Status s = EnsureConnected("Begin"); !s.ok()) return s;
  if (Status s = Exec(conn_, "BEGIN", "Begin"); !s.ok()) return s;
  in_transaction_ = true;
  transaction_failure_.clear();
  return Status::Ok();
}

Status PgAttendanceDb::Commit() {
  if (!in_transaction_) return Status::Invalid("Commit: no transaction is open");
  in_transaction_ = false;
  if (PQstatus(conn_) != CONNECTION_OK) {
    return Status::DbError("Commit: the connection to the attendance database was lost; the "
                           "transaction was rolled back");
  }
  if (!transaction_failure_.empty() || PQtransactionStatus(conn_) == PQTRANS_INERROR) {
    (void)Exec(conn_, "ROLLBACK", "Rollback");
    return Status::DbError("Commit: the transaction was rolled back because an operation in "
                           "it failed: " + (transaction_failure_.empty() ? std::string("an earlier statement failed")
                                                                         : transaction_failure_));
  }
  PGresult* res = PQexec(conn_, "COMMIT");
  Status status;
  if (PQresultStatus(res) != PGRES_COMMAND_OK) {
    status = Status::DbError("Commit: " + ServerMessage(res ? PQresultErrorMessage(res)
                                                            : PQerrorMessage(conn_)) +
                             "; the transaction was rolled back");
  } else if (std::string_view(PQcmdStatus(res)) != "COMMIT") {
    status = Status::DbError("Commit: the server rolled the transaction back");
  }
  PQclear(res);
  if (PQtransactionStatus(conn_) != PQTRANS_IDLE && PQstatus(conn_) == CONNECTION_OK) {
    (void)Exec(conn_, "ROLLBACK", "Rollback");
  }
  return status;
}

Status PgAttendanceDb::Rollback() {
  if (!in_transaction_) return Status::Invalid("Rollback: no transaction is open");
  in_transaction_ = false;
  // Without a connection the server has already dropped the transaction.
  if (PQstatus(conn_) != CONNECTION_OK) return Status::Ok();
  return Exec(conn_, "ROLLBACK", "Rollback");
}

}  // namespace

Result<std::unique_ptr<AttendanceDb>> OpenPostgresDatabase(std::string_view conninfo) {
  return PgAttendanceDb::Open(conninfo);
}

Status CreatePostgresSchema(std::string_view conninfo) {
  Result<PGconn*> conn = Connect(conninfo);
  if (!conn.ok()) return conn.status();
  std::string script = "BEGIN;";
  for (const std::string& s : db_internal::SchemaStatements(db_internal::Dialect::kPostgres)) {
    script += s + ";";
  }
  script += "COMMIT;";
  Status status = Exec(*conn, script.c_str(), "CreatePostgresSchema");
  PQfinish(*conn);
  return status;
}

}  // namespace kaveltar
