// PdfDocument in memory: the exact structure of small documents, settings, text, paths and
// the recorded errors.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "pdf/pdf_document.h"
#include "pdf/pdf_sink.h"
#include "pdf_test_util.h"

namespace kaveltar {
namespace {

using pdf_test::MemoryDocument;

// What one page's drawing adds to the content stream (after the page's transformation and
// clipping lines).
std::string Drawing(const std::function<void(PdfDocument&)>& draw,
                    const std::function<void(PdfDocument&)>& setup = nullptr) {
  const std::string content = pdf_test::FirstContent(MemoryDocument(draw, setup));
  const size_t clip = content.find("re W n\r");
  return clip == std::string::npos ? content : content.substr(clip + 7);
}

std::string FirstDifference(const std::string& a, const std::string& b) {
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return "first difference at byte " + std::to_string(i) + ": ..." + a.substr(i, 40) + " / ..." +
         b.substr(i, 40);
}

// A sink that refuses every byte after the first `budget`.
class FailingSink : public MemoryPdfSink {
 public:
  explicit FailingSink(size_t budget) : budget_(budget) {}
  bool Write(std::string_view bytes) override {
    if (bytes.size() > budget_) return false;
    budget_ -= bytes.size();
    return MemoryPdfSink::Write(bytes);
  }
  void Discard() override {
    discarded = true;
    MemoryPdfSink::Discard();
  }
  bool discarded = false;

 private:
  size_t budget_;
};

TEST(PdfDocumentStructure, OnePageWithoutContentIsExactlyTheseBytes) {
  std::string pdf = MemoryDocument(nullptr);
  const std::regex date(R"(/CreationDate \(D:\d{14}Z\+01'00'\))");
  ASSERT_TRUE(std::regex_search(pdf, date));
  pdf = std::regex_replace(pdf, date, "/CreationDate (D:20260101120000Z+01'00')");

  std::string expected = "%PDF-1.3\n% KAVELTAR PdfDocument \xE0\xE8\xE9\xEC\xF2\xF9 rel. 2.4.8\n";
  const std::pair<int, std::string> objects[] = {
      {4, "<< /Length 38 >>\nstream\n1 0 0 -1 0 842 cm \r0 0 596 842 re W n\r\nendstream"},
      {5,
       "<< /Type /Page /Parent 1 0 R /Contents 4 0 R\r/MediaBox [0 0 596 842]\r/Resources 2 0 "
       "R\r>>"},
      {3, "<< /Type /Outlines /Count 0 >>"},
      {2, "<<\r/Font << >>\r/ProcSet [/PDF /Text ]\r>>"},
      {1, "<<\r/Type /Pages /Count 1\r/Kids [5 0 R ] \r>>"},
      {6,
       "<< /Type /Catalog\r/Pages 1 0 R\r/ViewerPreferences << /CenterWindow true /FitWindow true  "
       ">>\r>>"},
      {7,
       "<<\r/Title (PDFCART_)\r/Author (Altrovia Raroziv)\r/Creator (Gestione Presenze)\r"
       "/Producer (Altrovia Raroziv)\r/CreationDate (D:20260101120000Z+01'00')\r/Subject ()\r"
       "/Keywords ()\r>>"}};
  size_t offsets[8] = {};
  for (const auto& [number, body] : objects) {
    offsets[number] = expected.size();
    expected += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
  }
  const size_t xref = expected.size();
  expected += "xref\n0 8\n0000000000 65535 f\r\n";
  for (int n = 1; n <= 7; ++n) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n\r\n", offsets[n]);
    expected += line;
  }
  expected += "trailer\n<< /Size 8 /Info 7 0 R /Root 6 0 R >>\nstartxref\n" + std::to_string(xref) +
              "\n%%EOF\n";
  EXPECT_EQ(pdf, expected) << FirstDifference(pdf, expected);
}

TEST(PdfDocumentStructure, EmptyFileNameMakesAHexNameInTheCurrentFolder) {
  pdf_test::TempDir dir;
  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(dir.File(""));
  PdfDocument doc;
  const std::string name = doc.BeginDoc("");
  doc.EndDoc();
  std::filesystem::current_path(saved);
  ASSERT_TRUE(std::regex_match(name, std::regex("~[0-9A-F]+\\.pdf"))) << name;
  // The number is the day, hours, minutes, seconds and a digit: 7 or 8 decimal digits.
  const std::string digits =
      std::to_string(std::stoull(name.substr(1, name.size() - 5), nullptr, 16));
  EXPECT_TRUE(digits.size() == 7 || digits.size() == 8) << digits;
  EXPECT_TRUE(std::filesystem::exists(dir.File(name)));
}

TEST(PdfDocumentSettings, PaperSizesGiveTheMediaBox) {
  const std::pair<int, const char*> sizes[] = {
      {-8, "2384 3371"}, {-7, "3371 2384"}, {-6, "1685 2384"}, {-5, "2384 1685"}, {-4, "1192 1685"},
      {-3, "1685 1192"}, {-2, "842 1192"},  {-1, "1192 842"},  {0, "596 842"},    {1, "842 596"},
      {2, "421 596"},    {3, "596 421"},    {4, "298 421"},    {5, "421 298"},    {6, "210 298"},
      {7, "298 210"},    {8, "612 792"},    {9, "792 612"},    {10, "792 1224"},  {11, "1224 792"},
      {12, "612 1008"},  {13, "1008 612"},  {14, "396 612"},   {15, "612 396"},   {16, "522 756"},
      {17, "756 522"}};
  for (const auto& [type, box] : sizes) {
    const std::string pdf =
        MemoryDocument(nullptr, [type = type](PdfDocument& doc) { doc.SetPaperSize(type); });
    EXPECT_NE(pdf.find(std::string("/MediaBox [0 0 ") + box + "]"), std::string::npos) << type;
  }
  PdfDocument doc;
  doc.SetScale(3);
  doc.SetPaperSize(255, 10, 20);
  EXPECT_NEAR(doc.GetPageWidth(), 10, 1e-9);
  EXPECT_NEAR(doc.GetPageHeight(), 20, 1e-9);
  doc.SetPaperSize(18);
  EXPECT_EQ(doc.ErrNumber(), 5);
  EXPECT_EQ(doc.ErrSource(), "PdfDocument.SetPaperSize");
  EXPECT_NEAR(doc.GetPageWidth(), 10, 1e-9);
}

TEST(PdfDocumentSettings, ScaleModesConvertToPoints) {
  const std::pair<std::pair<int, double>, const char*> modes[] = {
      {{0, 0}, "1 1 2 2 re"},
      {{1, 0}, "72 72 144 144 re"},
      {{2, 0}, "2.835 2.835 5.669 5.669 re"},
      {{3, 0}, "28.346 28.346 56.693 56.693 re"},
      {{255, 10}, "10 10 20 20 re"},
      {{7, 0}, "28.346 28.346 56.693 56.693 re"}};
  for (const auto& [mode, text] : modes) {
    const std::string drawn = Drawing([mode = mode](PdfDocument& doc) {
      doc.SetScale(mode.first, mode.second);
      doc.DrawRect(1, 1, 2, 2);
    });
    EXPECT_NE(drawn.find(text), std::string::npos) << mode.first << ": " << drawn;
  }
}

TEST(PdfDocumentSettings, ViewerPreferencesBecomeCatalogEntries) {
  const std::pair<int, const char*> cases[] = {
      {768, "/Pages 1 0 R\r/ViewerPreferences << /CenterWindow true /FitWindow true  >>\r>>"},
      {0, "/Pages 1 0 R\r/ViewerPreferences <<  >>"},
      {1 | 16 | 32,
       "/PageMode /FullScreen\r/ViewerPreferences << /HideMenubar true /HideToolbar true  >>"},
      {2, "/Pages 1 0 R\r/ViewerPreferences"},  // outlines only with bookmarks
      {4 | 64 | 128,
       "/PageMode /UseThumbs\r/ViewerPreferences << /HideWindowUI true /DisplayDocTitle true  >>"},
      {8, "/PageMode /UseOC\r"},
      {8192 | 768, "/PageLayout /OneColumn\r/ViewerPreferences << /CenterWindow"},
      {16384, "/PageLayout /TwoColumnLeft\r"},
      {32768, "/PageLayout /TwoColumnRight\r"},
      {-32768 | 768, "/PageLayout /TwoColumnRight\r"},
      {8192 | 16384, "/Pages 1 0 R\r/ViewerPreferences"}};
  for (const auto& [value, text] : cases) {
    const std::string pdf = MemoryDocument(
        nullptr, [value = value](PdfDocument& doc) { doc.SetViewerPreferences(value); });
    EXPECT_NE(pdf.find(text), std::string::npos) << value;
  }
}

TEST(PdfDocumentSettings, DocumentPropertiesAndViews) {
  const std::string pdf = MemoryDocument(nullptr, [](PdfDocument& doc) {
    doc.SetDocProperty("Primo", "Oggetto", "Autore", "", "", "chiavi");
    doc.SetDocProperty("Titolo (è)", "", "", "Programma");
    doc.SetPageView(1);
  });
  EXPECT_NE(pdf.find("/Title (Titolo \\(\xE8\\))\r/Author (Autore)\r/Creator (Programma)\r"
                     "/Producer (Altrovia Raroziv)"),
            std::string::npos);
  EXPECT_NE(pdf.find("/Subject ()\r/Keywords ()"), std::string::npos);
  EXPECT_NE(pdf.find("/OpenAction [5 0 R /Fit]\r"), std::string::npos);

  PdfDocument doc;
  EXPECT_EQ(doc.ErrNumber(), 0);
  doc.SetMemoryUsage(11);
  EXPECT_EQ(doc.ErrNumber(), 5);
  doc.SetMemoryUsage(10);
  EXPECT_EQ(doc.ErrNumber(), 0);
  doc.SetPageView(9);
  EXPECT_EQ(doc.ErrNumber(), 5);
}

TEST(PdfDocumentText, FontTableReusesEntriesAndWritesTheirObjects) {
  const std::string pdf = MemoryDocument([](PdfDocument& doc) {
    doc.SetFont("Courier New", 10, 1);
    doc.SetFont("Courier New", 10, 1);
    doc.SetFont("Helvetica", 9);
    doc.SetFont("Arial", 9);
    doc.SetFont("Times New Roman", 9, 3, 1);
    doc.SetFont("Symbol", 9);
    doc.SetFont("Verdana", 9);  // not available: recorded, the font stays
    EXPECT_EQ(doc.ErrNumber(), 5);
    doc.DrawText(1, 1, "x");
  });
  EXPECT_NE(pdf.find("/Font << /F1 6 0 R /F2 7 0 R /F3 8 0 R /F4 9 0 R >>"), std::string::npos);
  EXPECT_NE(
      pdf.find("<< /Type /Font /Subtype /Type1 /Name /F1 /BaseFont /CourierNew,Bold /FirstChar 0 "
               "/LastChar 255 /Encoding << /Type /Encoding /BaseEncoding /WinAnsiEncoding >> >>"),
      std::string::npos);
  EXPECT_NE(pdf.find("/BaseFont /Arial /FirstChar"), std::string::npos);
  EXPECT_NE(
      pdf.find("/BaseFont /TimesNewRoman,BoldItalic /FirstChar 0 /LastChar 255 /Encoding << /Type "
               "/Encoding /BaseEncoding /MacRomanEncoding >>"),
      std::string::npos);
  EXPECT_NE(pdf.find("/BaseFont /Symbol /FirstChar 0 /LastChar 255 >>"), std::string::npos);
  EXPECT_NE(pdf.find("BT /F4 9 Tf"), std::string::npos);
}

TEST(PdfDocumentText, DrawTextWritesOneTextObject) {
  const std::string drawn = Drawing([](PdfDocument& doc) {
    doc.SetFont("Courier New", 10);
    doc.DrawText(1, 2, "a(b)\\", 1);
    doc.SetColorText("RED");
    doc.SetWordSpacing(0.1);
    doc.SetTextHorizontalScaling(80);
    doc.DrawText(5, 2, "ABC", 2);
    doc.DrawText(5, 3, "ABC", 4 + 8);
    doc.SetFont("Courier New", 0, 4);  // underline
    doc.DrawText(0, 4, "x");
  });
  EXPECT_EQ(drawn,
            "BT /F1 10 Tf 14.33 TL 1 0 0 -1 28.346 56.693 Tm (a\\(b\\)\\\\) Tj ET\n"
            "2.835 Tw\n80 Tz\n1 0 0 rg\n"
            "BT /F1 10 Tf 14.33 TL 1 0 0 -1 127.332 56.693 Tm (ABC) Tj ET\n"
            "BT /F1 10 Tf 14.33 TL 1 0 0 -1 134.532 85.039 Tm (ABC) Tj ET\n"
            "BT /F1 10 Tf 14.33 TL 1 0 0 -1 0 113.386 Tm (x) Tj ET\n"
            "q 1 0 0 RG 0.5 w 1 0 0 1 0 113.386 cm 0 1.5 m 4.8 1.5 l S Q\n");
}

TEST(PdfDocumentText, MeasuresWithTheFontMetrics) {
  PdfDocument doc;
  EXPECT_EQ(doc.TextLength("ABC"), 0);  // no font yet
  doc.SetScale(3);
  doc.SetFont("Courier New", 10);
  EXPECT_NEAR(doc.TextLength("ABC"), 1.8 * 10 / 28.346457, 1e-9);
  EXPECT_NEAR(doc.TextHeight(), 1.433 * 10 / 28.346457, 1e-9);
  doc.SetScale(0);
  doc.SetFont("Arial", 10);
  EXPECT_NEAR(doc.TextLength("1. 2"), (556 + 278 + 278 + 556) / 100.0, 1e-9);
  doc.SetCharSpacing(1);
  doc.SetWordSpacing(2);
  doc.SetTextHorizontalScaling(50);
  EXPECT_NEAR(doc.TextLength("1. 2"), (16.68 + 4 + 2) / 2, 1e-9);
  EXPECT_NEAR(doc.TextLength("è"), 556 / 100.0 / 2 + 0.5, 1e-9);
}

TEST(PdfDocumentText, FlowingAndBoxedTextWrapAtTheMargins) {
  std::string drawn = Drawing(
      [](PdfDocument& doc) {
        doc.SetScale(0);
        doc.SetFont("Courier", 10);  // 6 points a character
        doc.SetXY(0, 0);
        doc.WriteText("aaaa bbbb cccc");  // 84 points wide, the line holds 60
        EXPECT_NEAR(doc.GetX(), 24, 1e-9);
        EXPECT_NEAR(doc.GetY(), 14.33, 1e-9);
        doc.WriteTextLn(" dd");
        EXPECT_NEAR(doc.GetX(), 0, 1e-9);
        EXPECT_NEAR(doc.GetY(), 28.66, 1e-9);
        doc.DrawTextBox(100, 100, 30, 30, "uno due tre quattro", 2);
      },
      [](PdfDocument& doc) {
        doc.SetScale(0);
        doc.SetMargins(0, 536, 0, 0, true);
      });
  for (const char* run :
       {"0 11.33 Tm (aaaa bbbb) Tj", "0 25.66 Tm (cccc) Tj", "24 25.66 Tm ( dd) Tj",
        "112 111.33 Tm (uno) Tj", "112 125.66 Tm (due) Tj"}) {
    EXPECT_NE(drawn.find(run), std::string::npos) << run << "\n" << drawn;
  }
  EXPECT_EQ(drawn.find("tre"), std::string::npos);  // the third line does not fit
}

TEST(PdfDocumentGraphics, PaintRuleOfTheOptions) {
  const std::pair<int, const char*> rules[] = {
      {0, " re S\n"},  {1, " re n\n"},  {2, " re S\n"},     {3, " re n\n"},     {4, " re B*\n"},
      {5, " re f*\n"}, {6, " re b*\n"}, {128, " re W S\n"}, {132, " re W B*\n"}};
  for (const auto& [options, op] : rules) {
    const std::string drawn =
        Drawing([options = options](PdfDocument& doc) { doc.DrawRect(0, 0, 1, 1, options); });
    EXPECT_NE(drawn.find(op), std::string::npos) << options << ": " << drawn;
  }
  const std::string lines = Drawing([](PdfDocument& doc) {
    doc.SetScale(0);
    doc.DrawLine(0, 0, 10, 0, 2);
    doc.DrawLineTo(10, 10, 3);
    doc.DrawPolygon({{0, 0}, {5, 5}, {0, 5}}, 4);
  });
  EXPECT_EQ(lines, "0 0 m 10 0 l h S\n10 0 m 10 10 l h n\n0 0 m 5 5 l 0 5 l h B*\n");
}

TEST(PdfDocumentGraphics, ColoursLinesAndRoundedCorners) {
  const std::string drawn = Drawing([](PdfDocument& doc) {
    doc.SetColorFill("%15");
    doc.SetColorFill("SILVER");
    doc.SetColorFill("#C0C0C0");
    doc.SetColorLine("@0;0;255");
    doc.SetColorFill("");  // nothing
    doc.SetColorFill("nessuno");
    EXPECT_EQ(doc.ErrNumber(), 5);
    EXPECT_EQ(doc.ErrDescription(),
              "colore non valido: nessuno - Chiamata di routine o argomento non validi");
    doc.SetScale(0);
    doc.SetLineWidth(0.5);
    doc.SetDash("DASH");
    doc.SetDash("2;1");
    doc.SetLineStyle(1, 2, 4);
  });
  EXPECT_EQ(drawn,
            "0.851 0.851 0.851 rg\n0.753 0.753 0.753 rg\n0.753 0.753 0.753 rg\n0 0 1 RG\n"
            "0.5 w\n[6 3] 0 d\n[2 1] 0 d\n1 J 2 j 4 M\n");
  // Only the corners in the mask are rounded.
  auto curves = [](int corners) {
    const std::string d =
        Drawing([corners](PdfDocument& doc) { doc.DrawRect(1, 1, 4, 3, 0, 0.5, corners); });
    size_t count = 0;
    for (size_t at = d.find(" c "); at != std::string::npos; at = d.find(" c ", at + 1)) ++count;
    return count;
  };
  EXPECT_EQ(curves(15), 4u);
  EXPECT_EQ(curves(5), 2u);
  EXPECT_EQ(curves(0), 0u);
}

TEST(PdfDocumentErrors, FailuresAreRecordedAndLeaveThePageUnchanged) {
  pdf_test::TempDir dir;
  pdf_test::WriteFile(dir.File("rotta.jpg"), "not a jpeg");
  const std::string drawn = Drawing([&](PdfDocument& doc) {
    doc.DrawImage(dir.File("manca.jpg"), 1, 1, 2, 2, 1, 0);
    EXPECT_EQ(doc.ErrNumber(), 53);
    EXPECT_EQ(doc.ErrSource(), "PdfDocument.DrawImage");
    EXPECT_EQ(doc.ErrDescription(), dir.File("manca.jpg") + " - Impossibile trovare il file");
    doc.DrawImage(dir.File("rotta.jpg"), 1, 1, 2, 2, 1, 0);
    EXPECT_EQ(doc.ErrNumber(), 481);
    doc.DrawImage(dir.File("disegno.png"), 1, 1, 2, 2, 1, 0);
    EXPECT_EQ(doc.ErrNumber(), 481);
    doc.DrawText(1, 1, "senza carattere");
    EXPECT_EQ(doc.ErrNumber(), 5);
    doc.SetLineWidth(-1);
    EXPECT_EQ(doc.ErrNumber(), 5);
    doc.SetLineWidth(1);  // a successful call clears the error
    EXPECT_EQ(doc.ErrNumber(), 0);
    EXPECT_EQ(doc.ErrSource(), "");
  });
  EXPECT_EQ(drawn, "28.346 w\n");

  PdfDocument doc;
  doc.DrawRect(0, 0, 1, 1);
  EXPECT_EQ(doc.ErrNumber(), 5);  // no page
  doc.EndDoc();
  EXPECT_EQ(doc.ErrNumber(), 52);
  doc.BeginPage();
  EXPECT_EQ(doc.ErrNumber(), 52);
  EXPECT_EQ(doc.BeginDoc(dir.File("manca/x.pdf")), "");
  EXPECT_EQ(doc.ErrNumber(), 76);
  doc.SetProtection(4, "o", "u", 56);
  EXPECT_EQ(doc.ErrNumber(), 5);
}

// A document of several fonts, pages, pictures and a transparency, compressed: the
// cross-reference table matches the objects, and the helper thread that writes pages does not
// change a single byte of it. A write failure, on either thread, surfaces and leaves nothing.
TEST(PdfDocumentStructure, RicherDocumentsInTheForegroundAndTheBackground) {
  pdf_test::TempDir dir;
  pdf_test::WriteFile(dir.File("a.bmp"), pdf_test::MakeBmp(2, 2, 24, {0xFF0000, 0xFF00, 0xFF, 0}));
  struct Written {
    long error;
    std::string data;
    bool discarded;
    int64_t size;
  };
  auto write = [&](bool background, size_t budget) {
    FailingSink sink(budget);
    PdfDocument doc;
    doc.SetBackgroundWriting(background);
    doc.SetCompression(4, 3);
    doc.BeginDocToSink(&sink);
    for (int page = 1; page <= 12; ++page) {
      doc.BeginPage();
      doc.SetFont(page == 2 ? "Times" : "Courier New", 8, page % 4);
      for (int line = 0; line < 60; ++line)
        doc.DrawText(20, 20 + line * 10, "Riga " + std::to_string(line * page));
      if (page % 5 == 0) doc.DrawImage(dir.File("a.bmp"), 100, 100, 50, 50);
      if (page == 7) doc.SetCompression(2 | 8, 1);  // applies from the pages ended afterwards
      if (page == 11) doc.SetAlpha(0.5, 1);
    }
    doc.EndDoc();
    return Written{doc.ErrNumber(), sink.data(), sink.discarded, doc.FileSize()};
  };
  const Written plain = write(false, 1u << 30);
  const Written background = write(true, 1u << 30);
  ASSERT_EQ(plain.error, 0);
  EXPECT_EQ(background.error, 0);
  EXPECT_TRUE(plain.data == background.data) << FirstDifference(plain.data, background.data);
  EXPECT_EQ(pdf_test::CheckCrossReference(plain.data), "");
  EXPECT_EQ(plain.size, static_cast<int64_t>(plain.data.size()));
  EXPECT_EQ(plain.data.substr(0, 9), "%PDF-1.4\n");  // transparency
  EXPECT_TRUE(pdf_test::Contains(
      plain.data, "/ProcSet [/PDF /Text /ImageB /ImageC /ImageI ]\r/XObject << /_IMG_1 "));
  for (const auto& [in_background, budget] :
       {std::pair<bool, size_t>{false, 10}, {false, 200}, {false, 600}, {true, 3000}}) {
    const Written failed = write(in_background, budget);
    EXPECT_EQ(failed.error, 57) << budget;
    EXPECT_TRUE(failed.discarded);
    EXPECT_TRUE(failed.data.empty());
  }
}

TEST(PdfDocumentFiles, AbortAndReuse) {
  pdf_test::TempDir dir;
  PdfDocument doc;
  doc.SetCompression(2, 9);
  doc.BeginDoc(dir.File("a.pdf"));
  doc.BeginPage();
  doc.Abort();
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.pdf")));
  doc.BeginDoc(dir.File("b.pdf"));
  doc.EndDoc();
  const std::string b = pdf_test::ReadFile(dir.File("b.pdf"));
  EXPECT_EQ(b.find("FlateDecode"), std::string::npos);  // Abort reset the compression
  EXPECT_EQ(doc.FileSize(), static_cast<int64_t>(b.size()));
  doc.BeginDoc(dir.File("b.pdf"));  // an existing file is replaced
  doc.BeginPage();
  doc.BeginPage();
  doc.EndDoc();
  EXPECT_NE(pdf_test::ReadFile(dir.File("b.pdf")).find("/Count 2"), std::string::npos);
}

TEST(PdfDocumentFiles, OpenDocStartsTheDesktopViewer) {
  pdf_test::TempDir dir;
  const std::string log = dir.File("opened.txt");
  pdf_test::WriteFile(dir.File("xdg-open"),
                      "#!/bin/sh\necho \"$1\" > " + pdf_test::Quote(log) + "\n");
  std::filesystem::permissions(dir.File("xdg-open"), std::filesystem::perms::owner_all);
  const std::string saved_path = std::getenv("PATH");
  setenv("PATH", (dir.File("") + ":" + saved_path).c_str(), 1);

  PdfDocument doc;
  doc.OpenDoc();
  EXPECT_EQ(doc.ErrNumber(), 53);  // nothing finished yet
  doc.BeginDoc(dir.File("vista.pdf"));
  doc.EndDoc();
  doc.OpenDoc();
  EXPECT_EQ(doc.ErrNumber(), 0) << doc.ErrDescription();
  for (int i = 0; i < 200 && !std::filesystem::exists(log); ++i) usleep(10000);
  setenv("PATH", saved_path.c_str(), 1);
  EXPECT_EQ(pdf_test::ReadFile(log), dir.File("vista.pdf") + "\n");
}

}  // namespace
}  // namespace kaveltar
