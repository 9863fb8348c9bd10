// The desktop program from its command line to its exit status.
//
//   kaveltar [--archive DIR --programs DIR] [--registry FILE] [--db URL]
//
// --archive/--programs take the place of the registry and of the path files, as for
// kaveltar-cli; --registry names the registry store file; --db a shared PostgreSQL database.
// A hidden option --screenshot-dir DIR saves pictures of the menu, of the four selection
// screens and of the tables screen with each table's panel open into DIR and ends (used by
// scripts/screenshot). A hidden option --exit-when-ready ends the program with status 0 as soon
// as the main menu is shown with its selection lists filled, after printing
// "lists=<rows> <rows> <rows> <rows>" (the company lists of the four selection screens) on
// standard output; messages go to standard error and questions are answered No (used by
// bench_startup to time the start-up).
#pragma once

#include <QString>
#include <QStringList>

#include "app/startup.h"
#include "base/dialogs.h"

namespace kaveltar {
class Session;
}

namespace kaveltar::ui {

struct ProgramOptions {
  StartupOptions startup;
  QString screenshot_dir;
  bool exit_when_ready = false;
};

enum class ParseOutcome { kRun, kHelp, kVersion, kBadUsage };
// Parses the arguments (the program name first). kHelp, kVersion and kBadUsage leave the text
// to print in `message`. Needs no QApplication: --help and --version work without a display.
ParseOutcome ParseProgramOptions(const QStringList& arguments, ProgramOptions* options,
                                 QString* message);

// Starts the session. True when the program can go on; otherwise *exit_status is the status
// to end with, after the message of the failure (if any) has been shown through the session's
// dialogs: the configuration message when no installation is found, the error handler's
// messages, nothing for a second copy (which ends with status 0).
bool StartSession(Session& session, const StartupOptions& options, int* exit_status);

// The whole program; needs a QApplication.
int RunProgram(const ProgramOptions& options);

}  // namespace kaveltar::ui
