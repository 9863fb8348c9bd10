// Start-up on a small hand-made installation: where the folders come from, the database
// copied from its template and its defaults, the stops with their messages and the general
// error handler.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/report_error.h"
#include "app/session.h"
#include "app/startup.h"
#include "base/fatal.h"
#include "mini_installation.h"
#include "platform/registry.h"

namespace kaveltar {
namespace {

namespace fs = std::filesystem;

class StartupTest : public testing::MiniInstallationTest {
 protected:
  void SetUp() override { inst_.Write(); }
  StartupOptions Folders() const { return {inst_.archives, inst_.programs}; }
  void WriteRegistry(const fs::path& programs, const fs::path& archives) {
    RegistryStore store;
    store.SetString(kHkeyCurrentUser, kSalarionKey, "PERCORSOPROGRAMMI", programs.string());
    store.SetString(kHkeyCurrentUser, kSalarionKey, "PERCORSOARCHIVI", archives.string());
    ASSERT_TRUE(store.Save(RegistryStore::DefaultFile()).ok());
  }
  // The Fatal a start-up with `options` ends with.
  Fatal Stop(const StartupOptions& options = {}) {
    dialogs_.Clear();
    try {
      Begin(options);
    } catch (const Fatal& f) {
      return f;
    }
    ADD_FAILURE() << "start-up succeeded";
    return Fatal("start-up succeeded");
  }
  static std::string FileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

TEST_F(StartupTest, RegistryWithAMissingFolderFallsBackToThePathFiles) {
  WriteRegistry(inst_.root / "missing", inst_.archives);
  // The path files name Windows folders on drive C:.
  fs::rename(inst_.archives, inst_.root / "c" / "ARK");
  fs::create_directories(inst_.root / "c" / "PRO");
  inst_.WritePathFiles("C:\\ARK", "C:\\PRO");
  EXPECT_EQ(Begin().installation().archive_path, inst_.root / "c" / "ARK");
}

TEST_F(StartupTest, NoConfigurationEndsWithTheConfigurationMessage) {
  inst_.WritePathFiles("   ", inst_.programs.string());
  const Fatal f = Stop();
  // The original's message first, then what to do on this system.
  EXPECT_EQ(f.text().rfind(
                "ERRORE DI CONFIGURAZIONE! CONTROLLARE I PERCORSI DI Salarion CON IL PROGRAMMA "
                "EPERCORSO\n\n",
                0),
            0u)
      << f.text();
}

TEST_F(StartupTest, DatabaseFailuresStopWithTheItalianDescriptionAndChangeNothing) {
  const fs::path database = inst_.archives / kDatabaseFile;
  // The general error handler's first message for the start-up that stops.
  const auto error = [&] {
    Stop(Folders());
    return dialogs_.entries().empty() ? "" : dialogs_.entries().front().text;
  };
  // Neither the database nor its template: the engine's "file not found", naming the file.
  fs::rename(inst_.archives / kTemplateFile, inst_.root / "template");
  EXPECT_EQ(
      error().rfind(" KAVELTARErrore 3024 Impossibile trovare il file: " + database.string(), 0),
      0u);
  EXPECT_FALSE(fs::exists(database));
  fs::rename(inst_.root / "template", inst_.archives / kTemplateFile);
  // The database is copied from its template, with the holiday default added.
  EXPECT_EQ(Begin(Folders()).db().FindHoliday("0106")->value().description, "EPIFANIA");
  session_.reset();
  const std::string good = FileBytes(database);
  ASSERT_GT(good.size(), 8192u);

  // A damaged table page is refused before anything is written (the EPIFANIA default would
  // otherwise be added to the empty table).
  std::string damaged = good;
  damaged.replace(4096, 200, std::string(200, '\xFF'));
  std::ofstream(database, std::ios::binary | std::ios::trunc) << damaged;
  EXPECT_EQ(
      error().rfind(" KAVELTARErrore 3049 Impossibile aprire il database. Potrebbe non essere un "
                    "database riconosciuto dall'applicazione oppure il file potrebbe essere "
                    "danneggiato. " +
                        database.string(),
                    0),
      0u);
  EXPECT_EQ(FileBytes(database), damaged);
}

TEST_F(StartupTest, ErrorHandlerListsTheTraceAndEnds) {
  Session& session = Begin(Folders());
  dialogs_.Clear();
  session.trace().TraceProcedure("ULTIMA");
  EXPECT_THROW(ReportError(session, RunTimeError(59, "DIPEND.DAT")), Fatal);
  ASSERT_EQ(dialogs_.entries().size(), 2u);
  const std::string& text = dialogs_.entries()[0].text;
  // The error's number and description first (the description is the error table's).
  EXPECT_EQ(text.rfind(" KAVELTARErrore 59 ", 0), 0u) << text;
  EXPECT_NE(text.find(": DIPEND.DAT\n"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 7), "ULTIMA\n");
  EXPECT_EQ(dialogs_.entries()[1].text,
            "CHIUDERE TUTTE LE APPLICAZIONI DELLA TASK\nLANCIARE RIPRISTINO TASK");
  EXPECT_FALSE(session.archives().IsOpen(1));
}

}  // namespace
}  // namespace kaveltar
