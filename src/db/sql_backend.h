// The part of the attendance database that both engines share: the schema, the statement
// texts, the key ranges that replace the old MID/LEFT queries, the checks on arguments, and
// SqlAttendanceDb, which implements every AttendanceDb operation on top of one primitive,
// Execute(operation, parameters, row visitor). An engine supplies Execute and the
// transaction calls; it prepares each statement once and reuses it for every call.
//
// Internal to src/db: other layers include attendance_db.h or postgres_db.h only.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/attendance_db.h"

namespace kaveltar::db_internal {

// Every statement the database runs. The texts are in StatementText().
enum class Op {
  kFindDay,
  kSaveDay,
  kDeleteDay,
  kEmployeeMonth,       // one employee, a KPERIODO range
  kEmployeeYear,        // the same statement, named for the year query's errors
  kCompanyMonth,        // a KDIPENDENTE range and a KPERIODO range
  kJustificationInUse,  // any of the ten slot code columns
  kGroupInUse,          // PRES_1
  kDeleteEmployeeRange,
  kFindHoliday,
  kSaveHoliday,
  kDeleteHoliday,
  kListHolidays,
  kFindJustification,
  kSaveJustification,
  kDeleteJustification,
  kListJustifications,
  kFindGroup,
  kSaveGroup,
  kDeleteGroup,
  kListGroups,
  kCountDays,
  kDeleteAllDays,
  kSaveDayKeepNumber,       // kSaveDay that leaves PROTOCOLLO of an existing row alone
  kCompanyHours,            // a KDIPENDENTE range and a KPERIODO range; the summaries' columns
  kCompanyMonthByEmployee,  // as kCompanyMonth, in key order (no sort), read row by row
  kAllDays,                 // every row, in key order, read row by row
  kMonthFromEmployee,       // a company-month from one employee on, in key order, at most $5 rows
  kCount
};
inline constexpr int kOpCount = static_cast<int>(Op::kCount);

// The operation's name as it appears in error messages ("SaveDay", "ListGroups", ...).
std::string_view OpName(Op op);

enum class Dialect { kSqlite, kPostgres };

// The statement text with numbered parameters: "?1" for SQLite, "$1" for PostgreSQL.
std::string StatementText(Op op, Dialect dialect);

// A plain INSERT of one PRESENZE row, with the parameters of kSaveDay ("?1" numbering). For
// a day known to be absent, where the insert-or-update would search for it first.
std::string DayInsertText();

// CREATE TABLE statements for the four tables. PostgreSQL's use IF NOT EXISTS and the "C"
// collation on the key columns, so that key order and key ranges are byte order as in SQLite.
std::vector<std::string> SchemaStatements(Dialect dialect);

// True for the statements that change rows (saves and deletes), false for reads.
bool IsWrite(Op op);

// Names of the four tables, in the order the program opens them.
inline constexpr std::string_view kTableNames[] = {"PRESENZE", "GRUPPI", "GIUSTIFICATIVI",
                                                   "FESTIVITA"};

// Columns of PRESENZE in the order of every SELECT and of the SaveDay parameters:
// KDIPENDENTE, KPERIODO, PRES_0, PRES_1 .. PRES_23, PROTOCOLLO.
inline constexpr int kDayColumns = 27;
inline constexpr int kDayPres0Column = 2;
inline constexpr int kDayProtocolloColumn = 26;

// A bound parameter: a text or a whole number. A text is a view; the caller keeps the bytes
// alive until Execute returns.
struct SqlParam {
  static SqlParam Text(std::string_view s) { return SqlParam{false, s, 0}; }
  static SqlParam Int(int64_t n) { return SqlParam{true, {}, n}; }
  bool is_int = false;
  std::string_view text;
  int64_t integer = 0;
};

// One result row as the engine holds it; valid only inside RowVisitor::OnRow. A NULL reads as
// the empty text or 0.
class RowView {
 public:
  virtual std::string_view Text(int column) const = 0;
  virtual int64_t Int(int column) const = 0;

 protected:
  ~RowView() = default;
};

class RowVisitor {
 public:
  // Returns false to stop reading further rows.
  virtual bool OnRow(const RowView& row) = 0;

 protected:
  ~RowVisitor() = default;
};

// Reads one PRESENZE row, in the column order of every SELECT, into `row`, reusing its
// strings' storage.
void ReadDay(const RowView& v, DayRow* row);

// The half-open range [low, high) of the texts that begin with `prefix`: high is the prefix
// with its last byte increased. The prefix must be printable ASCII, so high stays valid UTF-8.
struct PrefixRange {
  explicit PrefixRange(std::string_view prefix);
  std::string low;
  std::string high;
};

// AttendanceDb on top of Execute. The engine classes derive from it.
class SqlAttendanceDb : public AttendanceDb {
 public:
  Result<std::optional<DayRow>> FindDay(std::string_view employee,
                                        std::string_view period) override;
  Status SaveDay(const DayRow& row) override;
  Status SaveDayKeepNumber(const DayRow& row) override;
  Status DeleteDay(std::string_view employee, std::string_view period) override;
  Status EmployeeMonth(std::string_view employee, std::string_view month,
                       std::vector<DayRow>* rows) override;
  Status EmployeeYear(std::string_view employee, std::string_view year,
                      std::vector<DayRow>* rows) override;
  Status CompanyMonth(std::string_view company, std::string_view month,
                      std::vector<DayRow>* rows) override;
  Status ForEachCompanyMonthDay(std::string_view company, std::string_view month,
                                const std::function<bool(const DayRow&)>& visit) override;
  Result<bool> JustificationInUse(std::string_view code) override;
  Result<bool> GroupInUse(std::string_view code) override;
  Status DeleteEmployeeMonth(std::string_view employee, std::string_view month) override;
  Result<int64_t> CountDays() override;
  Status DeleteAllDays() override;

  Result<std::optional<HolidayRow>> FindHoliday(std::string_view day) override;
  Status SaveHoliday(const HolidayRow& row) override;
  Status DeleteHoliday(std::string_view day) override;
  Status ListHolidays(std::vector<HolidayRow>* rows) override;

  Result<std::optional<JustificationRow>> FindJustification(std::string_view code) override;
  Status SaveJustification(const JustificationRow& row) override;
  Status DeleteJustification(std::string_view code) override;
  Status ListJustifications(std::vector<JustificationRow>* rows) override;

  Result<std::optional<GroupRow>> FindGroup(std::string_view code) override;
  Status SaveGroup(const GroupRow& row) override;
  Status DeleteGroup(std::string_view code) override;
  Status ListGroups(std::vector<GroupRow>* rows) override;
  Status CompanyHours(std::string_view company, std::string_view period,
                      const std::function<void(const DayHoursView&)>& visit) override;
  Status ForEachDay(const std::function<bool(const DayRow&)>& visit) override;

 protected:
  // Runs one prepared statement with its parameters and passes each result row to the
  // visitor (which may be null for statements without rows). On failure returns DbError
  // naming the operation; the engine also calls NoteFailure() so that a transaction in which
  // a statement failed is never committed.
  virtual Status Execute(Op op, std::span<const SqlParam> params, RowVisitor* visitor) = 0;

  // Checks that every text parameter is UTF-8 without NUL characters (what both engines can
  // store and give back unchanged), then calls Execute. Failing the check is kInvalid.
  Status Run(Op op, std::span<const SqlParam> params, RowVisitor* visitor);

  // Transaction bookkeeping shared by the engines.
  bool in_transaction_ = false;
  // The first error met inside the open transaction, empty when none.
  std::string transaction_failure_;
  void NoteFailure(const Status& status) {
    if (in_transaction_ && transaction_failure_.empty()) transaction_failure_ = status.message();
  }

 private:
  Status DayRange(Op op, std::span<const SqlParam> params, std::vector<DayRow>* rows);
  Status SaveDayAs(Op op, const DayRow& row);
  template <typename Row>
  Result<std::optional<Row>> FindKeyed(Op op, std::string_view key);
  template <typename Row>
  Status SaveKeyed(Op op, const Row& row);
  template <typename Row>
  Status ListKeyed(Op op, std::vector<Row>* rows);
  Result<bool> Exists(Op op, std::string_view code);
};

}  // namespace kaveltar::db_internal
