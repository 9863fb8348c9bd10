// The sample page of a monthly attendance sheet: a printer's test page for checking a PDF
// viewer or a printer set-up, and the page the benchmark and the tests draw. It has the
// sheet's frame, a header, 31 day rows of 16 boxed columns with short Courier texts, grey
// bands on holidays and week-ends, and a totals row: about 550 rectangles and 600 texts.
#ifndef KAVELTAR_PDF_TEST_PAGE_H_
#define KAVELTAR_PDF_TEST_PAGE_H_

#include <string>
#include <string_view>
#include <vector>

#include "pdf/pdf_document.h"

namespace kaveltar {

// One drawing element of the sample page, in centimetres from the top-left corner of A4.
struct TestPageItem {
  enum class Kind { kText, kBox, kShadedBox };
  Kind kind = Kind::kText;
  double x = 0;
  double y = 0;  // texts: the baseline
  double width = 0;
  double height = 0;
  double line_width = 0;  // boxes; 0 draws the thinnest line (0.01 cm)
  std::string grey;       // shaded boxes: the fill colour, e.g. "%15"
  std::string text;       // UTF-8
  double font_size = 7;   // points
  bool bold = false;
};

// The elements of page `page_number` (1 for the first page), in drawing order.
std::vector<TestPageItem> TestPageItems(int page_number);

// Draws page `page_number` of the sample into the open page of `doc`, the way the reports
// draw (centimetres, "Courier New", outlined and shaded boxes).
void DrawTestPage(PdfDocument& doc, int page_number);

enum class TestPageCompression { kNone, kLzw, kFlate };

// Reads "none", "lzw" or "flate". Returns false for anything else.
bool ParseTestPageCompression(std::string_view text, TestPageCompression* compression);

struct TestPageOptions {
  std::string output_path;
  int pages = 1;  // 1 to 100000
  TestPageCompression compression = TestPageCompression::kLzw;
  // Protection is applied when either password is given (permissions: print and copy).
  std::string user_password;
  std::string owner_password;
  int key_bits = 128;  // 40 or 128
  // Four pages showing every feature of the writer come before the sample sheets.
  bool all_features = false;
};

// Begins and draws the showcase pages (labelled "Funzioni-A" to "-D"): bookmarks, links,
// notes, form fields with scripts, gradients, a tiling pattern, barcodes, transformed
// axes, a table, layers, a replayed object, transitions, an embedded TrueType font, an
// imported page and GIF, TGA, WMF and EPS pictures (written to a temporary folder first).
void DrawFeaturePages(PdfDocument& doc);

// Writes a whole sample file, set up as the program sets up its PDF reports. Returns 0 on
// success; otherwise 1 with the reason in *error (an unfinished file is removed).
int WriteTestPagePdf(const TestPageOptions& options, std::string* error);

}  // namespace kaveltar

#endif  // KAVELTAR_PDF_TEST_PAGE_H_
