#include "cli/config_commands.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/configuration.h"
#include "platform/registry.h"

namespace kaveltar::cli {
namespace {

class ConfigCommand : public Command {
 public:
  const char* name() const override { return "config"; }
  const char* description() const override {
    return "imposta le cartelle di Salarion, il codice installazione e il database di questo "
           "utente";
  }
  void Configure(CLI::App& sub) override {
    sub.add_option("--archive", archive_, "cartella degli archivi di Salarion");
    sub.add_option("--programs", programs_, "cartella dei programmi di Salarion");
    sub.add_option("--installation-code", code_,
                   "codice installazione (due caratteri; vuoto: da MIRTASK.INI)");
    sub.add_option("--db", database_,
                   "database PostgreSQL condiviso (postgresql://server/database o service=NOME; "
                   "vuoto: SQLite)");
    sub.add_flag("--show", show_, "mostra le impostazioni e da dove vengono");
    archive_opt_ = sub.get_option("--archive");
    programs_opt_ = sub.get_option("--programs");
    code_opt_ = sub.get_option("--installation-code");
    db_opt_ = sub.get_option("--db");
  }
  int Execute(Context& ctx) override {
    const std::filesystem::path store = ctx.global.registry.empty()
                                            ? RegistryStore::DefaultFile()
                                            : std::filesystem::path(ctx.global.registry);
    const bool writes =
        archive_opt_->count() + programs_opt_->count() + code_opt_->count() + db_opt_->count() > 0;
    if (writes) {
      ConfigurationChange change;
      if (archive_opt_->count() > 0) change.archive_path = archive_;
      if (programs_opt_->count() > 0) change.program_path = programs_;
      if (code_opt_->count() > 0) change.installation_code = code_;
      if (db_opt_->count() > 0) change.database = database_;
      if (Status s = WriteConfiguration(store, change); !s.ok()) {
        ctx.err << "kaveltar-cli: " << s.message() << "\n";
        return 1;
      }
      ctx.out << "Impostazioni scritte in " << store.string() << "\n";
      if (!show_) return 0;
    } else if (!show_) {
      ctx.err << "kaveltar-cli: indicare --archive e --programs, --installation-code, --db oppure "
                 "--show\n";
      return 2;
    }
    for (const ConfigurationEntry& e : DescribeConfiguration(store, ctx.global.database_url)) {
      ctx.out << e.name << ": " << e.value;
      if (!e.source.empty()) ctx.out << " (" << e.source << ")";
      ctx.out << "\n";
    }
    return 0;
  }

 private:
  std::string archive_, programs_, code_, database_;
  bool show_ = false;
  CLI::Option* archive_opt_ = nullptr;
  CLI::Option* programs_opt_ = nullptr;
  CLI::Option* code_opt_ = nullptr;
  CLI::Option* db_opt_ = nullptr;
};

}  // namespace

void AddConfigCommands(std::vector<std::unique_ptr<Command>>& commands) {
  commands.push_back(std::make_unique<ConfigCommand>());
}

}  // namespace kaveltar::cli
