#include "app/startup.h"

#include "app/configuration.h"
#include "app/report_error.h"
#include "app/session.h"
#include "archive/bases.h"
#include "archive/fields.h"
#include "base/dates.h"
#include "base/fatal.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "db/postgres_db.h"
#include "platform/log_file.h"
#include "platform/paths.h"
#include "platform/printer_system.h"
#include "platform/registry.h"

namespace kaveltar {
namespace fs = std::filesystem;

namespace {

// Archive bases kept open for the whole run, in the order they are opened.
constexpr int kStartupBases[] = {
    bases::kCompanies,          bases::kParameters,     bases::kExtraction,
    bases::kEmployeeIndex,      bases::kEmployees,      bases::kExtractionYear1,
    bases::kEmployeeIndexYear1, bases::kEmployeesYear1, bases::kEmployeeIndexYear2,
    bases::kEmployeesYear2,     bases::kProfiles,       bases::kEmployeeIndexYear3,
    bases::kEmployeesYear3,     bases::kChangesYear3,   bases::kEmployeeIndexYear4,
    bases::kEmployeesYear4,     bases::kChangesYear4,   bases::kFormulas,
    bases::kProcessingDate};

fs::path FolderFromText(std::string_view text) { return MapWindowsPath(Trim(text)); }

// The registry store a run reads: the user's, or the workstation-wide one when the user has
// none. A store that cannot be read reads as empty.
RegistryStore LoadRegistry(const StartupOptions& options) {
  const fs::path user =
      options.registry_file.empty() ? RegistryStore::DefaultFile() : options.registry_file;
  auto store = RegistryStore::Load(RegistryStore::EffectiveFile(user));
  return store.ok() ? std::move(store.value()) : RegistryStore();
}

void ReadInstallationCode(Installation& installation, const RegistryStore& store) {
  // A code written by `kaveltar-cli config` takes the place of the installation settings file.
  const std::string configured(
      Trim(store.ReadRegistryString(kHkeyCurrentUser, kKaveltarKey, kInstallationCodeValue)));
  if (!configured.empty()) {
    installation.installation_code = configured;
    return;
  }
  const fs::path ini = FindCaseInsensitive(MapWindowsPath("C:\\MIRTASK\\MIRTASK.INI"));
  // A missing file or a first line shorter than two characters leaves the code empty; the
  // archives that need it then fail with their own message when opened.
  const std::string line = ReadFirstLine(ini);
  installation.installation_code = line.size() >= 2 ? std::string(Trim(line.substr(0, 2))) : "";
}

void ReadParameters(Session& session) {
  ArchiveFiles& files = session.archives();
  if (files.IsOpen(bases::kParameters)) return;
  files.FAIOPEN(bases::kParameters);
  if (files.LEGGIREC(bases::kParameters, 1) == 0) {
    session.codec().SetCurrentRecord("FISX$", files.RecordBuffer(bases::kParameters));
  }
  files.CloseArchiveFile(bases::kParameters);
}

// The attendance database, named by --db, KAVELTAR_DB or the registry store, else the SQLite
// file of the archive folder. A failure is the database's run-time error for the general
// handler (the Italian description first, then what the engine said). A damaged SQLite file
// is refused before anything is written to it; the integrity check that finds it is skipped
// when the file is exactly as the last clean close left it.
void OpenDatabase(Session& session, const StartupOptions& options, const RegistryStore& store,
                  Installation& installation) {
  session.trace().TraceProcedure("OpenDatabase");
  const DatabaseChoice choice = ChooseDatabase(options.database_url, store);
  if (!choice.url.empty()) {
    installation.database_label = DescribeDatabase(choice.url, {});
    auto db = OpenPostgresDatabase(choice.url);
    if (!db.ok()) ThrowDatabaseError(db.status(), "PostgreSQL");
    session.AttachDatabase(std::move(db.value()));
    return;
  }
  const fs::path folder = installation.archive_path;
  if (Status s = PrepareDatabase(folder); !s.ok()) ThrowDatabaseError(s, kTemplateFile);
  const fs::path file = FindCaseInsensitive(folder / kDatabaseFile);
  if (!FileExists(file)) {
    ThrowDatabaseError(
        Status::NotFound((folder / kDatabaseFile).string() + " (manca anche il modello " +
                         (folder / kTemplateFile).string() + ")"),
        {});
  }
  installation.database_label = DescribeDatabase({}, file);
  auto db = OpenCheckedSqliteDatabase(file);
  if (!db.ok()) ThrowDatabaseError(db.status(), {});
  session.AttachDatabase(std::move(db.value()));
}

// Opens the system's printer for `choice` and attaches it to the session, with the STAMPE
// folder of `archive_folder` (of the current folder before an installation is known) as the
// place for documents when there is no printer at all.
void AttachPrinter(Session& session, const std::string& choice, const fs::path& archive_folder) {
  PrinterSetup setup;
  setup.choice = PrinterChoice(choice);
  setup.fallback_folder = (archive_folder.empty() ? fs::current_path() : archive_folder) / "STAMPE";
  auto printer = OpenSystemPrinter(setup, &session.dialogs());
  if (!printer.ok()) throw Fatal(printer.status().message(), "Stampa", MessageIcon::kCritical);
  session.AttachPrinter(std::move(printer.value()));
}

}  // namespace

std::string InstanceKey(const StartupOptions& options) {
  // One copy per user and registry store.
  return (options.registry_file.empty() ? RegistryStore::DefaultFile() : options.registry_file)
      .string();
}

void CARICAINST(Session& session, const StartupOptions& options, Installation& installation) {
  session.trace().TraceProcedure("CARICAINST");
  if (options.single_instance && !session.instance_lock().Acquire(InstanceKey(options))) {
    throw Fatal::Silent(0);
  }

  if (options.archive_path || options.program_path) {
    if (!options.archive_path || !options.program_path) {
      throw Fatal("Indicare sia la cartella degli archivi sia quella dei programmi.");
    }
    for (const fs::path& p : {*options.archive_path, *options.program_path}) {
      if (!FolderExists(p)) throw Fatal("Cartella inesistente: " + p.string());
    }
    installation.archive_path = fs::absolute(*options.archive_path);
    installation.program_path = fs::absolute(*options.program_path);
    return;
  }

  // Registry branch: both folders must exist, else neither is taken.
  {
    const RegistryStore store = LoadRegistry(options);
    const fs::path programs = FolderFromText(
        store.ReadRegistryString(kHkeyCurrentUser, kSalarionKey, "PERCORSOPROGRAMMI"));
    const fs::path archives =
        FolderFromText(store.ReadRegistryString(kHkeyCurrentUser, kSalarionKey, "PERCORSOARCHIVI"));
    if (FolderExists(programs) && FolderExists(archives)) {
      installation.program_path = programs;
      installation.archive_path = archives;
      return;
    }
  }

  // File branch: the first lines of the two path files.
  const fs::path ark = FindCaseInsensitive(MapWindowsPath("C:\\PQXPAGHE\\QXPERARK.QXP"));
  const fs::path pro = FindCaseInsensitive(MapWindowsPath("C:\\PQXPAGHE\\QXPERPRO.QXP"));
  const std::string ark_line(Trim(ReadFirstLine(ark)));
  const std::string pro_line(Trim(ReadFirstLine(pro)));
  if (!FileExists(ark) || !FileExists(pro) || ark_line.empty() || pro_line.empty()) {
    throw Fatal(std::string(kConfigurationError) + "\n\n" + std::string(kConfigurationHelp),
                "Salarion", MessageIcon::kCritical);
  }
  installation.archive_path = FolderFromText(ark_line);
  installation.program_path = FolderFromText(pro_line);
}

void APRIARCHIVI(Session& session, Installation& installation) {
  session.trace().TraceProcedure("APRIARCHIVI");
  ArchiveFiles& files = session.archives();
  files.CloseArchiveFile(bases::kAll);
  for (int base : kStartupBases) files.FAIOPEN(base);
  std::string date = "        ";
  if (files.LEGGIREC(bases::kProcessingDate, 1) == 0)
    date = files.RecordBuffer(bases::kProcessingDate).substr(0, 8);
  // DDMMYYYY in the archive, kept as YYYYMMDD.
  installation.processing_date = DdMmYyyyToKey(date);
  installation.processing_year = static_cast<int>(ValInt(Mid(date, 4, 4)));
  installation.processing_month = static_cast<int>(ValInt(Mid(date, 2, 2)));
}

void Startup(Session& session, const StartupOptions& options) {
  Installation installation;
  CARICAINST(session, options, installation);
  const RegistryStore store = LoadRegistry(options);
  ReadInstallationCode(installation, store);
  session.AttachArchives(installation.archive_path);
  session.archives().context().installation_code = installation.installation_code;

  WithErrorHandler(session, [&] {
    session.archives().LoadCatalogue();
    ReadParameters(session);
    APRIARCHIVI(session, installation);
  });
  if (installation.processing_year <= 0) {
    throw Fatal("Data di elaborazione non valida nell'archivio 6 (record 1): " +
                (installation.processing_date.empty() ? std::string("vuota")
                                                      : installation.processing_date));
  }

  WithErrorHandler(session, [&] {
    OpenDatabase(session, options, store, installation);
    if (Status s = EnsureHolidayDefault(session.db()); !s.ok()) ThrowDatabaseError(s, "FESTIVITA");
  });

  // The printer of the run (one attached beforehand, as tests do, is kept), then the
  // installation's choice among the system's printers.
  if (!session.has_printer() || !options.printer.empty()) {
    AttachPrinter(session, options.printer, installation.archive_path);
  }
  LEGGISTAMPANTESTD(session.archives(), session.trace(), session.printer(),
                    &installation.printer_names);
  session.set_installation(std::move(installation));
  const Installation& found = session.installation();

  WithErrorHandler(session, [&] {
    session.lists().set_processing(found.processing_year, found.processing_date);
    session.lists().ESTRAZIONEDIPENDENTI("AC");
  });

  WriteLog(session.program_name(), "avvio: programmi " + found.program_path.string() +
                                       ", archivi " + found.archive_path.string() +
                                       ", installazione " + found.installation_code +
                                       ", data di elaborazione " + found.processing_date +
                                       ", database " + found.database_label);
}

void AttachSystemPrinter(Session& session, const std::string& choice) {
  AttachPrinter(session, choice, session.installation().archive_path);
}

void Shutdown(Session& session) { session.Close(); }

const char* ProgramVersion() { return KAVELTAR_VERSION; }

}  // namespace kaveltar
