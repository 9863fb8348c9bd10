// The payroll items export: the period rule, the record layout, the threshold distribution
// and a whole run over the demo installation (files, anomalies, the empty file left out, the
// printed list).
#include "exchange/payroll_export.h"

#include <fstream>
#include <sstream>

#include "archive/selection_lists.h"
#include "exchange/exchange_fixture.h"

namespace kaveltar::testing {
namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(PayrollExportPieces, PeriodRecordAndThresholds) {
  EXPECT_EQ(ExportPeriod(2025, 1, true), "202412");
  EXPECT_EQ(ExportPeriod(2025, 1, false), "202501");
  EXPECT_EQ(VociFileName("001", 3), "VOC00103.TXT");

  const std::string record = VociRecord("0010020003", "030", "60", 90, "STRAORDINARIO 25%");
  ASSERT_EQ(record.size(), 198u);
  EXPECT_EQ(record.substr(0, 39), "0010020003030 0060000000001500000000000");
  EXPECT_EQ(record.substr(39, 27), "STRAORDINARIO 25%          ");
  EXPECT_EQ(record.substr(66), std::string(132, ' '));
  EXPECT_EQ(HundredthsOfHours(100), 167);  // 1.6666 hours: 1,67
  EXPECT_EQ(HundredthsOfHours(1), 2);

  EXPECT_EQ(AccumulationIndex("A01"), 0u);
  EXPECT_EQ(AccumulationIndex("1A"), 1u);

  // Two bands: two hours at the first formula, up to ten more at the second, the rest lost.
  FormulaRows overtime;
  overtime.codes = {"060", "061", "", "", ""};
  overtime.thresholds = {120, 600, 0, 0, 0};
  AccumulationRow row;
  ELABORA_GIUSTIFICATIVO(overtime, 90, &row);
  EXPECT_EQ(row.minutes[0], 90);
  EXPECT_EQ(row.formula[1], "");  // nothing left for the second band yet
  ELABORA_GIUSTIFICATIVO(overtime, 900, &row);
  EXPECT_EQ(row.minutes[0], 210);
  EXPECT_EQ(row.minutes[1], 600);
  EXPECT_EQ(row.formula[1], "061");

  // A zero threshold books nothing and passes everything on; an empty row in the middle is
  // stepped over.
  FormulaRows gapped;
  gapped.codes = {"010", "", "012", "", ""};
  gapped.thresholds = {0, 0, 480, 0, 0};
  AccumulationRow other;
  ELABORA_GIUSTIFICATIVO(gapped, 300, &other);
  EXPECT_EQ(other.formula[0], "010");
  EXPECT_EQ(other.minutes[0], 0);
  EXPECT_EQ(other.minutes[2], 300);
}

TEST_F(ExchangeTest, ExportWritesOneFilePerCompanyWithAnomalies) {
  Session& session = PrintingSession();
  AttendanceDb& db = session.db();
  const std::string key = Key(DemoCase::kGroup);
  const std::string company = key.substr(0, 3);
  // A code that is not a number books to row 0; one whose formula is a free record.
  JustificationRow letters;
  letters.code = "A01";
  letters.gius[1] = "ASSENZA A";
  letters.gius[9] = "010";
  letters.gius[14] = "480";
  ASSERT_TRUE(db.SaveJustification(letters).ok());
  JustificationRow free_formula;
  free_formula.code = "099";
  free_formula.gius[9] = "098";
  free_formula.gius[14] = "480";
  ASSERT_TRUE(db.SaveJustification(free_formula).ok());

  // February attendance, exported as "the month before March".
  StoreDay(key, "20140203", {{"030", "03:30"}, {"001", "08:00"}});
  StoreDay(key, "20140204",
           {{"030", "00:30"}, {"A01", "01:30"}, {"Z99", "01:00"}, {"099", "01:00"}});
  // Slots 6-10 belong to the import and are not exported.
  StoreDay(key, "20140205", {{"001", "08:00"}}, 6);
  // Another company with attendance but no justification: no file at all.
  const std::string other_company =
      report_.company_codes[0] == company ? report_.company_codes[1] : report_.company_codes[0];
  session.lists().CARICAESTRAZIONE(0);
  std::string other_key;
  for (const std::string& k : session.lists().extraction()) {
    if (k.compare(0, 3, other_company) == 0) other_key = k.substr(0, 10);
  }
  ASSERT_FALSE(other_key.empty());
  StoreDay(other_key, "20140203", {});

  std::vector<ListEntry> companies = session.lists().LISTA_AZIENDE(Screen::kLoad, kOrderByCode);
  ASSERT_EQ(companies.size(), 3u);
  ExportRequest request;
  request.companies = companies;
  request.year = 2014;
  request.month = 3;
  request.previous_month = true;
  const fs::path folder = report_.archive_folder / "IMPORTPRESENTE";
  // A file of an earlier export is replaced.
  fs::create_directories(folder);
  std::ofstream(folder / ("VOC" + other_company + "03.TXT")) << "old";

  std::vector<std::string> shown;
  const ExportResult result =
      RunPayrollExport(session.job(), request, [&](std::string_view phase, std::string_view what) {
        shown.push_back(std::string(phase) + "|" + std::string(what));
      });
  ASSERT_EQ(result.files.size(), 1u);
  EXPECT_EQ(result.files[0], folder / ("VOC" + company + "03.TXT"));
  EXPECT_FALSE(fs::exists(folder / ("VOC" + other_company + "03.TXT")));

  // Records: row 0 (A01) first, then 001 (formula 010, 480 min), then 030 in two bands, each
  // day on its own: 210 minutes give 120 + 90, 30 minutes give 30 + 0.
  const std::string text = ReadAll(result.files[0]);
  ASSERT_EQ(text.size() % 200, 0u);
  std::vector<std::string> records;
  for (size_t at = 0; at < text.size(); at += 200) {
    EXPECT_EQ(text.substr(at + 198, 2), "\r\n");
    records.push_back(text.substr(at, 198));
  }
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].substr(0, 29), key + "A01 001000000000150");
  EXPECT_EQ(records[1].substr(0, 29), key + "001 001000000000800");
  EXPECT_EQ(records[2].substr(0, 29), key + "030 006000000000250");
  EXPECT_EQ(records[3].substr(0, 29), key + "030 006100000000150");

  // Anomalies: the justification and the formula missing, the third company without rows,
  // and the employees of the two companies without rows.
  const auto has = [&](const std::string& text_part) {
    for (const std::string& a : result.anomalies) {
      if (a.find(text_part) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_TRUE(has("Dip.  " + key + " "));
  EXPECT_TRUE(has(" Giustificativo Z99 non trovato."));
  EXPECT_TRUE(has(" Formula 098 non trovata."));
  EXPECT_TRUE(has(" non elaborata: Nessuna dato per il Mese/Anno selezionato"));
  EXPECT_TRUE(has(" non elaborato: Nessuna dato per il Mese/Anno selezionato"));
  EXPECT_EQ(shown.at(0).rfind(std::string(kPhaseCheckMonth) + "|" + companies[0].line.substr(0, 4), 0), 0u);

  // The click: with anomalies the question; Yes prints the list (its pages: below).
  dialogs_.Clear();
  dialogs_.QueueAnswers({true});
  CreatePayrollExport(session.job(), request);
  ASSERT_EQ(dialogs_.entries().size(), 1u);
  EXPECT_EQ(
      dialogs_.entries()[0].text,
      "Generazione file Voci Paghe terminato.\nSono state riscontrate delle anomalie durante la "
      "generazione del file\nStampare una lista di controllo?");
  ASSERT_EQ(printer_->printed().size(), 1u);
  EXPECT_EQ(printer_->printed()[0].Texts()[0],
            "ELENCO ANOMALIE RISCONTRATE DURANTE LA GENERAZIONE DEL FILE VOCI PAGHE   Pag. 1");
}

TEST(PayrollExportPieces, AnomalyListPages) {
  RecordingPrinterJob printer;
  std::vector<std::string> anomalies;
  for (int i = 0; i < 131; ++i) anomalies.push_back("riga " + std::to_string(i));
  STAMPA_ANOMALIE(printer, anomalies);
  ASSERT_EQ(printer.printed().size(), 1u);
  const auto& document = printer.printed()[0];
  EXPECT_EQ(document.pages, 3);
  std::vector<std::string> headings;
  for (const auto& item : document.items) {
    if (item.text.find("Pag.") != std::string::npos)
      headings.push_back(std::to_string(item.page) + item.text.substr(item.text.size() - 7));
  }
  EXPECT_EQ(headings, (std::vector<std::string>{"1 Pag. 1", "2 Pag. 2", "3 Pag. 3"}));
}

}  // namespace
}  // namespace kaveltar::testing
