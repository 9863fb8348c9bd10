// Built-in metrics of the standard PDF fonts: advance widths by character code, in
// thousandths of the font size. The tables live in the generated font_metrics.cc.
#ifndef KAVELTAR_PDF_FONT_METRICS_H_
#define KAVELTAR_PDF_FONT_METRICS_H_

#include <cstdint>

namespace kaveltar::pdf_internal {

// Helvetica (the writer's "Arial") and Times ("TimesNewRoman"), one table per style and
// encoding: Windows code page 1252 order (WinAnsiEncoding) and MacRomanEncoding order.
// Helvetica's oblique styles have the widths of its upright ones: they use those tables.
extern const uint16_t kHelveticaRegularWin[256], kHelveticaRegularMac[256];
extern const uint16_t kHelveticaBoldWin[256], kHelveticaBoldMac[256];
extern const uint16_t kTimesRegularWin[256], kTimesRegularMac[256];
extern const uint16_t kTimesBoldWin[256], kTimesBoldMac[256];
extern const uint16_t kTimesItalicWin[256], kTimesItalicMac[256];
extern const uint16_t kTimesBoldItalicWin[256], kTimesBoldItalicMac[256];
// Symbol and ZapfDingbats by the codes of their own built-in encodings.
extern const uint16_t kSymbol[256];
extern const uint16_t kZapfDingbats[256];

// Unicode code points of the Macintosh codes 128-255, as PDF's MacRomanEncoding names them.
extern const uint16_t kMacRomanHigh[128];

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_FONT_METRICS_H_
