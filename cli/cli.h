// kaveltar-cli: the engine without a window. Run() parses the arguments, runs one command and
// returns the exit status; tests call it in-process with their own streams and answers.
//
// Exit statuses: 0 done, 1 the command failed (message on standard error), 2 bad usage,
// 3 a batch job that finished with anomalies (kExitAnomalies, cli/commands.h).
#pragma once

#include <iosfwd>

namespace kaveltar {
class Dialogs;
}

namespace kaveltar::cli {

// `dialogs` replaces the command line's own Dialogs when not null (tests script answers).
int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
        Dialogs* dialogs = nullptr);

}  // namespace kaveltar::cli
