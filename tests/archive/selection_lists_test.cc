#include "archive/selection_lists.h"

#include <gtest/gtest.h>

namespace kaveltar {
namespace {

// The lists reach the processing year and the four years before it, but never a year before
// 2008, and never a year after the processing year.
TEST(ListYears, FourYearsBackNeverBefore2008) {
  EXPECT_EQ(OldestListYear(2014), 2010);
  EXPECT_TRUE(IsListYear(2014, 2010));
  EXPECT_FALSE(IsListYear(2014, 2009));
  EXPECT_FALSE(IsListYear(2014, 2015));

  EXPECT_EQ(OldestListYear(2010), 2008);
  EXPECT_FALSE(IsListYear(2010, 2007));

  EXPECT_EQ(ListYearError(2014, 2012), "");
  EXPECT_EQ(ListYearError(2010, 2007),
            "anno 2007 non disponibile: gli elenchi vanno dal 2008 al 2010");
}

}  // namespace
}  // namespace kaveltar
