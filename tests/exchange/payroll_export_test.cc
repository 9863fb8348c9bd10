// The payroll items export: the record layout, a zero threshold, and a whole run over the demo
// installation (files, anomalies, the empty file left out, the printed list).
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

TEST(PayrollExportPieces, RecordAndZeroThreshold) {
  const std::string record = VociRecord("0010020003", "030", "60", 90, "STRAORDINARIO 25%");
  ASSERT_EQ(record.size(), 198u);
  EXPECT_EQ(record.substr(0, 39), "0010020003030 0060000000001500000000000");
  EXPECT_EQ(record.substr(39, 27), "STRAORDINARIO 25%          ");
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
  // A code that is not a number books to row 0.
  JustificationRow letters;
  letters.code = "A01";
  letters.gius[1] = "ASSENZA A";
  letters.gius[9] = "010";
  letters.gius[14] = "480";
  ASSERT_TRUE(db.SaveJustification(letters).ok());
  // February attendance, exported as "the month before March".
  StoreDay(key, "20140203", {{"030", "03:30"}, {"001", "08:00"}});
  StoreDay(key, "20140204", {{"030", "00:30"}, {"A01", "01:30"}, {"Z99", "01:00"}});
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

  const ExportResult result =
      RunPayrollExport(session.job(), request, [](std::string_view, std::string_view) {});
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

  // Anomalies: the justification missing, the third company without rows,
  // and the employees of the two companies without rows.
  std::string anomalies;
  for (const std::string& a : result.anomalies) anomalies += a + "\n";
  const auto has = [&](const std::string& part) {
    return anomalies.find(part) != std::string::npos;
  };
  EXPECT_TRUE(has("Dip.  " + key + " "));
  EXPECT_TRUE(has(" Giustificativo Z99 non trovato."));
  EXPECT_TRUE(has(" non elaborata: Nessuna dato per il Mese/Anno selezionato"));
  EXPECT_TRUE(has(" non elaborato: Nessuna dato per il Mese/Anno selezionato"));

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

}  // namespace
}  // namespace kaveltar::testing
