// The settings of a workstation that lead both programs to an installation with no options:
// the payroll program's two folders (the values it keeps in the registry), the installation
// code and the attendance database. They live in the user's registry store; when the user has
// none, in the workstation-wide store an administrator writes (RegistryStore::SystemFile).
//
//   [HKEY_CURRENT_USER\SOFTWARE\ALTROVIA\SALARION]  PERCORSOARCHIVI, PERCORSOPROGRAMMI
//   [HKEY_CURRENT_USER\SOFTWARE\KAVELTAR]           CODICEINSTALLAZIONE, DATABASE
//
// The installation code written here takes the place of the first line of
// C:\MIRTASK\MIRTASK.INI; the database named here is used when neither --db nor the
// KAVELTAR_DB environment variable names one.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace kaveltar {

class RegistryStore;

inline constexpr std::string_view kKaveltarKey = "SOFTWARE\\KAVELTAR";
inline constexpr std::string_view kInstallationCodeValue = "CODICEINSTALLAZIONE";
inline constexpr std::string_view kDatabaseValue = "DATABASE";

// What a user asks `config` to write. An empty text clears the installation code or the
// database (back to MIRTASK.INI and to the SQLite file in the archive folder).
struct ConfigurationChange {
  std::optional<std::filesystem::path> archive_path;  // with program_path, or neither
  std::optional<std::filesystem::path> program_path;
  std::optional<std::string> installation_code;
  std::optional<std::string> database;
};

// Checks every value and writes them into `user_store` (created when missing, other values
// kept). On any refusal nothing is written and the status carries the Italian reason.
Status WriteConfiguration(const std::filesystem::path& user_store,
                          const ConfigurationChange& change);

// Checks a database name for the registry or the environment: a postgresql:// URL or a libpq
// keyword string (host=... dbname=..., service=...), never one holding a password.
Status CheckDatabaseName(std::string_view name);

// The database a run uses, most specific first: the --db option, the KAVELTAR_DB environment
// variable, the registry store. `source` says which ("" with an empty url: the SQLite file).
struct DatabaseChoice {
  std::string url;
  std::string source;
};
DatabaseChoice ChooseDatabase(const std::string& option, const RegistryStore& store);

// "PostgreSQL <host, port, database, user>" or "SQLite <file>", never a password.
std::string DescribeDatabase(const std::string& url, const std::filesystem::path& sqlite_file);

// One line of `config --show`.
struct ConfigurationEntry {
  std::string name;
  std::string value;
  std::string source;
};

// What is set and where it comes from: the registry store read, the two folders, the
// installation code and the database, as a run with no options would find them.
std::vector<ConfigurationEntry> DescribeConfiguration(const std::filesystem::path& user_store,
                                                      const std::string& database_option);

// What the user can do on this system when no installation is found; shown under the
// configuration message.
inline constexpr std::string_view kConfigurationHelp =
    "Su questo sistema indicare le cartelle con\n"
    "  kaveltar-cli config --archive CARTELLA_ARCHIVI --programs CARTELLA_PROGRAMMI\n"
    "oppure avviare con le opzioni --archive e --programs;\n"
    "per provare il programma: kaveltar-cli demo-install CARTELLA --registry";

}  // namespace kaveltar
