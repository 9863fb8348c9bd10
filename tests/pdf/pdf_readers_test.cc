// Documents written to files and checked with real readers: qpdf (structure, every filter,
// decryption) and poppler (text, metrics, rendering).
#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include <cstdlib>

#include "pdf/pdf_document.h"
#include "pdf/test_page.h"
#include "pdf_test_util.h"

namespace kaveltar {
namespace {

using pdf_test::ExpectCleanQpdf;
using pdf_test::Quote;
using pdf_test::RunTool;

std::string WriteSheet(const std::string& path, int compression, int quality) {
  PdfDocument doc;
  doc.SetScale(3, 1);
  doc.SetMargins(0, 0, 0, 0, true);
  if (compression != 0) doc.SetCompression(compression, quality);
  doc.BeginDoc(path);
  doc.BeginPage();
  DrawTestPage(doc, 1);
  doc.EndDoc();
  return doc.ErrDescription();
}

TEST(PdfReaders, EveryCompressionModeDecodesToTheSameContent) {
  pdf_test::TempDir dir;
  ASSERT_EQ(WriteSheet(dir.File("plain.pdf"), 0, 0), "");
  const std::string plain = pdf_test::FirstContent(pdf_test::ReadFile(dir.File("plain.pdf")));
  ASSERT_GT(plain.size(), 40000u);
  const std::pair<int, int> modes[] = {{1, 3}, {2, 3}, {4, 0}, {4, 3}, {8, 3}, {16, 3}, {31, 3}};
  for (const auto& [mode, quality] : modes) {
    SCOPED_TRACE("mode " + std::to_string(mode) + " quality " + std::to_string(quality));
    const std::string file =
        dir.File("m" + std::to_string(mode) + "q" + std::to_string(quality) + ".pdf");
    ASSERT_EQ(WriteSheet(file, mode, quality), "");
    ExpectCleanQpdf(file);
    const auto decoded = RunTool("qpdf --show-object=4 --filtered-stream-data " + Quote(file));
    EXPECT_EQ(decoded.status, 0);
    EXPECT_TRUE(decoded.output == plain)
        << "decoded " << decoded.output.size() << " bytes of " << plain.size();
  }
  // Poppler's reading of the LZW the program uses is checked with the test page below.
}

TEST(PdfReaders, ProtectedFilesOpenWithEitherPasswordAtBothKeyLengths) {
  pdf_test::TempDir dir;
  for (int bits : {40, 128}) {
    SCOPED_TRACE(bits);
    TestPageOptions options;
    options.output_path = dir.File("p" + std::to_string(bits) + ".pdf");
    options.pages = 2;
    options.user_password = "dipendente";
    options.owner_password = "ufficio";
    options.key_bits = bits;
    std::string error;
    ASSERT_EQ(WriteTestPagePdf(options, &error), 0) << error;
    const std::string file = options.output_path;
    for (const char* password : {"dipendente", "ufficio"}) {
      ExpectCleanQpdf(file, password);
      const std::string plain = dir.File(std::string("d") + password + ".pdf");
      const auto decrypt = RunTool("qpdf --password=" + std::string(password) + " --decrypt " +
                                   Quote(file) + " " + Quote(plain));
      ASSERT_EQ(decrypt.status, 0) << decrypt.output;
      const auto text = RunTool("pdftotext " + Quote(plain) + " -");
      EXPECT_NE(text.output.find("Festività: 01, 06"), std::string::npos)
          << text.output.substr(0, 300);
    }
    EXPECT_NE(RunTool("qpdf --password=altro --check " + Quote(file)).status, 0);
    const auto shown = RunTool("qpdf --show-encryption --password=ufficio " + Quote(file));
    EXPECT_NE(shown.output.find(bits == 40 ? "R = 2" : "R = 3"), std::string::npos);
  }
}

// Our widths against poppler's own metrics of the standard fonts: each character on its own
// line, the word boxes of pdftotext give the advance widths.
TEST(PdfReaders, FontWidthsAgreeWithPoppler) {
  pdf_test::TempDir dir;
  struct Case {
    const char* font;
    int style;
    bool symbolic;
  };
  const Case cases[] = {{"Arial", 3, false}, {"Times", 2, false}, {"Symbol", 0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.font) + " " + std::to_string(c.style));
    std::vector<int> codes;
    for (int code = 33; code < 256; ++code) {
      const bool unused = code == 127 || code == 129 || code == 141 || code == 143 || code == 144 ||
                          code == 157 || code == 160 || code == 173;
      const bool symbol_gap = (code >= 127 && code <= 160) || code == 240 || code == 255;
      if (c.symbolic ? !symbol_gap : !unused) codes.push_back(code);
    }
    PdfDocument doc;
    doc.BeginDoc(dir.File("w.pdf"));
    std::vector<double> widths;
    for (size_t i = 0; i < codes.size(); ++i) {
      if (i % 60 == 0) {
        doc.BeginPage();
        doc.SetFont(c.font, 10, c.style);
      }
      // Byte strings pass through as Windows-1252 bytes.
      const std::string text(1, static_cast<char>(codes[i]));
      widths.push_back(doc.TextLength(text));
      doc.DrawText(50, 40 + 12 * static_cast<double>(i % 60), text);
    }
    doc.EndDoc();
    ASSERT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
    const auto boxes = RunTool("pdftotext -bbox " + Quote(dir.File("w.pdf")) + " -");
    const std::regex word("xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"");
    size_t i = 0;
    for (auto it = std::sregex_iterator(boxes.output.begin(), boxes.output.end(), word);
         it != std::sregex_iterator() && i < codes.size(); ++it, ++i) {
      const double width = std::stod((*it)[2]) - std::stod((*it)[1]);
      EXPECT_NEAR(width, widths[i], 0.006) << "code " << codes[i];
    }
    EXPECT_EQ(i, codes.size());
  }
}

TEST(PdfReaders, ImagesRenderUpright) {
  pdf_test::TempDir dir;
  const std::vector<uint32_t> quad = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};  // top row first
  for (int bits : {4, 24})
    pdf_test::WriteFile(dir.File("q" + std::to_string(bits) + ".bmp"),
                        pdf_test::MakeBmp(2, 2, bits, quad));
  pdf_test::WriteFile(dir.File("MONO.BMP"), pdf_test::MakeBmp(2, 2, 1, {0, 0xFFFFFF, 0xFFFFFF, 0}));

  // A JPEG made by poppler from a page with a red and a blue half.
  PdfDocument source;
  source.SetScale(0);
  source.SetPaperSize(255, 40, 20);
  source.BeginDoc(dir.File("source.pdf"));
  source.BeginPage();
  source.SetColorFill("RED");
  source.DrawRect(0, 0, 20, 20, 5);
  source.SetColorFill("BLUE");
  source.DrawRect(20, 0, 20, 20, 5);
  source.EndDoc();
  ASSERT_EQ(RunTool("pdftoppm -jpeg -r 72 -singlefile " + Quote(dir.File("source.pdf")) + " " +
                    Quote(dir.File("rgb")))
                .status,
            0);

  PdfDocument doc;
  doc.SetScale(0);
  doc.SetCompression(4, 3);
  const std::string file = dir.File("images.pdf");
  doc.BeginDoc(file);
  doc.BeginPage();
  int slot = 0;
  for (const char* name : {"q4.bmp", "q24.bmp", "MONO.BMP"}) {
    doc.DrawImage(dir.File(name), 100.0 * slot++, 0, 100, 100, 1, 0);
    ASSERT_EQ(doc.ErrNumber(), 0) << name << ": " << doc.ErrDescription();
  }
  doc.DrawImage(dir.File("q24.bmp"), 0, 200, 100, 100, 1, 1);  // red is transparent
  doc.DrawImage(dir.File("rgb.jpg"), 100, 200, 200, 100, 1, 0);
  doc.DrawImage(dir.File("q24.bmp"), 0, 400, 200, 100, 0, 0);  // kept square: 100 x 100
  // Pixels with alpha: red half transparent, green opaque, blue fully transparent.
  const auto alpha = std::filesystem::path(std::getenv("KAVELTAR_TEST_SOURCE_DIR")) /
                     "fuzz/corpus/pdf_images/bmp32_alpha_v3.bmp";
  doc.DrawImage(alpha.string(), 0, 600, 150, 100, 1, 0);
  doc.EndDoc();
  ASSERT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
  ExpectCleanQpdf(file);
  const std::string ppm = pdf_test::Render(dir, file);
  // Every depth the same quadrants; the black and white 1-bit picture; red made transparent;
  // the squares kept square (white right of the 100 x 100 picture).
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    pdf_test::ExpectPixels(ppm, {{100 * i + 25, 25, 0xFF0000}, {100 * i + 75, 75, 0xFFFFFF}});
  }
  pdf_test::ExpectPixels(ppm, {{225, 25, 0x000000},
                               {275, 25, 0xFFFFFF},
                               {25, 225, 0xFFFFFF},
                               {75, 225, 0x00FF00},
                               {150, 450, 0xFFFFFF},
                               {25, 425, 0xFF0000},
                               {75, 625, 0x00FF00},
                               {125, 625, 0xFFFFFF}});
  const uint32_t red = pdf_test::PpmPixel(ppm, 150, 250), blue = pdf_test::PpmPixel(ppm, 250, 250);
  EXPECT_TRUE((red >> 16) > 0xE0 && (red & 0xFFFF) < 0x2020) << std::hex << red;
  EXPECT_TRUE((blue & 0xFF) > 0xE0 && (blue >> 8) < 0x2020) << std::hex << blue;
  const uint32_t half_red = pdf_test::PpmPixel(ppm, 25, 625);
  EXPECT_TRUE((half_red >> 16) == 0xFF && ((half_red >> 8) & 0xFF) > 0x70 &&
              ((half_red >> 8) & 0xFF) < 0x90)
      << std::hex << half_red;
  EXPECT_EQ(pdf_test::ReadFile(file).substr(0, 8), "%PDF-1.4");  // soft masks
}

}  // namespace
}  // namespace kaveltar
