#include "editing/grid_opening.h"

#include "app/session.h"
#include "archive/fields.h"
#include "base/encoding.h"
#include "base/text.h"
#include "memorize/day_engine.h"

namespace kaveltar {

GridMonth EmployeeGridMonth(Session& session, std::string_view key, int year, int month) {
  GridMonth m;
  m.employee = std::string(Trim(key));
  m.year = year;
  m.month = month;
  m.municipality_ddmm = session.codec().GetField(fields::kF161);
  m.company_ddmm = CompanyPatronDay(session, m.employee);
  return m;
}

OpenResult OpenEmployeeMonth(Session& session, const UpdateSelection& selection, MonthGrid& grid,
                             GridCaptions* captions) {
  session.trace().TraceProcedure("CmdConfermaAgg_Click");
  Dialogs& dialogs = session.dialogs();
  if (Trim(selection.company.code).empty()) {
    dialogs.Show(kNoCompanyMessage, kNoCompanyTitle, MessageIcon::kInformation);
    return OpenResult::kNoCompany;
  }
  if (Trim(selection.employee.code).empty()) {
    dialogs.Show(kNoEmployeeMessage, kNoEmployeeTitle, MessageIcon::kInformation);
    return OpenResult::kNoEmployee;
  }
  const std::string key(Trim(selection.employee.code));
  const std::string period = ZeroPad(selection.year, 4) + ZeroPad(selection.month, 2);
  if (!MonthGrid::MonthExists(session.db(), key, period)) {
    dialogs.Show(MissingPeriodMessage(selection.year, selection.month), MessageIcon::kInformation);
    return OpenResult::kMissingMonth;
  }

  const GridMonth month = EmployeeGridMonth(session, key, selection.year, selection.month);
  session.trace().TraceProcedure("DISEGNATABELLA");
  session.trace().TraceProcedure("POPOLATABELLA");
  grid.Load(month);

  if (captions != nullptr) {
    captions->company =
        Cp1252ToUtf8(selection.company.code + " - " + std::string(Trim(selection.company.name)));
    captions->employee =
        Cp1252ToUtf8(" " + key + " - " + std::string(Trim(selection.employee.name)));
    captions->month = ZeroPad(selection.month, 2) + "/" + ZeroPad(selection.year, 4);
  }
  return OpenResult::kOpened;
}

}  // namespace kaveltar
