// The manual page and the bash completion of kaveltar-cli, written from the command tree the
// program parses with, so that neither can drift from the real commands and options. The
// build runs `kaveltar-cli help-export man|bash` and installs what it prints.
#pragma once

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace kaveltar::cli {

// A troff manual page (section 1) of `app`: its global options and every visible command,
// nested commands included, each with its options and their descriptions.
void WriteManPage(const CLI::App& app, const std::string& version, std::ostream& out);

// A bash completion script: command names at each level, then the options of the command
// typed so far; file names for everything else.
void WriteBashCompletion(const CLI::App& app, std::ostream& out);

}  // namespace kaveltar::cli
