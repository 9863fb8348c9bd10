// Reader of TGA (Truevision) files for DrawImage, decoded to 8-bit RGB plus an alpha plane.
//
// Header, 18 bytes little-endian:
//   0  1  length of the identification field that follows the header
//   1  1  colour map present (0 or 1)
//   2  1  image type: 1 colour-mapped, 2 true colour, 3 grey; 9, 10, 11 the same with
//         run-length packets
//   3  2  first colour map entry   5  2  colour map entries   7  1  bits per map entry
//         (15, 16, 24 or 32)
//   8  4  origin x, y (ignored)    12 2  width    14 2  height
//   16 1  bits per pixel: 8 (colour-mapped or grey), 15/16 (5-5-5 x r g b, the top bit
//         ignored), 24 (b g r), 32 (b g r a)
//   17 1  descriptor: bits 0-3 alpha bits (32-bit pixels with alpha bits 0 are opaque),
//         bit 4 rows right to left, bit 5 rows top to bottom (otherwise bottom-up)
// Then the identification field, the colour map (entries as the pixels of that size) and
// the pixels. A run-length packet is a byte: bit 7 set = one pixel repeated (low 7 bits +
// 1) times, clear = that many literal pixels; packets may cross rows. The optional footer
// and extension area are ignored.
#ifndef KAVELTAR_PDF_PDF_TGA_H_
#define KAVELTAR_PDF_PDF_TGA_H_

#include <string>
#include <string_view>

#include "pdf/pdf_images.h"

namespace kaveltar::pdf_internal {

bool DecodeTga(std::string_view data, RasterImage* image, std::string* reason);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_TGA_H_
