// The commands of kaveltar-cli. Each is an object: it declares its options on its CLI11
// subcommand and does its job in Execute, returning the exit status.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "archive/selection_lists.h"

namespace CLI {
class App;
}

namespace kaveltar {
class Dialogs;
class Session;
}  // namespace kaveltar

namespace kaveltar::cli {

struct GlobalOptions {
  std::string archive;
  std::string programs;
  std::string registry;
  std::string database_url;
  std::string printer;  // a printer name or "file:DIR" for this run
};

struct Context {
  const GlobalOptions& global;
  Dialogs& dialogs;
  std::ostream& out;
  std::ostream& err;
};

class Command {
 public:
  virtual ~Command() = default;
  virtual const char* name() const = 0;
  virtual const char* description() const = 0;
  virtual void Configure(CLI::App& sub) = 0;
  virtual int Execute(Context& context) = 0;
};

// A command made of subcommands, exactly one of which is given on the command line
// (`db init`, `print sheets`, `tables list`, `import check`).
class CommandGroup : public Command {
 public:
  CommandGroup(const char* name, const char* description)
      : name_(name), description_(description) {}
  const char* name() const final { return name_; }
  const char* description() const final { return description_; }
  void Configure(CLI::App& sub) final;
  // Adds the subcommands and their options to `sub`.
  virtual void AddSubcommands(CLI::App& sub) = 0;

 private:
  const char* name_;
  const char* description_;
};

// The exit status of a batch job (memorize, import run, export) that finished but met
// anomalies, so that a script tells it from a clean run (0) and from a failure (1).
inline constexpr int kExitAnomalies = 3;

std::vector<std::unique_ptr<Command>> MakeCommands();

// The keys of the entries of an employee list that are one of `keys`, in the list's order
// whatever the order of `keys`. A key no entry carries goes to `missing` (the first one) and
// the result is then empty.
std::vector<std::string> PickEmployees(const std::vector<ListEntry>& list,
                                       const std::vector<std::string>& keys, std::string* missing);

// A text from the archives or the database as the terminal may show it: control characters
// (which could move the cursor, clear the screen or change the terminal's colours) become
// "\xNN".
std::string TerminalSafe(std::string_view utf8);

// Runs the start-up sequence for a batch command (no single-instance lock).
void OpenSession(Session& session, const Context& context);

}  // namespace kaveltar::cli
