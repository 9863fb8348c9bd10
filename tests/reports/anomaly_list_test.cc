// The anomaly list (heading, fonts, printed or discarded) and the installation's printer
// choice read from the printer settings file when it names no printer there is.
#include "reports/anomaly_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archive/archive_files.h"
#include "archive/catalogue.h"
#include "base/dialogs.h"
#include "pdf/pdf_test_util.h"
#include "platform/printer_recording.h"
#include "platform/printer_system.h"
#include "reports/printer_choice.h"

namespace kaveltar {
namespace {
namespace fs = std::filesystem;

TEST(AnomalyListTest, HeadingThenLinesInTheirFonts) {
  RecordingPrinterJob printer;
  const std::string line =
      "Dipendente : 0010010001 Cod.Gruppo in P766 non presente nella tabella GRUPPI";
  {
    AnomalyList list(printer);
    list.PREPARATESTATA("Elenco anomalie riscontrate nella memorizzazione ditte più");
    list.Print(line);
    EXPECT_TRUE(list.Finish());
  }
  ASSERT_EQ(printer.printed().size(), 1u);
  const auto& doc = printer.printed()[0];
  const std::string title = "ELENCO ANOMALIE RISCONTRATE NELLA MEMORIZZAZIONE DITTE PIÙ";
  EXPECT_EQ(doc.title, title);
  const std::string rule(80, '=');
  EXPECT_EQ(doc.Texts(), (std::vector<std::string>{rule, title, rule, line}));
  // The heading in bold italic, with the anomaly in plain type below it.
  EXPECT_TRUE(doc.items[2].font.bold && doc.items[2].font.italic);
  EXPECT_FALSE(doc.items[3].font.bold || doc.items[3].font.italic);
  EXPECT_LT(doc.items[2].y, doc.items[3].y);
}

TEST(AnomalyListTest, WithoutLinesNothingIsPrinted) {
  RecordingPrinterJob printer;
  {
    AnomalyList unfinished(printer);  // an operation that stopped half-way
    unfinished.PREPARATESTATA("Elenco anomalie esportazione");
    unfinished.Print("riga");
  }
  EXPECT_TRUE(printer.printed().empty());
  EXPECT_EQ(printer.discarded(), 1);

  // On the real printer a discarded list leaves no file behind, a printed one does.
  pdf_test::TempDir temp;
  const fs::path dir = temp.File("spool");
  PdfPrinterJob spool(dir);
  AnomalyList list(spool);
  list.PREPARATESTATA("Elenco anomalie");
  EXPECT_FALSE(list.Finish());
  EXPECT_TRUE(!fs::exists(dir) || fs::is_empty(dir));
  list.PREPARATESTATA("Elenco anomalie");
  list.Print("Dipendente : 1000000149 anomalia");
  EXPECT_TRUE(list.Finish());
  const std::vector<fs::path> files{fs::directory_iterator(dir), fs::directory_iterator()};
  ASSERT_EQ(files.size(), 1u);
  const std::string text =
      pdf_test::RunTool("pdftotext " + pdf_test::Quote(files[0].string()) + " -").output;
  EXPECT_NE(text.find("ELENCO ANOMALIE"), std::string::npos);
  EXPECT_NE(text.find("1000000149 anomalia"), std::string::npos);
}

// The printer settings file is base 280, "STAMPA$$.INI" with the installation code. When it
// names no printer there is, the default stays and nobody is told.
TEST(PrinterChoiceTest, OtherwiseTheDefaultStaysSilently) {
  pdf_test::TempDir temp;
  RecordingDialogs dialogs;
  TraceRing trace;
  ArchiveFiles files(fs::path(temp.File("")), dialogs, trace);
  RecordingPrinterJob printer(
      {{"HP-Ufficio", "", true}, {"Ufficio-Paghe", "", false}, {"Ufficio-Paghe-Laser", "", false}});
  std::string catalogue;
  for (int n = 1; n <= 280; ++n)
    catalogue += FormatCatalogueRecord(n == 280 ? "STAMPA$$.INI" : "", 0);
  files.SetCatalogue(BaseFileTable::Parse(catalogue).value());
  files.context().installation_code = "01";
  auto choose = [&] {
    PrinterNames names{"vecchio", "vecchio"};
    LEGGISTAMPANTESTD(files, trace, printer, &names);
    return names;
  };
  const struct {
    const char* settings;  // nullptr: no file
    bool failing_list;
    std::string standard, graphic;
  } cases[] = {
      {"Ufficio-Paghe-Laser\r\n", false, "Ufficio-Paghe-Laser", ""},        // one line: no graphic
      {"x\r\nufficio-paghe-laser\r\n", false, "x", "ufficio-paghe-laser"},  // case differs
      {nullptr, false, "", ""},
      {"a\r\nUfficio-Paghe-Laser\r\n", true, "a", "Ufficio-Paghe-Laser"},  // list unreadable
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings ? c.settings : "(no file)");
    if (c.settings)
      std::ofstream(temp.File("STAMPA01.INI"), std::ios::binary) << c.settings;
    else
      fs::remove(temp.File("STAMPA01.INI"));
    printer.FailListing(c.failing_list);
    const PrinterNames names = choose();
    EXPECT_EQ(names.standard, c.standard);
    EXPECT_EQ(names.graphic, c.graphic);
    EXPECT_EQ(printer.DeviceName(), "HP-Ufficio");
  }
  EXPECT_TRUE(dialogs.entries().empty());
  // A catalogue without base 280 is one more error to keep quiet about.
  files.SetCatalogue(BaseFileTable());
  EXPECT_NO_THROW(choose());
}

}  // namespace
}  // namespace kaveltar
