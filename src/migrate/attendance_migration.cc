#include "migrate/attendance_migration.h"

#include <cmath>
#include <cstdlib>
#include <memory>

#include "base/text.h"
#include "migrate/mdb_reader.h"
#include "platform/paths.h"

namespace kaveltar {
namespace {

std::vector<std::string> Numbered(std::vector<std::string> names, std::string_view prefix,
                                  int first, int last) {
  for (int n = first; n <= last; ++n) names.push_back(std::string(prefix) + std::to_string(n));
  return names;
}

// Our columns of each table, in the order the rows below are filled.
std::vector<std::string> OurColumns(std::string_view table) {
  if (table == "PRESENZE") {
    std::vector<std::string> names = Numbered({"KDIPENDENTE", "KPERIODO"}, "PRES_", 0, 23);
    names.push_back("PROTOCOLLO");
    return names;
  }
  if (table == "GIUSTIFICATIVI") return Numbered({"KGIUS"}, "GIUS_", 1, 18);
  if (table == "GRUPPI") return Numbered({"KGRUPPO"}, "GRUP_", 1, 8);
  return {"KDATAF", "FEST_1"};
}

// Where each column of the file goes among ours (-1: not ours), and what is left out.
struct ColumnMap {
  std::vector<int> target;
  std::vector<std::string> extra;
  std::vector<std::string> missing;
};

ColumnMap MapColumns(const std::vector<std::string>& file_columns,
                     const std::vector<std::string>& ours) {
  ColumnMap map;
  std::vector<bool> found(ours.size(), false);
  for (const std::string& name : file_columns) {
    int target = -1;
    const std::string upper = ToUpperAscii(name);
    for (size_t i = 0; i < ours.size(); ++i) {
      if (!found[i] && ours[i] == upper) {
        target = static_cast<int>(i);
        found[i] = true;
        break;
      }
    }
    map.target.push_back(target);
    if (target < 0) map.extra.push_back(name);
  }
  for (size_t i = 0; i < ours.size(); ++i) {
    if (!found[i]) map.missing.push_back(ours[i]);
  }
  return map;
}

// A whole number stored in the file as a number or as text; NULL and empty are 0.
bool ParseWhole(const std::string& text, long* value) {
  std::string_view t = Trim(text);
  if (t.empty()) {
    *value = 0;
    return true;
  }
  const std::string s(t);
  char* end = nullptr;
  const double d = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(d) || d != std::floor(d) ||
      std::fabs(d) > 9.2e18) {
    return false;
  }
  *value = static_cast<long>(d);
  return true;
}

// Writes one table's rows as they are read.
class TableWriter {
 public:
  TableWriter(std::string_view table, AttendanceDb& db, const ColumnMap& map,
              const MigrationProgress& progress)
      : table_(table), db_(db), map_(map), progress_(progress), values_(OurColumns(table).size()) {}

  Status OnRow(const std::vector<MdbValue>& row) {
    ++read_;
    for (std::string& v : values_) v.clear();
    for (size_t i = 0; i < row.size() && i < map_.target.size(); ++i) {
      if (map_.target[i] >= 0 && !row[i].is_null) values_[map_.target[i]] = row[i].text;
    }
    Status s = Save();
    if (!s.ok()) {
      return s.kind() == Status::Kind::kInvalid ? Status::Invalid(Where() + s.message())
                                                : Status::DbError(Where() + s.message());
    }
    if (progress_ && read_ % 500 == 0) progress_(table_, read_);
    return Status::Ok();
  }

  int64_t read() const { return read_; }

 private:
  std::string Where() const {
    return "Tabella " + std::string(table_) + ", riga " + std::to_string(read_) + ": ";
  }

  Status Save() {
    if (values_[0].empty()) return Status::Invalid(OurColumns(table_)[0] + " vuoto");
    if (table_ == "PRESENZE") {
      day_.employee = values_[0];
      day_.period = values_[1];
      if (day_.period.size() != 8 || !IsDigits(day_.period)) {
        return Status::Invalid("KPERIODO non è una data AAAAMMGG ('" + day_.period + "')");
      }
      if (!ParseWhole(values_[2], &day_.pres0)) {
        return Status::Invalid("PRES_0 non è un numero intero ('" + values_[2] + "')");
      }
      for (int n = 1; n <= 23; ++n) day_.pres[n] = values_[2 + n];
      if (!ParseWhole(values_[26], &day_.protocollo)) {
        return Status::Invalid("PROTOCOLLO non è un numero intero ('" + values_[26] + "')");
      }
      return db_.SaveDay(day_);
    }
    if (table_ == "GIUSTIFICATIVI") {
      JustificationRow r;
      r.code = values_[0];
      for (int n = 1; n <= 18; ++n) r.gius[n] = values_[n];
      return db_.SaveJustification(r);
    }
    if (table_ == "GRUPPI") {
      GroupRow r;
      r.code = values_[0];
      for (int n = 1; n <= 8; ++n) r.grup[n] = values_[n];
      return db_.SaveGroup(r);
    }
    return db_.SaveHoliday(HolidayRow{values_[0], values_[1]});
  }

  std::string_view table_;
  AttendanceDb& db_;
  const ColumnMap& map_;
  const MigrationProgress& progress_;
  std::vector<std::string> values_;
  DayRow day_;
  int64_t read_ = 0;
};

// Empties the three keyed tables and PRESENZE.
Status ClearTables(AttendanceDb& db) {
  if (Status s = db.DeleteAllDays(); !s.ok()) return s;
  std::vector<JustificationRow> justifications;
  if (Status s = db.ListJustifications(&justifications); !s.ok()) return s;
  for (const auto& r : justifications) {
    if (Status s = db.DeleteJustification(r.code); !s.ok()) return s;
  }
  std::vector<GroupRow> groups;
  if (Status s = db.ListGroups(&groups); !s.ok()) return s;
  for (const auto& r : groups) {
    if (Status s = db.DeleteGroup(r.code); !s.ok()) return s;
  }
  std::vector<HolidayRow> holidays;
  if (Status s = db.ListHolidays(&holidays); !s.ok()) return s;
  for (const auto& r : holidays) {
    if (Status s = db.DeleteHoliday(r.day); !s.ok()) return s;
  }
  return Status::Ok();
}

Result<int64_t> CountRows(AttendanceDb& db, std::string_view table) {
  if (table == "PRESENZE") return db.CountDays();
  Status s;
  size_t n = 0;
  if (table == "GIUSTIFICATIVI") {
    std::vector<JustificationRow> rows;
    s = db.ListJustifications(&rows);
    n = rows.size();
  } else if (table == "GRUPPI") {
    std::vector<GroupRow> rows;
    s = db.ListGroups(&rows);
    n = rows.size();
  } else {
    std::vector<HolidayRow> rows;
    s = db.ListHolidays(&rows);
    n = rows.size();
  }
  if (!s.ok()) return s;
  return static_cast<int64_t>(n);
}

std::string JoinNames(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
  return s;
}

}  // namespace

Result<MigrationReport> MigrateAttendanceDatabase(const std::filesystem::path& file,
                                                  AttendanceDb& db, const MigrationOptions& options,
                                                  const MigrationProgress& progress) {
  Result<std::unique_ptr<MdbDatabase>> opened = MdbDatabase::Open(file);
  if (!opened.ok()) return opened.status();
  MdbDatabase& mdb = **opened;

  // Every table and its columns are checked before the database is touched.
  MigrationReport report;
  std::vector<ColumnMap> maps;
  for (std::string_view table : kMigratedTables) {
    Result<std::vector<std::string>> columns = mdb.Columns(table);
    if (!columns.ok()) return columns.status();
    maps.push_back(MapColumns(*columns, OurColumns(table)));
    MigratedTable t;
    t.name = std::string(table);
    t.extra_columns = maps.back().extra;
    t.missing_columns = maps.back().missing;
    report.tables.push_back(std::move(t));
  }

  Transaction transaction(db);
  if (!transaction.status().ok()) return transaction.status();
  Result<int64_t> existing = db.CountDays();
  if (!existing.ok()) return existing.status();
  if (*existing > 0 && !options.force) {
    const std::string days =
        *existing == 1 ? "1 giorno: l'importazione lo sostituirebbe"
                       : std::to_string(*existing) + " giorni: l'importazione li sostituirebbe";
    return Status::Conflict("L'archivio delle presenze contiene già " + days +
                            ". Importazione non eseguita.");
  }
  if (Status s = ClearTables(db); !s.ok()) return s;

  for (size_t i = 0; i < kMigratedTables.size(); ++i) {
    const std::string_view table = kMigratedTables[i];
    TableWriter writer(table, db, maps[i], progress);
    if (Status s = mdb.ReadRows(
            table, [&](const std::vector<MdbValue>& row) { return writer.OnRow(row); });
        !s.ok()) {
      return s;
    }
    if (progress) progress(table, writer.read());
    report.tables[i].read = writer.read();
  }

  // Both sides counted before committing: a key met twice in the file, or a row the
  // database did not keep, stops the job here.
  for (MigratedTable& t : report.tables) {
    Result<int64_t> count = CountRows(db, t.name);
    if (!count.ok()) return count.status();
    t.written = *count;
    if (t.written != t.read) {
      return Status::DbError("Tabella " + t.name + ": righe lette " + std::to_string(t.read) +
                             ", righe nel database " + std::to_string(t.written) +
                             ". Importazione annullata.");
    }
  }
  if (Status s = transaction.Commit(); !s.ok()) return s;
  return report;
}

std::vector<std::string> MigrationReportLines(const MigrationReport& report) {
  std::vector<std::string> lines;
  for (const MigratedTable& t : report.tables) {
    lines.push_back(t.name + ": righe lette " + std::to_string(t.read) + ", scritte " +
                    std::to_string(t.written));
  }
  for (const MigratedTable& t : report.tables) {
    if (!t.extra_columns.empty()) {
      lines.push_back(t.name + ": colonne non importate: " + JoinNames(t.extra_columns));
    }
    if (!t.missing_columns.empty()) {
      lines.push_back(t.name +
                      ": colonne assenti, lasciate vuote: " + JoinNames(t.missing_columns));
    }
  }
  return lines;
}

std::filesystem::path FindPreviousDatabase(const std::filesystem::path& archive_folder) {
  if (archive_folder.empty()) return {};
  const std::filesystem::path found =
      FindCaseInsensitive(archive_folder / std::string(kPreviousDatabaseFile));
  return FileExists(found) ? found : std::filesystem::path{};
}

}  // namespace kaveltar
