#include "exchange/import_file.h"

#include <fstream>
#include <istream>
#include <ostream>
#include <vector>

#include "base/dates.h"
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
    const bool full = in_.fail();                // the buffer filled up: the line goes on
    const bool lf = !in_.fail() && !in_.eof();   // the LF was read (and counted in got)
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
  while (reader.Next()) {
    const std::string_view line = reader.line();
    if (!IsNumericText(Mid(line, 0, 10))) {
      ++result.headings;
      continue;
    }
    if (reader.length() > kMaxKeptLine) {
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
      const std::string_view value = i < values.size() ? Trim(values[i]) : std::string_view();
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

Result<CsvConversion> ConvertCsvFile(const std::filesystem::path& csv, const std::filesystem::path& work) {
  std::ifstream in(csv, std::ios::binary);
  if (!in) return Status::NotFound("File inesistente: " + csv.string());
  std::ofstream out(work, std::ios::binary | std::ios::trunc);
  if (!out) return Status::IoError("Impossibile scrivere il file " + work.string());
  CsvConversion result = ConvertCsvRecords(in, out);
  out.close();
  if (!out) return Status::IoError("Impossibile scrivere il file " + work.string());
  return result;
}

}  // namespace kaveltar
