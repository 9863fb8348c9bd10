// Start-up on a small hand-made installation: where the folders come from, the database
// copied from its template and its defaults, the stops with their messages, the single copy,
// and the general error handler.
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

TEST_F(StartupTest, FirstStartFromTheRegistryCopiesTheTemplate) {
  WriteRegistry(inst_.programs, inst_.archives);
  Session& session = Begin();
  EXPECT_EQ(session.installation().archive_path, inst_.archives);
  EXPECT_EQ(session.installation().program_path, inst_.programs);
  EXPECT_EQ(session.installation().installation_code, "01");
  EXPECT_EQ(session.installation().processing_date, "20250630");
  EXPECT_EQ(session.lists().extraction().size(), 4u);
  EXPECT_TRUE(fs::exists(inst_.archives / kDatabaseFile));
  // The holiday default is added to the copy.
  EXPECT_EQ(session.db().FindHoliday("0106")->value().description, "EPIFANIA");
  EXPECT_TRUE(dialogs_.entries().empty()) << dialogs_.Texts().front();
}

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
  EXPECT_NE(f.text().find("kaveltar-cli config --archive"), std::string::npos);
  EXPECT_NE(f.text().find("demo-install"), std::string::npos);
  EXPECT_EQ(f.title(), "Salarion");
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
  Begin(Folders());  // copies the template
  session_.reset();
  const std::string good = FileBytes(database);
  ASSERT_GT(good.size(), 8192u);

  // A damaged table page, then a file that is not a database at all: both are refused before
  // anything is written (the EPIFANIA default would otherwise be added to the empty table).
  std::string damaged = good;
  damaged.replace(4096, 200, std::string(200, '\xFF'));
  std::string not_a_database = good;
  not_a_database.replace(0, 16, "NOT A DATABASE!!");
  for (const std::string& bytes : {damaged, not_a_database}) {
    std::ofstream(database, std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_EQ(
        error().rfind(
            " KAVELTARErrore 3049 Impossibile aprire il database. Potrebbe non essere un database "
            "riconosciuto dall'applicazione oppure il file potrebbe essere danneggiato. " +
                database.string(),
            0),
        0u);
    EXPECT_EQ(FileBytes(database), bytes);
  }
}

TEST_F(StartupTest, MissingInstallationSettingsLeaveTheCodeEmpty) {
  fs::remove(inst_.root / "c" / "MIRTASK" / "MIRTASK.INI");
  // The parameters archive is named with the installation code, so without it the
  // parameters are simply not found; start-up goes on.
  EXPECT_EQ(Begin(Folders()).installation().installation_code, "");
}

TEST_F(StartupTest, SecondCopyEndsSilently) {
  StartupOptions opts = Folders();
  opts.single_instance = true;
  Session first(dialogs_);
  Startup(first, opts);
  EXPECT_TRUE(Stop(opts).text().empty());
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
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
  EXPECT_EQ(dialogs_.entries()[1].text,
            "CHIUDERE TUTTE LE APPLICAZIONI DELLA TASK\nLANCIARE RIPRISTINO TASK");
  EXPECT_FALSE(session.archives().IsOpen(1));
}

TEST_F(StartupTest, PrinterErrorRetriesWhileTheOperatorSaysYes) {
  Session& session = Begin(Folders());
  int attempts = 0;
  // Yes, Yes, then the statement succeeds.
  dialogs_.QueueAnswers({true, true});
  WithErrorHandler(session, [&] {
    if (++attempts < 3) throw RunTimeError(RunTimeError::kPrinterError, "Printer error");
  });
  EXPECT_EQ(attempts, 3);
  // No, then No to closing: the statement is skipped and work goes on.
  dialogs_.Clear();
  dialogs_.QueueAnswers({false, false});
  WithErrorHandler(session,
                   [&] { throw RunTimeError(RunTimeError::kPrinterError, "Printer error"); });
  ASSERT_EQ(dialogs_.entries().size(), 2u);
  EXPECT_EQ(dialogs_.entries()[0].text, "ERR.STAMPANTE - SI VUOLE RITENTARE ?");
  EXPECT_EQ(dialogs_.entries()[1].text,
            "CHIUDERE IL PROGRAMMA ? (se si risp.NO il progr.perde la riga e prosegue)");
  // No, then Yes: the program ends.
  dialogs_.QueueAnswers({false, true});
  EXPECT_THROW(WithErrorHandler(session, [&] { throw RunTimeError(482, "Printer error"); }), Fatal);
}

}  // namespace
}  // namespace kaveltar
