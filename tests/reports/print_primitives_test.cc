// The drawing primitives on both outputs: the PDF page content they write, and the twips and
// colours the printer receives.
#include "reports/print_primitives.h"

#include <gtest/gtest.h>

#include <cmath>
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
    EXPECT_FALSE(target_.HasReportPdf());
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

TEST_F(PrimitivesTest, BlankSuppressionOnBothOutputs) {
  auto draw_all = [&] {
    for (const char* text : {"000", "0", " ", "", "0,00", "  00  ", "A0", "00:00", "12,50"})
      PrintText(target_, 2, 3, std::string_view(text));
    PrintText(target_, 2, 3, std::string_view("0"), /*print_zero=*/true);
  };
  const std::string content = PdfContent(draw_all);
  EXPECT_EQ(Count(content, " Tj"), 4) << content;
  EXPECT_NE(content.find("(00:00) Tj"), std::string::npos);
  std::vector<std::string> texts;
  for (const Item& item : Printed(draw_all)) texts.push_back(item.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"A0", "00:00", "12,50", "0"}));

  // The caller's text is emptied whether it was drawn or not.
  for (std::string text : {"A0", "000"}) {
    PrintText(target_, 2, 3, text);
    EXPECT_EQ(text, "");
  }
  printer_.KillDoc();
}

TEST_F(PrimitivesTest, GeometryAndOffsets) {
  // PDF: centimetres on the page, offsets added: (3 + 1, 2 + 0.5) cm is (113.386, 70.866) pt.
  const std::string content = PdfContent(
      [&] { PrintText(target_, 2, 3, std::string_view("SPOSTATO"), false, {.y = 0.5, .x = 1}); });
  EXPECT_NE(content.find("1 0 0 -1 113.386 70.866 Tm (SPOSTATO) Tj"), std::string::npos) << content;

  // Printer: offsets ignored; the unprintable margin taken off and truncated to twips.
  const auto items = Printed([&] {
    PrintText(target_, 2, 3, std::string_view("SPOSTATO"), false, {.y = 0.5, .x = 1});
    PrintBox(target_, 1, 2, 3, 4, 0.5, {.y = 1, .x = 1, .height = 1, .width = 1});
  });
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].x, 1530);                // Int(2.7 * 567) = Int(1530.9)
  EXPECT_EQ(items[0].y, 793);                 // Int(1.4 * 567) = Int(793.8)
  EXPECT_EQ(items[1].x2 - items[1].x, 2268);  // Int(4 * 567)
  EXPECT_EQ(PrinterX(-1), static_cast<int>(std::floor(-1.3 * 567)));  // Int rounds down
}

TEST_F(PrimitivesTest, ShadesLineWidthsAndFills) {
  const std::string content = PdfContent([&] {
    PrintShadedBox(target_, 1, 1, 1, 1, "Silver", 0.05);
    PrintShadedBox(target_, 1, 1, 1, 1, "Silver15");
    PrintShadedBox(target_, 1, 1, 1, 1, "silver");  // not in the table: the fill stays
  });
  // "Silver" and "Silver15" are both 15 % grey (217 / 255) in PDF.
  EXPECT_EQ(Count(content, "0.851 0.851 0.851 rg"), 2) << content;
  EXPECT_EQ(Count(content, " rg"), 2);
  EXPECT_EQ(Count(content, "re B*"), 3);
  EXPECT_NE(content.find("1.417 w"), std::string::npos);  // 0.05 cm passed through
  EXPECT_EQ(Count(content, "0.283 w"), 2);                // 0 gives the 0.01 cm hairline

  // The printer's own greys differ, and an unknown shade keeps the last fill.
  const auto items = Printed([&] {
    PrintShadedBox(target_, 1, 1, 1, 1, "Silver");
    PrintShadedBox(target_, 1, 1, 1, 1, "Silver15");
    PrintShadedBox(target_, 1, 1, 1, 1, "Nebbia");
  });
  ASSERT_EQ(items.size(), 6u);
  EXPECT_EQ(items[0].kind, Item::Kind::kFilledBox);
  EXPECT_EQ(items[0].color, 0xE0E0E0u);
  EXPECT_EQ(items[1].kind, Item::Kind::kBox);
  EXPECT_EQ(items[2].color, 0xE2E2E2u);
  EXPECT_EQ(items[4].color, 0xE2E2E2u);
}

TEST_F(PrimitivesTest, PicturesAndTheirFailures) {
  pdf_test::TempDir temp;
  const std::string bmp = temp.File("bollo.bmp");
  pdf_test::WriteFile(bmp, pdf_test::MakeBmp(1, 1, 24, {0x00FF00}));
  EXPECT_NE(PdfContent([&] { PrintPicture(target_, bmp, 1, 2, 3, 4); }).find("/_IMG_1 Do"),
            std::string::npos);
  const auto items = Printed([&] { PrintPicture(target_, bmp, 1, 2, 3, 4); });
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].kind, Item::Kind::kPicture);

  // A missing picture ends the program, with each output's own words.
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

TEST_F(PrimitivesTest, WriterErrorsReachTheReport) {
  EXPECT_TRUE(target_.EndReportPdf().ok());  // nothing to finish
  // A primitive on a document that was never begun.
  target_.SetPdfOutput(true);
  try {
    PrintBox(target_, 1, 1, 1, 1);
    FAIL() << "no error";
  } catch (const RunTimeError& e) {
    EXPECT_EQ(e.number(), 5);  // invalid call: no page open
    EXPECT_NE(e.description().find("SetLineWidth"), std::string::npos) << e.description();
  }
  target_.ReleaseReportPdf();
  ReportTarget no_printer;
  EXPECT_THROW(PrintBox(no_printer, 1, 1, 1, 1), std::logic_error);
}

}  // namespace
}  // namespace kaveltar
