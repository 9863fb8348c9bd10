// The archive catalogue QXBASE.DAT: for every base number the file-name template and the
// record length of the payroll archive known by that number.
//
// Layout: fixed records of 79 bytes, no separators; record n (at byte (n - 1) * 79)
// describes base number n.
//
//   offset  width  meaning
//   0       3      not used by this program
//   3       29     file-name template, right-trimmed (placeholders: see archive_files.h)
//   32      5      record length in characters, decimal (blank-padded; all blanks = 0)
//   37      42     not used by this program
//
// A trailing partial record is ignored. A record whose template is blank describes no file.
// A record length of 0 is accepted (text files have none); record access to such a base
// fails with the bad-record-length error.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace kaveltar {

inline constexpr size_t kCatalogueRecordLength = 79;
inline constexpr int kMaxBaseNumber = 600;

struct CatalogueEntry {
  std::string name_template;  // right-trimmed; empty = no file for this base
  int record_length = 0;
};

class BaseFileTable {
 public:
  BaseFileTable() = default;

  // Parses the catalogue bytes. A record length that is not a number is an error naming the
  // base; at most kMaxBaseNumber records are read.
  static Result<BaseFileTable> Parse(std::string_view bytes);
  static Result<BaseFileTable> Load(const std::filesystem::path& file);

  // The entry of base n (1-600); nullptr when the catalogue has no record n.
  const CatalogueEntry* Find(int base) const;
  int size() const { return static_cast<int>(entries_.size()); }

 private:
  std::vector<CatalogueEntry> entries_;
};

// One 79-byte catalogue record (used by the demo installation and by tests): blanks, the
// template, the record length right-aligned. Throws std::invalid_argument for a template over
// 29 characters or a length outside 0-99999.
std::string FormatCatalogueRecord(std::string_view name_template, int record_length);

}  // namespace kaveltar
