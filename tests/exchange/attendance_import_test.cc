// The import as the screen runs it: the blocking check, replacing memorized and edited months,
// the code translation, the anomaly list, the CSV work file on a full disk, and a kill in the
// middle leaving PRESENZE as it was.
#include "exchange/attendance_import.h"
#include "common/killing_db.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "exchange/exchange_fixture.h"

namespace kaveltar::testing {
namespace {

class ImportTest : public ExchangeTest {
 protected:
  fs::path Write(const std::string& name, const std::string& text) {
    const fs::path path = root_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // Chooses the file (answering the check's question with `accept`) and imports it with
  // every question answered Yes.
  ImportResult Import(const fs::path& path, ImportFileKind kind = ImportFileKind::kExternal) {
    Session& session = PrintingSession();
    ImportState state;
    state.kind = kind;
    dialogs_.set_default_answer(true);
    ChooseImportFile(session.job(), &state, path.string());
    EXPECT_TRUE(state.import_enabled);
    dialogs_.Clear();
    return ImportAttendanceFile(session.job(), &state);
  }
  // Work files of CSV conversions in the archive folder.
  int WorkFiles() const {
    int n = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(report_.archive_folder)) {
      if (e.path().filename().string().starts_with("FILEPRES")) ++n;
    }
    return n;
  }
  void SetImportCode(const std::string& code, const std::string& import_code) {
    Result<std::optional<JustificationRow>> row = PrintingSession().db().FindJustification(code);
    ASSERT_TRUE(row.ok() && *row);
    (*row)->gius[5] = import_code;
    ASSERT_TRUE(PrintingSession().db().SaveJustification(**row).ok());
  }
};

TEST_F(ImportTest, AnIncompleteEmployeeCodeBlocksTheImport) {
  Session& session = PrintingSession();
  ImportState state;
  ChooseImportFile(session.job(), &state,
                   Write("a.PRE", ImportRecord("001002", "20140303", "08:00")).string());
  ASSERT_EQ(dialogs_.entries().size(), 1u);
  EXPECT_FALSE(dialogs_.entries()[0].question);
  EXPECT_EQ(dialogs_.entries()[0].text,
            "Il file non corrisponde al tracciato standard Altrovia Raroziv.\nIn uno o più record "
            "il codice "
            "dipendente è mancante o incompleto\nImpossibile continuare. Contattare chi ha "
            "predisposto il file per "
            "effettuare le dovute correzioni");
  EXPECT_FALSE(state.import_enabled);
  EXPECT_EQ(state.results,
            (std::array<std::string, 4>{"Corretta", "Corretta", "Errata", "Corretta"}));
}

TEST_F(ImportTest, ReplacesMemorizedAndEditedMonthsAndTranslatesCodes) {
  PrintingSession();
  const std::string key = Key(DemoCase::kGroup);
  Run(Month(kYear, 3), {key});
  const std::vector<DayRow> memorized = Rows(key, "201403");
  ASSERT_EQ(memorized.size(), 31u);
  // An edit of the month, to be replaced.
  DayRow edited = memorized[9];
  edited.pres[3] = "01:00";
  edited.SlotCode(7) = "001";
  edited.protocollo = 12;
  ASSERT_TRUE(PrintingSession().db().SaveDay(edited).ok());

  SetImportCode("012", "0000000012");
  SetImportCode("004", "ML");
  SetImportCode("021", "R\xC3\x88");  // "RÈ", as the tables panel stores a typed "rè"
  const std::string unknown_employee = key.substr(0, 6) + "9998";
  const std::string file =
      ImportRecord(key, "20140303", "07:30", {{"12", "00:30"}}) +
      ImportRecord(key, "20140304", "00000",
                   {{"ml", "08:00"}, {"0000000000", "01:00"}, {"30", "1:00"}}) +
      ImportRecord(key, "20140305", "08:00", {{"XYZ", "01:00"}, {"FE", "99:99"}}) +
      ImportRecord(key, "20140306", "", {{"r\xE8", "02:00"}, {"r\xC3\xA8", "00:00"}}) +
      ImportRecord(unknown_employee, "20140303", "08:00") +
      ImportRecord(unknown_employee, "20140304", "08:00");
  dialogs_.Clear();
  const ImportResult result = Import(Write("march.PRE", file));
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.keys, (std::vector<std::string>{key + " 201403", unknown_employee + " 201403"}));
  EXPECT_EQ(
      dialogs_.Texts(),
      (std::vector<std::string>{std::string(kReplaceQuestion), std::string(kImportNotice),
                                "DITTA : " + key.substr(0, 3) + "\nPERIODO : 03/2014\nProseguire ?",
                                "Importazione completata"}));

  const std::vector<DayRow> rows = Rows(key, "201403");
  ASSERT_EQ(rows.size(), 31u);
  for (const DayRow& row : rows) {
    const int day = static_cast<int>(ValInt(row.period.substr(6)));
    if (day >= 3 && day <= 6) {
      // The schedule exactly as memorization built it, the values from the file.
      EXPECT_EQ(row.pres[1], memorized[static_cast<size_t>(day - 1)].pres[1]) << day;
      EXPECT_EQ(row.pres[2], memorized[static_cast<size_t>(day - 1)].pres[2]) << day;
      EXPECT_EQ(row.protocollo, 0);
    } else {
      DayRow keys_only;
      keys_only.employee = key;
      keys_only.period = row.period;
      EXPECT_EQ(row, keys_only) << day;
    }
  }
  EXPECT_EQ(rows[2].pres[3], "07:30");
  EXPECT_EQ(rows[2].SlotCode(1), "012");
  EXPECT_EQ(rows[3].SlotCode(1), "004");
  EXPECT_EQ(rows[3].SlotCode(2), "");     // an empty pair
  EXPECT_EQ(rows[3].SlotCode(3), "030");  // no GIUS_5 match: the key itself
  EXPECT_EQ(rows[3].SlotHours(3), "");    // "1:00" is not hours
  EXPECT_EQ(rows[4].SlotCode(1), "");     // XYZ: no match, not stored
  EXPECT_EQ(rows[4].SlotCode(2), "001");  // FE is GIUS_5 of 001
  EXPECT_EQ(rows[5].SlotCode(1), "021");  // "rè" in Windows-1252 matches "RÈ"
  EXPECT_EQ(rows[5].SlotCode(2), "021");  // and in UTF-8
  EXPECT_EQ(rows[5].SlotHours(2), "");    // "00:00" is stored as a blank

  EXPECT_EQ(
      result.anomalies,
      (std::vector<std::string>{"Dipendente : " + key +
                                    " Giornata : 05/03/2014 NESSUNA CORRISPONDENZA "
                                    "COD.GIUSTIFICATIVO",
                                "Ditta: " + key.substr(0, 3) + " Sottoditta: " + key.substr(3, 3) +
                                    " Dipendente: 9998 Non presente in archivio"}));
  EXPECT_TRUE(result.printed);
  ASSERT_EQ(printer_->printed().size(), 1u);
  EXPECT_EQ(printer_->printed()[0].Texts()[1],
            "ELENCO ANOMALIE RISCONTRATE NELLA FASE DI IMPORTAZIONE FILE ESTERNO");
}

TEST_F(ImportTest, ScheduleAnomaliesAndCsvWorkFile) {
  const std::string missing = Key(DemoCase::kMissingGroup);
  const std::string none = Key(DemoCase::kNoSchedule);
  const std::string csv =
      "CODICE;DATA;ORE\r\n" + missing + ";20140303;8:00;FE;1:00\r\n" + none + ";20140303;08:00\r\n";
  const ImportResult result = Import(Write("march.csv", csv), ImportFileKind::kCsv);
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(
      result.anomalies,
      (std::vector<std::string>{
          "Dipendente : " + missing + " Codice Gruppo in P766 non presente nella tabella GRUPPI",
          "Dipendente : " + none + " Cod.Gruppo(campo P766)/Profilo(campo P138) non compilati"}));
  const std::vector<DayRow> rows = Rows(missing, "201403");
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_EQ(rows[2].pres[3], "08:00");
  EXPECT_EQ(rows[2].SlotCode(1), "001");
  EXPECT_EQ(WorkFiles(), 0);

  // Wrong characters in a CSV stop the import before anything is touched.
  Session& session = PrintingSession();
  ImportState state;
  state.kind = ImportFileKind::kCsv;
  ChooseImportFile(
      session.job(), &state,
      Write("bad.csv", missing + ";20140303;08:00;FE\x01;1:00\r\n" + none + ";20140304;08:00\r\n")
          .string());
  dialogs_.Clear();
  dialogs_.set_default_answer(true);
  EXPECT_FALSE(ImportAttendanceFile(session.job(), &state).completed);
  EXPECT_EQ(dialogs_.Texts().back(), "Attenzione!! Il file CSV contiene caratteri errati");
  EXPECT_EQ(Rows(none, "201403")[3].pres[3], "");
}

TEST_F(ImportTest, AFullDiskDuringTheCsvConversionLeavesNoWorkFile) {
  PrintingSession();  // the installation as the program leaves it at start-up
  const std::string a = Key(DemoCase::kGroup);
  // A disk that fills during the conversion: the message names the work file and nothing is
  // left behind. The child process writes under a file size limit, as on a full disk.
  std::string big;
  for (int day = 3; day <= 28; ++day)
    big += a + ";201403" + ZeroPad(day, 2) + ";08:00;FE;01:00\r\n";
  const fs::path csv = Write("big.csv", big);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    RecordingDialogs dialogs;
    Session s(dialogs);
    Startup(s, Paths());
    ImportState state;
    state.kind = ImportFileKind::kCsv;
    ChooseImportFile(s.job(), &state, csv.string());
    const bool reported =
        dialogs.Texts().size() == 1 &&
        dialogs.Texts()[0].starts_with("Impossibile scrivere il file di lavoro " +
                                       report_.archive_folder.string() + "/FILEPRES_") &&
        dialogs.Texts()[0].ends_with(" (spazio su disco esaurito)");
    ::_exit(reported && state.path.empty() && !state.import_enabled ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(WorkFiles(), 0);
}

using testing::KillingDb;

TEST_F(ImportTest, AKilledImportLeavesTheDatabaseAsBefore) {
  std::vector<std::string> keys(report_.Keys(DemoCase::kGroup).begin(),
                                report_.Keys(DemoCase::kGroup).begin() + 3);
  Run(Month(kYear, 3), keys);
  std::vector<std::vector<DayRow>> before;
  for (const std::string& key : keys) before.push_back(Rows(key, "201403"));
  std::string file;
  for (const std::string& key : keys)
    file += ImportRecord(key, "20140303", "04:00", {{"FE", "04:00"}});
  const fs::path path = Write("kill.PRE", file);
  Reopen();

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dialogs_.set_default_answer(true);
    Session& s = PrintingSession();
    auto db = OpenSqliteDatabase(report_.archive_folder / kDatabaseFile);
    if (!db.ok()) ::_exit(3);
    s.AttachDatabase(std::make_unique<KillingDb>(std::move(*db), 31 + 20));  // in the second month
    ImportState state;
    ChooseImportFile(s.job(), &state, path.string());
    ImportAttendanceFile(s.job(), &state);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(Rows(keys[i], "201403"), before[i]) << keys[i];
}

}  // namespace
}  // namespace kaveltar::testing
