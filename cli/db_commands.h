// The commands that set up and save the attendance database of an office:
//   db init [--from FILE.sqlite] [--force]  creates the tables in the PostgreSQL database
//                                           named by --db (or KAVELTAR_DB, or config --db)
//                                           and copies the installation's SQLite database
//                                           into it, in one transaction
//   db backup FILE.sqlite                   writes a consistent SQLite copy of the database
//                                           in use, whichever engine it runs on
#pragma once

#include <memory>
#include <vector>

#include "cli/commands.h"

namespace kaveltar::cli {

void AddDbCommands(std::vector<std::unique_ptr<Command>>& commands);

}  // namespace kaveltar::cli
