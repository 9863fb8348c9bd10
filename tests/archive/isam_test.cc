#include "archive/isam.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

namespace kaveltar {
namespace {

constexpr long kNone = -2;  // the model's "no record"

// The reader's answer for a key as the model states it: a record number or kNone; anything
// else (corruption, zero record) comes back as -1.
long Ask(IsamNodeSource& source, const std::string& key, bool successor) {
  const IsamLookupResult r = IsamLookup(source, key, successor);
  if (r.outcome == IsamOutcome::kFound) return r.record;
  return r.outcome == IsamOutcome::kNoRecord ? kNone : -1;
}

// Random distinct keys: digits (like employee keys) or any non-blank bytes, high ones too.
std::map<std::string, long> RandomModel(std::mt19937& rng, size_t count, size_t k, bool bytes) {
  std::map<std::string, long> model;
  while (model.size() < count) {
    std::string key(k, '0');
    for (char& c : key) c = static_cast<char>(bytes ? 0x21 + rng() % 0xDE : '0' + rng() % 10);
    model.emplace(key, 1 + static_cast<long>(rng() % 999998));
  }
  return model;
}

std::vector<IsamEntry> Entries(const std::map<std::string, long>& model) {
  std::vector<IsamEntry> out;
  for (const auto& [key, record] : model) out.push_back({key, record});
  return out;
}

// Every key, its neighbours and the ends, asked for with operations 2 and 4.
void ExpectMatchesModel(const std::string& bytes, const std::map<std::string, long>& model,
                        size_t k) {
  IsamMemorySource source(bytes, k);
  std::vector<std::string> probes = {std::string(k, '\x01'), std::string(k, '\xFF'),
                                     std::string(k, '0')};
  for (const auto& [key, record] : model) {
    probes.push_back(key);
    std::string below = key, above = key;
    if (below.back() > 0x21) --below.back();
    if (static_cast<unsigned char>(above.back()) < 0xFF) ++above.back();
    probes.push_back(below);
    probes.push_back(above);
  }
  for (const std::string& probe : probes) {
    const auto exact = model.find(probe);
    const auto next = model.upper_bound(probe);
    ASSERT_EQ(Ask(source, probe, false), exact == model.end() ? kNone : exact->second) << probe;
    ASSERT_EQ(Ask(source, probe, true), next == model.end() ? kNone : next->second) << probe;
  }
}

TEST(IsamTest, ReaderMatchesAMapAcrossEveryLevelBoundary) {
  std::mt19937 rng(7);
  for (size_t count : {0, 1, 2, 127, 128, 129, 300, 128 * 128, 128 * 128 + 1}) {
    for (bool bytes : {false, true}) {
      const size_t k = bytes ? 4 : 10;
      const auto model = RandomModel(rng, count, k, bytes);
      const Result<std::string> index = BuildIsamIndexBytes(k, Entries(model));
      ASSERT_TRUE(index.ok()) << index.status().message();
      EXPECT_TRUE(CheckIsamIndex(*index, k).empty()) << count;
      const auto read = ReadIsamEntries(*index, k);
      ASSERT_TRUE(read.ok());
      ASSERT_EQ(read->size(), count);
      ExpectMatchesModel(*index, model, k);
    }
  }
}

TEST(IsamTest, BuilderRefusesInvalidInput) {
  const std::vector<std::vector<IsamEntry>> invalid = {
      {{"BBB", 1}, {"AAA", 2}}, {{"AA", 1}}, {{"AAA", 0}}};
  for (const auto& entries : invalid) EXPECT_FALSE(BuildIsamIndexBytes(3, entries).ok());
}

// A 300-key index (k = 4): root 1, middle 2, leaves 3-5.
class CorruptIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 300; ++i) model_.emplace("K" + std::to_string(100 + i), i + 1);
    index_ = *BuildIsamIndexBytes(4, Entries(model_));
  }
  // Entry e of node r, from its key (offset 0) to its record number (offset 5).
  char* Entry(long node, int e) { return &index_[(node - 1) * IsamNodeLength(4) + e * 11]; }
  IsamLookupResult Lookup(const std::string& key, bool successor) {
    IsamMemorySource source(index_, 4);
    return IsamLookup(source, key, successor);
  }
  std::map<std::string, long> model_;
  std::string index_;
};

TEST_F(CorruptIndexTest, BadPointersAndLevelsStopTheWalk) {
  struct Case {
    const char* what;
    long node;
    int entry;
    int offset;
    const char* bytes;
    IsamOutcome outcome;
  };
  const Case cases[] = {
      {"root past the end", 1, 0, 5, "000009", IsamOutcome::kCorrupt},
      {"middle to itself", 2, 0, 5, "000002", IsamOutcome::kCorrupt},
      {"middle pointer zero", 2, 0, 5, "000000", IsamOutcome::kZeroRecord},
      {"leaf with level 2", 3, 5, 4, "2", IsamOutcome::kCorrupt},
      {"pointer not digits", 2, 0, 5, "00x003", IsamOutcome::kCorrupt},
      {"keys out of order", 3, 1, 0, "K000", IsamOutcome::kCorrupt},
  };
  const std::string pristine = index_;
  for (const Case& c : cases) {
    index_ = pristine;
    std::memcpy(Entry(c.node, c.entry) + c.offset, c.bytes, std::strlen(c.bytes));
    EXPECT_EQ(Lookup("K100", false).outcome, c.outcome) << c.what;
    EXPECT_FALSE(CheckIsamIndex(index_, 4).empty()) << c.what;
  }
  // Truncated: the last leaf is gone, a middle entry points past the end.
  index_ = pristine.substr(0, 4 * IsamNodeLength(4) + 100);
  EXPECT_EQ(Lookup("K399", false).outcome, IsamOutcome::kCorrupt);
  EXPECT_EQ(Lookup("K100", false).record, 1);  // what is intact still answers
}

TEST_F(CorruptIndexTest, RevisitedLeafIsRejected) {
  // Middle entry 1 (leaf 3, keys K100-K227) gets a key too high, K300, and entry 2 points
  // to leaf 3 too: the walk for K300 finds nothing in leaf 3, then is sent there again.
  std::memcpy(Entry(2, 0), "K300", 4);
  std::memcpy(Entry(2, 1) + 5, "000003", 6);
  EXPECT_EQ(Lookup("K300", false).outcome, IsamOutcome::kCorrupt);
  EXPECT_EQ(Lookup("K300", false).node, 3);
}

}  // namespace
}  // namespace kaveltar
