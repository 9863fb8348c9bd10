#include "editing/grid_opening.h"

#include "app/job_context.h"
#include "archive/fields.h"
#include "base/encoding.h"
#include "base/text.h"
#include "memorize/day_engine.h"

namespace kaveltar {
namespace {

// Company, sub-company and number with blanks between, as the employee lines show them.
std::string KeyColumns(std::string_view key) {
  const std::string k = PadRight(key, 10);
  return k.substr(0, 3) + " " + k.substr(3, 3) + " " + k.substr(6, 4);
}

// A line without its trailing code, and without the code columns the line shows before or
// after the name: what is left is the name.
std::string NameBetween(std::string_view line, size_t code_width, std::string_view columns) {
  if (line.size() <= code_width) return "";
  std::string_view rest = TrimRight(line.substr(0, line.size() - code_width));
  const std::string prefix = std::string(columns) + " ";
  if (rest.substr(0, prefix.size()) == prefix) {
    rest = rest.substr(prefix.size());
  } else if (rest.size() >= columns.size() &&
             rest.substr(rest.size() - columns.size()) == columns) {
    rest = rest.substr(0, rest.size() - columns.size());
  }
  return std::string(Trim(rest));
}

}  // namespace

std::string EmployeeKeyOfLine(std::string_view line) { return std::string(Trim(Right(line, 10))); }

std::string EmployeeNameOfLine(std::string_view line) {
  return NameBetween(line, 10, KeyColumns(Right(line, 10)));
}

std::string CompanyNameOfLine(std::string_view line) {
  return NameBetween(line, 3, Right(line, 3));
}

GridMonth EmployeeGridMonth(const JobContext& job, std::string_view key, int year, int month) {
  GridMonth m;
  m.employee = std::string(Trim(key));
  m.year = year;
  m.month = month;
  m.municipality_ddmm = job.codec.GetField(fields::kF161);
  m.company_ddmm = CompanyPatronDay(job, m.employee);
  return m;
}

OpenResult OpenEmployeeMonth(const JobContext& job, const UpdateSelection& selection, MonthGrid& grid,
                             GridCaptions* captions) {
  job.trace.TraceProcedure("CmdConfermaAgg_Click");
  Dialogs& dialogs = job.dialogs;
  if (Trim(selection.company_line).empty()) {
    dialogs.Show(kNoCompanyMessage, kNoCompanyTitle, MessageIcon::kInformation);
    return OpenResult::kNoCompany;
  }
  if (Trim(selection.employee_line).empty()) {
    dialogs.Show(kNoEmployeeMessage, kNoEmployeeTitle, MessageIcon::kInformation);
    return OpenResult::kNoEmployee;
  }
  const std::string key = EmployeeKeyOfLine(selection.employee_line);
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
    const std::string company(Right(selection.company_line, 3));
    captions->company = Cp1252ToUtf8(company + " - " + CompanyNameOfLine(selection.company_line));
    captions->employee =
        Cp1252ToUtf8(" " + key + " - " + EmployeeNameOfLine(selection.employee_line));
    captions->month = ZeroPad(selection.month, 2) + "/" + ZeroPad(selection.year, 4);
  }
  return OpenResult::kOpened;
}

}  // namespace kaveltar
