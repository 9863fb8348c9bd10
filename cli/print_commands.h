// The print commands of kaveltar-cli: "print sheets" (monthly attendance sheets on the
// printer or as PDF files) and "print summary" (presence and absence summaries).
#pragma once

#include <memory>
#include <vector>

#include "cli/commands.h"

namespace kaveltar::cli {

void AddPrintCommands(std::vector<std::unique_ptr<Command>>& commands);

}  // namespace kaveltar::cli
