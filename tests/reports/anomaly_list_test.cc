// The anomaly list (heading, fonts, printed or discarded) and the installation's printer
// choice read from the printer settings file.
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
    EXPECT_EQ(list.lines(), 1);
    EXPECT_TRUE(list.Finish());
    EXPECT_FALSE(list.Finish());
  }
  ASSERT_EQ(printer.printed().size(), 1u);
  const auto& doc = printer.printed()[0];
  const std::string title = "ELENCO ANOMALIE RISCONTRATE NELLA MEMORIZZAZIONE DITTE PIÙ";
  EXPECT_EQ(doc.title, title);
  const std::string rule(80, '=');
  EXPECT_EQ(doc.Texts(), (std::vector<std::string>{rule, title, rule, line}));
  // The heading in bold italic, down the page, with the anomaly in plain type below it.
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    if (i > 0) {
      EXPECT_LT(doc.items[i - 1].y, doc.items[i].y);
    }
    EXPECT_EQ(doc.items[i].font.name, "Courier New");
    EXPECT_EQ(doc.items[i].font.size, 10);
    EXPECT_EQ(doc.items[i].font.bold && doc.items[i].font.italic, i < 3);
  }
}

TEST(AnomalyListTest, WithoutLinesNothingIsPrinted) {
  RecordingPrinterJob printer;
  {
    AnomalyList list(printer);
    list.PREPARATESTATA("Elenco anomalie importazione");
    EXPECT_FALSE(list.Finish());
  }
  {
    AnomalyList unfinished(printer);  // an operation that stopped half-way
    unfinished.PREPARATESTATA("Elenco anomalie esportazione");
    unfinished.Print("riga");
  }
  EXPECT_TRUE(printer.printed().empty());
  EXPECT_EQ(printer.discarded(), 2);

  // On the real printer a discarded list leaves no file behind, a printed one does.
  pdf_test::TempDir temp;
  const fs::path dir = temp.File("spool");
  PdfPrinterJob spool(dir);
  AnomalyList list(spool);
  list.PREPARATESTATA("Elenco anomalie");
  list.Finish();
  EXPECT_TRUE(!fs::exists(dir) || fs::is_empty(dir));
  list.PREPARATESTATA("Elenco anomalie");
  list.Print("Dipendente : 1000000149 anomalia");
  EXPECT_TRUE(list.Finish());
  const std::vector<fs::path> files{fs::directory_iterator(dir), fs::directory_iterator()};
  ASSERT_EQ(files.size(), 1u);
  const std::string quoted = pdf_test::Quote(files[0].string());
  EXPECT_EQ(pdf_test::RunTool("qpdf --check " + quoted).status, 0);
  const std::string text = pdf_test::RunTool("pdftotext " + quoted + " -").output;
  EXPECT_NE(text.find("ELENCO ANOMALIE"), std::string::npos);
  EXPECT_NE(text.find("1000000149 anomalia"), std::string::npos);
}

TEST(AnomalyListTest, UpperCaseOfAccentedLetters) {
  EXPECT_EQ(UpperCaseText("città è però già ñ œ ÿ ß 1a"), "CITTÀ È PERÒ GIÀ Ñ Œ Ÿ ß 1A");
  EXPECT_EQ(UpperCaseText("÷ → €"), "÷ → €");
}

// The printer settings file is base 280, "STAMPA$$.INI" with the installation code.
class PrinterChoiceTest : public ::testing::Test {
 protected:
  PrinterChoiceTest()
      : files_(fs::path(temp_.File("")), dialogs_, trace_),
        printer_({{"HP-Ufficio", "", true},
                  {"Ufficio-Paghe", "", false},
                  {"Ufficio-Paghe-Laser", "", false}}) {
    std::string catalogue;
    for (int n = 1; n <= 280; ++n)
      catalogue += FormatCatalogueRecord(n == 280 ? "STAMPA$$.INI" : "", 0);
    auto table = BaseFileTable::Parse(catalogue);
    EXPECT_TRUE(table.ok());
    files_.SetCatalogue(std::move(table.value()));
    files_.context().installation_code = "01";
  }
  void WriteSettings(const std::string& bytes) {
    std::ofstream(temp_.File("STAMPA01.INI"), std::ios::binary) << bytes;
  }
  PrinterNames Choose() {
    PrinterNames names{"vecchio", "vecchio"};
    LEGGISTAMPANTESTD(files_, trace_, printer_, &names);
    return names;
  }

  pdf_test::TempDir temp_;
  RecordingDialogs dialogs_;
  TraceRing trace_;
  ArchiveFiles files_;
  RecordingPrinterJob printer_;
};

TEST_F(PrinterChoiceTest, TheGraphicPrinterIsChosenByExactName) {
  WriteSettings("Ufficio-Paghe\r\nUfficio-Paghe-Laser\r\n");
  const PrinterNames names = Choose();
  EXPECT_EQ(names.standard, "Ufficio-Paghe");
  EXPECT_EQ(names.graphic, "Ufficio-Paghe-Laser");
  EXPECT_EQ(printer_.DeviceName(), "Ufficio-Paghe-Laser");
  EXPECT_TRUE(dialogs_.entries().empty());
}

TEST_F(PrinterChoiceTest, APrinterFixedByTheOperatorStays) {
  WriteSettings("Ufficio-Paghe\r\nUfficio-Paghe-Laser\r\n");
  printer_.FixByOperator();
  EXPECT_EQ(Choose().graphic, "Ufficio-Paghe-Laser");
  EXPECT_EQ(printer_.DeviceName(), "HP-Ufficio");
}

TEST_F(PrinterChoiceTest, OtherwiseTheDefaultStaysSilently) {
  const struct {
    const char* settings;  // nullptr: no file
    bool failing_list;
    std::string standard, graphic;
  } cases[] = {
      {"Ufficio-Paghe-Laser\r\n", false, "Ufficio-Paghe-Laser", ""},        // one line: no graphic
      {"x\r\nufficio-paghe-laser\r\n", false, "x", "ufficio-paghe-laser"},  // case differs
      {"", false, "", ""},
      {nullptr, false, "", ""},
      {"a\r\nUfficio-Paghe-Laser\r\n", true, "a", "Ufficio-Paghe-Laser"},  // list unreadable
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings ? c.settings : "(no file)");
    if (c.settings)
      WriteSettings(c.settings);
    else
      fs::remove(temp_.File("STAMPA01.INI"));
    printer_.FailListing(c.failing_list);
    const PrinterNames names = Choose();
    EXPECT_EQ(names.standard, c.standard);
    EXPECT_EQ(names.graphic, c.graphic);
    EXPECT_EQ(printer_.DeviceName(), "HP-Ufficio");
  }
  EXPECT_TRUE(dialogs_.entries().empty());
  // A catalogue without base 280 is one more error to keep quiet about.
  files_.SetCatalogue(BaseFileTable());
  EXPECT_NO_THROW(Choose());
}

}  // namespace
}  // namespace kaveltar
