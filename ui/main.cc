// kaveltar: the desktop program of the payroll office's attendance.
#include <QApplication>
#include <QIcon>
#include <QStringList>
#include <cstdio>

#include "ui/program.h"
#include "ui/qt_dialogs.h"

namespace {

// Prints what the parser left and returns the exit status; -1 when the program is to run.
int Finish(kaveltar::ui::ParseOutcome outcome, const QString& message) {
  switch (outcome) {
    case kaveltar::ui::ParseOutcome::kHelp:
    case kaveltar::ui::ParseOutcome::kVersion:
      std::fprintf(stdout, "%s", qPrintable(message));
      return 0;
    case kaveltar::ui::ParseOutcome::kBadUsage:
      std::fprintf(stderr, "kaveltar: %s\n", qPrintable(message));
      return 2;
    case kaveltar::ui::ParseOutcome::kRun:
      break;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  // The options are read before the window system is touched, so --help and --version work
  // without a display.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  kaveltar::ui::ProgramOptions options;
  QString message;
  auto outcome = kaveltar::ui::ParseProgramOptions(arguments, &options, &message);
  if (outcome == kaveltar::ui::ParseOutcome::kHelp ||
      outcome == kaveltar::ui::ParseOutcome::kVersion) {
    return Finish(outcome, message);
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kaveltar"));
  // The icon of every window, and the desktop entry the window manager matches it with.
  QApplication::setWindowIcon(
      QIcon::fromTheme(QStringLiteral("kaveltar"), QIcon(QStringLiteral(":/kaveltar.png"))));
  QGuiApplication::setDesktopFileName(QStringLiteral("it.kaveltar.Kaveltar"));
  // Every text of the program is Italian, Qt's own buttons and dialogs too.
  kaveltar::ui::InstallItalianTranslation(app);
  if (outcome == kaveltar::ui::ParseOutcome::kBadUsage) {
    // Qt's own options (-platform, -style, ...) are gone from the application's arguments.
    options = {};
    outcome = kaveltar::ui::ParseProgramOptions(QApplication::arguments(), &options, &message);
  }
  if (const int status = Finish(outcome, message); status >= 0) return status;
  return kaveltar::ui::RunProgram(options);
}
