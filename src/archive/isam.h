// Index files of the payroll archives: a three-level tree of fixed nodes.
//
// A node is one record of the index file: 128 entries of (k + 7) bytes, where k is the key
// length. An entry is the key (k bytes) followed by seven digits: the level ("1", "2" or "3")
// and a six-digit record number, zero-padded. Record 1 is the root (level 1); level-1
// entries point to level-2 node records, level-2 entries to level-3 node records (leaves),
// level-3 entries to records of the data file. A free entry carries pointer 0.
//
// The node-layout rules shared by the reader, the builder and the check walk (key order
// inside nodes, the meaning of a non-leaf entry's key, free entries) are tabled at the top of
// isam.cc.
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
  std::string key;  // exactly key_length bytes, not all blanks
  long record = 0;  // data record number, 1-999998
};

// Where the reader gets its nodes from: an open index file or bytes in memory.
class IsamNodeSource {
 public:
  virtual ~IsamNodeSource() = default;
  // Number of whole nodes.
  virtual long node_count() const = 0;
  // The bytes of node `record` (1 to node_count()), read into the slot of `level` (1-3). The
  // view stays valid until the next read into the same slot; empty when it cannot be read.
  virtual std::string_view ReadNode(long record, int level) = 0;
  // The number of entries in use, already checked, of the node last read into the slot of
  // `level`, when the source knows its bytes are the ones that check was made on; -1 when it
  // does not. Lookups of neighbouring keys read the same root and middle nodes again: a
  // source that notices the bytes did not change spares the checks.
  virtual int CheckedEntries(int /*level*/) const { return -1; }
  virtual void SetCheckedEntries(int /*level*/, int /*used*/) {}
};

// Nodes of an index held in memory (a trailing partial node is not a node).
class IsamMemorySource : public IsamNodeSource {
 public:
  IsamMemorySource(std::string_view bytes, size_t key_length)
      : bytes_(bytes), node_length_(IsamNodeLength(key_length)) {}
  long node_count() const override { return static_cast<long>(bytes_.size() / node_length_); }
  std::string_view ReadNode(long record, int level) override;

 private:
  std::string_view bytes_;
  size_t node_length_;
};

enum class IsamOutcome {
  kFound,       // record holds the data record number
  kNoRecord,    // the key is absent (lookup) or has no successor (next)
  kZeroRecord,  // the entry that answers, or a pointer on the way, holds record number 0
  kCorrupt,     // a node that breaks the layout rules (see isam.cc); node names it
};

struct IsamLookupResult {
  IsamOutcome outcome = IsamOutcome::kNoRecord;
  long record = 0;
  long node = 0;  // kZeroRecord/kCorrupt: the node record where the walk stopped
};

// One descent of the tree for `key` (its length is the index's key length). `successor`
// false: the entry equal to the key (operation 2); true: the first entry whose key follows
// it (operation 4). Bounded: no node is read twice, so a hostile index ends quickly.
IsamLookupResult IsamLookup(IsamNodeSource& source, std::string_view key, bool successor);

// Builds a complete index from entries sorted by key (strictly ascending). Invalid input
// (key length 0 or above 774, unsorted, wrong key length, blank key, record out of range,
// more entries than three levels hold) gives an error and writes nothing. No entries give
// the three-record empty index.
Result<std::string> BuildIsamIndexBytes(size_t key_length, const std::vector<IsamEntry>& entries);
// Same, written to a file through a temporary file and a rename (never half written).
Status BuildIsamIndexFile(const std::filesystem::path& file, size_t key_length,
                          const std::vector<IsamEntry>& entries);

// Walks the whole index and lists problems (bad levels, zero/out-of-range/revisited pointers,
// keys out of order, keys above their parent's key, a partial trailing node) up to
// `max_problems`; empty when the index is sound.
std::vector<std::string> CheckIsamIndex(std::string_view bytes, size_t key_length,
                                        size_t max_problems = 20);

// Every entry of a sound index in key order; the first problem CheckIsamIndex would list
// otherwise.
Result<std::vector<IsamEntry>> ReadIsamEntries(std::string_view bytes, size_t key_length);

}  // namespace kaveltar
