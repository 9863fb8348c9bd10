#include "cli/db_commands.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <ostream>

#include "app/configuration.h"
#include "app/session.h"
#include "app/startup.h"
#include "db/attendance_db.h"
#include "db/postgres_db.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace kaveltar::cli {
namespace {

namespace fs = std::filesystem;

int Failure(Context& ctx, const std::string& message) {
  ctx.err << "kaveltar-cli: " << message << "\n";
  return 1;
}

void PrintCopied(Context& ctx, const std::vector<CopiedTable>& tables) {
  for (const CopiedTable& t : tables) ctx.out << t.name << ": righe copiate " << t.rows << "\n";
}

class DbCommand : public CommandGroup {
 public:
  DbCommand()
      : CommandGroup("db",
                     "prepara il database PostgreSQL condiviso e ne fa la copia di sicurezza") {}

  void AddSubcommands(CLI::App& sub) override {
    init_ = sub.add_subcommand(
        "init",
        "crea le tabelle nel database PostgreSQL indicato da --db e vi copia il database SQLite "
        "dell'installazione (QXPRES.sqlite, altrimenti il modello)");
    init_->add_option("--from", from_,
                      "il database SQLite da copiare al posto di quello dell'installazione");
    init_->add_flag("--force", force_, "sostituisce le presenze già presenti nel database");
    backup_ = sub.add_subcommand(
        "backup", "scrive una copia SQLite del database in uso (PostgreSQL o SQLite)");
    backup_->add_option("FILE", file_, "il file SQLite da scrivere")->required();
  }

  int Execute(Context& ctx) override { return init_->parsed() ? Init(ctx) : Backup(ctx); }

 private:
  int Init(Context& ctx) {
    StartupOptions options;
    if (!ctx.global.archive.empty()) options.archive_path = ctx.global.archive;
    if (!ctx.global.programs.empty()) options.program_path = ctx.global.programs;
    options.registry_file = ctx.global.registry;
    const fs::path user =
        options.registry_file.empty() ? RegistryStore::DefaultFile() : options.registry_file;
    Result<RegistryStore> store = RegistryStore::Load(RegistryStore::EffectiveFile(user));
    const DatabaseChoice choice =
        ChooseDatabase(ctx.global.database_url, store.ok() ? *store : RegistryStore());
    if (choice.url.empty()) {
      ctx.err << "kaveltar-cli: indicare il database PostgreSQL da preparare con --db INDIRIZZO "
                 "(o con la variabile KAVELTAR_DB o con config --db)\n";
      return 2;
    }
    if (Status s = CheckDatabaseName(choice.url); !s.ok()) return Failure(ctx, s.message());

    // The source: the file named, else the installation's database, else its template.
    fs::path source = from_;
    if (source.empty()) {
      Session session(ctx.dialogs);
      Installation folders;
      CARICAINST(session, options, folders);
      source = FindCaseInsensitive(folders.archive_path / kDatabaseFile);
      if (!FileExists(source)) source = FindCaseInsensitive(folders.archive_path / kTemplateFile);
      if (!FileExists(source)) {
        return Failure(ctx, "nella cartella degli archivi " + folders.archive_path.string() +
                                " non c'è né " + std::string(kDatabaseFile) + " né il modello " +
                                std::string(kTemplateFile));
      }
    } else if (!FileExists(source) || fs::is_directory(source)) {
      return Failure(ctx, "file inesistente: " + source.string());
    }
    if (Status s = QuickCheckSqliteDatabase(source); !s.ok()) {
      return Failure(ctx, "il database " + source.string() + " non è leggibile: " + s.message());
    }
    Result<std::unique_ptr<AttendanceDb>> from = OpenSqliteDatabase(source);
    if (!from.ok()) return Failure(ctx, from.status().message());

    const std::string target = DescribeDatabase(choice.url, {});
    Result<std::vector<CopiedTable>> copied = InitPostgresDatabase(choice.url, **from, force_);
    if (!copied.ok()) {
      ctx.err << "kaveltar-cli: " << target << ": " << copied.status().message() << "\n";
      if (copied.status().kind() == Status::Kind::kConflict) {
        ctx.err << "kaveltar-cli: usare --force per sostituirle\n";
      }
      return 1;
    }
    ctx.out << "Copiato da " << source.string() << "\n";
    PrintCopied(ctx, *copied);
    ctx.out << "Database preparato: " << target << "\n";
    return 0;
  }

  int Backup(Context& ctx) {
    const fs::path file = file_;
    if (file.filename().empty() || fs::is_directory(file)) {
      ctx.err << "kaveltar-cli: indicare il file della copia, per esempio copia.sqlite\n";
      return 2;
    }
    std::error_code ec;
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec))
      return Failure(ctx, "cartella inesistente: " + folder.string());
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    // The copy must never take the place of the SQLite file it is made from (on PostgreSQL,
    // writing the archive folder's file is the way back to a single workstation).
    const fs::path in_use =
        FindCaseInsensitive(session.installation().archive_path / kDatabaseFile);
    const bool on_sqlite = session.installation().database_label.rfind("SQLite", 0) == 0;
    if (on_sqlite && fs::exists(file, ec) && fs::equivalent(file, in_use, ec)) {
      return Failure(ctx, "la copia non può sostituire il database in uso " + in_use.string());
    }
    Result<std::vector<CopiedTable>> copied = BackupToSqlite(session.db(), file);
    if (!copied.ok()) return Failure(ctx, "copia non riuscita: " + copied.status().message());
    PrintCopied(ctx, *copied);
    ctx.out << "Copia di " << session.installation().database_label << " scritta in "
            << file.string() << "\n";
    return 0;
  }

  CLI::App* init_ = nullptr;
  CLI::App* backup_ = nullptr;
  std::string from_;
  bool force_ = false;
  std::string file_;
};

}  // namespace

void AddDbCommands(std::vector<std::unique_ptr<Command>>& commands) {
  commands.push_back(std::make_unique<DbCommand>());
}

}  // namespace kaveltar::cli
