// The memorization run as the screen and the command line start it: the confirmation text and
// the anomaly list on the printer, printed only when it has lines.
#include "memorize/memorization.h"

#include <gmock/gmock.h>

#include <fstream>
#include <iterator>

#include "base/fatal.h"
#include "memorize/memorize_fixture.h"

namespace kaveltar::testing {
namespace {

class MemorizationTest : public MemorizeTest {
 protected:
  fs::path Archive(const char* name) const { return report_.archive_folder / name; }
  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Runs the memorization of `keys` in a new session; returns the exit status the program
  // ends with (0 when it does not end) and the texts shown.
  int RunEnding(const std::vector<std::string>& keys) {
    Reopen();
    Session& session = PrintingSession();
    dialogs_.Clear();
    try {
      RunMemorization(session, Month(kYear, 3), keys);
    } catch (const Fatal& f) {
      session_.reset();
      return f.exit_status();
    }
    session_.reset();
    return 0;
  }
  std::string Shown() const {
    std::string all;
    for (const std::string& t : dialogs_.Texts()) all += t + "\n";
    return all;
  }
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
  Session& session = PrintingSession();
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

// The payroll program's archive is written only where the record read is the one looked up;
// a damaged archive or index stops the run with a message naming the file and the cause (the
// archive checks themselves, torn records included, belong to the archive layer).
TEST_F(MemorizationTest, DamagedArchivesStopTheRunAndAreNotWritten) {
  const std::string first = OrdinaryEmployee(kYear);
  std::string other;
  for (const std::string& key : report_.Keys(DemoCase::kGroup)) {
    if (key != first) other = key;
  }
  ASSERT_FALSE(other.empty());
  session_.reset();

  // The record found for `first` says it belongs to `other`: an index entry pointing at the
  // wrong record. The employee before it in the list is memorized and committed.
  SetField(first, fields::kP001, other);
  session_.reset();
  const std::string pointed = Slurp(Archive("DIPEND.DAT"));
  EXPECT_NE(RunEnding({other, first}), 0);
  EXPECT_THAT(Shown(), ::testing::AllOf(::testing::HasSubstr("DIPEND.DAT"), ::testing::HasSubstr(first),
                                        ::testing::HasSubstr("appartiene al codice " + other)));
  EXPECT_EQ(Rows(other, "201403").size(), 31u);
  EXPECT_TRUE(Rows(first, "201403").empty());
  session_.reset();
  // Only `other`'s own record may have changed (its rotation position).
  EXPECT_EQ(Slurp(Archive("DIPEND.DAT")).size(), pointed.size());
  SetField(first, fields::kP001, first);
  session_.reset();

  // An empty employee index: no "Memorizzati: 0" as if nobody needed memorizing.
  const std::string index = Slurp(Archive("IDXDIP.IDX"));
  std::ofstream(Archive("IDXDIP.IDX"), std::ios::binary | std::ios::trunc);
  EXPECT_NE(RunEnding({first}), 0);
  EXPECT_THAT(Shown(), ::testing::HasSubstr("L'indice dei dipendenti " + Archive("IDXDIP.IDX").string() + " è vuoto"));
  std::ofstream(Archive("IDXDIP.IDX"), std::ios::binary) << index;
}

}  // namespace
}  // namespace kaveltar::testing
