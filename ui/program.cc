#include "ui/program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>

#include "app/session.h"
#include "app/startup.h"
#include "base/fatal.h"
#include "base/run_time_error.h"
#include "memorize/month_memorizer.h"
#include "ui/export_screen.h"
#include "ui/frm_veltar.h"
#include "ui/grid_screen.h"
#include "ui/import_screen.h"
#include "ui/instance_beacon.h"
#include "ui/list_widgets.h"
#include "ui/memorize_screen.h"
#include "ui/previous_database.h"
#include "ui/print_screen.h"
#include "ui/qt_dialogs.h"
#include "ui/tables_screen.h"
#include "ui/totals_screen.h"
#include "ui/update_screen.h"
#include "ui/widget_helpers.h"

namespace kaveltar::ui {
namespace {

// Messages while taking pictures go to standard error; questions are answered No.
class UnattendedDialogs : public Dialogs {
 public:
  using Dialogs::Ask;
  using Dialogs::Show;
  void Show(std::string_view text, std::string_view title, MessageIcon) override {
    std::fprintf(stderr, "kaveltar: [%.*s] %.*s\n", static_cast<int>(title.size()), title.data(),
                 static_cast<int>(text.size()), text.data());
  }
  bool Ask(std::string_view text, std::string_view title, MessageIcon icon) override {
    Show(text, title, icon);
    return false;
  }
};

bool SavePicture(QWidget& window, const QDir& dir, const char* name) {
  QCoreApplication::processEvents();
  const QString file = dir.filePath(QString::fromLatin1(name));
  if (!window.grab().save(file, "PNG")) {
    std::fprintf(stderr, "kaveltar: cannot write %s\n", qPrintable(file));
    return false;
  }
  return true;
}

// Selects `row` of a list as a click would.
void Click(QListWidget* list, int row) {
  if (row < list->count()) list->setCurrentRow(row);
}

// The menu, then every screen: the selection screens with a company and a few employees
// chosen, the month grid of one employee, the tables screen and each of its tables.
int TakePictures(FRMVELTAR& form, const QString& folder) {
  QDir dir(folder);
  if (!dir.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "kaveltar: cannot create %s\n", qPrintable(folder));
    return 1;
  }
  bool ok = SavePicture(form, dir, "menu.png");

  form.cmdPulsante_Click(1);
  MemorizeScreen& memorize = form.memorize_screen();
  for (int row = 0; row < 4; ++row) memorize.ListDipSel_DblClick(row);
  ok = SavePicture(form, dir, "memorize.png") && ok;
  form.ReturnToMenu(memorize.frame());

  form.cmdPulsante_Click(2);
  ok = SavePicture(form, dir, "import.png") && ok;
  form.ReturnToMenu(form.import_screen().frame());

  form.cmdPulsante_Click(3);
  UpdateScreen& update = form.update_screen();
  Click(update.companies(), 0);
  Click(update.employees(), 0);
  ok = SavePicture(form, dir, "update.png") && ok;
  // The month grid of that employee, on a month memorized for the picture.
  if (update.employees()->count() > 0) {
    MemorizeOptions memorize_options;
    memorize_options.year = update.year();
    memorize_options.month = update.month();
    memorize_options.rewrite_existing = true;
    const std::string key = EntryAt(update.employees(), 0).code;
    form.Guard(
        [&] { MonthMemorizer(form.session().job(), memorize_options).MemorizeEmployee(key); });
    update.CmdConfermaAgg_Click();
    ok = SavePicture(form, dir, "grid.png") && ok;
    update.grid_screen().CmdRitMemTimbrature_Click();
  }
  form.ReturnToMenu(update.frame());

  form.cmdPulsante_Click(12);
  ok = SavePicture(form, dir, "totals.png") && ok;
  form.ReturnToMenu(form.totals_screen().frame());

  form.cmdPulsante_Click(5);
  Click(form.print_screen().companies(), 0);
  Click(form.print_screen().employees(), 0);
  ok = SavePicture(form, dir, "print.png") && ok;
  form.ReturnToMenu(form.print_screen().frame());

  form.cmdPulsante_Click(4);
  Click(form.export_screen().companies(), 0);
  ok = SavePicture(form, dir, "export.png") && ok;
  form.ReturnToMenu(form.export_screen().frame());

  // The tables screen: the table choice, then each table with its first stored row open.
  form.cmdPulsante_Click(0);
  TablesScreen& tables = form.tables_screen();
  ok = SavePicture(form, dir, "tables.png") && ok;
  const char* pictures[] = {"tables_holidays.png", "tables_justifications.png",
                            "tables_groups.png"};
  for (int table = 0; table < 3; ++table) {
    tables.ListTabelle_Click(table);
    tables.ListRecord_DblClick(1);
    ok = SavePicture(form, dir, pictures[table]) && ok;
    tables.CmdSelPrec_Click();
  }
  tables.CmdRitTabelle_Click();

  form.Leave();
  return ok ? 0 : 1;
}

// The menu is on screen with its lists filled: says how many rows each selection screen's
// company list holds, then leaves as the operator would.
int ExitWhenReady(FRMVELTAR& form) {
  QCoreApplication::processEvents();
  std::printf("lists=%d %d %d %d\n", form.memorize_screen().companies()->count(),
              form.update_screen().companies()->count(), form.print_screen().companies()->count(),
              form.export_screen().companies()->count());
  std::fflush(stdout);
  return form.Leave() ? form.exit_status() : 1;
}

}  // namespace

ParseOutcome ParseProgramOptions(const QStringList& arguments, ProgramOptions* options,
                                 QString* message) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("KAVELTAR - Gestione Presenze"));
  parser.addHelpOption();
  const QCommandLineOption archive(QStringLiteral("archive"),
                                   QStringLiteral("cartella degli archivi (al posto del registro)"),
                                   QStringLiteral("DIR"));
  const QCommandLineOption programs(
      QStringLiteral("programs"), QStringLiteral("cartella dei programmi (al posto del registro)"),
      QStringLiteral("DIR"));
  const QCommandLineOption registry(QStringLiteral("registry"),
                                    QStringLiteral("file del registro da usare"),
                                    QStringLiteral("FILE"));
  const QCommandLineOption db(QStringLiteral("db"),
                              QStringLiteral("database PostgreSQL condiviso (postgresql://...)"),
                              QStringLiteral("URL"));
  QCommandLineOption screenshots(QStringLiteral("screenshot-dir"), QString(),
                                 QStringLiteral("DIR"));
  screenshots.setFlags(QCommandLineOption::HiddenFromHelp);
  QCommandLineOption ready(QStringLiteral("exit-when-ready"));
  ready.setFlags(QCommandLineOption::HiddenFromHelp);
  const QCommandLineOption version(QStringLiteral("version"),
                                   QStringLiteral("mostra la versione del programma"));
  parser.addOptions({archive, programs, registry, db, version, screenshots, ready});

  if (!parser.parse(arguments)) {
    *message = parser.errorText();
    return ParseOutcome::kBadUsage;
  }
  if (parser.isSet(QStringLiteral("help"))) {
    // Without a running application the parser does not know the program's name.
    *message =
        parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("kaveltar"));
    return ParseOutcome::kHelp;
  }
  if (parser.isSet(version)) {
    *message =
        QStringLiteral("kaveltar ") + QString::fromLatin1(ProgramVersion()) + QLatin1Char('\n');
    return ParseOutcome::kVersion;
  }
  if (!parser.positionalArguments().isEmpty()) {
    *message = QStringLiteral("argomento sconosciuto: ") + parser.positionalArguments().first();
    return ParseOutcome::kBadUsage;
  }
  if (parser.isSet(archive) != parser.isSet(programs)) {
    *message = QStringLiteral("indicare sia --archive sia --programs");
    return ParseOutcome::kBadUsage;
  }
  StartupOptions& s = options->startup;
  if (parser.isSet(archive)) s.archive_path = ToUtf8(parser.value(archive));
  if (parser.isSet(programs)) s.program_path = ToUtf8(parser.value(programs));
  if (parser.isSet(registry)) s.registry_file = ToUtf8(parser.value(registry));
  if (parser.isSet(db)) s.database_url = ToUtf8(parser.value(db));
  options->screenshot_dir = parser.value(screenshots);
  options->exit_when_ready = parser.isSet(ready);
  return ParseOutcome::kRun;
}

bool StartSession(Session& session, const StartupOptions& options, int* exit_status) {
  *exit_status = 1;
  try {
    Startup(session, options);
    *exit_status = 0;
    return true;
  } catch (const Fatal& fatal) {
    if (!fatal.text().empty()) session.dialogs().Show(fatal.text(), fatal.title(), fatal.icon());
    session.Close();
    *exit_status = fatal.exit_status();
    return false;
  } catch (const RunTimeError& error) {
    session.dialogs().Show("Errore " + std::to_string(error.number()) + " " + error.description(),
                           "Salarion", MessageIcon::kCritical);
  } catch (const std::exception& error) {
    session.dialogs().Show(error.what(), "Salarion", MessageIcon::kCritical);
  }
  session.Close();
  return false;
}

int RunProgram(const ProgramOptions& options) {
  QtDialogs qt_dialogs;
  UnattendedDialogs unattended;
  const bool pictures = !options.screenshot_dir.isEmpty();
  // Nobody is there to answer a message box while taking pictures or timing the start-up.
  const bool unattended_run = pictures || options.exit_when_ready;
  // "kaveltar" is the writer named in the support log.
  Session session(unattended_run ? static_cast<Dialogs&>(unattended) : qt_dialogs, "kaveltar");

  StartupOptions startup = options.startup;
  // One running copy per user and installation; taking pictures may run beside the program.
  startup.single_instance = !pictures;
  std::optional<std::filesystem::path> previous_database;
  if (!pictures) previous_database = PreviousDatabaseToOffer(startup);
  if (int status = 0; !StartSession(session, startup, &status)) {
    // A second copy ends without a word; the running copy brings its window to the front.
    if (startup.single_instance && status == 0 && !session.instance_lock().held()) {
      InstanceBeacon::CallRunningCopy(InstanceBeacon::SocketName(startup));
    }
    return status;
  }
  if (previous_database) OfferPreviousDatabase(session, *previous_database, nullptr);

  FRMVELTAR form(session);
  if (form.ended()) return form.exit_status();
  InstanceBeacon beacon;
  if (startup.single_instance) beacon.Listen(InstanceBeacon::SocketName(startup), &form);
  qt_dialogs.set_parent(&form);
  QApplication::setQuitOnLastWindowClosed(false);
  int exit_status = 0;
  QObject::connect(&form, &FRMVELTAR::Ended, &form, [&exit_status](int status) {
    exit_status = status;
    QCoreApplication::exit(status);
  });
  form.show();
  if (pictures) return TakePictures(form, options.screenshot_dir);
  if (options.exit_when_ready) return ExitWhenReady(form);
  QApplication::exec();
  return exit_status;
}

}  // namespace kaveltar::ui
