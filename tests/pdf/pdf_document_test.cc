// PdfDocument: settings, text measuring and wrapping, rounded corners, the recorded errors, and
// whole documents written in the foreground and the background.

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

TEST(PdfDocumentSettings, PaperSizesGiveTheMediaBox) {
  // Negative types are the larger A sizes, odd types the landscape sheets.
  const std::pair<int, const char*> sizes[] = {
      {-8, "2384 3371"}, {0, "596 842"}, {1, "842 596"}, {8, "612 792"}, {17, "756 522"}};
  for (const auto& [type, box] : sizes) {
    const std::string pdf =
        MemoryDocument(nullptr, [type = type](PdfDocument& doc) { doc.SetPaperSize(type); });
    EXPECT_NE(pdf.find(std::string("/MediaBox [0 0 ") + box + "]"), std::string::npos) << type;
  }
  PdfDocument doc;
  doc.SetPaperSize(18);
  EXPECT_EQ(doc.ErrNumber(), 5);
  EXPECT_EQ(doc.ErrSource(), "PdfDocument.SetPaperSize");
}

TEST(PdfDocumentSettings, ScaleModesConvertToPoints) {
  const std::pair<std::pair<int, double>, const char*> modes[] = {
      {{0, 0}, "1 1 2 2 re"},
      {{1, 0}, "72 72 144 144 re"},
      {{3, 0}, "28.346 28.346 56.693 56.693 re"},
      {{255, 10}, "10 10 20 20 re"}};
  for (const auto& [mode, text] : modes) {
    const std::string drawn = Drawing([mode = mode](PdfDocument& doc) {
      doc.SetScale(mode.first, mode.second);
      doc.DrawRect(1, 1, 2, 2);
    });
    EXPECT_NE(drawn.find(text), std::string::npos) << mode.first << ": " << drawn;
  }
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

TEST(PdfDocumentGraphics, BadColoursAndRoundedCorners) {
  Drawing([](PdfDocument& doc) {
    doc.SetColorFill("nessuno");
    EXPECT_EQ(doc.ErrNumber(), 5);
    EXPECT_EQ(doc.ErrDescription(),
              "colore non valido: nessuno - Chiamata di routine o argomento non validi");
  });
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
  const std::string drawn = Drawing([&](PdfDocument& doc) {
    doc.DrawImage(dir.File("manca.jpg"), 1, 1, 2, 2, 1, 0);
    EXPECT_EQ(doc.ErrNumber(), 53);
    EXPECT_EQ(doc.ErrSource(), "PdfDocument.DrawImage");
    EXPECT_EQ(doc.ErrDescription(), dir.File("manca.jpg") + " - Impossibile trovare il file");
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
  EXPECT_EQ(doc.BeginDoc(dir.File("manca/x.pdf")), "");
  EXPECT_EQ(doc.ErrNumber(), 76);
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
  // qpdf finds every object where the cross-reference table says it is.
  pdf_test::WriteFile(dir.File("plain.pdf"), plain.data);
  pdf_test::ExpectCleanQpdf(dir.File("plain.pdf"));
  EXPECT_EQ(plain.data.substr(0, 9), "%PDF-1.4\n");  // transparency
  EXPECT_TRUE(pdf_test::Contains(
      plain.data, "/ProcSet [/PDF /Text /ImageB /ImageC /ImageI ]\r/XObject << /_IMG_1 "));
  for (const auto& [in_background, budget] : {std::pair<bool, size_t>{false, 200}, {true, 3000}}) {
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

}  // namespace
}  // namespace kaveltar
