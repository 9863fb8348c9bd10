#include "cli/cli.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/startup.h"
#include "archive/fields.h"
#include "base/encoding.h"
#include "base/fatal.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "cli/cli_dialogs.h"
#include "cli/commands.h"
#include "cli/help_export.h"
#include "cli/run_log.h"

namespace kaveltar::cli {
namespace {

// The global options that take a value (the word after them is not a command).
constexpr std::string_view kValueOptions[] = {"--archive", "--programs", "--registry", "--db",
                                              "--printer"};

// The first word of the command line that is neither an option nor an option's value: the
// command the user meant; empty when there is none.
std::string CommandWord(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.empty() || arg[0] != '-') return std::string(arg);
    if (std::find(std::begin(kValueOptions), std::end(kValueOptions), arg) !=
        std::end(kValueOptions))
      ++i;
  }
  return {};
}

// The options every command takes, before or after its name.
void AddGlobalOptions(CLI::App& app, GlobalOptions* global, bool* yes, bool* no) {
  app.set_version_flag("--version", std::string("kaveltar-cli ") + ProgramVersion(),
                       "mostra la versione del programma");
  app.add_option("--archive", global->archive, "cartella degli archivi (al posto del registro)");
  app.add_option("--programs", global->programs, "cartella dei programmi (al posto del registro)");
  app.add_option("--registry", global->registry, "file del registro da usare");
  app.add_option("--db", global->database_url, "database PostgreSQL condiviso (postgresql://...)");
  app.add_option("--printer", global->printer,
                 "stampante di questa esecuzione: nome CUPS, oppure file:CARTELLA per i PDF");
  app.add_flag("--yes", *yes, "risponde Sì a ogni domanda");
  app.add_flag("--no", *no, "risponde No a ogni domanda");
}

// What a command line CLI11 refused gets: the help (status 0) when it asked for it, else the
// reason on standard error and status 2.
int ParseFailure(const CLI::ParseError& e, const CLI::App& app,
                 const std::vector<std::unique_ptr<Command>>& commands, int argc,
                 const char* const* argv, std::ostream& out, std::ostream& err) {
  if (e.get_exit_code() == 0) {
    out << app.help();
    return 0;
  }
  const std::string word = CommandWord(argc, argv);
  const bool known = std::any_of(commands.begin(), commands.end(),
                                 [&](const auto& c) { return word == c->name(); });
  if (!word.empty() && !known) {
    err << "kaveltar-cli: comando sconosciuto: " << word << "\n";
  } else if (word.empty()) {
    err << "kaveltar-cli: indicare un comando\n";
  } else {
    err << "kaveltar-cli: " << e.what() << "\n";
  }
  err << "Usare --help per l'elenco dei comandi.\n";
  return 2;
}

// Runs the chosen command: its Fatal, run-time and other errors become messages and status
// 1; the last lines of its output go to the support log.
int RunCommand(Command& command, const GlobalOptions& global, std::optional<bool> answer,
               Dialogs* dialogs, int argc, const char* const* argv, std::ostream& out,
               std::ostream& err) {
  OutputTail out_tail(out), err_tail(err);
  std::ostream logged_out(&out_tail), logged_err(&err_tail);
  CliDialogs cli_dialogs(logged_err, answer, isatty(STDIN_FILENO) != 0);
  Context context{global, dialogs ? *dialogs : static_cast<Dialogs&>(cli_dialogs), logged_out,
                  logged_err};
  context.dialogs.set_window_caption(kMessageTitle);
  const auto started = std::chrono::steady_clock::now();
  const int status = [&] {
    try {
      return command.Execute(context);
    } catch (const Fatal& f) {
      if (!f.text().empty()) context.dialogs.Show(f.text(), f.title(), f.icon());
      return f.exit_status() == 0 ? 0 : 1;
    } catch (const RunTimeError& e) {
      logged_err << "kaveltar-cli: errore " << e.number() << ": " << e.description() << "\n";
      return 1;
    } catch (const std::exception& e) {
      logged_err << "kaveltar-cli: " << e.what() << "\n";
      return 1;
    }
  }();
  logged_out.flush();
  logged_err.flush();
  LogCommandRun(argc, argv, status, std::chrono::steady_clock::now() - started, out_tail, err_tail);
  return status;
}

}  // namespace

int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err, Dialogs* dialogs) {
  CLI::App app{"KAVELTAR - Gestione Presenze ( Libro unico del lavoro ), riga di comando",
               "kaveltar-cli"};
  app.require_subcommand(1);
  // Global options may also follow the command (`companies --archive DIR`).
  app.fallthrough();
  GlobalOptions global;
  bool yes = false, no = false;
  AddGlobalOptions(app, &global, &yes, &no);

  std::vector<std::unique_ptr<Command>> commands = MakeCommands();
  Command* chosen = nullptr;
  for (auto& command : commands) {
    CLI::App* sub = app.add_subcommand(command->name(), command->description());
    command->Configure(*sub);
    sub->callback([&chosen, c = command.get()] { chosen = c; });
  }

  // Hidden: the build writes the manual page and the bash completion from this command tree.
  std::string export_format;
  CLI::App* exporter =
      app.add_subcommand("help-export", "manuale o completamento bash dei comandi");
  exporter->group("");
  exporter->add_option("FORMAT", export_format, "man o bash")
      ->required()
      ->check(CLI::IsMember({"man", "bash"}));

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << "\n";
    return 0;
  } catch (const CLI::ParseError& e) {
    return ParseFailure(e, app, commands, argc, argv, out, err);
  }
  if (exporter->parsed()) {
    if (export_format == "man") {
      WriteManPage(app, ProgramVersion(), out);
    } else {
      WriteBashCompletion(app, out);
    }
    return 0;
  }
  if (yes && no) {
    err << "kaveltar-cli: --yes e --no si escludono a vicenda\n";
    return 2;
  }
  std::optional<bool> answer;
  if (yes) answer = true;
  if (no) answer = false;
  return RunCommand(*chosen, global, answer, dialogs, argc, argv, out, err);
}

}  // namespace kaveltar::cli
