// The commands of kaveltar-cli. Each is an object: it declares its options on its CLI11
// subcommand and does its job in Execute, returning the exit status.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

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

std::vector<std::unique_ptr<Command>> MakeCommands();

// Runs the start-up sequence for a batch command (no single-instance lock).
void OpenSession(Session& session, const Context& context);

}  // namespace kaveltar::cli
