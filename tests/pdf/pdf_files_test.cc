// Fonts, pictures and pages that the PDF writer reads from other files: TrueType fonts,
// GIF, TGA, WMF and EPS pictures and pages imported from other PDF files. Checked as a
// reader sees them: pdffonts, pdftotext, pdftoppm renderings and qpdf --check.
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "pdf/pdf_document.h"
#include "pdf/pdf_gif.h"
#include "pdf/pdf_test_util.h"
#include "pdf/pdf_tga.h"

namespace kaveltar {
namespace {

using pdf_test::ExpectCleanQpdf;
using pdf_test::ExpectPixels;
using pdf_test::Le16;
using pdf_test::Le32;
using pdf_test::Quote;
using pdf_test::ReadFile;
using pdf_test::Render;
using pdf_test::RunTool;
using pdf_test::TempDir;
using pdf_test::WriteFile;
using pdf_test::WritePointsDocument;

const char kSans[] = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

// A GIF whose LZW data holds every index as its own code (a valid, uncompressed stream):
// the encoder follows the decoder's table growth to know the code width.
std::string MakeGif(int width, int height, const std::vector<uint32_t>& palette,
                    const std::vector<int>& indices, int transparent, bool interlaced = false) {
  std::string gif = "GIF89a";
  Le16(&gif, width);
  Le16(&gif, height);
  int bits = 1;
  while ((1 << bits) < static_cast<int>(palette.size())) ++bits;
  gif.push_back(static_cast<char>(0x80 | (bits - 1)));
  gif += std::string("\0\0", 2);
  for (int i = 0; i < (1 << bits); ++i) {
    const uint32_t c = i < static_cast<int>(palette.size()) ? palette[static_cast<size_t>(i)] : 0;
    gif.push_back(static_cast<char>(c >> 16));
    gif.push_back(static_cast<char>(c >> 8));
    gif.push_back(static_cast<char>(c));
  }
  if (transparent >= 0) {
    gif += std::string("\x21\xF9\x04\x01\x00\x00", 6);
    gif.push_back(static_cast<char>(transparent));
    gif.push_back('\0');
  }
  gif.push_back('\x2C');
  Le16(&gif, 0);
  Le16(&gif, 0);
  Le16(&gif, width);
  Le16(&gif, height);
  gif.push_back(interlaced ? '\x40' : '\0');
  const int min_size = std::max(2, bits);
  gif.push_back(static_cast<char>(min_size));
  std::string data;
  uint32_t acc = 0;
  int have = 0, width_bits = min_size + 1, next = (1 << min_size) + 2;
  bool first = true;
  auto put = [&](int code) {
    acc |= static_cast<uint32_t>(code) << have;
    have += width_bits;
    while (have >= 8) {
      data.push_back(static_cast<char>(acc & 0xFF));
      acc >>= 8;
      have -= 8;
    }
  };
  put(1 << min_size);
  for (int index : indices) {
    put(index);
    if (!first) {
      ++next;
      if (next == (1 << width_bits) && width_bits < 12) ++width_bits;
    }
    first = false;
    if (next >= 4000) {
      put(1 << min_size);
      width_bits = min_size + 1;
      next = (1 << min_size) + 2;
      first = true;
    }
  }
  put((1 << min_size) + 1);
  if (have > 0) data.push_back(static_cast<char>(acc & 0xFF));
  for (size_t at = 0; at < data.size(); at += 255) {
    const std::string block = data.substr(at, 255);
    gif.push_back(static_cast<char>(block.size()));
    gif += block;
  }
  gif += std::string("\0\x3B", 2);
  return gif;
}

// A TGA header for `type` with the given depth and descriptor, no colour map.
std::string TgaHeader(int type, int width, int height, int bits, int descriptor) {
  std::string tga(3, '\0');
  tga[2] = static_cast<char>(type);
  tga += std::string(9, '\0');
  Le16(&tga, width);
  Le16(&tga, height);
  tga.push_back(static_cast<char>(bits));
  tga.push_back(static_cast<char>(descriptor));
  return tga;
}

// ---------------------------------------------------------------------------------------
// TrueType fonts

TEST(PdfTrueType, AddedFontIsEmbeddedAndItsTextReadsBack) {
  TempDir dir;
  const std::string file = dir.File("font.pdf");
  PdfDocument doc;
  doc.SetScale(0);
  EXPECT_EQ(doc.AddFont(kSans), "Liberation Sans");
  doc.BeginDoc(file);
  doc.BeginPage();
  doc.SetFont("Liberation Sans", 10);
  ASSERT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
  // (667 + 667) x 10 / 1000 points for "AB" in Arial's widths.
  EXPECT_NEAR(doc.TextLength("AB"), 13.34, 1e-9);
  doc.DrawText(72, 100, "Però la città è già qui", 1);
  doc.EndDoc();
  ASSERT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
  ExpectCleanQpdf(file);

  const auto fonts = RunTool("pdffonts " + Quote(file));
  ASSERT_EQ(fonts.status, 0) << fonts.output;
  // name, type, encoding, emb: an embedded TrueType font.
  EXPECT_TRUE(std::regex_search(fonts.output, std::regex(R"(LiberationSans +TrueType +\S+ +yes )")))
      << fonts.output;

  const auto text = RunTool("pdftotext " + Quote(file) + " -");
  EXPECT_NE(text.output.find("Però la città è già qui"), std::string::npos) << text.output;

  Render(dir, file);  // the embedded glyphs render without complaint
}

TEST(PdfTrueType, MissingOrUnreadableFontsAreRefused) {
  TempDir dir;
  WriteFile(dir.File("not_a_font.ttf"), "questo non è un carattere");
  PdfDocument doc;
  EXPECT_EQ(doc.AddFont(dir.File("nessuno.ttf")), "");
  EXPECT_EQ(doc.ErrNumber(), 53);
  EXPECT_EQ(doc.AddFont(dir.File("not_a_font.ttf")), "");
  EXPECT_EQ(doc.ErrNumber(), 5);
  EXPECT_NE(doc.ErrDescription().find("non è un carattere TrueType"), std::string::npos)
      << doc.ErrDescription();
}

// ---------------------------------------------------------------------------------------
// GIF and TGA

TEST(PdfGif, DecodesPaletteTransparencyAndInterlacedRows) {
  // 1 x 8, interlaced: the file stores rows 0, 4, 2, 6, 1, 3, 5, 7.
  const std::vector<uint32_t> palette = {0x000000, 0x111111, 0x222222, 0x333333,
                                         0x444444, 0x555555, 0x666666, 0x777777};
  const std::string gif = MakeGif(1, 8, palette, {0, 4, 2, 6, 1, 3, 5, 7}, 5, true);
  pdf_internal::IndexedImage image;
  std::string reason;
  ASSERT_TRUE(pdf_internal::DecodeGif(gif, &image, &reason)) << reason;
  EXPECT_EQ(image.height, 8);
  EXPECT_EQ(image.indices, std::string("\0\1\2\3\4\5\6\7", 8));
  EXPECT_EQ(image.transparent, 5);

  // Enough pixels for the codes to reach 12 bits and the table to be cleared.
  std::vector<int> many(200 * 50);
  for (size_t i = 0; i < many.size(); ++i) many[i] = static_cast<int>((i * 7) % 4);
  ASSERT_TRUE(pdf_internal::DecodeGif(
      MakeGif(200, 50, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, many, -1), &image, &reason))
      << reason;
  EXPECT_EQ(image.indices[4999], static_cast<char>((4999 * 7) % 4));
  EXPECT_EQ(image.indices[9999], static_cast<char>((9999 * 7) % 4));
  EXPECT_EQ(image.transparent, -1);

  // Refused: data ending early.
  const std::string whole = MakeGif(4, 4, palette, std::vector<int>(16, 1), -1);
  EXPECT_FALSE(pdf_internal::DecodeGif(whole.substr(0, whole.size() - 6), &image, &reason));
}

TEST(PdfTga, DecodesTheDepthsRunsAndRowOrder) {
  // 2 x 2, 24 bits, top-down (bottom-up rows and RLE are rendered below).
  const std::string rows("\0\0\xFF\0\xFF\0\xFF\0\0\xFF\xFF\xFF", 12);  // red green / blue white
  std::string mapped = TgaHeader(1, 1, 1, 8, 0x20);  // two 24-bit entries (b g r), index 1
  mapped[1] = 1, mapped[5] = 2, mapped[7] = 24;
  mapped += std::string("\0\0\0\x10\x20\x30\x01", 7);
  const struct {
    const char* what;
    std::string file, rgb, alpha;
  } cases[] = {{"top-down", TgaHeader(2, 2, 2, 24, 0x20) + rows,
                std::string("\xFF\0\0\0\xFF\0\0\0\xFF\xFF\xFF\xFF", 12), ""},
               {"5-5-5", TgaHeader(2, 1, 1, 16, 0x20) + std::string("\x00\x7C", 2),
                std::string("\xFF\0\0", 3), ""},
               {"grey", TgaHeader(3, 1, 1, 8, 0x20) + "\x80", "\x80\x80\x80", ""},
               {"colour map", mapped, "\x30\x20\x10", ""}};
  pdf_internal::RasterImage image;
  std::string reason;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(pdf_internal::DecodeTga(c.file, &image, &reason)) << reason;
    EXPECT_EQ(image.rgb, c.rgb);
    EXPECT_EQ(image.alpha, c.alpha);
  }
  // Refused: pixels missing.
  EXPECT_FALSE(pdf_internal::DecodeTga(cases[0].file.substr(0, 29), &image, &reason));
}

// A black band behind the pictures shows where they are transparent.
TEST(PdfRasterFiles, GifAndTgaRenderWithTransparencyOverThePage) {
  TempDir dir;
  // GIF 2 x 2: red, index 3 (transparent) / blue, green.
  WriteFile(dir.File("a.gif"),
            MakeGif(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, {0, 3, 2, 1}, 3));
  // TGA 2 x 2 RLE 32 bits, bottom-up: bottom row blue, transparent; top row red, red.
  std::string tga = TgaHeader(10, 2, 2, 32, 0x08);
  tga += std::string(
      "\x00"
      "\xFF\0\0\xFF"
      "\x00"
      "\0\0\0\0"
      "\x81"
      "\0\0\xFF\xFF",
      15);
  WriteFile(dir.File("b.TGA"), tga);

  for (int compression : {0, 4}) {
    SCOPED_TRACE(compression);
    const std::string file = dir.File("raster" + std::to_string(compression) + ".pdf");
    WritePointsDocument(file, compression, [&](PdfDocument& doc) {
      doc.SetColorFill("BLACK");
      doc.DrawRect(0, 0, 400, 100, 5);
      doc.DrawImage(dir.File("a.gif"), 0, 0, 100, 100);
      doc.DrawImage(dir.File("b.TGA"), 200, 0, 100, 100);
    });
    ExpectCleanQpdf(file);
    // Where a picture is transparent the black band behind shows.
    ExpectPixels(Render(dir, file), {{25, 25, 0xFF0000},
                                     {75, 25, 0x000000},
                                     {75, 75, 0x00FF00},
                                     {225, 75, 0x0000FF},
                                     {275, 75, 0x000000}});
  }
}

// ---------------------------------------------------------------------------------------
// WMF and EPS drawings

// A placeable metafile of `records` (each already with its size and function) on a box of
// 0,0 - 1000,1000 at 1000 units per inch: 72 x 72 points.
std::string MakeWmf(const std::vector<std::vector<int>>& records) {
  std::string wmf;
  Le32(&wmf, 0x9AC6CDD7u);
  Le16(&wmf, 0);
  for (int v : {0, 0, 1000, 1000}) Le16(&wmf, v);
  Le16(&wmf, 1000);
  Le32(&wmf, 0);
  Le16(&wmf, 0);
  for (int v : {1, 9, 0x300}) Le16(&wmf, v);
  Le32(&wmf, 0);
  Le16(&wmf, 4);
  Le32(&wmf, 0);
  Le16(&wmf, 0);
  for (const auto& record : records) {
    Le32(&wmf, static_cast<uint32_t>(record.size() + 2));
    for (int v : record) Le16(&wmf, v);
  }
  Le32(&wmf, 3);
  Le16(&wmf, 0);
  return wmf;
}

TEST(PdfDrawings, WmfAndEpsShapesLandWhereTheirFilesPutThem) {
  TempDir dir;
  // WMF: red top-left square with no outline, blue ellipse in the bottom-right quarter,
  // a black line along the bottom edge of the top half.
  WriteFile(dir.File("shapes.wmf"),
            MakeWmf({{0x02FC, 0, 0x00FF, 0x0000, 0},  // brush 0: red (r g b 0)
                     {0x012D, 0},                     // select it
                     {0x02FA, 5, 0, 0, 0, 0},         // pen 1: none
                     {0x012D, 1},
                     {0x041B, 500, 500, 0, 0},        // rectangle 0,0 - 500,500
                     {0x02FC, 0, 0x0000, 0x00FF, 0},  // brush 2: blue
                     {0x012D, 2},
                     {0x0418, 1000, 1000, 500, 500},  // ellipse 500,500 - 1000,1000
                     {0x01F0, 1},                     // pen slot 1 freed ...
                     {0x02FA, 0, 40, 0, 0, 0},        // ... and reused: black, 40 wide
                     {0x012D, 1},
                     {0x0214, 750, 0},       // move to x 0, y 750
                     {0x0213, 750, 500}}));  // line to x 500, y 750
  // EPS: the box starts at 100 100; blue lower-left quarter, grey upper-right quarter
  // drawn relative, and a path filled then stroked with gsave/grestore.
  WriteFile(dir.File("shapes.eps"),
            "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 100 100 200 200\n"
            "%%EndComments\n/x { 1 2 } def (a string with ) in it) pop\n"
            "0 0 1 setrgbcolor newpath 100 100 moveto 150 100 lineto 150 150 lineto 100 150 lineto "
            "closepath fill\n"
            "0.5 setgray 150 150 moveto 50 0 rlineto 0 50 rlineto -50 0 rlineto closepath\n"
            "gsave fill grestore 0 setgray 6 setlinewidth stroke\nshowpage\n%%EOF\n");

  const std::string file = dir.File("drawings.pdf");
  WritePointsDocument(file, 2, [&](PdfDocument& doc) {
    doc.DrawImage(dir.File("shapes.wmf"), 0, 0, 200, 200);
    doc.DrawImage(dir.File("shapes.eps"), 300, 0, 0, 0);  // its own size: 100 x 100 points
  });
  ExpectCleanQpdf(file);
  const std::string ppm = Render(dir, file);
  // WMF, 200 x 200 points: (105, 105) is outside the ellipse but inside its box; the line
  // lies at y 750 of 1000.
  ExpectPixels(ppm, {{50, 50, 0xFF0000},
                     {150, 150, 0x0000FF},
                     {105, 105, 0xFFFFFF},
                     {50, 150, 0x000000},
                     {50, 130, 0xFFFFFF}});
  // EPS at 300, 0, 100 x 100: blue lower-left (page y 50-100), grey (0.5 x 255 rounded)
  // upper-right, and at x 398 the inner half of its 6-point black outline.
  ExpectPixels(ppm, {{325, 75, 0x0000FF}, {375, 25, 0x808080}, {398, 25, 0x000000}});
}

TEST(PdfDrawings, UnreadablePicturesGiveError481AndLeaveThePage) {
  TempDir dir;
  WriteFile(dir.File("bad.wmf"), "not a metafile at all");
  WriteFile(dir.File("picture.png"), "\x89PNG....");
  const std::string before = pdf_test::FirstContent(pdf_test::MemoryDocument([](PdfDocument&) {}));
  for (const char* name : {"bad.wmf", "picture.png"}) {
    SCOPED_TRACE(name);
    const std::string pdf = pdf_test::MemoryDocument([&](PdfDocument& d) {
      d.DrawImage(dir.File(name), 0, 0, 1, 1);
      EXPECT_EQ(d.ErrNumber(), 481) << d.ErrDescription();
      EXPECT_NE(d.ErrDescription().find(name), std::string::npos) << d.ErrDescription();
    });
    EXPECT_EQ(pdf_test::FirstContent(pdf), before);
    EXPECT_EQ(pdf.find("/XObject"), std::string::npos);
  }
}

// ---------------------------------------------------------------------------------------
// Imported pages

// One of our pages: a red box in the top-left quarter and a line of text, LZW-compressed
// as the program's reports are.
void WriteSourcePage(const std::string& file, bool protect = false) {
  PdfDocument doc;
  doc.SetScale(0);
  doc.SetPaperSize(255, 200, 100);
  doc.SetCompression(4, 3);
  if (protect) doc.SetProtection(4, "owner", "");
  doc.BeginDoc(file);
  doc.BeginPage();
  doc.SetColorFill("RED");
  doc.DrawRect(0, 0, 100, 50, 5);
  doc.SetFont("Arial", 12);
  doc.DrawText(110, 80, "Pagina importata", 1);
  doc.EndDoc();
  ASSERT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
}

// Imports page 1 of `source` at (100, 100), twice its size, then checks it as a reader
// sees it.
void ExpectImported(const TempDir& dir, const std::string& source, const std::string& name,
                    bool protect = false) {
  const std::string file = dir.File(name);
  PdfDocument doc;
  doc.SetScale(0);
  doc.SetCompression(2, 3);
  if (protect) doc.SetProtection(4, "owner", "");
  doc.BeginDoc(file);
  doc.BeginPage();
  doc.ImportPage(source, 1, 100, 100, 400, 0);
  doc.ImportPage(source, 1, 100, 400, 0, 0);  // the same object again, its own size
  ASSERT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
  doc.EndDoc();
  ASSERT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
  ExpectCleanQpdf(file);
  EXPECT_TRUE(
      pdf_test::Contains(RunTool("pdftotext " + Quote(file) + " -").output, "Pagina importata"));
  // 200 x 100 scaled to 400 x 200 at (100, 100): the red box covers 100-300 x 100-200; the
  // copy at its own size covers 100-200 x 400-450.
  ExpectPixels(
      Render(dir, file),
      {{290, 190, 0xFF0000}, {310, 150, 0xFFFFFF}, {150, 210, 0xFFFFFF}, {150, 425, 0xFF0000}});
}

TEST(PdfImportPage, PagesOfOursAndOfOtherToolsComeInAsForms) {
  TempDir dir;
  const std::string ours = dir.File("ours.pdf");
  WriteSourcePage(ours);
  // Into a protected document: the copied strings and streams take its encryption.
  ExpectImported(dir, ours, "protected.pdf", true);

  // qpdf's rewrite: a cross-reference stream and object streams.
  const std::string streams = dir.File("streams.pdf");
  ASSERT_EQ(RunTool("qpdf --object-streams=generate " + Quote(ours) + " " + Quote(streams)).status,
            0);
  ASSERT_NE(ReadFile(streams).find("/ObjStm"), std::string::npos);
  ExpectImported(dir, streams, "from_streams.pdf");
}

TEST(PdfImportPage, EncryptedDamagedAndMissingPagesAreRefused) {
  TempDir dir;
  const std::string ours = dir.File("ours.pdf");
  WriteSourcePage(ours);
  const std::string locked = dir.File("locked.pdf");
  WriteSourcePage(locked, true);

  const std::string before = pdf_test::FirstContent(pdf_test::MemoryDocument([](PdfDocument&) {}));
  struct Case {
    std::string file;
    int page;
    long error;
    const char* words;
  };
  const Case cases[] = {{locked, 1, 5, "cifrato"},
                        {ours, 2, 5, "pagina inesistente"},
                        {dir.File("nessuno.pdf"), 1, 53, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " " + std::to_string(c.page));
    const std::string pdf = pdf_test::MemoryDocument([&](PdfDocument& d) {
      d.ImportPage(c.file, c.page, 0, 0, 1, 1);
      EXPECT_EQ(d.ErrNumber(), c.error) << d.ErrDescription();
      EXPECT_NE(d.ErrDescription().find(c.words), std::string::npos) << d.ErrDescription();
    });
    EXPECT_EQ(pdf_test::FirstContent(pdf), before);
    EXPECT_EQ(pdf.find("/Subtype /Form"), std::string::npos);
  }
}

}  // namespace
}  // namespace kaveltar
