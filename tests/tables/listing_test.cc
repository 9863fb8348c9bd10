// The listing lines, the command line's text/CSV/JSON output of every column, and the
// justification pick list of the memorization screen.
#include "tables/listing.h"

#include <gtest/gtest.h>

#include "tables/pick_list.h"
#include "tables_fixture.h"

namespace kaveltar {
namespace {

using testing::TablesTest;

TEST(ListingTest, HeadingBlockThenOneLinePerRow) {
  const std::string rule(80, '=');
  EXPECT_EQ(TableListingLines(TableKind::kHolidays, {{"0101", "CAPODANNO"}, {"1225", "NATALE"}}),
            (std::vector<std::string>{rule, "ELENCO FESTIVITA' PRESENTI NELL'ARCHIVIO", rule,
                                      "0101 CAPODANNO", "1225 NATALE"}));
  EXPECT_EQ(TableListingLines(TableKind::kJustifications, {}),
            (std::vector<std::string>{rule, "ELENCO GIUSTIFICATIVI PRESENTI NELL'ARCHIVIO", rule}));
}

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

TEST_F(TablesTest, TableDataHoldsEveryColumnInKeyOrder) {
  AddJustification("030", "STRAORDINARIO", "P");
  AddJustification("001", "FERIE", "A");
  Result<TableData> data = ReadTableData(db(), TableKind::kJustifications);
  ASSERT_TRUE(data.ok());
  ASSERT_EQ(data->columns.size(), 19u);
  EXPECT_EQ(data->columns.back(), "GIUS_18");
  ASSERT_EQ(data->rows.size(), 2u);
  EXPECT_EQ(data->rows[0][2], "A");
  EXPECT_EQ(data->rows[1][1], "STRAORDINARIO");
}

TEST_F(TablesTest, PickListTogglesPerBoxAndSplitsTheChosenLine) {
  AddJustification("001", "FERIE", "A");
  AddJustification("004", "MALATTIA INPS", "M");
  JustificationPickList list;
  ASSERT_TRUE(list.CMDAPRILIST_Click(1, db()).ok());
  ASSERT_TRUE(list.visible());
  EXPECT_EQ(list.lines(), (std::vector<std::string>{"001 FERIE", "004 MALATTIA INPS"}));
  ASSERT_TRUE(list.CMDAPRILIST_Click(2, db()).ok());  // another box: shown beside that one
  EXPECT_EQ(list.box(), 2);
  ASSERT_TRUE(list.CMDAPRILIST_Click(2, db()).ok());  // the same button again: hidden
  EXPECT_FALSE(list.visible());
  EXPECT_EQ(list.ListaCampi_DblClick(0), std::nullopt);

  ASSERT_TRUE(list.CMDAPRILIST_Click(0, db()).ok());
  EXPECT_EQ(list.ListaCampi_DblClick(1), (PickedJustification{"004", "MALATTIA INPS"}));
  EXPECT_FALSE(list.visible());
}

}  // namespace
}  // namespace kaveltar
