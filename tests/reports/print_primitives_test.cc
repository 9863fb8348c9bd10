// The drawing primitives on both outputs: the PDF page content they write, and the texts and
// colours the printer receives.
#include "reports/print_primitives.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/fatal.h"
#include "pdf/pdf_sink.h"
#include "pdf/pdf_test_util.h"
#include "platform/printer_recording.h"

namespace kaveltar {
namespace {
using Item = RecordingPrinterJob::Item;

class PrimitivesTest : public ::testing::Test {
 protected:
  PrimitivesTest() : target_(&printer_) {}

  // The first page's content of a ReportPdf set up as the reports set it up.
  std::string PdfContent(const std::function<void()>& draw) {
    target_.SetPdfOutput(true);
    PdfDocument& doc = target_.ReportPdf();
    doc.SetScale(3, 1);
    doc.SetPaperSize(0);
    doc.SetMargins(0, 0, 0, 0, true);
    doc.SetFont("Courier New", 10);
    MemoryPdfSink sink;
    doc.BeginDocToSink(&sink);
    doc.BeginPage();
    draw();
    EXPECT_TRUE(target_.EndReportPdf().ok());
    return pdf_test::FirstContent(sink.data());
  }
  // The items the printer received.
  std::vector<Item> Printed(const std::function<void()>& draw) {
    target_.SetPdfOutput(false);
    draw();
    std::vector<Item> items = printer_.open_document().items;
    printer_.KillDoc();
    return items;
  }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }

  RecordingPrinterJob printer_;
  ReportTarget target_;
};

// Blank and zero texts are left out the same way on both outputs; the printer shows it.
TEST_F(PrimitivesTest, BlankSuppression) {
  std::vector<std::string> texts;
  for (const Item& item : Printed([&] {
         for (const char* text : {"000", "0", " ", "", "0,00", "  00  ", "A0", "00:00", "12,50"})
           PrintText(target_, 2, 3, std::string_view(text));
         PrintText(target_, 2, 3, std::string_view("0"), /*print_zero=*/true);
       }))
    texts.push_back(item.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"A0", "00:00", "12,50", "0"}));
}

TEST_F(PrimitivesTest, ShadesAndFills) {
  const std::string content = PdfContent([&] {
    PrintShadedBox(target_, 1, 1, 1, 1, "Silver");
    PrintShadedBox(target_, 1, 1, 1, 1, "Silver15");
    PrintShadedBox(target_, 1, 1, 1, 1, "silver");  // not in the table: the fill stays
  });
  // "Silver" and "Silver15" are both 15 % grey (217 / 255) in PDF.
  EXPECT_EQ(Count(content, "0.851 0.851 0.851 rg"), 2) << content;
  EXPECT_EQ(Count(content, " rg"), 2);
  EXPECT_EQ(Count(content, "re B*"), 3);

  // The printer's own grey for "Silver15", kept by an unknown shade: a filled box, then its edge.
  const auto items = Printed([&] {
    PrintShadedBox(target_, 1, 1, 1, 1, "Silver15");
    PrintShadedBox(target_, 1, 1, 1, 1, "Nebbia");
  });
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[2].kind, Item::Kind::kFilledBox);
  EXPECT_EQ(items[2].color, 0xE2E2E2u);
  EXPECT_EQ(items[3].kind, Item::Kind::kBox);
}

// A missing picture ends the program, with each output's own words.
TEST_F(PrimitivesTest, MissingPicturesEndTheProgram) {
  pdf_test::TempDir temp;
  const std::pair<std::string, std::string> texts[] = {
      {"Errore Immagine Laser",
       "Attenzione Immagine non trovata! E' stato specificato correttamente il controllo che la "
       "contiene?"},
      {"Errore Immagine PDF",
       "Attenzione Immagine non trovata! E' stato specificato il Percorso corretto?"}};
  for (bool pdf : {false, true}) {
    target_.SetPdfOutput(pdf);
    MemoryPdfSink sink;
    if (pdf) {
      target_.ReportPdf().BeginDocToSink(&sink);
      target_.ReportPdf().BeginPage();
    }
    try {
      PrintPicture(target_, temp.File("manca.jpg"), 1, 1, 1, 1);
      ADD_FAILURE() << "no error";
    } catch (const Fatal& f) {
      EXPECT_EQ(f.title(), texts[pdf].first);
      EXPECT_EQ(f.text(), texts[pdf].second);
      EXPECT_EQ(f.icon(), MessageIcon::kCritical);
    }
    target_.ReleaseReportPdf();
  }
  printer_.KillDoc();
}

}  // namespace
}  // namespace kaveltar
