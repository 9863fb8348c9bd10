// The command line's text/CSV/JSON output of every column.
#include "tables/listing.h"

#include <gtest/gtest.h>

namespace kaveltar {
namespace {

TEST(ListingTest, FormatsEveryColumnAsTextCsvAndJson) {
  TableData t;
  t.columns = {"KGIUS", "GIUS_1", "GIUS_8"};
  t.rows = {{"001", "FERIE", " 0"}, {"002", "PERM. \"L.104\"; ORE", "10"}, {"003", "UNITÀ", ""}};

  EXPECT_EQ(FormatTable(t, TableFormat::kText),
            "KGIUS  GIUS_1              GIUS_8\n"
            "001    FERIE                0\n"
            "002    PERM. \"L.104\"; ORE  10\n"
            "003    UNITÀ\n");
  EXPECT_EQ(FormatTable(t, TableFormat::kCsv),
            "KGIUS;GIUS_1;GIUS_8\r\n"
            "001;FERIE;\" 0\"\r\n"
            "002;\"PERM. \"\"L.104\"\"; ORE\";10\r\n"
            "003;UNITÀ;\r\n");
  EXPECT_EQ(
      FormatTable(t, TableFormat::kJson),
      "[\n"
      "  {\"KGIUS\": \"001\", \"GIUS_1\": \"FERIE\", \"GIUS_8\": \" 0\"},\n"
      "  {\"KGIUS\": \"002\", \"GIUS_1\": \"PERM. \\\"L.104\\\"; ORE\", \"GIUS_8\": \"10\"},\n"
      "  {\"KGIUS\": \"003\", \"GIUS_1\": \"UNITÀ\", \"GIUS_8\": \"\"}\n"
      "]\n");
  t.rows.clear();
  EXPECT_EQ(FormatTable(t, TableFormat::kJson), "[]\n");
  EXPECT_EQ(ParseTableName("Gruppi"), std::nullopt);
  EXPECT_EQ(ParseTableFormat("xml"), std::nullopt);
}

}  // namespace
}  // namespace kaveltar
