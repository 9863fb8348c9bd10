// The memorization run as the screen and the command line start it: the confirmation text and
// the anomaly list on the printer, printed only when it has lines.
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

TEST_F(MemorizationTest, TheListIsPrintedOnlyWithAnomalies) {
  Session& session = RecordingSession();
  const MemorizationResult quiet = RunMemorization(session, Month(kYear, 4), {Key(DemoCase::kGroup)});
  EXPECT_FALSE(quiet.printed);
  EXPECT_TRUE(printer_->printed().empty());
  EXPECT_EQ(printer_->discarded(), 1);

  const std::string missing = Key(DemoCase::kMissingGroup);
  const MemorizationResult run = RunMemorization(session, Month(kYear, 4), {missing, missing});
  EXPECT_TRUE(run.printed);
  ASSERT_EQ(printer_->printed().size(), 1u);
  const std::string rule(80, '=');
  EXPECT_EQ(printer_->printed()[0].Texts(),
            (std::vector<std::string>{rule, "ELENCO ANOMALIE RISCONTRATE NELLA MEMORIZZAZIONE DITTE", rule,
                                      "Dipendente : " + missing + " Cod.Gruppo in P766 non presente nella tabella GRUPPI"}));
}

}  // namespace
}  // namespace kaveltar::testing
