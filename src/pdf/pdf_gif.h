// Reader of GIF files for DrawImage. The first image of the file is decoded into palette
// indices; the palette becomes an Indexed colour space and the transparent index of a
// graphic control extension a colour-key /Mask.
//
// Layout (little-endian):
//   0   6  "GIF87a" or "GIF89a"
//   6   2  screen width      8  2  screen height
//   10  1  flags: bit 7 global palette, bits 0-2 its size (2^(n+1) entries of r, g, b)
//   11  1  background index  12 1  aspect ratio      13 global palette when present
//   then blocks until the first image:
//     21 F9 04 flags(bit 0: transparent index given) delay(2) index 00   graphic control
//     21 xx then sub-blocks [length 1..255][data], ended by 00           other extensions
//     2C left(2) top(2) width(2) height(2) flags(bit 7 local palette, bit 6 interlaced,
//        bits 0-2 palette size), local palette, minimum code size (2-8), then sub-blocks
//        of LZW data (variable-width codes, least significant bit first, clear code
//        2^size, end code 2^size + 1, width growing to 12 bits)
//     3B   end of file (no image: refused)
// The picture is the first image's rectangle: its width and height, its own pixels.
// Interlaced rows come in four passes (every 8th from 0, every 8th from 4, every 4th from 2,
// every 2nd from 1). Data that ends before the last pixel is refused; codes after the last
// pixel are ignored; an index beyond the palette is refused.
#ifndef KAVELTAR_PDF_PDF_GIF_H_
#define KAVELTAR_PDF_PDF_GIF_H_

#include <string>
#include <string_view>

namespace kaveltar::pdf_internal {

struct IndexedImage {
  int width = 0;
  int height = 0;
  std::string palette;   // 3 bytes (red, green, blue) per entry, 1 to 256 entries
  std::string indices;   // width * height bytes, top row first
  int transparent = -1;  // palette index shown transparent, or -1
};

bool DecodeGif(std::string_view data, IndexedImage* image, std::string* reason);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_GIF_H_
