#include "tables/listing.h"

#include <algorithm>

#include "base/text.h"
#include "tables/utf8_text.h"

namespace kaveltar {
namespace {

const std::string kRule(80, '=');

std::string Numbered(std::string_view prefix, size_t n) {
  return std::string(prefix) + std::to_string(n);
}

bool NeedsCsvQuotes(std::string_view v) {
  if (v.empty()) return false;
  if (v.front() == ' ' || v.back() == ' ') return true;
  return v.find_first_of(";\"\r\n") != std::string_view::npos;
}

void AppendCsv(std::string* out, std::string_view v) {
  if (!NeedsCsvQuotes(v)) {
    *out += v;
    return;
  }
  *out += '"';
  for (char c : v) {
    if (c == '"') *out += '"';
    *out += c;
  }
  *out += '"';
}

void AppendJsonString(std::string* out, std::string_view v) {
  static constexpr char kHex[] = "0123456789abcdef";
  *out += '"';
  for (char c : v) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        *out += "\\\"";
        break;
      case '\\':
        *out += "\\\\";
        break;
      case '\n':
        *out += "\\n";
        break;
      case '\r':
        *out += "\\r";
        break;
      case '\t':
        *out += "\\t";
        break;
      default:
        if (u < 0x20) {
          *out += "\\u00";
          *out += kHex[u >> 4];
          *out += kHex[u & 0xF];
        } else {
          *out += c;
        }
    }
  }
  *out += '"';
}

// JSON strings must be UTF-8: a value that is not (it never should be) is read byte by byte
// as Windows-1252 and written again as UTF-8.
std::string ValidUtf8(std::string_view v) {
  std::string out;
  out.reserve(v.size());
  for (size_t i = 0; i < v.size();) {
    tables_internal::AppendCodePoint(&out, tables_internal::NextCodePoint(v, &i));
  }
  return out;
}

std::string FormatText(const TableData& t) {
  std::vector<size_t> widths(t.columns.size(), 0);
  auto measure = [&](const std::vector<std::string>& line) {
    for (size_t c = 0; c < line.size() && c < widths.size(); ++c) {
      widths[c] = std::max(widths[c], tables_internal::Utf8Length(line[c]));
    }
  };
  measure(t.columns);
  for (const auto& row : t.rows) measure(row);
  std::string out;
  auto write = [&](const std::vector<std::string>& line) {
    std::string text;
    for (size_t c = 0; c < widths.size(); ++c) {
      const std::string_view v = c < line.size() ? std::string_view(line[c]) : std::string_view();
      if (c > 0) text += "  ";
      text += v;
      text.append(widths[c] - tables_internal::Utf8Length(v), ' ');
    }
    out += TrimRight(text);
    out += '\n';
  };
  write(t.columns);
  for (const auto& row : t.rows) write(row);
  return out;
}

std::string FormatCsv(const TableData& t) {
  std::string out;
  auto write = [&](const std::vector<std::string>& line) {
    for (size_t c = 0; c < t.columns.size(); ++c) {
      if (c > 0) out += ';';
      if (c < line.size()) AppendCsv(&out, line[c]);
    }
    out += "\r\n";
  };
  write(t.columns);
  for (const auto& row : t.rows) write(row);
  return out;
}

std::string FormatJson(const TableData& t) {
  if (t.rows.empty()) return "[]\n";
  std::string out = "[\n";
  for (size_t r = 0; r < t.rows.size(); ++r) {
    out += "  {";
    for (size_t c = 0; c < t.columns.size(); ++c) {
      if (c > 0) out += ", ";
      AppendJsonString(&out, t.columns[c]);
      out += ": ";
      AppendJsonString(&out, c < t.rows[r].size() ? ValidUtf8(t.rows[r][c]) : std::string());
    }
    out += r + 1 < t.rows.size() ? "},\n" : "}\n";
  }
  out += "]\n";
  return out;
}

}  // namespace

std::string_view ListingHeading(TableKind kind) {
  switch (kind) {
    case TableKind::kHolidays:
      return "ELENCO FESTIVITA' PRESENTI NELL'ARCHIVIO";
    case TableKind::kJustifications:
      return "ELENCO GIUSTIFICATIVI PRESENTI NELL'ARCHIVIO";
    case TableKind::kGroups:
      return "ELENCO GRUPPI ORARI PRESENTI NELL'ARCHIVIO";
  }
  return "";
}

std::vector<std::string> TableListingLines(TableKind kind,
                                           const std::vector<KeyDescription>& rows) {
  std::vector<std::string> lines = {kRule, std::string(ListingHeading(kind)), kRule};
  for (const KeyDescription& r : rows) lines.push_back(r.key + " " + r.description);
  return lines;
}

Result<std::vector<std::string>> ReadTableListing(AttendanceDb& db, TableKind kind) {
  std::vector<KeyDescription> rows;
  if (Status s = ReadKeyDescriptions(db, kind, &rows); !s.ok()) return s;
  return TableListingLines(kind, rows);
}

void PrintTableListing(PrinterJob& printer, TableKind kind, const std::vector<std::string>& lines) {
  printer.set_title(std::string(ListingHeading(kind)));
  PrinterFont font;
  font.name = std::string(kListingFont);
  font.size = kListingFontSize;
  printer.SetFont(font);
  for (const std::string& line : lines) printer.Print(line);
  printer.EndDoc();
}

std::optional<TableKind> ParseTableName(std::string_view name) {
  for (TableKind kind : {TableKind::kHolidays, TableKind::kJustifications, TableKind::kGroups}) {
    if (name == TableName(kind)) return kind;
  }
  return std::nullopt;
}

std::string_view TableName(TableKind kind) {
  switch (kind) {
    case TableKind::kHolidays:
      return "holidays";
    case TableKind::kJustifications:
      return "justifications";
    case TableKind::kGroups:
      return "groups";
  }
  return "";
}

std::optional<TableFormat> ParseTableFormat(std::string_view name) {
  if (name == "text") return TableFormat::kText;
  if (name == "csv") return TableFormat::kCsv;
  if (name == "json") return TableFormat::kJson;
  return std::nullopt;
}

TableData MakeTableData(const std::vector<HolidayRow>& rows) {
  TableData t;
  t.columns = {"KDATAF", "FEST_1"};
  for (const HolidayRow& r : rows) t.rows.push_back({r.day, r.description});
  return t;
}

TableData MakeTableData(const std::vector<JustificationRow>& rows) {
  TableData t;
  t.columns.push_back("KGIUS");
  for (size_t n = 1; n <= 18; ++n) t.columns.push_back(Numbered("GIUS_", n));
  for (const JustificationRow& r : rows) {
    std::vector<std::string> line = {r.code};
    line.insert(line.end(), r.gius.begin() + 1, r.gius.end());
    t.rows.push_back(std::move(line));
  }
  return t;
}

TableData MakeTableData(const std::vector<GroupRow>& rows) {
  TableData t;
  t.columns.push_back("KGRUPPO");
  for (size_t n = 1; n <= 8; ++n) t.columns.push_back(Numbered("GRUP_", n));
  for (const GroupRow& r : rows) {
    std::vector<std::string> line = {r.code};
    line.insert(line.end(), r.grup.begin() + 1, r.grup.end());
    t.rows.push_back(std::move(line));
  }
  return t;
}

Result<TableData> ReadTableData(AttendanceDb& db, TableKind kind) {
  switch (kind) {
    case TableKind::kHolidays: {
      std::vector<HolidayRow> rows;
      if (Status s = db.ListHolidays(&rows); !s.ok()) return s;
      return MakeTableData(rows);
    }
    case TableKind::kJustifications: {
      std::vector<JustificationRow> rows;
      if (Status s = db.ListJustifications(&rows); !s.ok()) return s;
      return MakeTableData(rows);
    }
    case TableKind::kGroups: {
      std::vector<GroupRow> rows;
      if (Status s = db.ListGroups(&rows); !s.ok()) return s;
      return MakeTableData(rows);
    }
  }
  return Status::Invalid("unknown table");
}

std::string FormatTable(const TableData& table, TableFormat format) {
  switch (format) {
    case TableFormat::kText:
      return FormatText(table);
    case TableFormat::kCsv:
      return FormatCsv(table);
    case TableFormat::kJson:
      return FormatJson(table);
  }
  return {};
}

}  // namespace kaveltar
