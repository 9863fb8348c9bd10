// The reader of Access files on damaged files made by the test writer.
#include "migrate/mdb_reader.h"

#include <gtest/gtest.h>

#include <random>

#include "migrate_test_support.h"

namespace kaveltar {
namespace {

using namespace kaveltar::testing;
namespace fs = std::filesystem;

// Opens the file and reads every row of table T, keeping nothing.
Status ReadT(const fs::path& file) {
  Result<std::unique_ptr<MdbDatabase>> db = MdbDatabase::Open(file);
  if (!db.ok()) return db.status();
  return (*db)->ReadRows("T", [](const std::vector<MdbValue>&) { return Status::Ok(); });
}

// Damaged data pages give an error or rows, never a crash or a read outside the row (the
// sanitizer build checks the latter); a missing page is named.
TEST(MdbReaderTest, DamagedDataPagesNeverCrash) {
  MigrateTempFolder dir;
  // Ten rows "k0".."k9" with N = 0..9 on one data page, the fifth deleted.
  JetTable t{.name = "T", .columns = {{"Key", kJetText}, {"N", kJetLong}}, .deleted = {4}};
  for (int i = 0; i < 10; ++i) t.rows.push_back({std::string("k") + std::to_string(i), N(i)});
  const std::string good = WriteJet4({t});
  // The data page of T: after the header, usage maps, catalogue (2 pages) and T's definition.
  const size_t first = 5 * 4096;
  std::mt19937 random(7);
  int errors = 0;
  for (int round = 0; round < 300; ++round) {
    std::string bytes = good;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int k = 0; k < flips; ++k) {
      const size_t at = first + random() % (bytes.size() - first);
      bytes[at] = static_cast<char>(random());
    }
    const Status s = ReadT(WriteFixture(dir.path() / "d.mdb", bytes));
    if (!s.ok()) {
      ++errors;
      EXPECT_EQ(s.kind(), Status::Kind::kCorrupt) << s.message();
    }
  }
  EXPECT_GT(errors, 0);

  // Cut at a page boundary so that the data page is missing: found while reading.
  const fs::path short_file =
      WriteFixture(dir.path() / "short.mdb", good.substr(0, good.size() - 4096));
  EXPECT_EQ(ReadT(short_file).message(),
            "Il file " + short_file.string() + " è danneggiato (pagina oltre la fine del file)");
}

}  // namespace
}  // namespace kaveltar
