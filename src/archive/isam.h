// Index files of the payroll archives: a three-level tree of fixed nodes.
//
// A node is one record of the index file: 128 entries of (k + 7) bytes, where k is the key
// length. An entry is the key (k bytes) followed by seven digits: the level ("1", "2" or "3")
// and a six-digit record number, zero-padded. Record 1 is the root (level 1); level-1
// entries point to level-2 node records, level-2 entries to level-3 node records (leaves),
// level-3 entries to records of the data file. A free entry carries pointer 0.
//
// (The reader and the builder of this file share the node-layout rules documented in
// isam.cc: key order inside nodes, the meaning of a non-leaf entry's key.)
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace kaveltar {

inline constexpr int kIsamEntriesPerNode = 128;

inline constexpr size_t IsamNodeLength(size_t key_length) {
  return (key_length + 7) * kIsamEntriesPerNode;
}

struct IsamEntry {
  std::string key;     // exactly key_length bytes
  long record = 0;     // data record number, 1-999998
};

// Builds a complete index from entries sorted by key (strictly ascending). Invalid input
// (unsorted, wrong key length, record out of range, more entries than three levels hold)
// gives an error and writes nothing.
Result<std::string> BuildIsamIndexBytes(size_t key_length, const std::vector<IsamEntry>& entries);
// Same, written to a file through a temporary file and a rename (never half written).
Status BuildIsamIndexFile(const std::filesystem::path& file, size_t key_length,
                          const std::vector<IsamEntry>& entries);

// Walks the whole index and lists problems (bad levels, zero/out-of-range/revisited pointers,
// keys out of order) up to `max_problems`; empty when the index is sound.
std::vector<std::string> CheckIsamIndex(std::string_view bytes, size_t key_length,
                                        size_t max_problems = 20);

}  // namespace kaveltar
