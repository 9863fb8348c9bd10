// The desktop program's start-up offer to import QXPRES.MDB, on a demo installation: when it
// is made, the question, the import it runs and the counts it shows.
#include "ui/previous_database.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "app/session.h"
#include "app/startup.h"
#include "base/dialogs.h"
#include "cli/cli_harness.h"
#include "migrate_test_support.h"

namespace kaveltar {
namespace {

using namespace kaveltar::testing;
namespace fs = std::filesystem;

TEST(PreviousDatabaseOfferTest, OfferedOnFirstStartAndImportedOnYes) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);

  const fs::path root = cli_harness::MakeDemoInstallation(
      "kaveltar-offer", {.companies = 1, .employees = 3}, nullptr);
  ASSERT_FALSE(root.empty());
  StartupOptions options;
  options.archive_path = root / "demo" / "ARCHIVI";
  options.program_path = root / "demo" / "PROGRAMMI";
  fs::remove(*options.archive_path / "QXPRES.sqlite");

  EXPECT_FALSE(ui::PreviousDatabaseToOffer(options).has_value());  // no QXPRES.MDB
  const fs::path file = WriteTables(*options.archive_path / "qxpres.mdb", SmallPreviousFile());
  EXPECT_EQ(ui::PreviousDatabaseToOffer(options), file);  // found whatever its case

  RecordingDialogs dialogs;
  Session session(dialogs);
  Startup(session, options);
  EXPECT_FALSE(ui::PreviousDatabaseToOffer(options).has_value());  // our database exists now

  dialogs.QueueAnswers({true});
  EXPECT_TRUE(ui::OfferPreviousDatabase(session, file, nullptr));
  // The question, then the report (its lines are the migration's) and the closing line.
  const std::vector<std::string> texts = dialogs.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0],
            "Nella cartella degli archivi c'è l'archivio delle presenze del programma precedente "
            "(qxpres.mdb).\nImportarlo ora?");
  EXPECT_EQ(texts[1].rfind("PRESENZE: righe lette 2, scritte 2\n", 0), 0u) << texts[1];
  EXPECT_TRUE(texts[1].ends_with("\nImportazione completata")) << texts[1];
  EXPECT_EQ(*session.db().CountDays(), 2);

  // Days stored: never asked again.
  dialogs.Clear();
  EXPECT_FALSE(ui::OfferPreviousDatabase(session, file, nullptr));
  EXPECT_TRUE(dialogs.Texts().empty());
  session.Close();
  fs::remove_all(root);
}

}  // namespace
}  // namespace kaveltar
