// A small writer of Access 2000 (Jet 4) database files, for test fixtures: no Linux tool
// writes .mdb files and libmdb cannot create tables. It writes only what a reader needs to
// find tables and rows: no indexes, no long values.
//
// Layout of a written file (4096-byte pages):
//   page 0       database header; 128 bytes from 0x18 RC4-encoded with key C7 DA 39 6B
//                (the database key at 0x3E decodes to 0: not encrypted)
//   page 1       a data page holding one usage map per table as a row (its used pages,
//                also named as its free-space map): type 0 maps, start page 0, one bit a page
//   page 2       the definition of MSysObjects (Id, Name, Type, Flags, LvProp)
//   then         MSysObjects' data pages, then per table its definition page and data pages
//                (rows stored from the end of the page, row offsets after the header)
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace kaveltar::testing {

// Column types, as the file stores them.
enum JetType : uint8_t {
  kJetInt = 0x03,   // 16-bit
  kJetLong = 0x04,  // 32-bit
  kJetText = 0x0a,  // up to 255 characters, compressed UCS-2 where it is shorter
  kJetOle = 0x0b,   // long binary: written as NULL only
};

struct JetColumn {
  std::string name;
  JetType type = kJetText;
};

// NULL, a text (UTF-8, characters of the Basic Multilingual Plane) or a number.
using JetValue = std::variant<std::monostate, std::string, int64_t>;
using JetRow = std::vector<JetValue>;

struct JetTable {
  std::string name;
  std::vector<JetColumn> columns;
  std::vector<JetRow> rows;
  // Rows (by index) written with the deleted flag: their data stays on the page.
  std::set<size_t> deleted;
};

// The whole file.
std::string WriteJet4(const std::vector<JetTable>& tables);

}  // namespace kaveltar::testing
