// The external attendance file: its record layout, the checks made before an import, and
// the conversion of the spreadsheet (CSV) variant into the fixed layout.
//
// Record ("TRACCIATO RECORD"): one line per employee and working day, 173 characters
// followed by CR LF (175 bytes). Positions count from 1:
//
//   field     positions  width  content
//   CAMPO 01  1-10       10     employee key: company (3), sub-company (3), number (4)
//   CAMPO 02  11-18      8      day, YYYYMMDD
//   CAMPO 07  19-23      5      worked hours HH:MM
//   CAMPO 08  24-33      10     code of justification 1 in the sending system
//   CAMPO 09  34-38      5      its hours HH:MM
//   CAMPO 10  39-48 ...         pairs 2 to 10 alike: code at 24 + 15(k-1), hours at
//   .. 27     ... 169-173       34 + 15(k-1) for pair k
//
// There are no fields 03 to 06. A code of blanks or "0000000000" is an empty pair.
//
// The CSV variant holds the same 23 values per line separated by ";" (a value may be quoted
// with '"'). Lines that are not records (headings) are skipped; see ConvertCsvRecords.
//
// Both readers take any bytes: lines of any length (only the first kMaxKeptLine bytes of a
// line are kept; its true length is still counted), binary data, a missing final CR LF.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "base/status.h"

namespace kaveltar {

struct ImportField {
  std::string_view number;  // "01", "02", "07" ... "27"
  std::string_view name;    // as the layout print shows it
  size_t position;          // 1-based
  size_t length;
};

inline constexpr size_t kImportRecordLength = 173;
inline constexpr size_t kImportPairs = 10;
inline constexpr size_t kImportCodeLength = 10;
inline constexpr size_t kImportHoursLength = 5;
// Bytes of one line kept for the checks and the import; longer lines are wrong anyway.
inline constexpr size_t kMaxKeptLine = 1024;

inline constexpr std::array<ImportField, 23> kImportLayout = {{
    {"01", "CODICE DIPENDENTE", 1, 10},      {"02", "DATA GIORNO LAV.", 11, 8},
    {"07", "ORE LAVORATE", 19, 5},           {"08", "CODICE GIUSTIFICATIVO 01", 24, 10},
    {"09", "ORE GIUSTIFICATIVO 01", 34, 5},  {"10", "CODICE GIUSTIFICATIVO 02", 39, 10},
    {"11", "ORE GIUSTIFICATIVO 02", 49, 5},  {"12", "CODICE GIUSTIFICATIVO 03", 54, 10},
    {"13", "ORE GIUSTIFICATIVO 03", 64, 5},  {"14", "CODICE GIUSTIFICATIVO 04", 69, 10},
    {"15", "ORE GIUSTIFICATIVO 04", 79, 5},  {"16", "CODICE GIUSTIFICATIVO 05", 84, 10},
    {"17", "ORE GIUSTIFICATIVO 05", 94, 5},  {"18", "CODICE GIUSTIFICATIVO 06", 99, 10},
    {"19", "ORE GIUSTIFICATIVO 06", 109, 5}, {"20", "CODICE GIUSTIFICATIVO 07", 114, 10},
    {"21", "ORE GIUSTIFICATIVO 07", 124, 5}, {"22", "CODICE GIUSTIFICATIVO 08", 129, 10},
    {"23", "ORE GIUSTIFICATIVO 08", 139, 5}, {"24", "CODICE GIUSTIFICATIVO 09", 144, 10},
    {"25", "ORE GIUSTIFICATIVO 09", 154, 5}, {"26", "CODICE GIUSTIFICATIVO 10", 159, 10},
    {"27", "ORE GIUSTIFICATIVO 10", 169, 5},
}};

// Field access on one record (a line without CR LF); past the end of a short line the field
// is shorter or empty.
std::string_view ImportEmployee(std::string_view record);
std::string_view ImportDate(std::string_view record);
std::string_view ImportWorkedHours(std::string_view record);
std::string_view ImportPairCode(std::string_view record, size_t pair);   // pair 1-10
std::string_view ImportPairHours(std::string_view record, size_t pair);  // pair 1-10
// The three parts of the employee key are 3, 3 and 4 characters once trimmed.
bool IsCompleteEmployee(std::string_view record);
// A code of blanks or "0000000000" (also shorter, as a short line gives it).
bool IsEmptyPairCode(std::string_view code);
// Hours the checks accept: blank, "HH:MM" within a day, or zeros ("00000", "00.00").
bool IsImportHours(std::string_view hours);

// Reads lines of any length: splits at LF, drops one CR before it, keeps at most
// kMaxKeptLine bytes of each line and counts its full length. An empty last line (after the
// final CR LF) is not a line.
class ImportLineReader {
 public:
  explicit ImportLineReader(std::istream& in) : in_(in) {}
  // False at the end of the input.
  bool Next();
  std::string_view line() const { return line_; }
  size_t length() const { return length_; }  // the line's full length without CR LF
  long number() const { return number_; }    // from 1

 private:
  std::istream& in_;
  std::string line_;
  size_t length_ = 0;
  long number_ = 0;
};

// The results of the checks of a fixed-layout file. Every field is true ("Corretta") until
// a record fails it.
struct ImportChecks {
  bool values = true;     // "Struttura Campi Valorizzazioni......." the hours fields
  bool dates = true;      // "Struttura Campi Data ................" positions 11-18
  bool structure = true;  // "Struttura Records ..................." no "|" or "-", complete key
  bool length = true;     // "Lunghezza Records ..................." 173 characters
  bool incomplete_employee = false;  // a record's key is missing or incomplete: blocks
  long records = 0;
  bool AllCorrect() const { return values && dates && structure && length; }
};

// The four result labels, in screen order, and the words they show.
inline constexpr std::array<std::string_view, 4> kCheckLabels = {
    "Struttura Campi Valorizzazioni.......", "Struttura Campi Data ................",
    "Struttura Records ...................", "Lunghezza Records ..................."};
inline constexpr std::string_view kCheckCorrect = "Corretta";
inline constexpr std::string_view kCheckWrong = "Errata";
inline constexpr std::string_view kCheckInitial = "Corretto";

// The checks of `CONTROLLAFILEPRESENZE` over a stream of records.
ImportChecks CheckImportRecords(std::istream& in);
// `CONTROLLAFILEPRESENZE`: the checks of a file. A file that cannot be read is kNotFound.
Result<ImportChecks> CONTROLLAFILEPRESENZE(const std::filesystem::path& file);

// What the CSV conversion found.
struct CsvConversion {
  long lines = 0;                 // records written
  long skipped = 0;               // lines that are not attendance records (headings)
  long first_skipped = 0;         // the number of the first of them, from 1; 0 when none
  bool wrong_characters = false;  // a value that cannot be brought to its width
  bool utf8 = false;              // the file began with a UTF-8 byte order mark
};

// Converts CSV lines to fixed-layout records (each followed by CR LF).
// - A UTF-8 byte order mark at the start is dropped, and the file's values are then taken as
//   UTF-8 and written in Windows-1252, the encoding of the fixed-layout file.
// - A line of blanks and separators only is ignored.
// - A line is a record when its first ten characters are a number, or when its first value
//   is a number of up to ten digits (a spreadsheet drops the leading zeros of "0010020001"
//   and the value is padded back). Any other line is a heading: skipped and counted.
// - A record is wrong when it has fewer than 2 or more than 23 values, or a value (trimmed,
//   its quotes removed) longer than its width or holding a control character; wrong lines
//   are not written.
CsvConversion ConvertCsvRecords(std::istream& in, std::ostream& out);
// `CONTROLLAFILEEXCEL`, the conversion part: `csv` into the work file `work` (replaced).
// A CSV that cannot be read is kNotFound; a work file that cannot be written is kIoError
// and is removed, so a failed conversion leaves nothing behind.
Result<CsvConversion> ConvertCsvFile(const std::filesystem::path& csv,
                                     const std::filesystem::path& work);

// The message of a CSV in which no line is a record.
std::string NoCsvRecordsText(const CsvConversion& conversion);

// The work file of one CSV conversion: a new, empty file of its own in a folder, named
// FILEPRES_xxxxxx.TMP, removed when the last holder lets it go. Each run has its own, so two
// imports at the same time never read each other's records.
class WorkFile {
 public:
  // kIoError naming the folder when the file cannot be made.
  static Result<std::shared_ptr<WorkFile>> Create(const std::filesystem::path& folder);
  ~WorkFile();
  WorkFile(const WorkFile&) = delete;
  WorkFile& operator=(const WorkFile&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  explicit WorkFile(std::filesystem::path path) : path_(std::move(path)) {}
  std::filesystem::path path_;
};

// The work file's name before its unique part and after it.
inline constexpr std::string_view kWorkFilePrefix = "FILEPRES_";
inline constexpr std::string_view kWorkFileSuffix = ".TMP";

}  // namespace kaveltar
