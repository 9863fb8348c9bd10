// Index files: the reader (one descent per lookup), the bulk builder and the check walk.
//
// An index with key length k is a file of nodes of N = (k + 7) * 128 bytes; node r (r >= 1)
// starts at byte (r - 1) * N. A node holds 128 entries of k + 7 bytes; entry i starts at byte
// i * (k + 7) of its node:
//
//   offset  width  meaning
//   0       k      key; k blanks marks a free entry
//   k       1      level of the node that holds the entry: "1" root, "2" middle, "3" leaf
//   k + 1   6      record number, decimal, zero-padded:
//                    level 1 and 2: the node record of the next level down
//                    level 3:       the record of the data file that has this key
//
// Rules (the builder writes them, the reader relies on them, CheckIsamIndex verifies them):
//   - Node 1 is the root. The tree always has three levels: root -> middle -> leaf.
//   - The entries in use fill the front of a node with their keys strictly ascending in byte
//     order; the first free entry ends the node and whatever follows it is ignored.
//   - A free entry is k blanks, the node's level digit and "000000".
//   - The key of a level-1 or level-2 entry is the highest key of the subtree it points to.
//     The reader takes it as an upper bound: when a subtree holds nothing at or after the
//     searched key it goes on with the next entry, so a key left too high by a deletion costs
//     a node read, never a wrong answer.
//   - Every leaf key is above every key of the leaves before it (in-order walk).
//   - The empty index has three records, as the payroll program creates it: the root with
//     the entry "1000002", node 2 with "2000003" and an empty leaf 3; both entries have blank
//     keys, so they count as free and the index holds no key.
//   - The builder numbers nodes as: 1 root, 2 .. M + 1 the M middle nodes, then the leaves in
//     key order. Leaves and middle nodes are filled to 128 entries, the last of each level
//     holds the rest. Three levels hold at most 128^3 keys.
//
// Hostile files: every pointer is checked before it is followed (not 0 unless it is a data
// record, within 2..node count, never a node already visited by the same call), every node
// read is checked for level digits, pointer digits and key order, and the depth is fixed at
// three, so a lookup reads each node at most once and ends.
#include "archive/isam.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kaveltar {
namespace {

constexpr long kMaxDataRecord = 999998;
constexpr size_t kMaxKeyLength = 774;  // (774 + 7) * 128 = 99,968 fits the catalogue's width

size_t EntryLength(size_t k) { return k + 7; }

std::string_view EntryKey(std::string_view node, size_t k, int i) {
  return node.substr(static_cast<size_t>(i) * EntryLength(k), k);
}

char EntryLevel(std::string_view node, size_t k, int i) {
  return node[static_cast<size_t>(i) * EntryLength(k) + k];
}

bool IsBlank(std::string_view s) {
  for (char c : s) {
    if (c != ' ') return false;
  }
  return true;
}

// The six-digit record number of entry i; -1 when it is not six digits.
long EntryPointer(std::string_view node, size_t k, int i) {
  const std::string_view digits = node.substr(static_cast<size_t>(i) * EntryLength(k) + k + 1, 6);
  long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The number of entries in use at the front of a node, after checking them (level digit,
// pointer digits, keys strictly ascending); -1 when one breaks the rules.
int InUseEntries(std::string_view node, size_t k, char level) {
  int used = 0;
  for (; used < kIsamEntriesPerNode; ++used) {
    const std::string_view key = EntryKey(node, k, used);
    if (IsBlank(key)) break;
    if (EntryLevel(node, k, used) != level || EntryPointer(node, k, used) < 0) return -1;
    if (used > 0 && EntryKey(node, k, used - 1).compare(key) >= 0) return -1;
  }
  return used;
}

// InUseEntries of the node just read into the slot of `level`, taken from the source when it
// vouches for the same bytes, and left with it otherwise.
int CheckedInUseEntries(IsamNodeSource& source, std::string_view node, size_t k, int level) {
  const int known = source.CheckedEntries(level);
  if (known >= 0) return known;
  const int used = InUseEntries(node, k, static_cast<char>('0' + level));
  if (used >= 0) source.SetCheckedEntries(level, used);
  return used;
}

// Keys as they may appear in a problem report: unprintable bytes as "?".
std::string Printable(std::string_view raw) {
  std::string out;
  for (char c : raw) {
    const unsigned char u = static_cast<unsigned char>(c);
    out += (u >= 0x20 && u < 0x7F) ? c : '?';
  }
  return out;
}

std::string SixDigits(long n) {
  std::string s = std::to_string(n);
  return std::string(6 - std::min<size_t>(6, s.size()), '0') + s;
}

}  // namespace

std::string_view IsamMemorySource::ReadNode(long record, int /*level*/) {
  if (record < 1 || record > node_count()) return {};
  return bytes_.substr(static_cast<size_t>(record - 1) * node_length_, node_length_);
}

IsamLookupResult IsamLookup(IsamNodeSource& source, std::string_view key, bool successor) {
  const size_t k = key.size();
  const size_t node_length = IsamNodeLength(k);
  const long count = source.node_count();
  auto stop = [](IsamOutcome outcome, long node) { return IsamLookupResult{outcome, 0, node}; };
  if (k == 0 || count < 1) return stop(IsamOutcome::kCorrupt, 1);

  // Does the search go into (non-leaf) or stop at (leaf) an entry with this key?
  auto reaches = [&](std::string_view entry_key) {
    const int c = entry_key.compare(key);
    return successor ? c > 0 : c >= 0;
  };
  std::vector<bool> visited(static_cast<size_t>(count) + 1);
  visited[1] = true;
  // Opens the node a non-leaf entry points to; the outcome when it cannot be used.
  auto open = [&](long pointer, int level, std::string_view* node, int* used,
                  IsamLookupResult* failure) {
    if (pointer == 0) {
      *failure = stop(IsamOutcome::kZeroRecord, 0);
      return false;
    }
    if (pointer < 2 || pointer > count || visited[static_cast<size_t>(pointer)]) {
      *failure = stop(IsamOutcome::kCorrupt, pointer);
      return false;
    }
    visited[static_cast<size_t>(pointer)] = true;
    *node = source.ReadNode(pointer, level);
    *used = node->size() == node_length ? CheckedInUseEntries(source, *node, k, level) : -1;
    if (*used < 0) {
      *failure = stop(IsamOutcome::kCorrupt, pointer);
      return false;
    }
    return true;
  };

  const std::string_view root = source.ReadNode(1, 1);
  const int root_used = root.size() == node_length ? CheckedInUseEntries(source, root, k, 1) : -1;
  if (root_used < 0) return stop(IsamOutcome::kCorrupt, 1);
  IsamLookupResult failure;
  for (int i = 0; i < root_used; ++i) {
    if (!reaches(EntryKey(root, k, i))) continue;
    std::string_view middle;
    int middle_used = 0;
    if (!open(EntryPointer(root, k, i), 2, &middle, &middle_used, &failure)) {
      if (failure.node == 0) failure.node = 1;
      return failure;
    }
    const long middle_record = EntryPointer(root, k, i);
    for (int j = 0; j < middle_used; ++j) {
      if (!reaches(EntryKey(middle, k, j))) continue;
      std::string_view leaf;
      int leaf_used = 0;
      if (!open(EntryPointer(middle, k, j), 3, &leaf, &leaf_used, &failure)) {
        if (failure.node == 0) failure.node = middle_record;
        return failure;
      }
      const long leaf_record = EntryPointer(middle, k, j);
      for (int e = 0; e < leaf_used; ++e) {
        const std::string_view entry_key = EntryKey(leaf, k, e);
        if (!reaches(entry_key)) continue;
        // Keys ascend, so the first entry reached answers: for a lookup it is the key or
        // the proof that the key is absent.
        if (!successor && entry_key != key) return stop(IsamOutcome::kNoRecord, 0);
        const long record = EntryPointer(leaf, k, e);
        if (record == 0) return stop(IsamOutcome::kZeroRecord, leaf_record);
        return IsamLookupResult{IsamOutcome::kFound, record, 0};
      }
    }
  }
  return stop(IsamOutcome::kNoRecord, 0);
}

Result<std::string> BuildIsamIndexBytes(size_t key_length, const std::vector<IsamEntry>& entries) {
  const size_t k = key_length;
  if (k == 0 || k > kMaxKeyLength) {
    return Status::Invalid("index key length " + std::to_string(k) + " outside 1-774");
  }
  constexpr size_t kFanout = kIsamEntriesPerNode;
  if (entries.size() > kFanout * kFanout * kFanout) {
    return Status::Invalid("index of " + std::to_string(entries.size()) +
                           " keys: three levels hold at most 2097152");
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    const IsamEntry& e = entries[i];
    const std::string where = "index entry " + std::to_string(i + 1) + ": ";
    if (e.key.size() != k) return Status::Invalid(where + "key length is not " + std::to_string(k));
    if (IsBlank(e.key)) return Status::Invalid(where + "blank key");
    if (e.record < 1 || e.record > kMaxDataRecord) {
      return Status::Invalid(where + "record number " + std::to_string(e.record) +
                             " outside 1-999998");
    }
    if (i > 0 && entries[i - 1].key.compare(e.key) >= 0) {
      return Status::Invalid(where + "key \"" + Printable(e.key) + "\" not above the previous one");
    }
  }

  const size_t leaves = std::max<size_t>(1, (entries.size() + kFanout - 1) / kFanout);
  const size_t middles = (leaves + kFanout - 1) / kFanout;
  const size_t node_length = IsamNodeLength(k);
  const size_t entry_length = EntryLength(k);
  std::string bytes((1 + middles + leaves) * node_length, ' ');
  // Every entry starts free: blank key, the node's level, record 0.
  auto level_of = [&](size_t node) { return node == 0 ? '1' : node <= middles ? '2' : '3'; };
  for (size_t node = 0; node < 1 + middles + leaves; ++node) {
    for (size_t i = 0; i < kFanout; ++i) {
      char* entry = &bytes[node * node_length + i * entry_length];
      entry[k] = level_of(node);
      std::memcpy(entry + k + 1, "000000", 6);
    }
  }
  auto put = [&](size_t node, size_t i, std::string_view key, long record) {
    char* entry = &bytes[node * node_length + i * entry_length];
    std::memcpy(entry, key.data(), key.size());
    std::memcpy(entry + k + 1, SixDigits(record).data(), 6);
  };

  if (entries.empty()) {
    put(0, 0, std::string(k, ' '), 2);
    put(1, 0, std::string(k, ' '), 3);
    return bytes;
  }
  for (size_t leaf = 0; leaf < leaves; ++leaf) {
    const size_t first = leaf * kFanout;
    const size_t last = std::min(entries.size(), first + kFanout) - 1;
    for (size_t e = first; e <= last; ++e) {
      put(1 + middles + leaf, e - first, entries[e].key, entries[e].record);
    }
    // The middle node of this leaf names it by its highest key.
    const size_t middle = leaf / kFanout;
    put(1 + middle, leaf % kFanout, entries[last].key, static_cast<long>(2 + middles + leaf));
  }
  for (size_t middle = 0; middle < middles; ++middle) {
    const size_t last_leaf = std::min(leaves, (middle + 1) * kFanout) - 1;
    const size_t last_entry = std::min(entries.size(), (last_leaf + 1) * kFanout) - 1;
    put(0, middle, entries[last_entry].key, static_cast<long>(2 + middle));
  }
  return bytes;
}

Status BuildIsamIndexFile(const std::filesystem::path& file, size_t key_length,
                          const std::vector<IsamEntry>& entries) {
  Result<std::string> bytes = BuildIsamIndexBytes(key_length, entries);
  if (!bytes.ok()) return bytes.status();
  const std::string temp = file.string() + ".tmp-" + std::to_string(getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return Status::IoError("cannot create " + temp + ": " + std::strerror(errno));
  const std::string& data = *bytes;
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string reason = std::strerror(errno);
      ::close(fd);
      ::unlink(temp.c_str());
      return Status::IoError("cannot write " + temp + ": " + reason);
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const std::string reason = std::strerror(errno);
    ::unlink(temp.c_str());
    return Status::IoError("cannot write " + temp + ": " + reason);
  }
  if (::rename(temp.c_str(), file.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    ::unlink(temp.c_str());
    return Status::IoError("cannot rename " + temp + " to " + file.string() + ": " + reason);
  }
  return Status::Ok();
}

namespace {

// The check walk: visits every node reachable from the root once, in key order, and lists
// what breaks the layout rules. Optionally collects the leaf entries.
class IndexWalk {
 public:
  IndexWalk(std::string_view bytes, size_t k, size_t max_problems, std::vector<IsamEntry>* out)
      : source_(bytes, k), k_(k), max_(max_problems), out_(out) {}

  std::vector<std::string> Run(size_t byte_count) {
    const size_t node_length = IsamNodeLength(k_);
    if (k_ == 0) {
      Add("key length 0");
      return problems_;
    }
    if (byte_count % node_length != 0) {
      Add("the file ends with a partial node (" + std::to_string(byte_count % node_length) +
          " bytes)");
    }
    count_ = source_.node_count();
    if (count_ < 1) {
      Add("the index holds no root node");
      return problems_;
    }
    visited_.assign(static_cast<size_t>(count_) + 1, false);
    visited_[1] = true;
    Node(1, 1);
    return problems_;
  }

 private:
  bool Full() const { return problems_.size() >= max_; }
  void Add(std::string problem) {
    if (!Full()) problems_.push_back(std::move(problem));
  }
  static std::string Where(long node, int entry) {
    return "node " + std::to_string(node) + " entry " + std::to_string(entry + 1) + ": ";
  }

  // Checks node `record` of `level` and its subtree; returns the highest key found in it.
  std::string Node(long record, int level) {
    const std::string_view node = source_.ReadNode(record, level);
    const char level_digit = static_cast<char>('0' + level);
    std::string highest;
    bool ended = false;  // a free entry was met
    for (int i = 0; i < kIsamEntriesPerNode && !Full(); ++i) {
      const std::string_view key = EntryKey(node, k_, i);
      if (IsBlank(key)) {
        ended = true;
        continue;
      }
      if (ended) {
        Add(Where(record, i) + "key after a free entry (ignored by lookups)");
        continue;
      }
      if (EntryLevel(node, k_, i) != level_digit) {
        Add(Where(record, i) + "level \"" +
            Printable(std::string_view(&node[i * EntryLength(k_) + k_], 1)) +
            "\" in a node of level " + std::to_string(level));
        continue;
      }
      const long pointer = EntryPointer(node, k_, i);
      if (pointer < 0) {
        Add(Where(record, i) + "record number is not six digits");
        continue;
      }
      if (i > 0 && !highest.empty() && std::string_view(highest).compare(key) >= 0) {
        Add(Where(record, i) + "key \"" + Printable(key) + "\" not above the previous key");
      }
      if (pointer == 0) {
        Add(Where(record, i) + "record number 0");
        continue;
      }
      if (level == 3) {
        Leaf(record, i, key, pointer);
      } else if (pointer < 2 || pointer > count_) {
        Add(Where(record, i) + "points to node " + std::to_string(pointer) + ", outside 2-" +
            std::to_string(count_));
      } else if (visited_[static_cast<size_t>(pointer)]) {
        Add(Where(record, i) + "node " + std::to_string(pointer) + " is reached twice");
      } else {
        visited_[static_cast<size_t>(pointer)] = true;
        const std::string below = Node(pointer, level + 1);
        if (!below.empty() && below.compare(key) > 0) {
          Add(Where(record, i) + "node " + std::to_string(pointer) + " holds keys above \"" +
              Printable(key) + "\"");
        }
      }
      highest = std::string(key);
    }
    return highest;
  }

  void Leaf(long record, int i, std::string_view key, long pointer) {
    if (pointer > kMaxDataRecord) {
      Add(Where(record, i) + "record number " + std::to_string(pointer) + " is reserved");
    }
    if (have_last_ && std::string_view(last_key_).compare(key) >= 0) {
      Add(Where(record, i) + "key \"" + Printable(key) + "\" not above \"" + Printable(last_key_) +
          "\" of an earlier leaf");
    }
    last_key_.assign(key);
    have_last_ = true;
    if (out_ != nullptr) out_->push_back(IsamEntry{std::string(key), pointer});
  }

  IsamMemorySource source_;
  size_t k_;
  size_t max_;
  std::vector<IsamEntry>* out_;
  long count_ = 0;
  std::vector<bool> visited_;
  std::vector<std::string> problems_;
  std::string last_key_;
  bool have_last_ = false;
};

}  // namespace

std::vector<std::string> CheckIsamIndex(std::string_view bytes, size_t key_length,
                                        size_t max_problems) {
  if (max_problems == 0) return {};
  return IndexWalk(bytes, key_length, max_problems, nullptr).Run(bytes.size());
}

Result<std::vector<IsamEntry>> ReadIsamEntries(std::string_view bytes, size_t key_length) {
  std::vector<IsamEntry> entries;
  const std::vector<std::string> problems =
      IndexWalk(bytes, key_length, 1, &entries).Run(bytes.size());
  if (!problems.empty()) return Status::Corrupt(problems.front());
  return entries;
}

}  // namespace kaveltar
