#include "db/sql_backend.h"

#include <array>
#include <string>

#include "base/text.h"

namespace kaveltar::db_internal {
namespace {

// The three small tables share one shape: a text key and numbered text columns.
struct KeyedTable {
  std::string_view name;
  std::string_view key;
  std::string_view prefix;  // column prefix, numbered from 1
  int columns;              // numbered columns
};
constexpr KeyedTable kHolidays{"FESTIVITA", "KDATAF", "FEST_", 1};
constexpr KeyedTable kJustifications{"GIUSTIFICATIVI", "KGIUS", "GIUS_", 18};
constexpr KeyedTable kGroups{"GRUPPI", "KGRUPPO", "GRUP_", 8};

// Field access for the keyed rows: field 0 is the key, field n the column prefix + n.
template <typename Row>
struct Fields;
template <>
struct Fields<HolidayRow> {
  static constexpr int kCount = 2;
  static std::string& At(HolidayRow& r, int i) { return i == 0 ? r.day : r.description; }
  static const std::string& At(const HolidayRow& r, int i) {
    return i == 0 ? r.day : r.description;
  }
};
template <>
struct Fields<JustificationRow> {
  static constexpr int kCount = 19;
  static std::string& At(JustificationRow& r, int i) { return i == 0 ? r.code : r.gius[i]; }
  static const std::string& At(const JustificationRow& r, int i) {
    return i == 0 ? r.code : r.gius[i];
  }
};
template <>
struct Fields<GroupRow> {
  static constexpr int kCount = 9;
  static std::string& At(GroupRow& r, int i) { return i == 0 ? r.code : r.grup[i]; }
  static const std::string& At(const GroupRow& r, int i) { return i == 0 ? r.code : r.grup[i]; }
};

std::string Numbered(std::string_view prefix, int n) {
  std::string s(prefix);
  s += std::to_string(n);
  return s;
}

std::vector<std::string> DayColumnNames() {
  std::vector<std::string> names = {"KDIPENDENTE", "KPERIODO"};
  for (int n = 0; n <= 23; ++n) names.push_back(Numbered("PRES_", n));
  names.push_back("PROTOCOLLO");
  return names;
}

std::vector<std::string> KeyedColumnNames(const KeyedTable& t) {
  std::vector<std::string> names = {std::string(t.key)};
  for (int n = 1; n <= t.columns; ++n) names.push_back(Numbered(t.prefix, n));
  return names;
}

std::string Join(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) {
    if (!s.empty()) s += ", ";
    s += n;
  }
  return s;
}

std::string Placeholders(size_t count) {
  std::string s;
  for (size_t i = 1; i <= count; ++i) {
    if (i > 1) s += ", ";
    s += "?" + std::to_string(i);
  }
  return s;
}

// INSERT, or UPDATE of every non-key column when the key exists (but `kept`, when named).
std::string Upsert(std::string_view table, const std::vector<std::string>& names,
                   size_t key_columns, std::string_view kept = {}) {
  std::string keys;
  for (size_t i = 0; i < key_columns; ++i) keys += (i ? ", " : "") + names[i];
  std::string s = "INSERT INTO " + std::string(table) + " (" + Join(names) + ") VALUES (" +
                  Placeholders(names.size()) + ") ON CONFLICT (" + keys + ") DO UPDATE SET ";
  bool first = true;
  for (size_t i = key_columns; i < names.size(); ++i) {
    if (names[i] == kept) continue;
    if (!first) s += ", ";
    first = false;
    s += names[i] + " = excluded." + names[i];
  }
  return s;
}

std::string KeyedText(const KeyedTable& t, int kind) {
  const std::vector<std::string> names = KeyedColumnNames(t);
  const std::string table(t.name);
  const std::string key(t.key);
  switch (kind) {
    case 0:
      return "SELECT " + Join(names) + " FROM " + table + " WHERE " + key + " = ?1";
    case 1:
      return Upsert(table, names, 1);
    case 2:
      return "DELETE FROM " + table + " WHERE " + key + " = ?1";
    default:
      return "SELECT " + Join(names) + " FROM " + table + " ORDER BY " + key;
  }
}

std::string SqliteText(Op op) {
  const std::vector<std::string> day = DayColumnNames();
  const std::string select_day = "SELECT " + Join(day) + " FROM PRESENZE WHERE ";
  switch (op) {
    case Op::kFindDay:
      return select_day + "KDIPENDENTE = ?1 AND KPERIODO = ?2";
    case Op::kSaveDay:
      return Upsert("PRESENZE", day, 2);
    case Op::kSaveDayKeepNumber:
      return Upsert("PRESENZE", day, 2, "PROTOCOLLO");
    case Op::kDeleteDay:
      return "DELETE FROM PRESENZE WHERE KDIPENDENTE = ?1 AND KPERIODO = ?2";
    case Op::kEmployeeMonth:
    case Op::kEmployeeYear:
      return select_day + "KDIPENDENTE = ?1 AND KPERIODO >= ?2 AND KPERIODO < ?3 ORDER BY KPERIODO";
    case Op::kCompanyMonthByEmployee:
      return select_day +
             "KDIPENDENTE >= ?1 AND KDIPENDENTE < ?2 AND KPERIODO >= ?3 AND KPERIODO < ?4 "
             "ORDER BY KDIPENDENTE, KPERIODO";
    case Op::kCompanyMonth:
      return select_day +
             "KDIPENDENTE >= ?1 AND KDIPENDENTE < ?2 AND KPERIODO >= ?3 AND KPERIODO < ?4 "
             "ORDER BY KPERIODO, KDIPENDENTE";
    case Op::kJustificationInUse: {
      std::string s = "SELECT 1 FROM PRESENZE WHERE ";
      for (int slot = 1; slot <= 10; ++slot) {
        if (slot > 1) s += " OR ";
        s += Numbered("PRES_", 2 + 2 * slot) + " = ?1";
      }
      return s + " LIMIT 1";
    }
    case Op::kGroupInUse:
      return "SELECT 1 FROM PRESENZE WHERE PRES_1 = ?1 LIMIT 1";
    case Op::kDeleteEmployeeRange:
      return "DELETE FROM PRESENZE WHERE KDIPENDENTE = ?1 AND KPERIODO >= ?2 AND KPERIODO < ?3";
    case Op::kFindHoliday:
    case Op::kSaveHoliday:
    case Op::kDeleteHoliday:
    case Op::kListHolidays:
      return KeyedText(kHolidays, static_cast<int>(op) - static_cast<int>(Op::kFindHoliday));
    case Op::kFindJustification:
    case Op::kSaveJustification:
    case Op::kDeleteJustification:
    case Op::kListJustifications:
      return KeyedText(kJustifications,
                       static_cast<int>(op) - static_cast<int>(Op::kFindJustification));
    case Op::kFindGroup:
    case Op::kSaveGroup:
    case Op::kDeleteGroup:
    case Op::kListGroups:
      return KeyedText(kGroups, static_cast<int>(op) - static_cast<int>(Op::kFindGroup));
    case Op::kCountDays:
      return "SELECT COUNT(*) FROM PRESENZE";
    case Op::kDeleteAllDays:
      return "DELETE FROM PRESENZE";
    case Op::kCompanyHours:
      return "SELECT KDIPENDENTE, PRES_3, PRES_4, PRES_5, PRES_6, PRES_7, PRES_8, PRES_9, PRES_10, "
             "PRES_11, PRES_12, PRES_13 FROM PRESENZE WHERE KDIPENDENTE >= ?1 AND KDIPENDENTE < ?2 "
             "AND KPERIODO >= ?3 AND KPERIODO < ?4 ORDER BY KDIPENDENTE, KPERIODO";
    case Op::kAllDays:
      return "SELECT " + Join(day) + " FROM PRESENZE ORDER BY KDIPENDENTE, KPERIODO";
    case Op::kMonthFromEmployee:
      return select_day +
             "KDIPENDENTE >= ?1 AND KDIPENDENTE < ?2 AND KPERIODO >= ?3 AND KPERIODO < ?4 "
             "ORDER BY KDIPENDENTE, KPERIODO LIMIT ?5";
    case Op::kCount:
      break;
  }
  return {};
}

bool IsPrintableAscii(std::string_view s) {
  for (char c : s) {
    if (c < 0x20 || c > 0x7e) return false;
  }
  return true;
}

// A company code is the first three printable characters of an employee key.
Status CheckCompany(std::string_view caller, std::string_view company) {
  if (company.size() == 3 && IsPrintableAscii(company)) return Status::Ok();
  return Status::Invalid(std::string(caller) + ": il codice ditta deve avere 3 caratteri, non '" +
                         std::string(company) + "'");
}

Status CheckMonth(Op op, std::string_view month) {
  if (month.size() == 6 && IsDigits(month)) return Status::Ok();
  return Status::Invalid(std::string(OpName(op)) + ": il mese deve essere AAAAMM, non '" +
                         std::string(month) + "'");
}

}  // namespace

void ReadDay(const RowView& v, DayRow* row) {
  row->employee.assign(v.Text(0));
  row->period.assign(v.Text(1));
  row->pres0 = static_cast<long>(v.Int(kDayPres0Column));
  row->pres[0].clear();
  for (int n = 1; n <= 23; ++n) row->pres[n].assign(v.Text(kDayPres0Column + n));
  row->protocollo = static_cast<long>(v.Int(kDayProtocolloColumn));
}

namespace {

// Collects rows into a vector, reusing the elements (and their strings) it already holds.
template <typename Row, void (*Read)(const RowView&, Row*)>
class Collector final : public RowVisitor {
 public:
  explicit Collector(std::vector<Row>* rows) : rows_(rows) {}
  bool OnRow(const RowView& v) override {
    if (count_ == rows_->size()) rows_->emplace_back();
    Read(v, &(*rows_)[count_]);
    ++count_;
    return true;
  }
  void Finish(bool ok) { rows_->resize(ok ? count_ : 0); }

 private:
  std::vector<Row>* rows_;
  size_t count_ = 0;
};

template <typename Row>
void ReadKeyed(const RowView& v, Row* row) {
  for (int i = 0; i < Fields<Row>::kCount; ++i) Fields<Row>::At(*row, i).assign(v.Text(i));
}

// Takes the first row only.
template <typename Row, void (*Read)(const RowView&, Row*)>
class FirstRow final : public RowVisitor {
 public:
  bool OnRow(const RowView& v) override {
    row.emplace();
    Read(v, &*row);
    return false;
  }
  std::optional<Row> row;
};

// Hands each day to `visit`, one row held at a time, its strings reused from row to row.
class DayVisitor final : public RowVisitor {
 public:
  explicit DayVisitor(const std::function<bool(const DayRow&)>& visit) : visit_(visit) {}
  bool OnRow(const RowView& v) override {
    ReadDay(v, &row_);
    return visit_(row_);
  }

 private:
  const std::function<bool(const DayRow&)>& visit_;
  DayRow row_;
};

class AnyRow final : public RowVisitor {
 public:
  bool OnRow(const RowView&) override {
    found = true;
    return false;
  }
  bool found = false;
};

// True when s is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF)
// and holds no NUL.
bool IsStorableText(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* end = p + s.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c >= 0x01 && c < 0x80) {
      ++p;
      continue;
    }
    int len;
    unsigned char lo = 0x80, hi = 0xbf;  // allowed range of the second byte
    if (c >= 0xc2 && c <= 0xdf) {
      len = 2;
    } else if (c >= 0xe0 && c <= 0xef) {
      len = 3;
      if (c == 0xe0) lo = 0xa0;
      if (c == 0xed) hi = 0x9f;
    } else if (c >= 0xf0 && c <= 0xf4) {
      len = 4;
      if (c == 0xf0) lo = 0x90;
      if (c == 0xf4) hi = 0x8f;
    } else {
      return false;  // NUL, a continuation byte, or a byte never used by UTF-8
    }
    if (end - p < len || p[1] < lo || p[1] > hi) return false;
    for (int i = 2; i < len; ++i) {
      if (p[i] < 0x80 || p[i] > 0xbf) return false;
    }
    p += len;
  }
  return true;
}

// The column a parameter of a save fills, for messages.
std::string ParamName(Op op, size_t i) {
  std::vector<std::string> names;
  switch (op) {
    case Op::kSaveDay:
    case Op::kSaveDayKeepNumber:
      names = DayColumnNames();
      break;
    case Op::kSaveHoliday:
      names = KeyedColumnNames(kHolidays);
      break;
    case Op::kSaveJustification:
      names = KeyedColumnNames(kJustifications);
      break;
    case Op::kSaveGroup:
      names = KeyedColumnNames(kGroups);
      break;
    default:
      break;
  }
  return i < names.size() ? names[i] : "parameter " + std::to_string(i + 1);
}

}  // namespace

std::string_view OpName(Op op) {
  static constexpr std::array<std::string_view, kOpCount> kNames = {"FindDay",
                                                                    "SaveDay",
                                                                    "DeleteDay",
                                                                    "EmployeeMonth",
                                                                    "EmployeeYear",
                                                                    "CompanyMonth",
                                                                    "JustificationInUse",
                                                                    "GroupInUse",
                                                                    "DeleteEmployeeMonth",
                                                                    "FindHoliday",
                                                                    "SaveHoliday",
                                                                    "DeleteHoliday",
                                                                    "ListHolidays",
                                                                    "FindJustification",
                                                                    "SaveJustification",
                                                                    "DeleteJustification",
                                                                    "ListJustifications",
                                                                    "FindGroup",
                                                                    "SaveGroup",
                                                                    "DeleteGroup",
                                                                    "ListGroups",
                                                                    "CountDays",
                                                                    "DeleteAllDays",
                                                                    "SaveDayKeepNumber",
                                                                    "CompanyHours",
                                                                    "ForEachCompanyMonthDay",
                                                                    "ForEachDay",
                                                                    "ReadAhead"};
  const int i = static_cast<int>(op);
  return i >= 0 && i < kOpCount ? kNames[i] : "?";
}

bool IsWrite(Op op) {
  switch (op) {
    case Op::kSaveDay:
    case Op::kSaveDayKeepNumber:
    case Op::kDeleteDay:
    case Op::kDeleteEmployeeRange:
    case Op::kDeleteAllDays:
    case Op::kSaveHoliday:
    case Op::kDeleteHoliday:
    case Op::kSaveJustification:
    case Op::kDeleteJustification:
    case Op::kSaveGroup:
    case Op::kDeleteGroup:
      return true;
    default:
      return false;
  }
}

std::string StatementText(Op op, Dialect dialect) {
  std::string s = SqliteText(op);
  if (dialect == Dialect::kPostgres) {
    // The texts contain no literals, so every '?' is a parameter mark.
    for (char& c : s) {
      if (c == '?') c = '$';
    }
  }
  return s;
}

std::string DayInsertText() {
  const std::vector<std::string> day = DayColumnNames();
  return "INSERT INTO PRESENZE (" + Join(day) + ") VALUES (" + Placeholders(day.size()) + ")";
}

std::vector<std::string> SchemaStatements(Dialect dialect) {
  const bool pg = dialect == Dialect::kPostgres;
  const std::string create = pg ? "CREATE TABLE IF NOT EXISTS " : "CREATE TABLE ";
  const std::string key_type = pg ? "text COLLATE \"C\" NOT NULL" : "TEXT NOT NULL";
  const std::string text_type = pg ? "text DEFAULT ''" : "TEXT DEFAULT ''";
  const std::string int_type = pg ? "bigint DEFAULT 0" : "INTEGER DEFAULT 0";
  const std::string suffix = pg ? ")" : ") WITHOUT ROWID";

  std::vector<std::string> out;
  {
    std::string s = create + "PRESENZE (KDIPENDENTE " + key_type + ", KPERIODO " + key_type +
                    ", PRES_0 " + int_type;
    for (int n = 1; n <= 23; ++n) s += ", " + Numbered("PRES_", n) + " " + text_type;
    s += ", PROTOCOLLO " + int_type + ", PRIMARY KEY (KDIPENDENTE, KPERIODO)" + suffix;
    out.push_back(std::move(s));
  }
  for (const KeyedTable* t : {&kGroups, &kJustifications, &kHolidays}) {
    std::string s = create + std::string(t->name) + " (" + std::string(t->key) + " " + key_type;
    for (int n = 1; n <= t->columns; ++n) s += ", " + Numbered(t->prefix, n) + " " + text_type;
    s += ", PRIMARY KEY (" + std::string(t->key) + ")" + suffix;
    out.push_back(std::move(s));
  }
  return out;
}

PrefixRange::PrefixRange(std::string_view prefix) : low(prefix), high(prefix) {
  // Callers pass non-empty printable ASCII, so the last byte is below 0x7f.
  if (!high.empty()) ++high.back();
}

Status SqlAttendanceDb::Run(Op op, std::span<const SqlParam> params, RowVisitor* visitor) {
  for (size_t i = 0; i < params.size(); ++i) {
    if (!params[i].is_int && !IsStorableText(params[i].text)) {
      return Status::Invalid(std::string(OpName(op)) + ": " + ParamName(op, i) +
                             " non è un testo UTF-8 senza caratteri NUL");
    }
  }
  return Execute(op, params, visitor);
}

// --- PRESENZE ---

Result<std::optional<DayRow>> SqlAttendanceDb::FindDay(std::string_view employee,
                                                       std::string_view period) {
  const SqlParam params[] = {SqlParam::Text(employee), SqlParam::Text(period)};
  FirstRow<DayRow, ReadDay> first;
  if (Status s = Run(Op::kFindDay, params, &first); !s.ok()) return s;
  return std::move(first.row);
}

Status SqlAttendanceDb::SaveDay(const DayRow& row) { return SaveDayAs(Op::kSaveDay, row); }

Status SqlAttendanceDb::SaveDayKeepNumber(const DayRow& row) {
  return SaveDayAs(Op::kSaveDayKeepNumber, row);
}

Status SqlAttendanceDb::SaveDayAs(Op op, const DayRow& row) {
  if (row.employee.empty()) return Status::Invalid("SaveDay: la chiave del dipendente è vuota");
  if (row.period.size() != 8 || !IsDigits(row.period)) {
    return Status::Invalid("SaveDay: il giorno deve essere AAAAMMGG, non '" + row.period + "'");
  }
  std::array<SqlParam, kDayColumns> params;
  params[0] = SqlParam::Text(row.employee);
  params[1] = SqlParam::Text(row.period);
  params[kDayPres0Column] = SqlParam::Int(row.pres0);
  for (int n = 1; n <= 23; ++n) params[kDayPres0Column + n] = SqlParam::Text(row.pres[n]);
  params[kDayProtocolloColumn] = SqlParam::Int(row.protocollo);
  return Run(op, params, nullptr);
}

Status SqlAttendanceDb::DeleteDay(std::string_view employee, std::string_view period) {
  const SqlParam params[] = {SqlParam::Text(employee), SqlParam::Text(period)};
  return Run(Op::kDeleteDay, params, nullptr);
}

Status SqlAttendanceDb::DayRange(Op op, std::span<const SqlParam> params,
                                 std::vector<DayRow>* rows) {
  Collector<DayRow, ReadDay> collect(rows);
  Status s = Run(op, params, &collect);
  collect.Finish(s.ok());
  return s;
}

Status SqlAttendanceDb::EmployeeMonth(std::string_view employee, std::string_view month,
                                      std::vector<DayRow>* rows) {
  if (Status s = CheckMonth(Op::kEmployeeMonth, month); !s.ok()) {
    rows->clear();
    return s;
  }
  const PrefixRange days(month);
  const SqlParam params[] = {SqlParam::Text(employee), SqlParam::Text(days.low),
                             SqlParam::Text(days.high)};
  return DayRange(Op::kEmployeeMonth, params, rows);
}

Status SqlAttendanceDb::EmployeeYear(std::string_view employee, std::string_view year,
                                     std::vector<DayRow>* rows) {
  if (year.size() != 4 || !IsDigits(year)) {
    rows->clear();
    return Status::Invalid("EmployeeYear: l'anno deve essere AAAA, non '" + std::string(year) +
                           "'");
  }
  const PrefixRange days(year);
  const SqlParam params[] = {SqlParam::Text(employee), SqlParam::Text(days.low),
                             SqlParam::Text(days.high)};
  return DayRange(Op::kEmployeeYear, params, rows);
}

Status SqlAttendanceDb::CompanyMonth(std::string_view company, std::string_view month,
                                     std::vector<DayRow>* rows) {
  if (Status s = CheckCompany("CompanyMonth", company); !s.ok()) {
    rows->clear();
    return s;
  }
  if (Status s = CheckMonth(Op::kCompanyMonth, month); !s.ok()) {
    rows->clear();
    return s;
  }
  const PrefixRange keys(company);
  const PrefixRange days(month);
  const SqlParam params[] = {SqlParam::Text(keys.low), SqlParam::Text(keys.high),
                             SqlParam::Text(days.low), SqlParam::Text(days.high)};
  return DayRange(Op::kCompanyMonth, params, rows);
}

Status SqlAttendanceDb::ForEachCompanyMonthDay(std::string_view company, std::string_view month,
                                               const std::function<bool(const DayRow&)>& visit) {
  if (Status s = CheckCompany("ForEachCompanyMonthDay", company); !s.ok()) return s;
  if (Status s = CheckMonth(Op::kCompanyMonthByEmployee, month); !s.ok()) return s;
  DayVisitor visitor(visit);
  const PrefixRange keys(company);
  const PrefixRange days(month);
  const SqlParam params[] = {SqlParam::Text(keys.low), SqlParam::Text(keys.high),
                             SqlParam::Text(days.low), SqlParam::Text(days.high)};
  return Run(Op::kCompanyMonthByEmployee, params, &visitor);
}

Status SqlAttendanceDb::ForEachDay(const std::function<bool(const DayRow&)>& visit) {
  DayVisitor visitor(visit);
  return Run(Op::kAllDays, {}, &visitor);
}

Result<bool> SqlAttendanceDb::Exists(Op op, std::string_view code) {
  const SqlParam params[] = {SqlParam::Text(code)};
  AnyRow any;
  if (Status s = Run(op, params, &any); !s.ok()) return s;
  return any.found;
}

Result<bool> SqlAttendanceDb::JustificationInUse(std::string_view code) {
  return Exists(Op::kJustificationInUse, code);
}

Result<bool> SqlAttendanceDb::GroupInUse(std::string_view code) {
  return Exists(Op::kGroupInUse, code);
}

Status SqlAttendanceDb::DeleteEmployeeMonth(std::string_view employee, std::string_view month) {
  if (Status s = CheckMonth(Op::kDeleteEmployeeRange, month); !s.ok()) return s;
  const PrefixRange days(month);
  const SqlParam params[] = {SqlParam::Text(employee), SqlParam::Text(days.low),
                             SqlParam::Text(days.high)};
  return Run(Op::kDeleteEmployeeRange, params, nullptr);
}

Result<int64_t> SqlAttendanceDb::CountDays() {
  class Count final : public RowVisitor {
   public:
    bool OnRow(const RowView& v) override {
      value = v.Int(0);
      return false;
    }
    int64_t value = 0;
  } count;
  if (Status s = Run(Op::kCountDays, {}, &count); !s.ok()) return s;
  return count.value;
}

Status SqlAttendanceDb::DeleteAllDays() { return Run(Op::kDeleteAllDays, {}, nullptr); }

// --- The three keyed tables ---

template <typename Row>
Result<std::optional<Row>> SqlAttendanceDb::FindKeyed(Op op, std::string_view key) {
  const SqlParam params[] = {SqlParam::Text(key)};
  FirstRow<Row, ReadKeyed<Row>> first;
  if (Status s = Run(op, params, &first); !s.ok()) return s;
  return std::move(first.row);
}

template <typename Row>
Status SqlAttendanceDb::SaveKeyed(Op op, const Row& row) {
  if (Fields<Row>::At(row, 0).empty()) {
    return Status::Invalid(std::string(OpName(op)) + ": la chiave è vuota");
  }
  std::array<SqlParam, Fields<Row>::kCount> params;
  for (int i = 0; i < Fields<Row>::kCount; ++i) {
    params[i] = SqlParam::Text(Fields<Row>::At(row, i));
  }
  return Run(op, params, nullptr);
}

template <typename Row>
Status SqlAttendanceDb::ListKeyed(Op op, std::vector<Row>* rows) {
  Collector<Row, ReadKeyed<Row>> collect(rows);
  Status s = Run(op, {}, &collect);
  collect.Finish(s.ok());
  return s;
}

Result<std::optional<HolidayRow>> SqlAttendanceDb::FindHoliday(std::string_view day) {
  return FindKeyed<HolidayRow>(Op::kFindHoliday, day);
}
Status SqlAttendanceDb::SaveHoliday(const HolidayRow& row) {
  return SaveKeyed(Op::kSaveHoliday, row);
}
Status SqlAttendanceDb::DeleteHoliday(std::string_view day) {
  const SqlParam params[] = {SqlParam::Text(day)};
  return Run(Op::kDeleteHoliday, params, nullptr);
}
Status SqlAttendanceDb::ListHolidays(std::vector<HolidayRow>* rows) {
  return ListKeyed(Op::kListHolidays, rows);
}

Result<std::optional<JustificationRow>> SqlAttendanceDb::FindJustification(std::string_view code) {
  return FindKeyed<JustificationRow>(Op::kFindJustification, code);
}
Status SqlAttendanceDb::SaveJustification(const JustificationRow& row) {
  return SaveKeyed(Op::kSaveJustification, row);
}
Status SqlAttendanceDb::DeleteJustification(std::string_view code) {
  const SqlParam params[] = {SqlParam::Text(code)};
  return Run(Op::kDeleteJustification, params, nullptr);
}
Status SqlAttendanceDb::ListJustifications(std::vector<JustificationRow>* rows) {
  return ListKeyed(Op::kListJustifications, rows);
}

Result<std::optional<GroupRow>> SqlAttendanceDb::FindGroup(std::string_view code) {
  return FindKeyed<GroupRow>(Op::kFindGroup, code);
}
Status SqlAttendanceDb::SaveGroup(const GroupRow& row) { return SaveKeyed(Op::kSaveGroup, row); }
Status SqlAttendanceDb::DeleteGroup(std::string_view code) {
  const SqlParam params[] = {SqlParam::Text(code)};
  return Run(Op::kDeleteGroup, params, nullptr);
}
Status SqlAttendanceDb::ListGroups(std::vector<GroupRow>* rows) {
  return ListKeyed(Op::kListGroups, rows);
}

Status SqlAttendanceDb::CompanyHours(std::string_view company, std::string_view period,
                                     const std::function<void(const DayHoursView&)>& visit) {
  if (Status s = CheckCompany("CompanyHours", company); !s.ok()) return s;
  if ((period.size() != 4 && period.size() != 6) || !IsDigits(period)) {
    return Status::Invalid("CompanyHours: il periodo deve essere AAAA o AAAAMM, non '" +
                           std::string(period) + "'");
  }
  // Passes each row's texts straight from the engine's buffers: nothing is copied, and the
  // hours of a slot without a code are not even fetched (most slots of most days are empty).
  class Visitor final : public RowVisitor {
   public:
    explicit Visitor(const std::function<void(const DayHoursView&)>& visit) : visit_(visit) {}
    bool OnRow(const RowView& v) override {
      day_.employee = v.Text(0);
      day_.worked = v.Text(1);
      for (int slot = 0; slot < 5; ++slot) {
        const std::string_view code = v.Text(2 + 2 * slot);
        day_.codes[static_cast<size_t>(slot)] = code;
        day_.hours[static_cast<size_t>(slot)] =
            Trim(code).empty() ? std::string_view() : v.Text(3 + 2 * slot);
      }
      visit_(day_);
      return true;
    }

   private:
    const std::function<void(const DayHoursView&)>& visit_;
    DayHoursView day_;
  } visitor(visit);
  const PrefixRange keys(company);
  const PrefixRange days(period);
  const SqlParam params[] = {SqlParam::Text(keys.low), SqlParam::Text(keys.high),
                             SqlParam::Text(days.low), SqlParam::Text(days.high)};
  return Run(Op::kCompanyHours, params, &visitor);
}

}  // namespace kaveltar::db_internal
