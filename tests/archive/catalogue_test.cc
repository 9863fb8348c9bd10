#include "archive/catalogue.h"

#include <gtest/gtest.h>

namespace kaveltar {
namespace {

TEST(CatalogueTest, ParsesRecordsAndIgnoresThePartialTail) {
  std::string bytes = FormatCatalogueRecord("DITTE.DAT", 3000) + FormatCatalogueRecord("", 0) +
                      FormatCatalogueRecord("ARK###\\DIP**.DAT", 14600);
  bytes += bytes.substr(0, 40);  // a partial fourth record
  const Result<BaseFileTable> table = BaseFileTable::Parse(bytes);
  ASSERT_TRUE(table.ok()) << table.status().message();
  EXPECT_EQ(table->size(), 3);
  EXPECT_EQ(table->Find(2)->name_template, "");
  EXPECT_EQ(table->Find(3)->name_template, "ARK###\\DIP**.DAT");
  EXPECT_EQ(table->Find(3)->record_length, 14600);
  EXPECT_EQ(table->Find(4), nullptr);
}

TEST(CatalogueTest, RecordLengthForms) {
  struct Case {
    const char* field;  // the five characters at offset 32
    bool ok;
    int length;
  };
  const Case cases[] = {{"  500", true, 500},
                        {"     ", true, 0},
                        {"12a45", false, 0},
                        {"\x01\x02\x03\x04\x05", false, 0}};
  for (const Case& c : cases) {
    std::string bytes = FormatCatalogueRecord("A.DAT", 1) + FormatCatalogueRecord("B.DAT", 1);
    bytes.replace(79 + 32, 5, c.field, 5);
    const Result<BaseFileTable> table = BaseFileTable::Parse(bytes);
    ASSERT_EQ(table.ok(), c.ok) << c.field;
    if (c.ok) {
      EXPECT_EQ(table->Find(2)->record_length, c.length);
    } else {
      EXPECT_NE(table.status().message().find("base 2"), std::string::npos)
          << table.status().message();
    }
  }
}

}  // namespace
}  // namespace kaveltar
