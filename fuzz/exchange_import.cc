// Fuzz target: the two readers of external attendance files. The input is read both as a
// fixed-layout file (the checks and the record fields the import uses) and as a CSV file
// (converted, then the converted records checked).
//
// Input: the first byte chooses how the rest is fed (0 whole, 1 cut in CR LF lines of at
// most 200 bytes); the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "exchange/attendance_import.h"
#include "exchange/import_file.h"

using namespace kaveltar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 1) {
    std::string lines;
    for (size_t at = 0; at < text.size(); at += 200) lines += text.substr(at, 200) + "\r\n";
    text = std::move(lines);
  }

  {
    std::istringstream in(text);
    const ImportChecks checks = CheckImportRecords(in);
    if (checks.incomplete_employee && checks.structure) std::abort();
    if (checks.records < 0) std::abort();
  }
  {
    std::istringstream in(text);
    ImportLineReader reader(in);
    while (reader.Next()) {
      const std::string_view record = reader.line();
      if (record.size() > kMaxKeptLine || record.size() > reader.length()) std::abort();
      (void)IsCompleteEmployee(record);
      (void)FirstRecordQuestion(record);
      for (size_t pair = 1; pair <= kImportPairs; ++pair) {
        (void)NormaliseImportCode(ImportPairCode(record, pair));
        (void)IsImportHours(ImportPairHours(record, pair));
      }
    }
  }
  {
    std::istringstream in(text);
    std::ostringstream out;
    const CsvConversion converted = ConvertCsvRecords(in, out);
    const std::string work = out.str();
    // Every converted line is one whole record with CR LF.
    if (work.size() != static_cast<size_t>(converted.lines) * (kImportRecordLength + 2))
      std::abort();
    std::istringstream again(work);
    const ImportChecks checks = CheckImportRecords(again);
    if (!checks.length || checks.records != converted.lines) std::abort();
  }
  return 0;
}
