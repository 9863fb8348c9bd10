// The command that moves an office's history in from the previous program:
//   migrate --from FILE.mdb [--force]  reads PRESENZE, GIUSTIFICATIVI, GRUPPI and FESTIVITA
//                                      of the Access file into the installation's database;
//                                      prints the rows read and written per table
#pragma once

#include <memory>
#include <vector>

#include "cli/commands.h"

namespace kaveltar::cli {

void AddMigrateCommands(std::vector<std::unique_ptr<Command>>& commands);

}  // namespace kaveltar::cli
