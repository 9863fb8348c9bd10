// The import file readers: the four checks on fixed-layout records, garbage, and the CSV
// conversion.
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

TEST(ImportFile, ChecksMarkEachKindOfFaultAndSurviveGarbage) {
  const std::string good = Record("0010020003", "20140303", "08:00", {{"FE", "01:00"}});
  ImportChecks c = Check(good + "\r\n" + good + "\r\n");
  EXPECT_TRUE(c.AllCorrect());
  EXPECT_EQ(c.records, 2);

  // 172 characters: only the length is wrong, and the import is not blocked.
  c = Check(good + "\r\n" + good.substr(0, 172) + "\r\n");
  EXPECT_FALSE(c.length);
  EXPECT_TRUE(c.values && c.dates && c.structure && !c.incomplete_employee);

  c = Check(Record("0010020003", "20140230", "08:00"));  // no CR LF at the end either
  EXPECT_FALSE(c.dates);
  EXPECT_TRUE(c.length && c.values);
  c = Check(Record("0010020003", "20140303", "8:00"));
  EXPECT_FALSE(c.values);
  c = Check(Record("0010020003", "20140303", "08:00", {{"F-E", "01:00"}}));
  EXPECT_FALSE(c.structure);
  EXPECT_FALSE(c.incomplete_employee);

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
