// Fonts, pictures and pages that the PDF writer reads from other files: TrueType fonts,
// GIF, TGA, WMF, EPS/AI pictures and pages imported from other PDF files. Checked as a
// reader sees them: pdffonts, pdftotext, pdftoppm renderings and qpdf --check.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "pdf/pdf_document.h"
#include "pdf/pdf_gif.h"
#include "pdf/pdf_reader.h"
#include "pdf/pdf_test_util.h"
#include "pdf/pdf_tga.h"

namespace kaveltar {
namespace {

using pdf_test::ExpectCleanQpdf;
using pdf_test::ExpectPixels;
using pdf_test::Le16;
using pdf_test::Le32;
using pdf_test::PpmPixel;
using pdf_test::Quote;
using pdf_test::ReadFile;
using pdf_test::Render;
using pdf_test::RunTool;
using pdf_test::TempDir;
using pdf_test::WriteFile;
using pdf_test::WritePointsDocument;

const char kSans[] = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
const char kSansBold[] = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf";

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
  EXPECT_EQ(doc.AddFont(kSansBold, "Bold"), "Liberation Sans");
  doc.BeginDoc(file);
  doc.BeginPage();
  doc.SetFont("Liberation Sans", 10);
  ASSERT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
  // (667 + 667) x 10 / 1000 points for "AB" in Arial's widths.
  EXPECT_NEAR(doc.TextLength("AB"), 13.34, 1e-9);
  doc.DrawText(72, 100, "Però la città è già qui", 1);
  doc.SetFont("liberationsans", 10, 1);  // the bold variant added above
  doc.DrawText(72, 130, "Grassetto ùò", 1);
  doc.EndDoc();
  ASSERT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
  ExpectCleanQpdf(file);

  const auto fonts = RunTool("pdffonts " + Quote(file));
  ASSERT_EQ(fonts.status, 0) << fonts.output;
  // name, type, encoding, emb: both variants embedded TrueType fonts.
  EXPECT_NE(fonts.output.find("LiberationSans "), std::string::npos) << fonts.output;
  EXPECT_NE(fonts.output.find("LiberationSans-Bold "), std::string::npos) << fonts.output;
  const std::regex embedded(R"(TrueType +\S+ +yes )");
  EXPECT_EQ(std::distance(std::sregex_iterator(fonts.output.begin(), fonts.output.end(), embedded),
                          std::sregex_iterator()),
            2)
      << fonts.output;

  const auto text = RunTool("pdftotext " + Quote(file) + " -");
  EXPECT_NE(text.output.find("Però la città è già qui"), std::string::npos) << text.output;
  EXPECT_NE(text.output.find("Grassetto ùò"), std::string::npos) << text.output;

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
  // A built-in family needs no file.
  EXPECT_EQ(doc.AddFont("Helvetica"), "Arial");
  EXPECT_EQ(doc.ErrNumber(), 0);
  pdf_test::MemoryDocument([](PdfDocument& d) {
    d.SetFont("Nessun Carattere", 10);
    EXPECT_EQ(d.ErrNumber(), 5);
  });
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
  EXPECT_EQ(image.width, 1);
  EXPECT_EQ(image.height, 8);
  EXPECT_EQ(image.indices, std::string("\0\1\2\3\4\5\6\7", 8));
  EXPECT_EQ(image.transparent, 5);
  EXPECT_EQ(image.palette.size(), 24u);

  // Enough pixels for the codes to reach 12 bits and the table to be cleared.
  std::vector<int> many(200 * 50);
  for (size_t i = 0; i < many.size(); ++i) many[i] = static_cast<int>((i * 7) % 4);
  ASSERT_TRUE(pdf_internal::DecodeGif(
      MakeGif(200, 50, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, many, -1), &image, &reason))
      << reason;
  EXPECT_EQ(image.indices[4999], static_cast<char>((4999 * 7) % 4));
  EXPECT_EQ(image.indices[9999], static_cast<char>((9999 * 7) % 4));
  EXPECT_EQ(image.transparent, -1);

  // Refused: data ending early, no image, a code that was never defined, not a GIF.
  const std::string whole = MakeGif(4, 4, palette, std::vector<int>(16, 1), -1);
  EXPECT_FALSE(pdf_internal::DecodeGif(whole.substr(0, whole.size() - 6), &image, &reason));
  EXPECT_FALSE(
      pdf_internal::DecodeGif(std::string("GIF89a\1\0\1\0\0\0\0\x3B", 14), &image, &reason));
  EXPECT_FALSE(pdf_internal::DecodeGif("GIF88a.......", &image, &reason));
}

TEST(PdfTga, DecodesTheDepthsRunsAndRowOrder) {
  // 2 x 2, 24 bits, bottom-up: the file's first row (red green) is the picture's bottom row.
  const std::string rows("\0\0\xFF\0\xFF\0\xFF\0\0\xFF\xFF\xFF", 12);  // red green / blue white
  std::string mapped = TgaHeader(1, 1, 1, 8, 0x20);  // two 24-bit entries (b g r), index 1
  mapped[1] = 1, mapped[5] = 2, mapped[7] = 24;
  mapped += std::string("\0\0\0\x10\x20\x30\x01", 7);
  const struct {
    const char* what;
    std::string file, rgb, alpha;
  } cases[] = {
      {"bottom-up", TgaHeader(2, 2, 2, 24, 0) + rows,
       std::string("\0\0\xFF\xFF\xFF\xFF\xFF\0\0\0\xFF\0", 12), ""},
      {"top-down", TgaHeader(2, 2, 2, 24, 0x20) + rows,
       std::string("\xFF\0\0\0\xFF\0\0\0\xFF\xFF\xFF\xFF", 12), ""},
      // RLE, 32 bits with 8 alpha bits: a run of 3 opaque red, one literal transparent pixel.
      {"rle", TgaHeader(10, 2, 2, 32, 0x28) + std::string("\x82\0\0\xFF\xFF\x00\0\0\0\0", 10),
       std::string("\xFF\0\0\xFF\0\0\xFF\0\0\0\0\0", 12), std::string("\xFF\xFF\xFF\0", 4)},
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
  // Refused: pixels missing, a run that ends early, an unknown type.
  EXPECT_FALSE(pdf_internal::DecodeTga(cases[0].file.substr(0, 29), &image, &reason));
  EXPECT_FALSE(pdf_internal::DecodeTga(cases[2].file.substr(0, 20), &image, &reason));
  EXPECT_FALSE(pdf_internal::DecodeTga(TgaHeader(5, 1, 1, 24, 0) + "abc", &image, &reason));
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
// WMF, EPS and AI drawings

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

TEST(PdfDrawings, WmfEpsAndAiShapesLandWhereTheirFilesPutThem) {
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
  // AI: abbreviations, a black (CMYK) upper-left quarter, red lower-right quarter.
  WriteFile(dir.File("shapes.AI"),
            "%!PS-Adobe-3.0\n%%BoundingBox: 0 0 100 100\n%%EndProlog\n"
            "0 0 0 1 k 0 50 m 50 50 l 50 100 L 0 100 l f\n"
            "0 1 1 0 k 50 0 m 100 0 l 100 50 l 50 50 l F\n");

  const std::string file = dir.File("drawings.pdf");
  WritePointsDocument(file, 2, [&](PdfDocument& doc) {
    doc.DrawImage(dir.File("shapes.wmf"), 0, 0, 200, 200);
    doc.DrawImage(dir.File("shapes.eps"), 300, 0, 0, 0);  // its own size: 100 x 100 points
    doc.DrawImage(dir.File("shapes.AI"), 0, 300, 100, 100);
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
  // AI at 0, 300, in CMYK: the renderer's conversion gives near-black upper-left and near-red
  // lower-right.
  const uint32_t black = PpmPixel(ppm, 25, 325), red = PpmPixel(ppm, 75, 375);
  EXPECT_LT(black >> 16 | (black >> 8 & 0xFF) | (black & 0xFF), 0x40u) << std::hex << black;
  EXPECT_TRUE(red >> 16 > 0xC0 && (red >> 8 & 0xFF) < 0x40 && (red & 0xFF) < 0x40)
      << std::hex << red;
  EXPECT_EQ(PpmPixel(ppm, 75, 325), 0xFFFFFFu);
}

TEST(PdfDrawings, UnreadablePicturesGiveError481AndLeaveThePage) {
  TempDir dir;
  WriteFile(dir.File("bad.gif"), "GIF89a\x02");
  WriteFile(dir.File("bad.tga"), std::string(10, '\0'));
  WriteFile(dir.File("bad.wmf"), "not a metafile at all");
  WriteFile(dir.File("nobox.eps"), "%!PS\n0 0 moveto 1 1 lineto stroke\n");
  WriteFile(dir.File("picture.png"), "\x89PNG....");
  const std::string before = pdf_test::FirstContent(pdf_test::MemoryDocument([](PdfDocument&) {}));
  for (const char* name : {"bad.gif", "bad.tga", "bad.wmf", "nobox.eps", "picture.png"}) {
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
void WriteSourcePage(const std::string& file, bool protect = false, int compression = 4) {
  PdfDocument doc;
  doc.SetScale(0);
  doc.SetPaperSize(255, 200, 100);
  doc.SetCompression(compression, 3);
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
  ExpectImported(dir, ours, "from_ours.pdf");
  // Into a protected document: the copied strings and streams take its encryption.
  ExpectImported(dir, ours, "protected.pdf", true);

  // Every filter our writer can chain: run length with ASCII85, ASCII hexadecimal alone.
  for (int compression : {1 | 8, 16}) {
    const std::string encoded = dir.File("encoded" + std::to_string(compression) + ".pdf");
    WriteSourcePage(encoded, false, compression);
    ExpectImported(dir, encoded, "from_encoded" + std::to_string(compression) + ".pdf");
  }

  // qpdf's rewrite: a cross-reference stream and object streams.
  const std::string streams = dir.File("streams.pdf");
  ASSERT_EQ(RunTool("qpdf --object-streams=generate " + Quote(ours) + " " + Quote(streams)).status,
            0);
  ASSERT_NE(ReadFile(streams).find("/ObjStm"), std::string::npos);
  ExpectImported(dir, streams, "from_streams.pdf");

  // A page turned a quarter clockwise (qpdf sets /Rotate 90): 200 x 100 shows as 100 x 200,
  // the red top-left box lands in the top right, 50 wide and 100 tall.
  const std::string turned = dir.File("turned.pdf");
  ASSERT_EQ(RunTool("qpdf --rotate=+90:1 " + Quote(ours) + " " + Quote(turned)).status, 0);
  // (125, 120) would be red if the turn were ignored.
  const std::string from_turned = dir.File("from_turned.pdf");
  WritePointsDocument(from_turned, 0,
                      [&](PdfDocument& doc) { doc.ImportPage(turned, 1, 100, 100); });
  ExpectCleanQpdf(from_turned);
  ExpectPixels(Render(dir, from_turned),
               {{175, 150, 0xFF0000}, {125, 120, 0xFFFFFF}, {175, 250, 0xFFFFFF}});

  // cairo's output (through poppler's pdftocairo): Flate content, its own fonts.
  const std::string cairo = dir.File("cairo.pdf");
  const auto made = RunTool("pdftocairo -pdf " + Quote(ours) + " " + Quote(cairo));
  ASSERT_EQ(made.status, 0) << made.output;
  ExpectImported(dir, cairo, "from_cairo.pdf");
}

TEST(PdfGetInfo, ReadsTheInformationOfOursAndOfRewrittenFiles) {
  TempDir dir;
  const std::string ours = dir.File("info.pdf");
  PdfDocument source;
  source.SetDocProperty("Fogli di maggio", "Presenze", "Ufficio paghe", "", "", "");
  source.BeginDoc(ours);
  source.BeginPage();
  source.BeginPage();
  source.EndDoc();
  // qpdf's rewrite keeps the information in an object stream.
  const std::string streams = dir.File("streams.pdf");
  ASSERT_EQ(RunTool("qpdf --object-streams=generate " + Quote(ours) + " " + Quote(streams)).status,
            0);
  for (const std::string& file : {ours, streams}) {
    SCOPED_TRACE(file);
    PdfDocument doc;
    EXPECT_EQ(doc.GetInfo(file, "Title"), "Fogli di maggio");
    EXPECT_EQ(doc.GetInfo(file, "Subject"), "Presenze");
    EXPECT_EQ(doc.GetInfo(file, "Author"), "Ufficio paghe");
    EXPECT_EQ(doc.GetInfo(file, "Pages"), "2");
    EXPECT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
    EXPECT_EQ(doc.GetInfo(file, "Keywords"), "");
    EXPECT_EQ(doc.ErrNumber(), 5);
  }
  // A title outside Latin-1 travels as UTF-16 with its byte order mark.
  EXPECT_EQ(
      pdf_internal::TextStringToUtf8(std::string("\xFE\xFF\x00P\x20\xAC\xD8\x3D\xDE\x00", 10)),
      "P\u20AC\U0001F600");
  EXPECT_EQ(pdf_internal::TextStringToUtf8("citt\xE0"), "citt\u00E0");
  PdfDocument doc;
  EXPECT_EQ(doc.GetInfo(dir.File("nessuno.pdf"), "Title"), "");
  EXPECT_EQ(doc.ErrNumber(), 53);
}

// An incremental update replaces the page's content: the newer cross-reference section
// wins over the one its /Prev points to.
TEST(PdfImportPage, AnIncrementalUpdateReplacesTheOlderObject) {
  TempDir dir;
  const std::string ours = dir.File("ours.pdf");
  WriteSourcePage(ours, false, 0);
  std::string pdf = ReadFile(ours);
  const size_t contents = pdf.find("/Contents ");
  ASSERT_NE(contents, std::string::npos);
  const int number = std::stoi(pdf.substr(contents + 10));
  const size_t root_at = pdf.find("/Root ", pdf.rfind("trailer"));
  const int root = std::stoi(pdf.substr(root_at + 6));
  const size_t size_at = pdf.find("/Size ", pdf.rfind("trailer"));
  const int size = std::stoi(pdf.substr(size_at + 6));
  const std::string old_xref = pdf.substr(pdf.rfind("startxref") + 10);
  // Blue over the bottom half, in the page's own upward axes.
  const std::string content = "0 0 1 rg 0 0 200 50 re f";
  const size_t object_at = pdf.size();
  pdf += std::to_string(number) + " 0 obj\n<< /Length " + std::to_string(content.size()) +
         " >>\nstream\n" + content + "\nendstream\nendobj\n";
  const size_t xref_at = pdf.size();
  char line[32];
  std::snprintf(line, sizeof line, "%010zu 00000 n \n", object_at);
  pdf += "xref\n" + std::to_string(number) + " 1\n" + line + "trailer\n<< /Size " +
         std::to_string(size) + " /Root " + std::to_string(root) + " 0 R /Prev " +
         std::to_string(std::stol(old_xref)) + " >>\nstartxref\n" + std::to_string(xref_at) +
         "\n%%EOF\n";
  WriteFile(dir.File("updated.pdf"), pdf);

  const std::string file = dir.File("imported.pdf");
  WritePointsDocument(file, 0, [&](PdfDocument& doc) {
    doc.ImportPage(dir.File("updated.pdf"), 1, 100, 100, 400, 200);
  });
  ExpectCleanQpdf(file);
  // The new blue content is there, the old red box is gone.
  ExpectPixels(Render(dir, file), {{150, 250, 0x0000FF}, {150, 150, 0xFFFFFF}});
}

TEST(PdfImportPage, EncryptedDamagedAndMissingPagesAreRefused) {
  TempDir dir;
  const std::string ours = dir.File("ours.pdf");
  WriteSourcePage(ours);
  const std::string locked = dir.File("locked.pdf");
  WriteSourcePage(locked, true);
  std::string damaged = ReadFile(ours);
  damaged.erase(damaged.rfind("startxref"));
  WriteFile(dir.File("damaged.pdf"), damaged);
  WriteFile(dir.File("garbage.pdf"), "%PDF-1.4\nnothing here\n");

  const std::string before = pdf_test::FirstContent(pdf_test::MemoryDocument([](PdfDocument&) {}));
  struct Case {
    std::string file;
    int page;
    long error;
    const char* words;
  };
  const Case cases[] = {{locked, 1, 5, "cifrato"},
                        {dir.File("damaged.pdf"), 1, 5, "danneggiato"},
                        {dir.File("garbage.pdf"), 1, 5, "danneggiato"},
                        {ours, 2, 5, "pagina inesistente"},
                        {ours, 0, 5, "pagina inesistente"},
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
