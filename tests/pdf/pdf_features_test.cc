// Bookmarks, annotations, forms, page labels, coordinates, tables, layers, objects,
// patterns and barcodes: read back with qpdf, rendered with poppler and, for
// barcodes, decoded with zbarimg.
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
      {0, "400638133393", true, "4006381333931"},
      {1, "9638507", true, "96385074"},
      {2, "03600029145", true, "0036000291452"},  // UPC-A is EAN-13 with a leading 0
      {3, "KAV2026", true, "KAV2026S"},
      {3, "RIEPG-01", false, "RIEPG-01"},
      {4, "Presenze 2026/01", true, "Presenze 2026/01"},
      {4, "ID 0012345678 fine", true, "ID 0012345678 fine"},
      {5, "1234567890", true, "012345678905"},
  };
  for (const Case& c : cases) {
    const std::string file = dir.File("bar.pdf");
    double width = 0;
    WriteDocument(file, 1, [&](PdfDocument& doc, int) {
      width = doc.DrawBarCode(c.type, c.code, 3, 3, true, 1, 2, c.check);
      EXPECT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
    });
    EXPECT_GT(width, 0);
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
  EXPECT_EQ(doc.ErrSource(), "PdfDocument.DrawBarCode");
  // Codes a symbology cannot carry, a wrong check digit, a zero zoom, an unknown type.
  const struct {
    int type;
    const char* code;
    double zoom;
  } refused[] = {{0, "4006381333932", 1}, {0, "40063813339", 1}, {3, "A@B", 1}, {3, "A", 0},
                 {4, "caff\xC3\xA8", 1},  {5, "12a", 1},         {9, "1", 1}};
  for (const auto& r : refused) {
    EXPECT_EQ(doc.DrawBarCode(r.type, r.code, 1, 1, false, r.zoom), 0) << r.code;
    EXPECT_EQ(doc.ErrNumber(), 5) << r.code;
  }
}

// ---------------------------------------------------------------------------------------
// Outline, destinations, annotations, forms

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
  EXPECT_EQ(doc.AddBookmark("Strano", "/Fit"), 0);
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

TEST(PdfAnnotations, LinksNotesAndNamedDestinations) {
  pdf_test::TempDir dir;
  const std::string file = dir.File("links.pdf");
  long bad_target = 0, layer_link = -1, bad_icon = 0;
  WriteDocument(file, 2, [&](PdfDocument& doc, int page) {
    if (page == 1) {
      doc.LinkTo({1, 1, 5, 1}, "https://example.com/a(b)");
      doc.LinkTo({1, 3, 5, 1}, "mailto:paghe@example.com");
      doc.LinkTo({1, 5, 5, 1}, "#riepilogo");
      doc.LinkTo({1, 7, 5, 1}, "gopher://x");
      bad_target = doc.ErrNumber();
      doc.LinkTo({1, 7, 5, 1}, "layer:Griglia");  // the layer gets its content later
      layer_link = doc.ErrNumber();
      doc.AddNoteIcon(10, 1, "Controllare le ore", "Help");
      doc.AddNoteIcon(10, 3, "x", "Smile");
      bad_icon = doc.ErrNumber();
      doc.AddNoteBox({10, 5, 6, 2}, "Nota dell'ufficio", 1);
    } else {
      doc.DefineRef("riepilogo", "/XYZ", {2, 3, 0, 0});
      doc.BeginLayer("Griglia");
      doc.DrawLine(0, 0, 5, 5);
      doc.EndLayer();
    }
  });
  EXPECT_EQ(bad_target, 5);
  EXPECT_EQ(layer_link, 0);
  EXPECT_EQ(bad_icon, 5);
  ExpectCleanQpdf(file);
  const std::string pdf = pdf_test::ReadFile(file);
  // One array of five annotations on the first page, none on the second.
  EXPECT_EQ(pdf.find("/Annots "), pdf.rfind("/Annots "));
  EXPECT_EQ(pdf.compare(0, 8, "%PDF-1.5"), 0) << "layers need PDF 1.5";
  ExpectContainsAll(pdf, {"/S /URI /URI (https://example.com/a\\(b\\))",
                          "/S /URI /URI (mailto:paghe@example.com)", "/S /GoTo /D /riepilogo"});
  // The link switches the group that the second page's drawing belongs to.
  std::smatch toggle;
  ASSERT_TRUE(
      std::regex_search(pdf, toggle, std::regex("/SetOCGState /State \\[/Toggle (\\d+) 0 R\\]")));
  EXPECT_TRUE(Contains(pdf, "\n" + toggle[1].str() + " 0 obj\n<< /Type /OCG /Name (Griglia) >>"));
  ExpectContainsAll(pdf, {"/Subtype /Text /Rect", "/Name /Help", "/Subtype /FreeText", "/Q 1"});
  // The named destination: (2, 3) cm is 56.693 from the left and 842 - 85.039 = 756.961.
  const std::regex dests("/riepilogo \\[(\\d+) 0 R /XYZ 56\\.693 756\\.961 null\\]");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(pdf, match, dests));
  const std::string json = QpdfJson(file, "pages");
  EXPECT_TRUE(Contains(json, "\"object\":\"" + match[1].str() + " 0 R\"")) << "a page object";
}

TEST(PdfForms, FieldsScriptsAndTheirErrors) {
  pdf_test::TempDir dir;
  const std::string file = dir.File("form.pdf");
  std::vector<long> errors;
  WriteDocument(file, 1, [&](PdfDocument& doc, int) {
    doc.AddField(0, "ore", {1, 1, 3, 0.6}, "160");
    doc.AddField(0, "extra", {1, 2, 3, 0.6}, "12");
    doc.AddField(0, "totale", {1, 3, 3, 0.6}, "", 1);
    doc.AddField(3, "reparto", {1, 4, 4, 0.6}, "Uffici;Produzione");
    doc.AddField(2, "visto", {1, 5, 0.5, 0.5}, "", 4);
    doc.AddField(1, "ok", {6, 1, 2, 0.6}, "Calcola");
    doc.AddField(0, "ore", {1, 6, 3, 0.6});
    errors.push_back(doc.ErrNumber());  // the name is taken
    doc.AddField(4, "vuoto", {1, 7, 3, 2}, ";");
    errors.push_back(doc.ErrNumber());  // no choices
    doc.AddField(7, "tipo", {1, 7, 3, 2});
    errors.push_back(doc.ErrNumber());
    doc.OnFieldEvent("calculate", "totale", "event.value = 1 + 2;");
    doc.OnFieldEvent("Keystroke", "ore", "AFNumber_Keystroke(0,0,0,0,'',true);");
    doc.OnFieldEvent("CALCULATE", "manca", "x");
    errors.push_back(doc.ErrNumber());
    doc.OnFieldEvent("HOVER", "ore", "x");
    errors.push_back(doc.ErrNumber());
    doc.OnDocEvent(0, "var aperto = 1;");
    doc.OnDocEvent(4, "first();");
    doc.OnDocEvent(4, "second();", true);
    doc.OnDocEvent(9, "x");
    errors.push_back(doc.ErrNumber());
  });
  EXPECT_EQ(errors, (std::vector<long>{5, 5, 5, 5, 5, 5}));
  ExpectCleanQpdf(file);
  Render(dir, file, 1);

  const std::string json = QpdfJson(file, "acroform");
  for (const char* name : {"ore", "extra", "totale", "reparto", "visto", "ok"}) {
    EXPECT_TRUE(Contains(json, std::string("\"fullname\":\"") + name + "\"")) << name;
  }
  EXPECT_FALSE(Contains(json, "\"fullname\":\"vuoto\""));
  ExpectContainsAll(json, {"\"value\":\"u:Uffici\"", "\"value\":\"/Yes\""});
  // Only "totale" is calculated; the opening script sits in the name tree; the printing one
  // was replaced.
  const std::string pdf = pdf_test::ReadFile(file);
  EXPECT_TRUE(std::regex_search(pdf, std::regex("/CO \\[\\d+ 0 R \\]")));
  ExpectContainsAll(pdf, {"/JS (event.value = 1 + 2;)", "(var aperto = 1;)", "(second\\(\\);)"});
  EXPECT_FALSE(Contains(pdf, "first\\(\\);"));
}

TEST(PdfPages, LabelsAndTransitions) {
  pdf_test::TempDir dir;
  const std::string file = dir.File("labels.pdf");
  PdfDocument doc;
  doc.BeginDoc(file);
  doc.SetLabel(2, "", 1);  // before the first page: from page 1
  doc.BeginPage();
  doc.SetPageTransition(2, 5, 1.5);
  doc.BeginPage();
  doc.BeginPage();
  doc.SetLabel(3, "All. ", 2);  // the open page, the third
  doc.SetLabel(9);
  EXPECT_EQ(doc.ErrNumber(), 5);
  doc.SetPageTransition(7);
  EXPECT_EQ(doc.ErrNumber(), 5);
  doc.EndDoc();
  ASSERT_EQ(doc.ErrNumber(), 0);
  ExpectCleanQpdf(file);

  const std::string json = QpdfJson(file, "pagelabels");
  ExpectContainsAll(json, {"\"index\":0,\"label\":{\"/S\":\"/r\"",
                           "\"index\":2,\"label\":{\"/P\":\"u:All. \",\"/S\":\"/A\",\"/St\":2"});
  const std::string pdf = pdf_test::ReadFile(file);
  EXPECT_TRUE(Contains(pdf, "/Dur 5 /Trans << /Type /Trans /S /Blinds /D 1.5 >>"));
  EXPECT_EQ(pdf.find("/Type /Trans"), pdf.rfind("/Type /Trans")) << "only the first page has one";
}

// ---------------------------------------------------------------------------------------
// Coordinates, tables, layers, objects and patterns, as rendered

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
    doc.AxisScaling(0, 1);
    EXPECT_EQ(doc.ErrNumber(), 5);
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
        doc.BeginColumn(1);
        errors.push_back(doc.ErrNumber());  // no table
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
  EXPECT_EQ(errors, (std::vector<long>{5, 5}));
  EXPECT_NEAR(below, 4.5, 1e-9);
  // Second row, second column: x 2 + 4 cm, y 3 + 1 cm, 2 x 0.5 cm.
  ExpectContainsAll(content, {"q\n1 0 0 1 170.079 113.386 cm\nQ\n",
                              " 1.417 w 170.079 113.386 56.693 14.173 re S Q",
                              " 1.417 w 56.693 85.039 113.386 28.346 re S Q"});
}

TEST(PdfStructure, LayersObjectsAndPatternsAsRendered) {
  pdf_test::TempDir dir;
  const std::string file = dir.File("layers.pdf");
  std::vector<long> errors;
  WriteDocument(file, 2, [&](PdfDocument& doc, int page) {
    if (page == 1) {
      doc.BeginLayer("PRINTER");
      doc.SetColorFill("RED");
      doc.DrawRect(1, 1, 3, 3, 5);
      doc.EndLayer();
      doc.BeginLayer("SCREEN");
      doc.DrawRect(5, 1, 3, 3, 5);
      doc.EndLayer();
      doc.EndLayer();
      errors.push_back(doc.ErrNumber());
      doc.BeginObject("quadro");
      doc.SetColorFill("BLUE");
      doc.DrawRect(0, 0, 1, 1, 5);
      doc.EndObject();
      doc.DrawRect(1, 6, 1, 1, 5);  // red again: the object kept its colour to itself
      doc.AddGradient("grad", 0, 1, 0, 9, 0, "RED", "BLUE");
      doc.BeginTiling("righe", 1, 1);
      doc.SetColorFill("BLUE");
      doc.DrawRect(0, 0, 1, 0.5, 5);
      doc.EndTiling();
      doc.BeginTiling("righe", 1, 1);
      errors.push_back(doc.ErrNumber());  // the name is taken
      doc.SetColorFill("grad");
      doc.DrawRect(1, 10, 8, 1, 5);
      doc.SetColorFill("righe");
      doc.DrawRect(1, 12, 4, 4, 5);
    } else {
      doc.PlayObject("quadro", 3, 3);
      doc.PlayObject("quadro", 6, 3);
      doc.PlayObject("cerchio", 0, 0);
      errors.push_back(doc.ErrNumber());
    }
  });
  EXPECT_EQ(errors, (std::vector<long>{5, 5, 5}));
  ExpectCleanQpdf(file);
  const std::string pdf = pdf_test::ReadFile(file);
  EXPECT_EQ(pdf.compare(0, 8, "%PDF-1.5"), 0);
  EXPECT_TRUE(Contains(pdf, "/OFF ["));

  const std::string first = Render(dir, file, 1);
  // PRINTER is not shown, SCREEN is; the box after the object is red again; a recorded object
  // is not drawn.
  ExpectPixelsAt(first,
                 {{2.5, 2.5, kWhite}, {6.5, 2.5, kRed}, {1.5, 6.5, kRed}, {0.5, 0.5, kWhite}});
  // The gradient runs from red at x 1 cm to blue at 9 cm.
  EXPECT_GT((PixelAt(first, 1.2, 10.5) >> 16) & 0xFF, 0xE0u);
  EXPECT_GT(PixelAt(first, 8.8, 10.5) & 0xFF, 0xE0u);
  // The tile: blue upper half, nothing (white) in the lower half, every centimetre.
  ExpectPixelsAt(first, {{2.5, 13.25, kBlue}, {2.5, 13.75, kWhite}});

  const std::string second = Render(dir, file, 2);
  ExpectPixelsAt(second, {{3.5, 3.5, kBlue}, {6.5, 3.5, kBlue}, {5, 3.5, kWhite}});
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
