// Start-up and shutdown of a session, without any window: finds the installation, opens the
// payroll archives and the attendance database, reads the processing date and loads the
// employee extraction of the processing year. The desktop program adds its form on top.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kaveltar {

class Session;
struct Installation;

struct StartupOptions {
  // Explicit folders (command-line options); they take the place of the registry and of the
  // path files. Both or neither.
  std::optional<std::filesystem::path> archive_path;
  std::optional<std::filesystem::path> program_path;
  // Registry store file; empty = RegistryStore::DefaultFile().
  std::filesystem::path registry_file;
  // libpq connection string of a shared PostgreSQL database; empty = the SQLite file in the
  // archive folder.
  std::string database_url;
  // Take the single-instance lock (the desktop program does; batch commands do not).
  bool single_instance = false;
  // The printer of this run: a printer name or "file:DIR"; empty = KAVELTAR_PRINTER, else
  // the installation's printer setting and the system's default printer.
  std::string printer;
};

// The configuration message shown when no installation can be found.
inline constexpr std::string_view kConfigurationError =
    "ERRORE DI CONFIGURAZIONE! CONTROLLARE I PERCORSI DI Salarion CON IL PROGRAMMA EPERCORSO";

// Runs the start-up sequence and gives the session the installation it found. Failures that end the
// program throw Fatal; unexpected errors go through the general error handler (which throws Fatal
// after its messages).
void Startup(Session& session, const StartupOptions& options);

// The name of the single-instance lock of the installation the options lead to (the registry
// store the program reads), decided before the folders are known.
std::string InstanceKey(const StartupOptions& options);

// Finds the program and archive folders only (registry, then the path files) and puts them in
// `installation`; throws Fatal with the configuration message when neither gives them.
void CARICAINST(Session& session, const StartupOptions& options, Installation& installation);
// Opens the archives kept open for the whole run and reads the processing date into
// `installation`.
void APRIARCHIVI(Session& session, Installation& installation);

// Opens the system's printer for `choice` (see StartupOptions::printer) and attaches it to the
// session; documents go to the STAMPE folder of the installation's archive folder when there is
// no printer at all. A choice that names no printer, or a spool folder that cannot be made, throws
// Fatal with the reason.
void AttachSystemPrinter(Session& session, const std::string& choice);

// The program's version, as both programs print it for --version.
const char* ProgramVersion();

// Closes the attendance database and every archive file.
void Shutdown(Session& session);

}  // namespace kaveltar
