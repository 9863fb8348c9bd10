// Reader of Windows metafiles (WMF) for DrawImage: the common drawing records become PDF
// path operators.
//
// Optional placeable header, 22 bytes little-endian:
//   0 4 key D7 CD C6 9A   4 2 handle   6 2 x 4 box left, top, right, bottom (signed)
//   14 2 units per inch   16 4 reserved   20 2 checksum
// Metafile header, 18 bytes: 0 2 type (1 or 2)  2 2 header size in words (9)  4 2 version
//   6 4 file size in words  10 2 number of objects  12 4 largest record  16 2 unused
// Records: 0 4 size in 16-bit words (at least 3, header included)  4 2 function  6 params
// (16-bit words; points are given y before x in single-point records):
//   0000 end of file               020B SetWindowOrg y x        020C SetWindowExt y x
//   0214 MoveTo y x                0213 LineTo y x
//   0325 Polyline n, n x (x y)     0324 Polygon n, n x (x y)
//   0538 PolyPolygon k, k counts, then all points (x y)
//   041B Rectangle bottom right top left     0418 Ellipse bottom right top left
//   0106 SetPolyFillMode mode (1 alternate = even-odd, 2 winding)
//   02FA CreatePenIndirect style (5 = none), width x, width y, colour (r g b 0)
//   02FC CreateBrushIndirect style (1 = none), colour (r g b 0), hatch
//   012D SelectObject index        01F0 DeleteObject index
//   02FB CreateFontIndirect, 00F7 CreatePalette, 0142 DibCreatePatternBrush,
//   01F9 CreatePatternBrush, 06FF CreateRegion take an object slot and are not drawn.
// Other records are skipped. New objects take the lowest free slot of the object table
// (at most 4096 slots).
// Drawing: the window (origin and extent; from the placeable box when no SetWindow records,
// otherwise from the bounds of the points) maps onto the picture, the picture is the
// placeable box at its units per inch (or the window at 96 units per inch). The default pen
// is black and 1 unit wide, the default brush white; filled shapes are filled with the
// brush and outlined with the pen.
#ifndef KAVELTAR_PDF_PDF_WMF_H_
#define KAVELTAR_PDF_PDF_WMF_H_

#include <string>
#include <string_view>

#include "pdf/pdf_drawing.h"

namespace kaveltar::pdf_internal {

bool TranslateWmf(std::string_view data, VectorDrawing* drawing, std::string* reason);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_WMF_H_
