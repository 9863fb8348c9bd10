// The anomaly list (heading, fonts, printed or discarded) and the installation's printer
// choice read from the printer settings file.
#include "reports/anomaly_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>

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
  {
    AnomalyList list(printer);
    list.PREPARATESTATA("Elenco anomalie riscontrate nella memorizzazione ditte più");
    list.Print("Dipendente : 0010010001 Cod.Gruppo in P766 non presente nella tabella GRUPPI");
    list.Print("Co.co.co : 0010010002 Cod.Gruppo(campo P766)/Profilo(campo P138) non compilati");
    EXPECT_EQ(list.lines(), 2);
    EXPECT_TRUE(list.Finish());
    EXPECT_FALSE(list.Finish());
  }
  ASSERT_EQ(printer.printed().size(), 1u);
  EXPECT_EQ(printer.discarded(), 0);
  const auto& doc = printer.printed()[0];
  EXPECT_EQ(doc.title, "ELENCO ANOMALIE RISCONTRATE NELLA MEMORIZZAZIONE DITTE PIÙ");
  const std::string rule(80, '=');
  EXPECT_EQ(doc.Texts(),
            (std::vector<std::string>{
                rule, "ELENCO ANOMALIE RISCONTRATE NELLA MEMORIZZAZIONE DITTE PIÙ", rule,
                "Dipendente : 0010010001 Cod.Gruppo in P766 non presente nella tabella GRUPPI",
                "Co.co.co : 0010010002 Cod.Gruppo(campo P766)/Profilo(campo P138) non compilati"}));
  // The heading lines come down the page, with the first anomaly below them.
  EXPECT_LT(doc.items[0].y, doc.items[1].y);
  EXPECT_LT(doc.items[1].y, doc.items[2].y);
  EXPECT_LT(doc.items[2].y, doc.items[3].y);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(doc.items[i].font.name, "Courier New");
    EXPECT_EQ(doc.items[i].font.size, 10);
    EXPECT_TRUE(doc.items[i].font.bold && doc.items[i].font.italic);
  }
  EXPECT_FALSE(doc.items[3].font.bold || doc.items[3].font.italic);
  EXPECT_EQ(doc.items[3].font.size, 10);
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
  for (int i = 0; i < 150; ++i)
    list.Print("Dipendente : " + std::to_string(1000000000 + i) + " anomalia");
  EXPECT_TRUE(list.Finish());
  const std::vector<fs::path> files{fs::directory_iterator(dir), fs::directory_iterator()};
  ASSERT_EQ(files.size(), 1u);
  const fs::path& file = files[0];
  const std::string quoted = pdf_test::Quote(file.string());
  EXPECT_EQ(pdf_test::RunTool("qpdf --check " + quoted).status, 0);
  const std::string text = pdf_test::RunTool("pdftotext " + quoted + " -").output;
  EXPECT_NE(text.find("ELENCO ANOMALIE"), std::string::npos);
  EXPECT_NE(text.find("1000000149 anomalia"), std::string::npos);
  EXPECT_TRUE(std::regex_search(pdf_test::RunTool("pdfinfo " + quoted).output,
                                std::regex(R"(Pages:\s+3\n)")));
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
  const auto trace = trace_.OldestToNewest();
  EXPECT_NE(std::find(trace.begin(), trace.end(), "LEGGISTAMPANTESTD"), trace.end());
  EXPECT_FALSE(files_.TextStream(280) != nullptr && files_.TextStream(280)->is_open());
  EXPECT_TRUE(dialogs_.entries().empty());
}

TEST_F(PrinterChoiceTest, OtherwiseTheDefaultStaysSilently) {
  // One line only: no graphic printer.
  WriteSettings("Ufficio-Paghe-Laser\r\n");
  PrinterNames names = Choose();
  EXPECT_EQ(names.standard, "Ufficio-Paghe-Laser");
  EXPECT_EQ(names.graphic, "");
  EXPECT_EQ(printer_.DeviceName(), "HP-Ufficio");
  // A name that differs in case only.
  WriteSettings("x\r\nufficio-paghe-laser\r\n");
  Choose();
  EXPECT_EQ(printer_.DeviceName(), "HP-Ufficio");
  // An empty file, then no file: both names empty.
  WriteSettings("");
  names = Choose();
  EXPECT_EQ(names.standard + names.graphic, "");
  fs::remove(temp_.File("STAMPA01.INI"));
  names = Choose();
  EXPECT_EQ(names.standard + names.graphic, "");
  // A printer list that cannot be read.
  WriteSettings("a\r\nUfficio-Paghe-Laser\r\n");
  printer_.FailListing(true);
  Choose();
  EXPECT_EQ(printer_.DeviceName(), "HP-Ufficio");
  EXPECT_TRUE(dialogs_.entries().empty());
  // A catalogue without base 280 is one more error to keep quiet about.
  files_.SetCatalogue(BaseFileTable());
  EXPECT_NO_THROW(Choose());
}

TEST_F(PrinterChoiceTest, APrinterFixedByTheOperatorStays) {
  WriteSettings("Ufficio-Paghe\r\nUfficio-Paghe-Laser\r\n");
  printer_.FixByOperator();
  const PrinterNames names = Choose();
  EXPECT_EQ(names.graphic, "Ufficio-Paghe-Laser");
  EXPECT_EQ(printer_.DeviceName(), "HP-Ufficio");
}

}  // namespace
}  // namespace kaveltar
