#include "editing/grid_opening.h"

#include "app/job_context.h"
#include "archive/fields.h"
#include "base/encoding.h"
#include "base/text.h"
#include "memorize/day_engine.h"

namespace kaveltar {

GridMonth EmployeeGridMonth(const JobContext& job, std::string_view key, int year, int month) {
  GridMonth m;
  m.employee = std::string(Trim(key));
  m.year = year;
  m.month = month;
  m.municipality_ddmm = job.codec.GetField(fields::kF161);
  m.company_ddmm = CompanyPatronDay(job, m.employee);
  return m;
}

OpenResult OpenEmployeeMonth(const JobContext& job, const UpdateSelection& selection,
                             MonthGrid& grid, GridCaptions* captions) {
  job.trace.TraceProcedure("CmdConfermaAgg_Click");
  Dialogs& dialogs = job.dialogs;
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
  if (!MonthGrid::MonthExists(job.db, key, period)) {
    dialogs.Show(MissingPeriodMessage(selection.year, selection.month), MessageIcon::kInformation);
    return OpenResult::kMissingMonth;
  }

  const GridMonth month = EmployeeGridMonth(job, key, selection.year, selection.month);
  job.trace.TraceProcedure("DISEGNATABELLA");
  job.trace.TraceProcedure("POPOLATABELLA");
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
