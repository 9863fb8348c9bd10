// What the printed listing of a table and the command line show of the three tables: the
// listing's text lines (CmdStampa and `tables print`), and every column of a table as text,
// CSV or JSON (`tables list`). Pure functions over rows, plus readers that take the rows
// from the database in key order.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "db/attendance_db.h"
#include "platform/printer.h"
#include "tables/table_form.h"

namespace kaveltar {

// --- The printed listing ---

// The listing is printed in this font and size; one line per text line.
inline constexpr std::string_view kListingFont = "Courier New";
inline constexpr int kListingFontSize = 11;
// Shown when the page has gone to the printer.
inline constexpr std::string_view kPrintFinishedMessage = "Stampa terminata";

// "ELENCO FESTIVITA' PRESENTI NELL'ARCHIVIO", "ELENCO GIUSTIFICATIVI PRESENTI
// NELL'ARCHIVIO", "ELENCO GRUPPI ORARI PRESENTI NELL'ARCHIVIO".
std::string_view ListingHeading(TableKind kind);
// A line of 80 "=", the heading, a line of 80 "=", then one line per row in the order given:
// key, a space, description. An empty table prints the heading block alone.
std::vector<std::string> TableListingLines(TableKind kind, const std::vector<KeyDescription>& rows);
// The same from the database, rows in key order.
Result<std::vector<std::string>> ReadTableListing(AttendanceDb& db, TableKind kind);
// Prints `lines` (UTF-8) as one document on `printer`, titled with the table's heading, in
// kListingFont kListingFontSize, one printer line per text line (new pages as the printer
// needs them), and ends the document so it goes to the printer.
// Printing failures are the printer's (RunTimeError 482, through its error handler).
void PrintTableListing(PrinterJob& printer, TableKind kind, const std::vector<std::string>& lines);

// --- Every column, for the command line ---

enum class TableFormat { kText, kCsv, kJson };

// "holidays", "justifications", "groups".
std::optional<TableKind> ParseTableName(std::string_view name);
std::string_view TableName(TableKind kind);
// "text", "csv", "json".
std::optional<TableFormat> ParseTableFormat(std::string_view name);

// A table as columns and rows of texts, columns named as in the database: KDATAF FEST_1;
// KGIUS GIUS_1 .. GIUS_18; KGRUPPO GRUP_1 .. GRUP_8.
struct TableData {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};
TableData MakeTableData(const std::vector<HolidayRow>& rows);
TableData MakeTableData(const std::vector<JustificationRow>& rows);
TableData MakeTableData(const std::vector<GroupRow>& rows);
// All rows of a table in key order.
Result<TableData> ReadTableData(AttendanceDb& db, TableKind kind);

// The table as text for standard output, ending with a newline:
//   text  a header line of column names, then one line per row; columns left-aligned to the
//         widest value (counted in characters) and separated by two spaces, trailing blanks
//         removed;
//   csv   ";"-separated (as the office's spreadsheets and the attendance import expect) with
//         a header line; a value with ";", a quote, a line break or blanks at either end is
//         quoted, quotes doubled; lines end with CR LF;
//   json  an array of objects keyed by the column names, every value a string, one object
//         per line.
std::string FormatTable(const TableData& table, TableFormat format);

}  // namespace kaveltar
