// Memorization and the external import build a day's schedule the same way: the imported
// day of an employee whose group does not work that weekday has no theoretical hours, as
// the memorized one has none.
#include <fstream>

#include "exchange/attendance_import.h"
#include "exchange/exchange_fixture.h"

namespace kaveltar::testing {
namespace {

TEST_F(MemorizeTest, ImportedDaysTakeTheScheduleAsMemorizationSetsIt) {
  // Group 001 works Monday to Friday 08:00; its Saturday column holds "00:00". 1 March 2014
  // is a Saturday, 3 March a Monday.
  const std::string key = Key(DemoCase::kGroup);
  ASSERT_EQ(Field(key, fields::kP766), "001");
  Run(Month(kYear, 3), {key});
  const std::vector<DayRow> memorized = Rows(key, "201403");
  ASSERT_EQ(memorized.size(), 31u);
  EXPECT_EQ(memorized[0].pres[2], "");

  const fs::path file = root_ / "march.PRE";
  std::ofstream(file, std::ios::binary)
      << ImportRecord(key, "20140301", "02:00") + ImportRecord(key, "20140303", "07:00");
  ImportState state;
  dialogs_.set_default_answer(true);
  ChooseImportFile(session().job(), &state, file.string());
  ASSERT_TRUE(state.import_enabled);
  ASSERT_TRUE(ImportAttendanceFile(session().job(), &state).completed);

  const std::vector<DayRow> imported = Rows(key, "201403");
  ASSERT_EQ(imported.size(), 31u);
  EXPECT_EQ(imported[0].pres[1], "001");
  EXPECT_EQ(imported[0].pres[2], "");  // not "00:00"
  EXPECT_EQ(imported[0].pres[3], "02:00");
  EXPECT_EQ(imported[2].pres[1], "001");
  EXPECT_EQ(imported[2].pres[2], "08:00");
  EXPECT_EQ(imported[2].pres[3], "07:00");
  EXPECT_EQ(imported[1].pres[1], "");  // a day without a record keeps its keys only
}

}  // namespace
}  // namespace kaveltar::testing
