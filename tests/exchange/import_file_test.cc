// The import file readers: the four checks on fixed-layout records, lines of any shape, and
// the CSV conversion.
#include "exchange/import_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "exchange/exchange_fixture.h"

namespace kaveltar {
namespace {

// A record of the layout without its line end.
std::string Record(
    std::string_view key, std::string_view day, std::string_view worked,
    std::initializer_list<std::pair<std::string_view, std::string_view>> pairs = {}) {
  return testing::ImportRecord(key, day, worked, pairs, "");
}

ImportChecks Check(const std::string& text) {
  std::istringstream in(text);
  return CheckImportRecords(in);
}

TEST(ImportFile, ChecksMarkEachKindOfFault) {
  const std::string good = Record("0010020003", "20140303", "08:00", {{"FE", "01:00"}});
  EXPECT_EQ(ImportPairCode(good, 1), "FE        ");
  EXPECT_EQ(ImportPairHours(good, 10), "     ");  // the last pair ends the record
  ImportChecks c = Check(good + "\r\n" + good + "\r\n");
  EXPECT_TRUE(c.AllCorrect());
  EXPECT_EQ(c.records, 2);

  // 172 characters: only the length is wrong, and the import is not blocked.
  c = Check(good + "\r\n" + good.substr(0, 172) + "\r\n");
  EXPECT_FALSE(c.length);
  EXPECT_TRUE(c.values && c.dates && c.structure && !c.incomplete_employee);

  // An incomplete key blocks.
  c = Check(Record("001002", "20140303", "08:00") + "\r\n");
  EXPECT_TRUE(c.incomplete_employee);
  EXPECT_FALSE(c.structure);
  EXPECT_TRUE(c.length);

  c = Check(Record("0010020003", "20140230", "08:00"));  // no CR LF at the end either
  EXPECT_FALSE(c.dates);
  EXPECT_TRUE(c.length && c.values);
  c = Check(Record("0010020003", "20140303", "8:00"));
  EXPECT_FALSE(c.values);
  c = Check(Record("0010020003", "20140303", "08:00", {{"F-E", "01:00"}}));
  EXPECT_FALSE(c.structure);
  EXPECT_FALSE(c.incomplete_employee);
}

TEST(ImportFile, LinesOfAnyShape) {
  // LF only, CR LF, a final line without end, a blank line, a line far too long.
  const std::string good = Record("0010020003", "20140303", "08:00");
  std::string text = good + "\n" + good + "\r\n\r\n" + std::string(100000, 'x') + "\r\n" + good;
  std::istringstream in(text);
  ImportLineReader reader(in);
  std::vector<size_t> lengths;
  while (reader.Next()) {
    lengths.push_back(reader.length());
    EXPECT_LE(reader.line().size(), kMaxKeptLine);
  }
  EXPECT_EQ(lengths, (std::vector<size_t>{173, 173, 0, 100000, 173}));
  ImportChecks c = Check(text);
  EXPECT_EQ(c.records, 4);
  EXPECT_FALSE(c.length);

  // Binary garbage, NUL bytes included: results, no crash.
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage.push_back(static_cast<char>((i * 131) % 256));
  c = Check(garbage);
  EXPECT_FALSE(c.AllCorrect());
  EXPECT_TRUE(Check("").AllCorrect());
}

// A spreadsheet's CSV: UTF-8 with a byte order mark, a heading, an 8-digit employee code,
// quoted fields, empty pairs, a short row, an accented code, a row of separators and a note.
TEST(ImportFile, CsvConversion) {
  std::istringstream in(
      "\xEF\xBB\xBF"
      "Matricola;Giorno;Ore lavorate\r\n"
      "10020003;20140303;8:00;r\xC3\xA8;1:00\r\n"
      "0010020004;\"20140304\";\"08:00\";\"M;L\";02:00;;;\r\n"
      ";;;;\r\n"
      "Totale marzo;;;\r\n"
      "0010020005;20140305\r\n");
  std::ostringstream out;
  const CsvConversion c = ConvertCsvRecords(in, out);
  EXPECT_TRUE(c.utf8);
  EXPECT_EQ(c.lines, 3);
  EXPECT_EQ(c.skipped, 2);  // the heading and the note; blank rows are not counted
  EXPECT_EQ(c.first_skipped, 1);
  EXPECT_FALSE(c.wrong_characters);
  const std::string text = out.str();
  ASSERT_EQ(text.size(), 3 * 175u);
  // "10020003" is an employee code without its leading zeros; the code goes into the fixed
  // layout's Windows-1252, "rè" being two characters of a ten-wide field.
  EXPECT_EQ(text.substr(0, 38),
            "0010020003"
            "20140303"
            "08:00"
            "r\xE8        "
            "01:00");
  const std::string second = text.substr(175, 173);
  EXPECT_EQ(second.substr(0, 23), "00100200042014030408:00");
  EXPECT_EQ(ImportPairCode(second, 1), "M;L       ");
  EXPECT_EQ(ImportPairHours(second, 2), "00000");
  EXPECT_EQ(text.substr(350, 23), "00100200052014030500000");
  EXPECT_TRUE(Check(text).AllCorrect());

  // A control character, a code longer than its field, a row without a day: wrong characters.
  for (const char* bad :
       {"0010020008;20140308;08:00;F\x01;01:00\r\n",
        "0010020006;20140306;08:00;CODICETROPPOLUNGO;01:00\r\n", "0010020007\r\n"}) {
    std::istringstream one(bad);
    std::ostringstream none;
    EXPECT_TRUE(ConvertCsvRecords(one, none).wrong_characters) << bad;
    EXPECT_TRUE(none.str().empty());
  }

  // Every line a heading: nothing to import, and the message says how many were skipped.
  std::istringstream headings(
      "\xEF\xBB\xBF"
      "Matricola;Giorno\r\nA-12;20140303;08:00\r\n;;\r\n");
  std::ostringstream none;
  const CsvConversion h = ConvertCsvRecords(headings, none);
  EXPECT_TRUE(none.str().empty());
  EXPECT_EQ(
      NoCsvRecordsText(h),
      "Il file CSV non contiene righe di presenze da importare: 2 righe scartate perché il codice "
      "dipendente non è numerico (prima riga scartata: 1)");
}

}  // namespace
}  // namespace kaveltar
