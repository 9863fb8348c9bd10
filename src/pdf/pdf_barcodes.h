// Barcode symbologies of the PDF writer: a code becomes a row of bars and spaces measured
// in modules (the narrowest element), plus the human-readable text under it.
#ifndef KAVELTAR_PDF_PDF_BARCODES_H_
#define KAVELTAR_PDF_PDF_BARCODES_H_

#include <string>
#include <string_view>
#include <vector>

namespace kaveltar::pdf_internal {

enum BarcodeType {
  kBarcodeEan13 = 0,
  kBarcodeEan8 = 1,
  kBarcodeUpcA = 2,
  kBarcodeCode39 = 3,
  kBarcodeCode128 = 4,
  kBarcodeInterleaved2of5 = 5,
};

struct BarcodeLabel {
  double center = 0;  // modules from the first bar's left edge
  std::string text;
};

struct Barcode {
  // Element widths in modules, alternately bar and space, starting with a bar.
  std::vector<int> elements;
  // Per element: a guard bar of EAN and UPC, drawn longer than the others.
  std::vector<bool> guard;
  std::vector<BarcodeLabel> labels;
  int total_modules = 0;
  int default_height = 0;  // modules
};

// Encodes `code` as `type`. Returns false with an Italian reason when the code has
// characters or a length the symbology does not allow, or a wrong check digit.
bool EncodeBarcode(int type, std::string_view code, bool add_check, Barcode* out,
                   std::string* error);

// The check digit of EAN, UPC and interleaved 2 of 5: weights 3 and 1 alternating from
// the rightmost digit, the digit that completes the sum to a multiple of 10.
int Mod10CheckDigit(std::string_view digits);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_BARCODES_H_
