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
  void WriteRegistry(const std::string& programs, const std::string& archives) {
    RegistryStore store;
    store.SetString(kHkeyCurrentUser, kSalarionKey, "PERCORSOPROGRAMMI", programs);
    store.SetString(kHkeyCurrentUser, kSalarionKey, "PERCORSOARCHIVI", archives);
    ASSERT_TRUE(store.Save(RegistryStore::DefaultFile()).ok());
  }
};

TEST_F(StartupTest, FirstStartFromTheRegistryCopiesTheTemplate) {
  inst_.Write();
  WriteRegistry(inst_.programs.string(), inst_.archives.string());
  Session session(dialogs_);
  Startup(session, {});
  EXPECT_EQ(session.archive_path, inst_.archives);
  EXPECT_EQ(session.program_path, inst_.programs);
  EXPECT_EQ(session.installation_code, "01");
  EXPECT_EQ(session.processing_date, "20250630");
  EXPECT_EQ(session.processing_year, 2025);
  EXPECT_EQ(session.processing_month, 6);
  EXPECT_EQ(session.lists().extraction().size(), 4u);
  EXPECT_TRUE(fs::exists(inst_.archives / kDatabaseFile));
  auto epifania = session.db().FindHoliday("0106");
  ASSERT_TRUE(epifania.ok());
  ASSERT_TRUE(epifania->has_value());
  EXPECT_EQ((*epifania)->description, "EPIFANIA");
  EXPECT_TRUE(dialogs_.entries().empty()) << dialogs_.Texts().front();
}

TEST_F(StartupTest, EditedEpifaniaSurvivesAndDeletedOneComesBack) {
  inst_.Write();
  const StartupOptions opts{inst_.archives, inst_.programs};
  {
    Session s(dialogs_);
    Startup(s, opts);
    ASSERT_TRUE(s.db().SaveHoliday({"0106", "Epifania del Signore"}).ok());
  }
  {
    Session s(dialogs_);
    Startup(s, opts);
    EXPECT_EQ((*s.db().FindHoliday("0106"))->description, "Epifania del Signore");
    ASSERT_TRUE(s.db().DeleteHoliday("0106").ok());
  }
  Session s(dialogs_);
  Startup(s, opts);
  EXPECT_EQ((*s.db().FindHoliday("0106"))->description, "EPIFANIA");
}

TEST_F(StartupTest, RegistryWithAMissingFolderFallsBackToThePathFiles) {
  inst_.Write();
  WriteRegistry((inst_.root / "missing").string(), inst_.archives.string());
  inst_.WritePathFiles(inst_.archives.string(), inst_.programs.string());
  Session session(dialogs_);
  Startup(session, {});
  EXPECT_EQ(session.archive_path, inst_.archives);
}

TEST_F(StartupTest, PathFilesWithWindowsDriveNames) {
  inst_.Write();
  fs::rename(inst_.archives, inst_.root / "c" / "ARK");
  fs::create_directories(inst_.root / "c" / "PRO");
  inst_.WritePathFiles("C:\\ARK", "C:\\PRO");
  Session session(dialogs_);
  Startup(session, {});
  EXPECT_EQ(session.archive_path, inst_.root / "c" / "ARK");
}

TEST_F(StartupTest, NoConfigurationEndsWithTheConfigurationMessage) {
  inst_.Write();
  for (const auto& [ark, pro] : {std::pair<std::string, std::string>{"", ""},
                                 {"   ", inst_.programs.string()}}) {
    if (!ark.empty()) inst_.WritePathFiles(ark, pro);
    Session session(dialogs_);
    try {
      Startup(session, {});
      FAIL() << "start-up succeeded without configuration";
    } catch (const Fatal& f) {
      // The original's message first, then what to do on this system.
      EXPECT_EQ(f.text().rfind("ERRORE DI CONFIGURAZIONE! CONTROLLARE I PERCORSI DI Salarion CON IL PROGRAMMA "
                               "EPERCORSO\n\n", 0), 0u) << f.text();
      EXPECT_NE(f.text().find("kaveltar-cli config --archive"), std::string::npos);
      EXPECT_NE(f.text().find("demo-install"), std::string::npos);
      EXPECT_EQ(f.title(), "Salarion");
      EXPECT_EQ(f.icon(), MessageIcon::kCritical);
    }
  }
}

// The text of the general error handler's first message for a start-up that must stop.
std::string StartupError(RecordingDialogs& dialogs, Session& session, const StartupOptions& options) {
  dialogs.Clear();
  try {
    Startup(session, options);
  } catch (const Fatal&) {
    return dialogs.entries().empty() ? "" : dialogs.entries().front().text;
  }
  return "start-up succeeded";
}

std::string FileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(StartupTest, DatabaseFailuresStopWithTheItalianDescriptionAndChangeNothing) {
  inst_.Write();
  const StartupOptions options{inst_.archives, inst_.programs};
  const fs::path database = inst_.archives / kDatabaseFile;
  {
    // Neither the database nor its template: the engine's "file not found", naming the file.
    const fs::path saved = inst_.root / "template";
    fs::rename(inst_.archives / kTemplateFile, saved);
    Session session(dialogs_);
    const std::string text = StartupError(dialogs_, session, options);
    EXPECT_EQ(text.rfind(" KAVELTARErrore 3024 Impossibile trovare il file: " + database.string(), 0), 0u) << text;
    EXPECT_FALSE(fs::exists(database));
    fs::rename(saved, inst_.archives / kTemplateFile);
  }
  {
    Session session(dialogs_);
    Startup(session, options);  // copies the template
  }
  ASSERT_TRUE(fs::exists(database));
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
    Session session(dialogs_);
    const std::string text = StartupError(dialogs_, session, options);
    EXPECT_EQ(text.rfind(" KAVELTARErrore 3049 Impossibile aprire il database. Potrebbe non essere un database "
                         "riconosciuto dall'applicazione oppure il file potrebbe essere danneggiato. " +
                             database.string(),
                         0),
              0u)
        << text;
    EXPECT_EQ(FileBytes(database), bytes);
  }
}

TEST_F(StartupTest, MissingInstallationSettingsLeaveTheCodeEmpty) {
  inst_.Write();
  fs::remove(inst_.root / "c" / "MIRTASK" / "MIRTASK.INI");
  Session session(dialogs_);
  // The parameters archive is named with the installation code, so without it the
  // parameters are simply not found; start-up goes on.
  Startup(session, {inst_.archives, inst_.programs});
  EXPECT_EQ(session.installation_code, "");
}

TEST_F(StartupTest, SecondCopyEndsSilently) {
  inst_.Write();
  StartupOptions opts{inst_.archives, inst_.programs};
  opts.single_instance = true;
  Session first(dialogs_);
  Startup(first, opts);
  Session second(dialogs_);
  try {
    Startup(second, opts);
    FAIL() << "a second copy started";
  } catch (const Fatal& f) {
    EXPECT_TRUE(f.text().empty());
  }
}

TEST_F(StartupTest, ErrorHandlerListsTheTraceAndEnds) {
  Session& session = Start();
  dialogs_.Clear();
  session.trace().TraceProcedure("ULTIMA");
  EXPECT_THROW(ReportError(session, RunTimeError(59, "DIPEND.DAT")), Fatal);
  ASSERT_EQ(dialogs_.entries().size(), 2u);
  const std::string& text = dialogs_.entries()[0].text;
  EXPECT_EQ(text.rfind(" KAVELTARErrore 59 Lunghezza del record non valida: DIPEND.DAT\n", 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - 7), "ULTIMA\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
  EXPECT_EQ(dialogs_.entries()[1].text, "CHIUDERE TUTTE LE APPLICAZIONI DELLA TASK\nLANCIARE RIPRISTINO TASK");
  EXPECT_FALSE(session.archives().IsOpen(1));
}

TEST_F(StartupTest, PrinterErrorRetriesWhileTheOperatorSaysYes) {
  Session& session = Start();
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
  WithErrorHandler(session, [&] { throw RunTimeError(RunTimeError::kPrinterError, "Printer error"); });
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
