// Start-up and shutdown of a session, without any window: finds the installation, opens the
// payroll archives and the attendance database, reads the processing date and loads the
// employee extraction of the processing year. The desktop program adds its form on top.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kaveltar {

class Session;

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
};

// The configuration message shown when no installation can be found.
inline constexpr std::string_view kConfigurationError =
    "ERRORE DI CONFIGURAZIONE! CONTROLLARE I PERCORSI DI Salarion CON IL PROGRAMMA EPERCORSO";

// Runs the start-up sequence. Failures that end the program throw Fatal; unexpected errors go
// through the general error handler (which throws Fatal after its messages).
void Startup(Session& session, const StartupOptions& options);

// Finds the program and archive folders only (registry, then the path files); throws Fatal
// with the configuration message when neither gives them.
void CARICAINST(Session& session, const StartupOptions& options);
// Opens the archives kept open for the whole run and reads the processing date.
void APRIARCHIVI(Session& session);

// Closes the attendance database and every archive file.
void Shutdown(Session& session);

}  // namespace kaveltar
