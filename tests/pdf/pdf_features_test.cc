// Bookmarks, coordinates, tables and barcodes: read back with qpdf, rendered with poppler
// and, for barcodes, decoded with zbarimg; and the file with every feature (links, notes,
// forms, page labels, layers, patterns) passing the readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "pdf/pdf_document.h"
#include "pdf/pdf_sink.h"
#include "pdf/test_page.h"
#include "pdf_test_util.h"

namespace kaveltar {
namespace {

using pdf_test::Contains;
using pdf_test::ExpectCleanQpdf;
using pdf_test::ExpectContainsAll;
using pdf_test::QpdfJson;
using pdf_test::Quote;
using pdf_test::Render;
using pdf_test::RunTool;

constexpr double kCm = 28.346457;  // points per centimetre

// A document of `pages` pages set up like the reports (centimetres, A4, no margins), each
// page drawn by `draw(doc, page)`, written uncompressed into `path`.
void WriteDocument(const std::string& path, int pages,
                   const std::function<void(PdfDocument&, int)>& draw) {
  PdfDocument doc;
  doc.SetScale(3, 1);
  doc.SetMargins(0, 0, 0, 0, true);
  doc.SetViewerPreferences(768);
  doc.BeginDoc(path);
  for (int page = 1; page <= pages; ++page) {
    doc.BeginPage();
    draw(doc, page);
  }
  doc.EndDoc();
  ASSERT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
}

// What zbarimg decodes, one symbol a line, without the messages it prints about the
// desktop bus.
std::string Zbar(const std::string& arguments) {
  const auto result = RunTool("zbarimg -q " + arguments);
  std::string decoded;
  size_t start = 0;
  while (start < result.output.size()) {
    size_t end = result.output.find('\n', start);
    if (end == std::string::npos) end = result.output.size();
    const std::string line = result.output.substr(start, end - start);
    if (line.rfind("Connection ", 0) != 0) decoded += line + "\n";
    start = end + 1;
  }
  return decoded;
}

// The pixel at (x, y) centimetres from the page's top-left corner.
uint32_t PixelAt(const std::string& ppm, double x_cm, double y_cm) {
  return pdf_test::PpmPixel(ppm, static_cast<int>(x_cm * kCm), static_cast<int>(y_cm * kCm));
}

struct PixelCm {
  double x, y;
  uint32_t rgb;
};
void ExpectPixelsAt(const std::string& ppm, std::initializer_list<PixelCm> pixels) {
  for (const PixelCm& p : pixels)
    EXPECT_EQ(PixelAt(ppm, p.x, p.y), p.rgb) << "at " << p.x << ", " << p.y << " cm";
}

// ---------------------------------------------------------------------------------------
// Barcodes

TEST(PdfBarcodes, RenderedBarsDecodeToTheCode) {
  pdf_test::TempDir dir;
  struct Case {
    int type;
    std::string code;
    bool check;
    std::string decoded;  // as zbarimg reports it
  };
  const Case cases[] = {
      {0, "400638133393", true, "4006381333931"}, {1, "9638507", true, "96385074"},
      {2, "03600029145", true, "0036000291452"},  // UPC-A is EAN-13 with a leading 0
      {3, "KAV2026", true, "KAV2026S"},           {4, "Presenze 2026/01", true, "Presenze 2026/01"},
  };
  for (const Case& c : cases) {
    const std::string file = dir.File("bar.pdf");
    WriteDocument(file, 1, [&](PdfDocument& doc, int) {
      doc.DrawBarCode(c.type, c.code, 3, 3, true, 1, 2, c.check);
      EXPECT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
    });
    const std::string png = dir.File("bar");
    ASSERT_EQ(RunTool("pdftoppm -r 300 -singlefile -png " + Quote(file) + " " + Quote(png)).status,
              0);
    const auto result = Zbar("--raw " + Quote(png + ".png"));
    EXPECT_EQ(result, c.decoded + "\n") << "type " << c.type << " " << c.code;
  }
}

TEST(PdfBarcodes, WidthAndRefusals) {
  MemoryPdfSink sink;  // outlives the document, which writes into it
  PdfDocument doc;
  doc.SetScale(3, 1);
  doc.BeginDocToSink(&sink);
  doc.BeginPage();
  // 95 modules of 0.33 mm at zoom 2: 6.27 cm.
  EXPECT_NEAR(doc.DrawBarCode(0, "400638133393", 1, 1, false, 2), 6.27, 1e-6);
  EXPECT_EQ(doc.DrawBarCode(0, "12345", 1, 1), 0);
  EXPECT_EQ(doc.ErrNumber(), 5);
  // A wrong check digit.
  EXPECT_EQ(doc.DrawBarCode(0, "4006381333932", 1, 1), 0);
  EXPECT_EQ(doc.ErrNumber(), 5);
}

// ---------------------------------------------------------------------------------------
// Outline

TEST(PdfOutline, BookmarksNestAndPointAtTheirPages) {
  pdf_test::TempDir dir;
  const std::string file = dir.File("outline.pdf");
  PdfDocument doc;
  doc.SetScale(3, 1);
  doc.SetViewerPreferences(2);
  doc.BeginDoc(file);
  doc.BeginPage();
  EXPECT_EQ(doc.AddBookmark("ROSSI MARIO 0001"), 1);
  doc.BeginPage();
  EXPECT_EQ(doc.AddBookmark("Città", "/FitH", {0, 10, 0, 0}), 2);
  EXPECT_EQ(doc.AddBookmark("Dettaglio", "/FitR", {1, 2, 3, 4}, 2), 3);
  EXPECT_EQ(doc.AddBookmark("Orfano", "/XYZ", {}, 7), 0);
  EXPECT_EQ(doc.ErrNumber(), 5);
  doc.EndDoc();
  ASSERT_EQ(doc.ErrNumber(), 0);

  const std::string json = QpdfJson(file, "outlines");
  // 842 - 10 cm = 558.535; the /FitR box from (1, 2) to (4, 6) cm: left 28.346, bottom
  // 842 - 170.079 = 671.921, right 113.386, top 785.307.
  ExpectContainsAll(json,
                    {"\"title\":\"ROSSI MARIO 0001\"", "\"title\":\"Città\"", "\"/FitH\",558.535",
                     "\"/FitR\",28.346,671.921,113.386,785.307", "\"destpageposfrom1\":2"});
  EXPECT_FALSE(Contains(json, "Orfano"));
  EXPECT_TRUE(Contains(pdf_test::ReadFile(file), "/PageMode /UseOutlines"));
  ExpectCleanQpdf(file);
}

// ---------------------------------------------------------------------------------------
// Coordinates and tables

constexpr uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

TEST(PdfStructure, SpacesRotateCounterClockwiseAndRestoreColours) {
  pdf_test::TempDir dir;
  const std::string file = dir.File("space.pdf");
  long unbalanced = 0;
  WriteDocument(file, 1, [&](PdfDocument& doc, int) {
    doc.SetColorFill("BLUE");
    // Rotated a quarter turn: the X axis points up, the Y axis to the right, so the
    // 2 x 1 box covers x 10-11 cm and y 8-10 cm.
    doc.BeginSpace(10, 10, 1, 1, 90);
    doc.SetColorFill("RED");
    doc.DrawRect(0, 0, 2, 1, 5);
    doc.EndSpace();
    doc.DrawRect(2, 2, 2, 2, 5);  // blue again
    // Scaled twice: a 1 x 1 box at (1, 1) of the space covers 6-8 cm from (4, 14).
    doc.BeginSpace(4, 14, 2, 2);
    doc.DrawRect(1, 1, 1, 1, 5);
    doc.EndSpace();
    doc.EndSpace();
    unbalanced = doc.ErrNumber();
  });
  EXPECT_EQ(unbalanced, 5);
  ExpectPixelsAt(Render(dir, file, 1),
                 {{10.5, 9, kRed}, {11.5, 9, kWhite}, {3, 3, kBlue}, {7, 17, kBlue}});
}

TEST(PdfStructure, TextColourIsWrittenAgainAfterASpace) {
  // Inside the space red text sets the fill; after "Q" the fill is black again, so red
  // text outside must set it anew.
  const std::string content = pdf_test::FirstContent(pdf_test::MemoryDocument([](PdfDocument& doc) {
    doc.SetFont("Arial", 10);
    doc.SetColorText("RED");
    doc.BeginSpace(1, 1);
    doc.DrawText(0, 0, "dentro");
    doc.EndSpace();
    doc.DrawText(0, 2, "fuori");
  }));
  const size_t restore = content.find("Q\n");
  ASSERT_NE(restore, std::string::npos) << content;
  EXPECT_LT(content.find("1 0 0 rg", restore), content.find("(fuori)")) << content;
}

TEST(PdfStructure, AxisOperationsAndTheirArguments) {
  const std::string content = pdf_test::FirstContent(pdf_test::MemoryDocument([](PdfDocument& doc) {
    doc.AxisRotation(30);  // counter-clockwise on the page, whose Y axis points down
    doc.AxisSkewing(90, 0);
    EXPECT_EQ(doc.ErrNumber(), 5);
  }));
  EXPECT_TRUE(Contains(content, "0.866 -0.5 0.5 0.866 0 0 cm\n")) << content;
}

TEST(PdfStructure, TableCellsAndFrames) {
  double below = 0;
  std::vector<long> errors;
  const std::string content =
      pdf_test::FirstContent(pdf_test::MemoryDocument([&](PdfDocument& doc) {
        doc.BeginTable(2, 3, 0.05);
        doc.BeginRow(1);
        doc.BeginColumn(4);
        doc.EndColumn();
        doc.BeginColumn(2);
        doc.EndRow();
        errors.push_back(doc.ErrNumber());  // a cell is open
        doc.EndColumn();
        doc.EndRow();
        doc.BeginRow(0.5);
        doc.BeginColumn();  // the widths of the row above
        doc.EndColumn();
        doc.BeginColumn();
        doc.EndColumn();
        doc.EndRow();
        doc.EndTable();
        below = doc.GetY();
      }));
  EXPECT_EQ(errors, (std::vector<long>{5}));
  EXPECT_NEAR(below, 4.5, 1e-9);
  // Second row, second column: x 2 + 4 cm, y 3 + 1 cm, 2 x 0.5 cm.
  ExpectContainsAll(content, {"q\n1 0 0 1 170.079 113.386 cm\nQ\n",
                              " 1.417 w 170.079 113.386 56.693 14.173 re S Q",
                              " 1.417 w 56.693 85.039 113.386 28.346 re S Q"});
}

// ---------------------------------------------------------------------------------------
// The showcase

TEST(PdfShowcase, AllFeaturesFilePassesTheReaders) {
  pdf_test::TempDir dir;
  TestPageOptions options;
  options.output_path = dir.File("tutto.pdf");
  options.all_features = true;
  std::string error;
  ASSERT_EQ(WriteTestPagePdf(options, &error), 0) << error;
  ExpectCleanQpdf(options.output_path);
  const auto render =
      RunTool("pdftoppm -r 40 -png " + Quote(options.output_path) + " " + Quote(dir.File("p")));
  EXPECT_EQ(render.status, 0);
  EXPECT_EQ(render.output, "");
  PdfDocument doc;
  EXPECT_EQ(doc.GetInfo(options.output_path, "Pages"), "5");

  // Protected, every string (titles, field values) is encrypted with its own object's key.
  options.output_path = dir.File("chiuso.pdf");
  options.user_password = "utente";
  options.owner_password = "capo";
  ASSERT_EQ(WriteTestPagePdf(options, &error), 0) << error;
  EXPECT_EQ(RunTool("qpdf --password=utente --check " + Quote(options.output_path)).status, 0);
  const std::vector<std::string> titles = pdf_test::OutlineTitles(options.output_path, "utente");
  EXPECT_EQ(titles.size(), 6u);
  EXPECT_NE(std::find(titles.begin(), titles.end(), "Collegamenti, note e moduli"), titles.end());
  EXPECT_TRUE(
      Contains(QpdfJson(options.output_path, "acroform", "utente"), "\"value\":\"u:ROSSI\""));
}

}  // namespace
}  // namespace kaveltar
