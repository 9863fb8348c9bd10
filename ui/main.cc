// kaveltar: the desktop program of the payroll office's attendance.
#include <QApplication>
#include <QIcon>
#include <cstdio>

#include "ui/program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kaveltar"));
  // The icon of every window, and the desktop entry the window manager matches it with.
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kaveltar"), QIcon(QStringLiteral(":/kaveltar.png"))));
  QGuiApplication::setDesktopFileName(QStringLiteral("it.kaveltar.Kaveltar"));
  kaveltar::ui::ProgramOptions options;
  QString message;
  switch (kaveltar::ui::ParseProgramOptions(QApplication::arguments(), &options, &message)) {
    case kaveltar::ui::ParseOutcome::kHelp:
      std::fprintf(stdout, "%s", qPrintable(message));
      return 0;
    case kaveltar::ui::ParseOutcome::kBadUsage:
      std::fprintf(stderr, "kaveltar: %s\n", qPrintable(message));
      return 2;
    case kaveltar::ui::ParseOutcome::kRun:
      break;
  }
  return kaveltar::ui::RunProgram(options);
}
