// Opening a month from the update screen's selection: a month not memorized, the captions from
// either order of the lists, and the patron days handed to the grid.
#include "editing/grid_opening.h"

#include "archive/fields.h"
#include "base/encoding.h"
#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {
namespace {

class GridOpeningTest : public MemorizeTest {
 protected:
  void SetUp() override {
    MemorizeTest::SetUp();
    key_ = Key(DemoCase::kGroup);
  }
  // The update screen's entries of the company of the employee and of the employee, in `order`.
  UpdateSelection Selection(int order) {
    UpdateSelection s;
    s.month = 3;
    s.year = kYear;
    SelectionLists& lists = session().lists();
    lists.CARICAESTRAZIONE(0);
    for (const ListEntry& company : lists.LISTA_AZIENDE(Screen::kUpdate, order)) {
      if (company.code == key_.substr(0, 3)) s.company = company;
    }
    for (const ListEntry& employee :
         lists.EmployeeList(Screen::kUpdate, order, kYear, s.company.code)) {
      if (employee.code == key_) s.employee = employee;
    }
    EXPECT_FALSE(s.employee.code.empty());
    return s;
  }
  std::string key_;
};

TEST_F(GridOpeningTest, AMonthNotMemorizedIsNotOpened) {
  MonthGrid grid(session().db(), dialogs_);
  GridCaptions captions;
  const UpdateSelection s = Selection(kOrderByCode);
  // Not memorized: the message, no grid, no rows created.
  EXPECT_EQ(OpenEmployeeMonth(session().job(), s, grid, &captions), OpenResult::kMissingMonth);
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{MissingPeriodMessage(kYear, 3)});
  EXPECT_EQ(
      MissingPeriodMessage(kYear, 3),
      "Periodo richiesto 03/" + std::to_string(kYear) +
          " Inesistente\n\nPer accedere all'aggiornamento eseguire la memorizzazione tramite la "
          "funzione 'Memorizza mese'\n\nN.B.: Nel caso in cui il dipendente abbia valorizzato a "
          "'1' il "
          "codice statistico NFOR (Campo P890) quest'ultimo viene escluso automaticamente dalla "
          "memorizzazione mese");
  EXPECT_FALSE(grid.loaded());
  EXPECT_TRUE(Rows(key_, "201403").empty());
}

TEST_F(GridOpeningTest, OpensWithCaptionsAndPatronDaysFromEitherListOrder) {
  Run(Month(kYear, 3), {key_});
  SetCompanyField(key_, fields::kT030, "2103");  // DDMM: 21 March
  const std::string name = Field(key_, fields::kP002) + " " + Field(key_, fields::kP003);
  session().lists().LoadCompany(static_cast<int>(ValInt(key_.substr(0, 3))));
  const std::string company_name = std::string(Trim(session().codec().GetField(fields::kT002))) +
                                   std::string(Trim(session().codec().GetField(fields::kT003)));
  const std::string municipality = session().codec().GetField(fields::kF161);
  for (int order : {kOrderByCode, kOrderByName}) {
    MonthGrid grid(session().db(), dialogs_);
    GridCaptions captions;
    ASSERT_EQ(OpenEmployeeMonth(session().job(), Selection(order), grid, &captions),
              OpenResult::kOpened);
    EXPECT_EQ(captions.company, Cp1252ToUtf8(key_.substr(0, 3) + " - " + company_name));
    EXPECT_EQ(captions.employee, Cp1252ToUtf8(" " + key_ + " - " + name));
    EXPECT_EQ(captions.month, "03/2014");
    EXPECT_EQ(grid.month().employee, key_);
    EXPECT_EQ(grid.month().company_ddmm, "2103");
    EXPECT_EQ(grid.month().municipality_ddmm, municipality);
    EXPECT_TRUE(grid.Day(21).holiday);
  }
}

}  // namespace
}  // namespace kaveltar::testing
