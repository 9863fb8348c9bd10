// Opening a month from the update screen's selection: the checks and their messages, a month
// not memorized, the captions from either order of the lists, and the holidays of the
// employee's company.
#include "editing/grid_opening.h"

#include "archive/fields.h"
#include "base/encoding.h"
#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {
namespace {

class GridOpeningTest : public MemorizeTest {
 protected:
  // The update screen's lines of the company of `key` and of the employee, in `order`.
  UpdateSelection Selection(const std::string& key, int order, int month = 3) {
    UpdateSelection s;
    s.month = month;
    s.year = kYear;
    SelectionLists& lists = session().lists();
    lists.CARICAESTRAZIONE(0);
    for (const std::string& line : lists.LISTA_AZIENDE(Screen::kUpdate, order)) {
      if (Right(line, 3) == key.substr(0, 3)) s.company_line = line;
    }
    for (const std::string& line : lists.EmployeeList(Screen::kUpdate, order, kYear, s.company_line)) {
      if (Right(line, 10) == key) s.employee_line = line;
    }
    EXPECT_FALSE(s.employee_line.empty());
    return s;
  }
};

TEST_F(GridOpeningTest, ChecksTheSelectionAndTheMonth) {
  const std::string key = Key(DemoCase::kGroup);
  MonthGrid grid(session().db(), dialogs_);
  GridCaptions captions;
  UpdateSelection s = Selection(key, kOrderByCode);

  UpdateSelection none = s;
  none.company_line.clear();
  EXPECT_EQ(OpenEmployeeMonth(session(), none, grid, &captions), OpenResult::kNoCompany);
  none = s;
  none.employee_line.clear();
  EXPECT_EQ(OpenEmployeeMonth(session(), none, grid, &captions), OpenResult::kNoEmployee);
  ASSERT_EQ(dialogs_.entries().size(), 2u);
  EXPECT_EQ(dialogs_.entries()[0].text, "Attenzione! Nessuna Ditta selezionata");
  EXPECT_EQ(dialogs_.entries()[0].title, "Selezione Ditte");
  EXPECT_EQ(dialogs_.entries()[1].text, "Attenzione! Nessuna Dipendente selezionato");
  EXPECT_EQ(dialogs_.entries()[1].title, "Selezione Dipendenti");

  // Not memorized: the message, no grid, no rows created.
  dialogs_.Clear();
  EXPECT_EQ(OpenEmployeeMonth(session(), s, grid, &captions), OpenResult::kMissingMonth);
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{MissingPeriodMessage(kYear, 3)});
  EXPECT_EQ(dialogs_.entries()[0].icon, MessageIcon::kInformation);
  EXPECT_FALSE(grid.loaded());
  EXPECT_TRUE(Rows(key, "201403").empty());
  EXPECT_EQ(captions.month, "");
}

TEST_F(GridOpeningTest, OpensWithCaptionsFromEitherListOrder) {
  const std::string key = Key(DemoCase::kGroup);
  Run(Month(kYear, 3), {key});
  const std::string name = Field(key, fields::kP002) + " " + Field(key, fields::kP003);
  session().lists().LoadCompany(static_cast<int>(ValInt(key.substr(0, 3))));
  const std::string company_name = std::string(Trim(session().codec().GetField(fields::kT002))) +
                                   std::string(Trim(session().codec().GetField(fields::kT003)));
  for (int order : {kOrderByCode, kOrderByName}) {
    MonthGrid grid(session().db(), dialogs_);
    GridCaptions captions;
    const UpdateSelection s = Selection(key, order);
    ASSERT_EQ(OpenEmployeeMonth(session(), s, grid, &captions), OpenResult::kOpened);
    EXPECT_EQ(captions.company, Cp1252ToUtf8(key.substr(0, 3) + " - " + company_name));
    EXPECT_EQ(captions.employee, Cp1252ToUtf8(" " + key + " - " + name));
    EXPECT_EQ(captions.month, "03/2014");
    EXPECT_TRUE(grid.loaded());
    EXPECT_EQ(grid.days(), 31);
    EXPECT_EQ(grid.month().employee, key);
    EXPECT_EQ(grid.month().year, 2014);
    EXPECT_EQ(grid.month().month, 3);
  }
}

TEST_F(GridOpeningTest, CompanyPatronSaintDayIsRed) {
  const std::string key = Key(DemoCase::kGroup);
  Run(Month(kYear, 3), {key});
  // The company's T030 (DDMM) made 21 March; the installation's F161 is read too.
  ArchiveFiles& files = session().archives();
  if (!files.IsOpen(1)) files.FAIOPEN(1);
  const long company = static_cast<long>(ValInt(key.substr(0, 3)));
  ASSERT_EQ(files.LEGGIREC(1, company), 0);
  std::string record = files.RecordBuffer(1);
  const std::optional<Descriptor> t030 = ParseDescriptor(fields::kT030);
  ASSERT_TRUE(t030);
  record.replace(static_cast<size_t>(t030->position - 1), 4, "2103");
  files.SCRIVIREC(1, company, record);

  MonthGrid grid(session().db(), dialogs_);
  ASSERT_EQ(OpenEmployeeMonth(session(), Selection(key, kOrderByCode), grid, nullptr), OpenResult::kOpened);
  EXPECT_EQ(grid.month().company_ddmm, "2103");
  EXPECT_EQ(grid.month().municipality_ddmm, session().codec().GetField(fields::kF161));
  EXPECT_TRUE(grid.Day(21).holiday);
  EXPECT_FALSE(grid.Day(20).holiday);
}

}  // namespace
}  // namespace kaveltar::testing
