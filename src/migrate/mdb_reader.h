// Reading the tables of an Access (Jet 3 / Jet 4) database file: the attendance database of
// the previous program, QXPRES.MDB. mdbtools' libmdb reads the header, the catalogue, the
// table definitions and decodes each row's columns; the data pages themselves are walked
// here, because libmdb 1.0 reads the two flags of a row offset the wrong way round (deleted
// rows come back, moved rows are skipped or met out of place).
//
// A data page (type 0x01) holds, after its header, a row count at the format's row-count
// offset and then one 16-bit offset per row. The row runs from its offset to the previous
// row's offset (the first row to the end of the page). The top bits of an offset are flags:
//
//   0x8000  deleted: the slot holds no live row (a row moved elsewhere leaves its new copy
//           flagged this way too, so that a page scan does not meet it a second time)
//   0x4000  moved ("lookup"): the slot holds 4 bytes, row number (1 byte) and page number
//           (3 bytes, little endian), pointing at where the row now lives
//   0x1fff  the offset itself
//
// Every live row is returned exactly once, at the place of its slot. A moved row's new copy
// is read through its pointer only, whatever flags it carries.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace kaveltar {

// One value of a row: NULL, or the column's value as UTF-8 text (numbers in decimal).
struct MdbValue {
  bool is_null = true;
  std::string text;
};

class MdbDatabase {
 public:
  // Opens the file for reading. A missing file is kNotFound; a file that is not a Jet
  // database is kInvalid; a truncated or unreadable one is kCorrupt. The messages are
  // Italian and name the file.
  static Result<std::unique_ptr<MdbDatabase>> Open(const std::filesystem::path& file);
  ~MdbDatabase();
  MdbDatabase(const MdbDatabase&) = delete;
  MdbDatabase& operator=(const MdbDatabase&) = delete;

  // True when the file has a user table of that name (names compare without case).
  bool HasTable(std::string_view name) const;

  // The column names of a table, in the table's column order.
  Result<std::vector<std::string>> Columns(std::string_view name);

  // Passes every live row of the table to on_row (values in the order of Columns()), in
  // page order. The stored row count of the table is not trusted. Stops at the first error
  // of on_row and returns it; a damaged page is kCorrupt.
  using RowHandler = std::function<Status(const std::vector<MdbValue>& row)>;
  Status ReadRows(std::string_view table, const RowHandler& on_row);

 private:
  struct Impl;
  explicit MdbDatabase(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace kaveltar
