#include "cli/migrate_commands.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <ostream>

#include "app/session.h"
#include "migrate/attendance_migration.h"

namespace kaveltar::cli {
namespace {

class MigrateCommand : public Command {
 public:
  const char* name() const override { return "migrate"; }
  const char* description() const override {
    return "importa l'archivio delle presenze del programma precedente (QXPRES.MDB)";
  }
  void Configure(CLI::App& sub) override {
    sub.add_option("--from", file_, "il file QXPRES.MDB da importare")->required();
    sub.add_flag("--force", force_, "sostituisce i giorni già presenti nell'archivio");
  }

  int Execute(Context& ctx) override {
    Session session(ctx.dialogs);
    OpenSession(session, ctx);
    // A running count on a terminal only: logs and pipes get the final report alone.
    const bool terminal = &ctx.err == &std::cerr && ::isatty(STDERR_FILENO);
    MigrationProgress progress;
    if (terminal) {
      progress = [&ctx](std::string_view table, int64_t rows) {
        ctx.err << "\r" << table << ": righe lette " << rows << "   " << std::flush;
      };
    }
    Result<MigrationReport> report =
        MigrateAttendanceDatabase(file_, session.db(), MigrationOptions{.force = force_}, progress);
    if (terminal) ctx.err << "\n";
    if (!report.ok()) {
      ctx.err << "kaveltar-cli: " << report.status().message() << "\n";
      if (report.status().kind() == Status::Kind::kConflict) {
        ctx.err << "kaveltar-cli: usare --force per sostituire i giorni già presenti\n";
      }
      return 1;
    }
    for (const std::string& line : MigrationReportLines(*report)) ctx.out << line << "\n";
    ctx.out << "Importazione completata\n";
    return 0;
  }

 private:
  std::string file_;
  bool force_ = false;
};

}  // namespace

void AddMigrateCommands(std::vector<std::unique_ptr<Command>>& commands) {
  commands.push_back(std::make_unique<MigrateCommand>());
}

}  // namespace kaveltar::cli
