// The configuration command of kaveltar-cli:
//   config --archive DIR --programs DIR [--installation-code NN] [--db URL]
//       writes the user's settings, so that both programs then start with no options
//   config --show
//       what is set and where each value comes from
#pragma once

#include <memory>
#include <vector>

#include "cli/commands.h"

namespace kaveltar::cli {

void AddConfigCommands(std::vector<std::unique_ptr<Command>>& commands);

}  // namespace kaveltar::cli
