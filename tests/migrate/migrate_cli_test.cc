// kaveltar-cli migrate on a demo installation, run in-process: the report on standard output,
// the refusal routed to standard error with its exit status, and --force.
#include <gtest/gtest.h>

#include "base/dialogs.h"
#include "cli/cli_harness.h"
#include "migrate_test_support.h"

namespace kaveltar {
namespace {

using namespace kaveltar::testing;
namespace fs = std::filesystem;

TEST(MigrateCliTest, ImportsThenRefusesUnlessForced) {
  const fs::path root = cli_harness::MakeDemoInstallation(
      "kaveltar-migcli", {.companies = 1, .employees = 3}, nullptr);
  ASSERT_FALSE(root.empty());
  RecordingDialogs dialogs;
  const fs::path file = WriteTables(root / "QXPRES.MDB", SmallPreviousFile());
  std::vector<std::string> migrate = {"migrate", "--from", file.string()};

  cli_harness::Output o = cli_harness::Run(root, migrate, &dialogs);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out.rfind("PRESENZE: righe lette 2, scritte 2\n", 0), 0u) << o.out;
  EXPECT_TRUE(o.out.ends_with("\nImportazione completata\n")) << o.out;

  o = cli_harness::Run(root, migrate, &dialogs);
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "kaveltar-cli: L'archivio delle presenze contiene già 2 giorni: l'importazione li "
            "sostituirebbe. Importazione non eseguita.\n"
            "kaveltar-cli: usare --force per sostituire i giorni già presenti\n");

  migrate.push_back("--force");
  o = cli_harness::Run(root, migrate, &dialogs);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(o.out.ends_with("\nImportazione completata\n")) << o.out;
  fs::remove_all(root);
}

}  // namespace
}  // namespace kaveltar
