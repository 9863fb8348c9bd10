// The month memorization commands of kaveltar-cli:
//   memorize  memorizes one month for the chosen companies and employees, as the
//             memorization screen does (anomaly list printed, anomalies also on standard
//             error, a progress bar when standard error is a terminal);
//   month     prints the stored rows of one employee-month as text, CSV or JSON.
#pragma once

#include <memory>
#include <vector>

#include "cli/commands.h"

namespace kaveltar::cli {

void AddMemorizeCommands(std::vector<std::unique_ptr<Command>>& commands);

}  // namespace kaveltar::cli
