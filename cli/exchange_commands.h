// The exchange commands of kaveltar-cli:
//   import check FILE [--csv]  the four checks of an external attendance file, as the import
//                              screen shows them; exit status 1 when the import is blocked
//   import run FILE [--csv]    the import, questions answered by --yes/--no; prints the
//                              employee-months replaced and the anomalies
//   import layout              the record layout, as it is printed
//   export                     the payroll items files of a month; prints each file written
//   totals                     the days of a justification code per month of a year
#pragma once

#include <memory>
#include <vector>

#include "cli/commands.h"

namespace kaveltar::cli {

void AddExchangeCommands(std::vector<std::unique_ptr<Command>>& commands);

}  // namespace kaveltar::cli
