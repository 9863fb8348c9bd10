// The reader of Access files, on files made by the test writer (itself checked once against
// mdbtools' mdb-export): files it refuses and damaged pages.
#include "migrate/mdb_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "migrate_test_support.h"

namespace kaveltar {
namespace {

using namespace kaveltar::testing;
namespace fs = std::filesystem;

// Every row of a table as "value|value|..." with NULL shown as "<null>".
std::vector<std::string> ReadAll(MdbDatabase& db, std::string_view table, Status* status) {
  std::vector<std::string> rows;
  *status = db.ReadRows(table, [&](const std::vector<MdbValue>& row) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      if (i) line += "|";
      line += row[i].is_null ? "<null>" : row[i].text;
    }
    rows.push_back(line);
    return Status::Ok();
  });
  return rows;
}

std::unique_ptr<MdbDatabase> OpenOk(const fs::path& file) {
  Result<std::unique_ptr<MdbDatabase>> db = MdbDatabase::Open(file);
  EXPECT_TRUE(db.ok()) << db.status().message();
  return db.ok() ? std::move(*db) : nullptr;
}

// Ten rows "k0".."k9" with N = 0..9, on one data page.
JetTable Keys() {
  JetTable t;
  t.name = "T";
  t.columns = {{"Key", kJetText}, {"N", kJetLong}};
  for (int i = 0; i < 10; ++i) t.rows.push_back({std::string("k") + std::to_string(i), N(i)});
  return t;
}

TEST(MdbReaderTest, FilesThatCannotBeReadAreNamedInItalian) {
  MigrateTempFolder dir;
  const std::string good = WriteJet4({Keys()});
  const fs::path text = WriteFixture(dir.path() / "testo.mdb", std::string(3 * 4096, 'A'));
  const Result<std::unique_ptr<MdbDatabase>> r = MdbDatabase::Open(text);
  EXPECT_EQ(r.status().kind(), Status::Kind::kInvalid);
  EXPECT_EQ(r.status().message(), "Il file " + text.string() + " non è un database Access");

  // Cut at a page boundary so that the data page is missing: found while reading.
  const fs::path short_file =
      WriteFixture(dir.path() / "short.mdb", good.substr(0, good.size() - 4096));
  auto db = OpenOk(short_file);
  ASSERT_TRUE(db);
  Status s;
  ReadAll(*db, "T", &s);
  EXPECT_EQ(s.kind(), Status::Kind::kCorrupt);
  EXPECT_EQ(s.message(),
            "Il file " + short_file.string() + " è danneggiato (pagina oltre la fine del file)");
}

// Damaged data pages give an error or rows, never a crash or a read outside the row (the
// sanitizer build checks the latter).
TEST(MdbReaderTest, DamagedDataPagesNeverCrash) {
  MigrateTempFolder dir;
  JetTable t = Keys();
  t.deleted = {4};
  const std::string good = WriteJet4({t});
  // mdbtools, an independent reader, finds the table and every row (it shows deleted ones).
  const std::string exported = MdbExport(WriteFixture(dir.path() / "good.mdb", good), "T");
  EXPECT_EQ(exported.substr(0, 13), "Key,N\n\"k0\",0\n");
  EXPECT_EQ(std::count(exported.begin(), exported.end(), '\n'), 11);
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
    const fs::path file = WriteFixture(dir.path() / "d.mdb", bytes);
    auto db = OpenOk(file);
    ASSERT_TRUE(db);
    Status s;
    ReadAll(*db, "T", &s);
    if (!s.ok()) {
      ++errors;
      EXPECT_EQ(s.kind(), Status::Kind::kCorrupt) << s.message();
    }
  }
  EXPECT_GT(errors, 0);

  // A live row whose offset points into the row table.
  std::string bytes = good;
  bytes[first + 14] = 0x05;
  bytes[first + 15] = 0x00;
  auto db = OpenOk(WriteFixture(dir.path() / "o.mdb", bytes));
  ASSERT_TRUE(db);
  Status s;
  ReadAll(*db, "T", &s);
  EXPECT_EQ(s.message(), "Il file " + (dir.path() / "o.mdb").string() +
                             " è danneggiato (posizione di una riga)");
}

}  // namespace
}  // namespace kaveltar
