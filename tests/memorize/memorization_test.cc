// The memorization run as the screen and the command line start it: the anomaly list on the
// printer, printed only when it has lines, and damaged archives that stop the run.
#include "memorize/memorization.h"

#include <gmock/gmock.h>

#include <fstream>
#include <iterator>

#include "base/fatal.h"
#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {
namespace {

using ::testing::HasSubstr;

class MemorizationTest : public MemorizeTest {
 protected:
  fs::path Archive(const char* name) const { return report_.archive_folder / name; }
  std::string Slurp(const char* name) const {
    std::ifstream in(Archive(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Runs the memorization of `keys` in a new session; returns the exit status the program
  // ends with (0 when it does not end) and leaves the texts shown in Shown().
  int RunEnding(const std::vector<std::string>& keys) {
    Reopen();
    Session& s = PrintingSession();
    dialogs_.Clear();
    shown_.clear();
    int status = 0;
    try {
      RunMemorization(s.job(), Month(kYear, 3), keys);
    } catch (const Fatal& f) {
      status = f.exit_status();
    }
    Reopen();
    for (const std::string& t : dialogs_.Texts()) shown_ += t + "\n";
    return status;
  }
  std::string shown_;
};

// The question asked before a memorization, word for word: nothing else checks its wording.
TEST_F(MemorizationTest, ConfirmationText) {
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

TEST_F(MemorizationTest, TheListIsPrintedOnlyWithAnomalies) {
  Session& s = PrintingSession();
  EXPECT_FALSE(RunMemorization(s.job(), Month(kYear, 4), {Key(DemoCase::kGroup)}).printed);
  EXPECT_TRUE(printer_->printed().empty());
  EXPECT_EQ(printer_->discarded(), 1);

  const std::string missing = Key(DemoCase::kMissingGroup);
  EXPECT_TRUE(RunMemorization(s.job(), Month(kYear, 4), {missing, missing}).printed);
  ASSERT_EQ(printer_->printed().size(), 1u);
  const std::vector<std::string> texts = printer_->printed()[0].Texts();
  ASSERT_EQ(texts.size(), 4u);  // the repeated employee is listed once
  EXPECT_EQ(texts[1], "ELENCO ANOMALIE RISCONTRATE NELLA MEMORIZZAZIONE DITTE");
}

// The payroll program's archive is written only where the record read is the one looked up;
// a damaged archive or index stops the run with a message naming the file and the cause (the
// archive checks themselves belong to the archive layer).
TEST_F(MemorizationTest, DamagedArchivesStopTheRunAndAreNotWritten) {
  const std::string first = OrdinaryEmployee(kYear);
  const std::string other = report_.Keys(DemoCase::kGroup).back();
  ASSERT_NE(other, first);

  // The record found for `first` says it belongs to `other`: an index entry pointing at the
  // wrong record. The employee before it in the list is memorized and committed.
  SetField(first, fields::kP001, other);
  Reopen();
  const size_t size = Slurp("DIPEND.DAT").size();
  EXPECT_NE(RunEnding({other, first}), 0);
  EXPECT_THAT(shown_, ::testing::AllOf(HasSubstr("DIPEND.DAT"), HasSubstr(first),
                                       HasSubstr("appartiene al codice " + other)));
  EXPECT_EQ(Rows(other, "201403").size(), 31u);
  EXPECT_TRUE(Rows(first, "201403").empty());
  Reopen();
  EXPECT_EQ(Slurp("DIPEND.DAT").size(), size);
  SetField(first, fields::kP001, first);
  Reopen();

  // An empty employee index: no "Memorizzati: 0" as if nobody needed memorizing.
  std::ofstream(Archive("IDXDIP.IDX"), std::ios::binary | std::ios::trunc);
  EXPECT_NE(RunEnding({first}), 0);
  EXPECT_THAT(shown_,
              HasSubstr("L'indice dei dipendenti " + Archive("IDXDIP.IDX").string() + " è vuoto"));
}

}  // namespace
}  // namespace kaveltar::testing
