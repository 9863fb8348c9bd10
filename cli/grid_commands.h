// The month grid commands of kaveltar-cli, under the command `month`:
//   month KEY YYYYMM [--format F]     the stored rows of an employee-month (the print
//   month show KEY YYYYMM [--format F]  command of memorize_commands.cc, kept as it was)
//   month edit KEY YYYYMM DAY COLUMN VALUE [COLUMN VALUE ...]
//                                     values into grid columns 2-14 of one day through the
//                                     grid's cell rules, then saved
//   month set-absence KEY YYYYMM --code C --from D --to D [--hours HH:MM]
//                     [--copri-festivita] [--considera-ore]
//   month set-group KEY YYYYMM --group G --from D --to D
//   month set-hours KEY YYYYMM --hours HH:MM --from D --to D
//   month reprocess KEY YYYYMM       the forced settings and the reprocessing of the grid
//                                     screen; their questions are answered by --yes / --no
// Rule messages go to standard error. Exit status 1 when a value was refused, the employee
// was not found, the hours were refused or a question was answered No.
#pragma once

#include <memory>
#include <vector>

#include "cli/commands.h"

namespace kaveltar::cli {

// Adds the `month` command with its sub-commands. A `month` command already in the list (the
// print command) becomes its default and `show`.
void AddGridCommands(std::vector<std::unique_ptr<Command>>& commands);

}  // namespace kaveltar::cli
