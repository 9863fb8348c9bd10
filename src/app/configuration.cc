#include "app/configuration.h"

#include <cctype>
#include <cstdlib>
#include <system_error>

#include "base/text.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace kaveltar {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kArchiveValue = "PERCORSOARCHIVI";
constexpr std::string_view kProgramValue = "PERCORSOPROGRAMMI";

Status Refuse(std::string text) { return Status::Invalid(std::move(text)); }

// Whether a libpq keyword string holds `key=` as a keyword of its own.
bool HasKeyword(std::string_view conninfo, std::string_view key) {
  size_t pos = 0;
  while ((pos = conninfo.find(key, pos)) != std::string_view::npos) {
    const bool starts_word =
        pos == 0 || std::isspace(static_cast<unsigned char>(conninfo[pos - 1]));
    size_t after = pos + key.size();
    while (after < conninfo.size() && conninfo[after] == ' ') ++after;
    if (starts_word && after < conninfo.size() && conninfo[after] == '=') return true;
    pos += key.size();
  }
  return false;
}

bool IsUrl(std::string_view name) {
  return name.substr(0, 13) == "postgresql://" || name.substr(0, 11) == "postgres://";
}

// Splits "scheme://[user[:password]@][host][:port][/dbname][?params]" into its parts.
struct UrlParts {
  std::string user, host, port, dbname;
  bool has_password = false;
  bool password_param = false;
};
UrlParts SplitUrl(std::string_view url) {
  UrlParts p;
  std::string_view rest = url.substr(url.find("://") + 3);
  const size_t query = rest.find('?');
  if (query != std::string_view::npos) {
    const std::string_view params = rest.substr(query + 1);
    p.password_param =
        params.substr(0, 9) == "password=" || params.find("&password=") != std::string_view::npos;
    rest = rest.substr(0, query);
  }
  const size_t at = rest.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view userinfo = rest.substr(0, at);
    const size_t colon = userinfo.find(':');
    p.has_password = colon != std::string_view::npos;
    p.user = std::string(userinfo.substr(0, colon));
    rest = rest.substr(at + 1);
  }
  const size_t slash = rest.find('/');
  if (slash != std::string_view::npos) {
    p.dbname = std::string(rest.substr(slash + 1));
    rest = rest.substr(0, slash);
  }
  const size_t colon = rest.rfind(':');
  if (colon != std::string_view::npos && rest.find(']') == std::string_view::npos) {
    p.port = std::string(rest.substr(colon + 1));
    rest = rest.substr(0, colon);
  }
  p.host = std::string(rest);
  return p;
}

std::string RegistryValue(const RegistryStore& store, std::string_view key, std::string_view name) {
  return std::string(Trim(store.ReadRegistryString(kHkeyCurrentUser, key, name)));
}

}  // namespace

Status CheckDatabaseName(std::string_view name) {
  if (IsUrl(name)) {
    const UrlParts p = SplitUrl(name);
    if (p.has_password || p.password_param) {
      return Refuse(
          "La password del database non va scritta nell'indirizzo: usare il file ~/.pgpass "
          "oppure il file di servizio di PostgreSQL (~/.pg_service.conf, service=NOME).");
    }
    return Status::Ok();
  }
  if (name.find('=') == std::string_view::npos) {
    return Refuse("Database non valido: \"" + std::string(name) +
                  "\". Indicare un indirizzo postgresql://server/database oppure service=NOME.");
  }
  if (HasKeyword(name, "password")) {
    return Refuse(
        "La password del database non va scritta nelle impostazioni: usare il file ~/.pgpass "
        "oppure il file di servizio di PostgreSQL (~/.pg_service.conf, service=NOME).");
  }
  return Status::Ok();
}

Status WriteConfiguration(const fs::path& user_store, const ConfigurationChange& change) {
  if (change.archive_path.has_value() != change.program_path.has_value()) {
    return Refuse("Indicare sia la cartella degli archivi sia quella dei programmi.");
  }
  if (!change.archive_path && !change.installation_code && !change.database) {
    return Refuse(
        "Nessuna impostazione da scrivere: indicare --archive e --programs, "
        "--installation-code o --db.");
  }
  fs::path archives, programs;
  if (change.archive_path) {
    std::error_code ec;
    archives = fs::absolute(*change.archive_path, ec);
    programs = fs::absolute(*change.program_path, ec);
    if (!FolderExists(archives))
      return Refuse("Cartella degli archivi inesistente: " + archives.string());
    if (!FolderExists(programs))
      return Refuse("Cartella dei programmi inesistente: " + programs.string());
    // The catalogue names every archive: without it the folder is not a payroll archive folder.
    if (!FileExists(FindCaseInsensitive(archives / "QXBASE.DAT"))) {
      return Refuse("La cartella " + archives.string() +
                    " non contiene il catalogo degli archivi QXBASE.DAT: non è una cartella "
                    "archivi di Salarion.");
    }
  }
  if (change.installation_code && !change.installation_code->empty()) {
    const std::string& code = *change.installation_code;
    const bool two_alnum = code.size() == 2 && std::isalnum(static_cast<unsigned char>(code[0])) &&
                           std::isalnum(static_cast<unsigned char>(code[1]));
    if (!two_alnum) {
      return Refuse("Codice installazione non valido: \"" + code +
                    "\" (due cifre o lettere, per esempio 01).");
    }
  }
  if (change.database && !change.database->empty()) {
    if (Status s = CheckDatabaseName(*change.database); !s.ok()) return s;
  }

  Result<RegistryStore> loaded = RegistryStore::Load(user_store);
  if (!loaded.ok()) return loaded.status();
  RegistryStore store = std::move(loaded.value());
  if (change.archive_path) {
    store.SetString(kHkeyCurrentUser, kSalarionKey, kArchiveValue, archives.string());
    store.SetString(kHkeyCurrentUser, kSalarionKey, kProgramValue, programs.string());
  }
  if (change.installation_code) {
    store.SetString(kHkeyCurrentUser, kKaveltarKey, kInstallationCodeValue,
                    *change.installation_code);
  }
  if (change.database)
    store.SetString(kHkeyCurrentUser, kKaveltarKey, kDatabaseValue, *change.database);
  return store.Save(user_store);
}

DatabaseChoice ChooseDatabase(const std::string& option, const RegistryStore& store) {
  if (!option.empty()) return {option, "opzione --db"};
  if (const char* env = std::getenv("KAVELTAR_DB"); env != nullptr && *env != '\0') {
    return {env, "variabile KAVELTAR_DB"};
  }
  std::string value = RegistryValue(store, kKaveltarKey, kDatabaseValue);
  if (!value.empty()) return {value, "registro"};
  return {"", ""};
}

std::string DescribeDatabase(const std::string& url, const fs::path& sqlite_file) {
  if (url.empty()) return "SQLite " + sqlite_file.string();
  std::string out = "PostgreSQL";
  if (IsUrl(url)) {
    const UrlParts p = SplitUrl(url);
    out += " server " + (p.host.empty() ? std::string("locale") : p.host);
    if (!p.port.empty()) out += ":" + p.port;
    if (!p.dbname.empty()) out += ", database " + p.dbname;
    if (!p.user.empty()) out += ", utente " + p.user;
    return out;
  }
  // A keyword string: every keyword but the password, in the order written.
  std::string shown;
  size_t pos = 0;
  while (pos < url.size()) {
    while (pos < url.size() && std::isspace(static_cast<unsigned char>(url[pos]))) ++pos;
    size_t end = pos;
    bool quoted = false;
    while (end < url.size() && (quoted || !std::isspace(static_cast<unsigned char>(url[end])))) {
      if (url[end] == '\'') quoted = !quoted;
      ++end;
    }
    const std::string word = url.substr(pos, end - pos);
    if (!word.empty() && word.rfind("password", 0) != 0) shown += (shown.empty() ? "" : " ") + word;
    pos = end;
  }
  return out + " " + shown;
}

std::vector<ConfigurationEntry> DescribeConfiguration(const fs::path& user_store,
                                                      const std::string& database_option) {
  std::vector<ConfigurationEntry> entries;
  const fs::path read = RegistryStore::EffectiveFile(user_store);
  std::error_code ec;
  const bool exists = fs::exists(read, ec);
  const std::string store_source = !exists              ? ""
                                   : read == user_store ? "registro utente"
                                                        : "registro di sistema";
  entries.push_back(
      {"Registro", exists ? read.string() : user_store.string() + " (assente)", store_source});

  RegistryStore store;
  if (exists) {
    Result<RegistryStore> loaded = RegistryStore::Load(read);
    if (loaded.ok()) store = std::move(loaded.value());
  }

  // The two folders: the registry when both are set, else the path files of the C: drive.
  const std::string archives = RegistryValue(store, kSalarionKey, kArchiveValue);
  const std::string programs = RegistryValue(store, kSalarionKey, kProgramValue);
  if (!archives.empty() && !programs.empty()) {
    entries.push_back({"Archivi", archives, store_source});
    entries.push_back({"Programmi", programs, store_source});
  } else {
    const fs::path ark = FindCaseInsensitive(MapWindowsPath("C:\\PQXPAGHE\\QXPERARK.QXP"));
    const fs::path pro = FindCaseInsensitive(MapWindowsPath("C:\\PQXPAGHE\\QXPERPRO.QXP"));
    const std::string a(Trim(ReadFirstLine(ark)));
    const std::string p(Trim(ReadFirstLine(pro)));
    entries.push_back(
        {"Archivi", a.empty() ? "(non impostato)" : a, a.empty() ? "" : ark.string()});
    entries.push_back(
        {"Programmi", p.empty() ? "(non impostato)" : p, p.empty() ? "" : pro.string()});
  }

  const std::string code = RegistryValue(store, kKaveltarKey, kInstallationCodeValue);
  if (!code.empty()) {
    entries.push_back({"Codice installazione", code, store_source});
  } else {
    const fs::path ini = FindCaseInsensitive(MapWindowsPath("C:\\MIRTASK\\MIRTASK.INI"));
    const std::string line = ReadFirstLine(ini);
    const std::string from_ini = line.size() >= 2 ? std::string(Trim(line.substr(0, 2))) : "";
    entries.push_back({"Codice installazione", from_ini.empty() ? "(non impostato)" : from_ini,
                       from_ini.empty() ? "" : ini.string()});
  }

  const DatabaseChoice db = ChooseDatabase(database_option, store);
  if (db.url.empty()) {
    entries.push_back(
        {"Database", "SQLite QXPRES.sqlite nella cartella degli archivi", "predefinito"});
  } else {
    entries.push_back({"Database", DescribeDatabase(db.url, {}),
                       db.source == "registro" ? store_source : db.source});
  }
  return entries;
}

}  // namespace kaveltar
