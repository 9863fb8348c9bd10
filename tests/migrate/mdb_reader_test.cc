// The reader of Access files, on files made by the test writer. Every file is first read by
// mdbtools' own mdb-tables and mdb-export, so the writer is checked by an independent reader;
// then the reader's rows are compared with what was written.
#include "migrate/mdb_reader.h"

#include <gtest/gtest.h>

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

// Ten rows "k0".."k9" with N = 0..9, three to a page (four data pages).
JetTable Keys() {
  JetTable t;
  t.name = "T";
  t.columns = {{"Key", kJetText}, {"N", kJetLong}};
  for (int i = 0; i < 10; ++i) t.rows.push_back({std::string("k") + std::to_string(i), N(i)});
  t.rows_per_page = 3;
  return t;
}

TEST(MdbReaderTest, TextNumbersAndNullsRoundTrip) {
  MigrateTempFolder dir;
  const JetTable t{.name = "Valori",
                   .columns = {{"Nome", kJetText},
                               {"Piccolo", kJetInt},
                               {"Grande", kJetLong},
                               {"Byte", kJetByte},
                               {"Nota", kJetText}},
                   .rows = {{T("Perché è così"), N(-32768), N(-2147483648LL), N(0), T("€ 12,50")},
                            {T("Ωμέγα"), N(32767), N(2147483647), N(255), kNull},
                            {T(""), kNull, kNull, kNull, T("x")}}};
  const JetTable empty{.name = "Vuota", .columns = {{"A", kJetText}}};
  const fs::path file = WriteCheckedFixture(dir.path() / "v.mdb", {t, empty});

  EXPECT_EQ(MdbExport(file, "Valori"),
            "Nome,Piccolo,Grande,Byte,Nota\n"
            "\"Perché è così\",-32768,-2147483648,0,\"€ 12,50\"\n"
            "\"Ωμέγα\",32767,2147483647,255,\n"
            ",,,,\"x\"\n");

  auto db = OpenOk(file);
  ASSERT_TRUE(db);
  EXPECT_TRUE(db->HasTable("valori"));
  EXPECT_FALSE(db->HasTable("MSysObjects"));
  Result<std::vector<std::string>> columns = db->Columns("VALORI");
  ASSERT_TRUE(columns.ok());
  EXPECT_EQ(*columns, (std::vector<std::string>{"Nome", "Piccolo", "Grande", "Byte", "Nota"}));
  Status s;
  EXPECT_EQ(
      ReadAll(*db, "Valori", &s),
      (std::vector<std::string>{"Perché è così|-32768|-2147483648|0|€ 12,50",
                                "Ωμέγα|32767|2147483647|255|<null>", "|<null>|<null>|<null>|x"}));
  EXPECT_TRUE(s.ok()) << s.message();
  EXPECT_TRUE(ReadAll(*db, "Vuota", &s).empty());
}

// libmdb 1.0 reads the two flags of a row offset the wrong way round; the reader must
// return every live row once, where its slot is, whichever flags a moved row's copy has. The
// row count the table definition stores is not trusted either.
TEST(MdbReaderTest, DeletedRowsSkippedAndMovedRowsReadOnceInPlace) {
  for (uint16_t copy_flags : {uint16_t{0x8000}, uint16_t{0x0000}}) {
    SCOPED_TRACE(copy_flags);
    MigrateTempFolder dir;
    JetTable t = Keys();
    t.deleted = {1, 5};
    t.moved = {2, 7};
    t.moved_copy_flags = copy_flags;
    t.stored_row_count = 0;
    const fs::path file = WriteCheckedFixture(dir.path() / "m.mdb", {t});
    // The deleted rows' data is really on the pages: mdbtools, misreading the flag, shows it.
    EXPECT_NE(MdbExport(file, "T").find("\"k5\",5\n"), std::string::npos);

    auto db = OpenOk(file);
    ASSERT_TRUE(db);
    Status s;
    EXPECT_EQ(ReadAll(*db, "T", &s), (std::vector<std::string>{"k0|0", "k2|2", "k3|3", "k4|4",
                                                               "k6|6", "k7|7", "k8|8", "k9|9"}));
    EXPECT_TRUE(s.ok()) << s.message();
  }
}

TEST(MdbReaderTest, FilesThatCannotBeReadAreNamedInItalian) {
  MigrateTempFolder dir;
  const std::string good = WriteJet4({Keys()});
  const fs::path missing = dir.path() / "manca.mdb";
  const fs::path text = WriteFixture(dir.path() / "testo.mdb", std::string(3 * 4096, 'A'));
  const fs::path empty = WriteFixture(dir.path() / "vuoto.mdb", "");
  const fs::path cut = WriteFixture(dir.path() / "cut.mdb", good.substr(0, good.size() - 100));
  const struct {
    fs::path file;
    Status::Kind kind;
    std::string message;
  } refused[] = {
      {missing, Status::Kind::kNotFound, "File non trovato: " + missing.string()},
      {text, Status::Kind::kInvalid, "Il file " + text.string() + " non è un database Access"},
      {empty, Status::Kind::kInvalid, "Il file " + empty.string() + " non è un database Access"},
      {cut, Status::Kind::kCorrupt, "Il file " + cut.string() + " è incompleto (troncato)"},
  };
  for (const auto& c : refused) {
    const Result<std::unique_ptr<MdbDatabase>> r = MdbDatabase::Open(c.file);
    EXPECT_EQ(r.status().kind(), c.kind) << c.file;
    EXPECT_EQ(r.status().message(), c.message);
  }

  // Cut at a page boundary so that the last data pages are missing: found while reading.
  const fs::path short_file =
      WriteFixture(dir.path() / "short.mdb", good.substr(0, good.size() - 2 * 4096));
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
  t.moved = {6};
  WriteCheckedFixture(dir.path() / "good.mdb", {t});
  const std::string good = WriteJet4({t});
  // Data pages of T: after the header, usage maps, catalogue (2 pages) and T's definition.
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
