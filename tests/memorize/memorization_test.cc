// The memorization run as the screen and the command line start it: its question, and
// damaged archives that stop the run.
#include "memorize/memorization.h"

#include <gmock/gmock.h>

#include "base/fatal.h"
#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {
namespace {

using ::testing::HasSubstr;

// The question asked before a memorization, word for word: nothing else checks its wording.
TEST_F(MemorizeTest, ConfirmationText) {
  EXPECT_EQ(ConfirmationText(),
            "La memorizzazione non cancella eventuali dati memorizzati precedentemente per lo "
            "stesso periodo.\r\r"
            "Nel caso in cui ci sia la necessità di Rielaborare uno o più dipendenti già "
            "memorizzati selezionare "
            "l'opzione :'Rielabora Periodo se Esistente'\r\r"
            "In caso di anomalie riscontrate durante la fase di memorizzazione, al termine di "
            "quest'ultima verrà "
            "stampata una lista di controllo\r\r"
            "N.B. : I co.co.co/pro senza gruppo orario o profilo associato vengono esclusi dalla "
            "memorizzazione ma "
            "non viene generata nessuna anomalia nella lista di controllo.\r\r");
}

// The payroll program's archive is written only where the record read is the one looked up;
// a damaged archive or index stops the run with a message naming the file and the cause (the
// archive checks themselves belong to the archive layer).
TEST_F(MemorizeTest, DamagedArchivesStopTheRunAndAreNotWritten) {
  const std::string first = OrdinaryEmployee(kYear);
  const std::string other = report_.Keys(DemoCase::kGroup).back();

  // The record found for `first` says it belongs to `other`: an index entry pointing at the
  // wrong record. The employee before it in the list is memorized and committed.
  SetField(first, fields::kP001, other);
  Reopen();
  int status = 0;
  try {
    RunMemorization(PrintingSession().job(), Month(kYear, 3), {other, first});
  } catch (const Fatal& f) {
    status = f.exit_status();
  }
  EXPECT_NE(status, 0);
  std::string shown;
  for (const std::string& t : dialogs_.Texts()) shown += t + "\n";
  EXPECT_THAT(shown, ::testing::AllOf(HasSubstr("DIPEND.DAT"), HasSubstr(first),
                                      HasSubstr("appartiene al codice " + other)));
  Reopen();
  EXPECT_EQ(Rows(other, "201403").size(), 31u);
  EXPECT_TRUE(Rows(first, "201403").empty());
}

}  // namespace
}  // namespace kaveltar::testing
