// The start of a memorization as the screen's button runs it: the checks, the confirmation
// text, the anomaly list on the printer (only when it has lines) and the closing message.
#include "memorize/memorization.h"

#include "memorize/memorize_fixture.h"
#include "platform/printer_recording.h"

namespace kaveltar::testing {
namespace {

class MemorizationTest : public MemorizeTest {
 protected:
  // A session whose printer records the documents instead of printing them.
  Session& RecordingSession() {
    session_ = std::make_unique<Session>(dialogs_);
    auto printer = std::make_unique<RecordingPrinterJob>();
    printer_ = printer.get();
    session_->AttachPrinter(std::move(printer));
    Startup(*session_, Paths());
    return *session_;
  }

  RecordingPrinterJob* printer_ = nullptr;
};

TEST_F(MemorizationTest, ConfirmationText) {
  EXPECT_EQ(ConfirmationText(),
            "La memorizzazione non cancella eventuali dati memorizzati precedentemente per lo stesso periodo.\r\r"
            "Nel caso in cui ci sia la necessità di Rielaborare uno o più dipendenti già memorizzati selezionare "
            "l'opzione :'Rielabora Periodo se Esistente'\r\r"
            "In caso di anomalie riscontrate durante la fase di memorizzazione, al termine di quest'ultima verrà "
            "stampata una lista di controllo\r\r"
            "N.B. : I co.co.co/pro senza gruppo orario o profilo associato vengono esclusi dalla memorizzazione ma "
            "non viene generata nessuna anomalia nella lista di controllo.\r\r");
}

TEST_F(MemorizationTest, ChecksConfirmationListAndClosingMessage) {
  Session& session = RecordingSession();
  dialogs_.Clear();
  MemorizeRequest request;
  request.options = Month(kYear, 3);
  int resets = 0;
  auto reset = [&] { ++resets; };

  EXPECT_EQ(CmdMemorizza(session, request, {}, reset), MemorizeStart::kNoCompany);
  request.company_selected = true;
  EXPECT_EQ(CmdMemorizza(session, request, {}, reset), MemorizeStart::kNoEmployee);
  request.entries = {"line of the list ending with the key " + Key(DemoCase::kMissingGroup),
                     "another line " + Key(DemoCase::kGroup)};
  dialogs_.QueueAnswers({false});
  EXPECT_EQ(CmdMemorizza(session, request, {}, reset), MemorizeStart::kDeclined);
  ASSERT_EQ(dialogs_.entries().size(), 3u);
  EXPECT_EQ(dialogs_.entries()[0].text, "Attenzione! Nessuna Ditta selezionata");
  EXPECT_EQ(dialogs_.entries()[0].title, "Selezione Ditte");
  EXPECT_EQ(dialogs_.entries()[1].text, "Attenzione! Nessun Dipendente selezionato");
  EXPECT_EQ(dialogs_.entries()[1].title, "Selezione Dipendenti");
  EXPECT_TRUE(dialogs_.entries()[2].question);
  EXPECT_EQ(dialogs_.entries()[2].title, "Gestione Presenze ( Libro unico del lavoro )");
  EXPECT_EQ(dialogs_.entries()[2].icon, MessageIcon::kExclamation);
  EXPECT_EQ(resets, 0);
  EXPECT_TRUE(Rows(Key(DemoCase::kGroup), "201403").empty());

  // Yes: the month is written, the list printed with its heading, then the screen is reset
  // and the closing message shown.
  dialogs_.QueueAnswers({true});
  std::vector<std::pair<size_t, std::string>> progress;
  MemorizationHooks hooks;
  hooks.progress = [&](size_t index, size_t total, std::string_view key) {
    progress.emplace_back(total - index, std::string(key));
  };
  EXPECT_EQ(CmdMemorizza(session, request, hooks, reset), MemorizeStart::kCompleted);
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(dialogs_.entries().back().text, "Memorizzazione completata");
  EXPECT_EQ(progress, (std::vector<std::pair<size_t, std::string>>{{2, Key(DemoCase::kMissingGroup)},
                                                                   {1, Key(DemoCase::kGroup)}}));
  EXPECT_EQ(Rows(Key(DemoCase::kGroup), "201403").size(), 31u);
  ASSERT_EQ(printer_->printed().size(), 1u);
  const std::string rule(80, '=');
  EXPECT_EQ(printer_->printed()[0].Texts(),
            (std::vector<std::string>{rule, "ELENCO ANOMALIE RISCONTRATE NELLA MEMORIZZAZIONE DITTE", rule,
                                      "Dipendente : " + Key(DemoCase::kMissingGroup) +
                                          " Cod.Gruppo in P766 non presente nella tabella GRUPPI"}));

  // Nothing to report: the list is thrown away.
  const MemorizationResult quiet = RunMemorization(session, Month(kYear, 4), {Key(DemoCase::kGroup)});
  EXPECT_FALSE(quiet.printed);
  EXPECT_EQ(printer_->printed().size(), 1u);
  EXPECT_EQ(printer_->discarded(), 1);
}

}  // namespace
}  // namespace kaveltar::testing
