// The `tables` command of kaveltar-cli: the program's tables (holidays, justification codes,
// schedule groups) for scripted set-up and checks.
//
//   tables list TABLE [--format text|csv|json]   every column of every row, in key order
//   tables print TABLE                            the table's listing on the printer
//   tables save holidays|justifications|groups CODE [options]
//                                                 creates or changes one row through the
//                                                 table's panel (same checks, same messages)
//   tables delete TABLE CODE                      deletes one row with the table's rules; the
//                                                 confirmation is answered by --yes / --no
//
// TABLE is holidays, justifications or groups. A refusal by the table's rules prints the
// program's message and ends with status 1 with nothing changed; a value the panel's boxes
// would not take ends with status 2.
#pragma once

#include <memory>
#include <vector>

#include "cli/commands.h"

namespace kaveltar::cli {

void AddTableCommands(std::vector<std::unique_ptr<Command>>& commands);

}  // namespace kaveltar::cli
