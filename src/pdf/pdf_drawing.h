// A vector drawing translated into PDF path operators (WMF, EPS and AI files). The writer
// embeds it as a form XObject whose box is 0 0 width height, in points with Y upwards, so
// that DrawImage places it like a picture of width x height pixels.
#ifndef KAVELTAR_PDF_PDF_DRAWING_H_
#define KAVELTAR_PDF_PDF_DRAWING_H_

#include <string>

namespace kaveltar::pdf_internal {

struct VectorDrawing {
  double width = 0;  // natural size in points
  double height = 0;
  std::string content;  // content-stream operators in the box's coordinates
};

// Largest number of path points a drawing may hold; protects the writer from a file that
// asks for millions of segments.
constexpr long long kMaxDrawingPoints = 4LL * 1024 * 1024;

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_DRAWING_H_
