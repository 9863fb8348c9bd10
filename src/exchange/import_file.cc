#include "exchange/import_file.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <istream>
#include <ostream>
#include <vector>

#include "base/dates.h"
#include "base/encoding.h"
#include "base/hours.h"
#include "base/text.h"
#include "reports/print_primitives.h"

namespace kaveltar {
namespace {

std::string_view Field(std::string_view record, size_t position, size_t length) {
  return Mid(record, position - 1, length);
}

constexpr size_t PairCodePosition(size_t pair) { return 24 + 15 * (pair - 1); }

// Splits one CSV line at ";" outside quotes; a quoted value loses its quotes and "" inside
// it becomes ". Stops after `limit` values (the caller only needs to know there are more).
std::vector<std::string> SplitCsv(std::string_view line, size_t limit) {
  std::vector<std::string> values(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          values.back().push_back('"');
          ++i;
        } else {
          quoted = false;
        }
      } else {
        values.back().push_back(c);
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ';') {
      if (values.size() == limit) break;
      values.emplace_back();
    } else {
      values.back().push_back(c);
    }
  }
  return values;
}

// The cause of a failed file operation, in the office's words.
std::string Cause(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return " (spazio su disco esaurito)";
    case EACCES:
    case EPERM:
    case EROFS:
      return " (accesso negato)";
    case ENOENT:
    case ENOTDIR:
      return " (cartella inesistente)";
    default:
      return "";
  }
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A line of blanks, separators and quotes only: an empty spreadsheet row.
bool IsBlankCsvLine(std::string_view line) {
  return line.find_first_not_of(" \t;\"") == std::string_view::npos;
}

// A record line: the first ten characters are a number (the layout's rule), or the first
// value is a number of up to ten digits whose leading zeros a spreadsheet dropped.
bool IsCsvRecordLine(std::string_view line) {
  if (IsNumericText(Mid(line, 0, 10))) return true;
  const std::vector<std::string> first = SplitCsv(line, 1);
  const std::string_view value = Trim(first[0]);
  return !value.empty() && value.size() <= kImportLayout[0].length && IsDigits(value);
}

bool HasControl(std::string_view value) {
  for (unsigned char c : value) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

}  // namespace

std::string_view ImportEmployee(std::string_view record) { return Field(record, 1, 10); }
std::string_view ImportDate(std::string_view record) { return Field(record, 11, 8); }
std::string_view ImportWorkedHours(std::string_view record) { return Field(record, 19, 5); }
std::string_view ImportPairCode(std::string_view record, size_t pair) {
  return Field(record, PairCodePosition(pair), kImportCodeLength);
}
std::string_view ImportPairHours(std::string_view record, size_t pair) {
  return Field(record, PairCodePosition(pair) + kImportCodeLength, kImportHoursLength);
}

bool IsCompleteEmployee(std::string_view record) {
  return Trim(Field(record, 1, 3)).size() == 3 && Trim(Field(record, 4, 3)).size() == 3 &&
         Trim(Field(record, 7, 4)).size() == 4;
}

bool IsEmptyPairCode(std::string_view code) {
  const std::string_view t = Trim(code);
  return t.empty() || t.find_first_not_of('0') == std::string_view::npos;
}

bool IsImportHours(std::string_view hours) {
  const std::string_view t = Trim(hours);
  return IsEmptyHours(t) || IsValidHours(t);
}

bool ImportLineReader::Next() {
  line_.clear();
  length_ = 0;
  bool any = false;
  char last = 0;
  char buffer[4096];
  for (;;) {
    // Up to the next LF, one buffer at a time, keeping at most kMaxKeptLine bytes.
    in_.getline(buffer, sizeof buffer);
    const size_t got = static_cast<size_t>(in_.gcount());
    if (got == 0 && in_.fail()) break;  // nothing more
    any = true;
    const bool full = in_.fail();               // the buffer filled up: the line goes on
    const bool lf = !in_.fail() && !in_.eof();  // the LF was read (and counted in got)
    const size_t n = lf ? got - 1 : got;
    if (n > 0) last = buffer[n - 1];
    if (line_.size() < kMaxKeptLine) line_.append(buffer, std::min(n, kMaxKeptLine - line_.size()));
    length_ += n;
    if (!full) break;
    in_.clear();
  }
  if (!any) return false;
  // One CR before the LF (or at the end of the input) belongs to the line end.
  if (length_ > 0 && last == '\r') {
    if (line_.size() == length_) line_.pop_back();
    --length_;
  }
  ++number_;
  return true;
}

ImportChecks CheckImportRecords(std::istream& in) {
  ImportChecks checks;
  ImportLineReader reader(in);
  while (reader.Next()) {
    const std::string_view record = reader.line();
    if (reader.length() == 0) continue;  // a blank line between records is not a record
    ++checks.records;
    if (!IsCompleteEmployee(record)) {
      checks.incomplete_employee = true;
      checks.structure = false;
    }
    if (reader.length() != kImportRecordLength) checks.length = false;
    if (record.find_first_of("|-") != std::string_view::npos) checks.structure = false;
    if (FormatPeriodDate(ImportDate(record)).empty()) checks.dates = false;
    if (!IsImportHours(ImportWorkedHours(record))) checks.values = false;
    for (size_t pair = 1; pair <= kImportPairs; ++pair) {
      if (!IsImportHours(ImportPairHours(record, pair))) checks.values = false;
    }
  }
  return checks;
}

Result<ImportChecks> CONTROLLAFILEPRESENZE(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return Status::NotFound("File inesistente: " + file.string());
  return CheckImportRecords(in);
}

CsvConversion ConvertCsvRecords(std::istream& in, std::ostream& out) {
  CsvConversion result;
  ImportLineReader reader(in);
  std::string record;
  std::string converted;
  while (reader.Next()) {
    std::string_view line = reader.line();
    size_t length = reader.length();
    if (reader.number() == 1 && line.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
      line.remove_prefix(kByteOrderMark.size());
      length -= kByteOrderMark.size();
      result.utf8 = true;
    }
    if (IsBlankCsvLine(line)) continue;
    if (!IsCsvRecordLine(line)) {
      if (result.skipped++ == 0) result.first_skipped = reader.number();
      continue;
    }
    if (length > kMaxKeptLine) {
      result.wrong_characters = true;
      continue;
    }
    const std::vector<std::string> values = SplitCsv(line, 24);
    if (values.size() < 2 || values.size() > 23) {
      result.wrong_characters = true;
      continue;
    }
    record.clear();
    bool wrong = false;
    for (size_t i = 0; i < 23; ++i) {
      std::string_view value = i < values.size() ? Trim(values[i]) : std::string_view();
      if (result.utf8) {
        // Widths count characters: the value in the fixed layout's one-byte encoding.
        converted = Utf8ToCp1252(value);
        value = converted;
      }
      const size_t width = kImportLayout[i].length;
      if (value.size() > width || HasControl(value)) {
        wrong = true;
        break;
      }
      // Employee, day and hours are numbers padded with zeros on the left; codes are padded
      // with blanks.
      const bool code = i >= 3 && i % 2 == 1;
      record += code ? PadRight(value, width) : PadLeft(value, width, '0');
    }
    if (wrong) {
      result.wrong_characters = true;
      continue;
    }
    out.write(record.data(), static_cast<std::streamsize>(record.size()));
    out.write("\r\n", 2);
    ++result.lines;
  }
  return result;
}

Result<CsvConversion> ConvertCsvFile(const std::filesystem::path& csv,
                                     const std::filesystem::path& work) {
  std::ifstream in(csv, std::ios::binary);
  if (!in) return Status::NotFound("File inesistente: " + csv.string());
  std::ofstream out(work, std::ios::binary | std::ios::trunc);
  const auto failed = [&] {
    const std::string cause = Cause(errno);
    std::error_code ignored;
    std::filesystem::remove(work, ignored);
    return Status::IoError("Impossibile scrivere il file di lavoro " + work.string() + cause);
  };
  if (!out) return failed();
  errno = 0;
  CsvConversion result = ConvertCsvRecords(in, out);
  out.close();
  if (!out) return failed();
  return result;
}

std::string NoCsvRecordsText(const CsvConversion& conversion) {
  std::string text = "Il file CSV non contiene righe di presenze da importare";
  if (conversion.skipped > 0) {
    text += ": " + std::to_string(conversion.skipped) +
            (conversion.skipped == 1 ? " riga scartata" : " righe scartate") +
            " perché il codice dipendente non è numerico (prima riga scartata: " +
            std::to_string(conversion.first_skipped) + ")";
  }
  return text;
}

Result<std::shared_ptr<WorkFile>> WorkFile::Create(const std::filesystem::path& folder) {
  std::string pattern =
      (folder / (std::string(kWorkFilePrefix) + "XXXXXX" + std::string(kWorkFileSuffix))).string();
  const int fd = ::mkstemps(pattern.data(), static_cast<int>(kWorkFileSuffix.size()));
  if (fd < 0) {
    return Status::IoError("Impossibile creare il file di lavoro nella cartella " +
                           folder.string() + Cause(errno));
  }
  ::close(fd);
  return std::shared_ptr<WorkFile>(new WorkFile(pattern));
}

WorkFile::~WorkFile() {
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

}  // namespace kaveltar
