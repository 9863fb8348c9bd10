// The inspector's check of a printed report: no printed word crosses a ruled line.
//
// The rules are read from what the report really drew: the boxes, lines and picture frames of
// a recorded printer document, or the painted rectangles, paths and placed images of a PDF
// page's content. The words are the report's texts cut at the blanks, boxed with the font's
// metrics (printer) or as poppler reads them (`pdftotext -bbox`). Everything is measured in
// centimetres from the top-left corner of the sheet.
#pragma once

#include <string>
#include <vector>

#include "platform/printer_recording.h"

namespace kaveltar::ruled_lines {

// A straight ruled segment; reports only draw horizontal and vertical ones.
struct Rule {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct Word {
  std::string text;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct Page {
  std::vector<Rule> rules;
  std::vector<Word> words;
};

// The pages of a printed document. A text's box runs from the top of its line down by the
// line height of its font, and across by the advance of its characters (monospaced
// "Courier New": 0.6 of the size each).
std::vector<Page> PrinterPages(const RecordingPrinterJob::Document& document);

// The page of a one-page A4 PDF file written without compression or protection. Fails the
// running test when nothing can be read from it.
std::vector<Page> PdfPages(const std::string& file);

// One line for each word crossed by a rule ("page 1: 'GIUS.1' 6.800-7.689 x 5.300-5.580
// crosses x=7.600"); empty when the pages are clean. Words and rules that only touch
// (closer than 0.01 cm) do not count.
std::vector<std::string> Crossings(const std::vector<Page>& pages);

}  // namespace kaveltar::ruled_lines
