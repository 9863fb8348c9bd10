#include "ui/previous_database.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include "app/session.h"
#include "app/startup.h"
#include "base/dialogs.h"
#include "db/attendance_db.h"
#include "migrate/attendance_migration.h"
#include "platform/paths.h"
#include "ui/widget_helpers.h"

namespace kaveltar::ui {

inline constexpr std::string_view kTitle = "Gestione Presenze";

std::optional<std::filesystem::path> PreviousDatabaseToOffer(const StartupOptions& options) {
  // Only the folders are looked up here: a scratch session with silent dialogs, so that a
  // configuration problem is reported once, by the real start-up.
  RecordingDialogs silent;
  Session scratch(silent);
  Installation folders;
  try {
    CARICAINST(scratch, options, folders);
  } catch (...) {
    return std::nullopt;
  }
  const std::filesystem::path file = FindPreviousDatabase(folders.archive_path);
  if (file.empty()) return std::nullopt;
  if (options.database_url.empty() &&
      FileExists(FindCaseInsensitive(folders.archive_path / std::string(kDatabaseFile)))) {
    return std::nullopt;
  }
  return file;
}

bool OfferPreviousDatabase(Session& session, const std::filesystem::path& file, QWidget* parent) {
  Result<int64_t> days = session.db().CountDays();
  if (!days.ok() || *days > 0) return false;
  Dialogs& dialogs = session.dialogs();
  if (!dialogs.Ask("Nella cartella degli archivi c'è l'archivio delle presenze del programma "
                   "precedente (" +
                       file.filename().string() + ").\nImportarlo ora?",
                   kTitle, MessageIcon::kQuestion)) {
    return false;
  }

  QProgressDialog panel(parent);
  panel.setObjectName(QStringLiteral("PanelImportazioneMdb"));
  panel.setWindowTitle(QString::fromUtf8(kTitle.data(), static_cast<int>(kTitle.size())));
  panel.setLabelText(QStringLiteral("Importazione dell'archivio delle presenze..."));
  panel.setCancelButton(nullptr);
  panel.setRange(0, 0);
  panel.setMinimumDuration(0);
  panel.setWindowModality(Qt::ApplicationModal);
  panel.show();
  QCoreApplication::processEvents();
  Result<MigrationReport> report = MigrateAttendanceDatabase(
      file, session.db(), {}, [&panel](std::string_view table, int64_t rows) {
        panel.setLabelText(FromUtf8(table) + QStringLiteral(": righe lette %1").arg(rows));
        QCoreApplication::processEvents();
      });
  panel.close();
  if (!report.ok()) {
    dialogs.Show(report.status().message(), kTitle, MessageIcon::kCritical);
    return false;
  }
  // The import runs as part of start-up, whose guarantee of the holiday 0106 still holds.
  if (Status s = EnsureHolidayDefault(session.db()); !s.ok()) {
    dialogs.Show(s.message(), kTitle, MessageIcon::kCritical);
  }
  std::string text;
  for (const std::string& line : MigrationReportLines(*report)) text += line + "\n";
  text += "Importazione completata";
  dialogs.Show(text, kTitle, MessageIcon::kInformation);
  return true;
}

}  // namespace kaveltar::ui
