// Opening an employee-month in the grid from the update screen (`CmdConfermaAgg_Click`, also
// a double click on `ListDipAgg`): the two "Attenzione!" checks, the "Periodo richiesto ...
// Inesistente" message of a month not memorized, the holiday data of the employee's company,
// and the captions of the grid screen.
#pragma once

#include <string>
#include <string_view>

#include "archive/selection_lists.h"
#include "editing/month_grid.h"

namespace kaveltar {

struct JobContext;

inline constexpr std::string_view kNoCompanyMessage = "Attenzione! Nessuna Ditta selezionata";
inline constexpr std::string_view kNoCompanyTitle = "Selezione Ditte";
inline constexpr std::string_view kNoEmployeeMessage = "Attenzione! Nessuna Dipendente selezionato";
inline constexpr std::string_view kNoEmployeeTitle = "Selezione Dipendenti";

// What the update screen hands over: the first selected entries of `ListAziAgg` and
// `ListDipAgg` (empty when none is selected), the month of `ListMesiAgg` (1-12) and the year
// of `LabAnnoAgg`.
struct UpdateSelection {
  ListEntry company;
  ListEntry employee;
  int month = 0;
  int year = 0;
};

// The captions of the grid screen (UTF-8).
struct GridCaptions {
  std::string company;   // `Labelditta`: company code " - " company name
  std::string employee;  // `Labeldipend`: " " employee key " - " employee name
  std::string month;     // `Label19`: "MM/YYYY"
};

enum class OpenResult { kNoCompany, kNoEmployee, kMissingMonth, kOpened };

// `CmdConfermaAgg_Click`: checks the selection (messages "Attenzione! Nessuna Ditta selezionata" /
// "Attenzione! Nessuna Dipendente selezionato"), queries the employee-month (message "Periodo
// richiesto MM/YYYY Inesistente ..." when PRESENZE holds none of its days), then loads it into
// `grid` with the patron-saint days of the installation (F161) and of the company (T030), and fills
// `captions`. Nothing changes unless the result is kOpened.
OpenResult OpenEmployeeMonth(const JobContext& job, const UpdateSelection& selection,
                             MonthGrid& grid, GridCaptions* captions);

// The month of an employee as the grid shows it, with the holiday data of the installation
// (F161 of the parameters record read at start-up) and of the employee's company (T030).
GridMonth EmployeeGridMonth(const JobContext& job, std::string_view key, int year, int month);

}  // namespace kaveltar
