// Readers of the image files the writer can place on a page. Both read from a byte span with
// an explicit end, check every length before they read, and reject what they cannot show.
//
// JPEG (copied into the PDF unchanged, read only for its frame header):
//   FF D8                       start of image
//   then segments FF <marker> [length: 2 bytes big-endian, counting itself] [data]
//   (fill bytes FF may precede a marker; D0-D7 and 01 stand alone, without length)
//   SOF0/SOF1/SOF2 (C0, C1, C2) data: precision (1), height (2), width (2), components (1)
//   APP14 (EE) data starting "Adobe": the file's CMYK values are stored inverted
//   SOS (DA) starts the entropy-coded data; the reader stops there.
//
// BMP (decoded to 8-bit RGB, plus an alpha plane when the file declares one):
//   file header, 14 bytes little-endian:
//     0  2  "BM"        2  4  file size (not trusted)   6  4  reserved
//     10 4  offset of the pixel rows from the start of the file
//   info header at 14, its first 4 bytes give its size:
//     12 (OS/2 core):   4 width (2)  6 height (2)  8 planes (2)  10 bits per pixel (2);
//                       palette entries of 3 bytes (blue, green, red)
//     40, 52, 56, 108, 124 (Windows):  4 width (4)  8 height (4, negative = rows top-down)
//                       12 planes (2)  14 bits per pixel (2)  16 compression (4)
//                       32 palette colours used (4, 0 = 2^bits);
//                       from 52 bytes the red, green, blue masks at 40, 44, 48, from 56 the
//                       alpha mask at 52; a 40-byte header with compression 3 is followed by
//                       the three masks; palette entries of 4 bytes (blue, green, red, 0)
//   compression 0 (none) for 1, 4, 8, 16 (5-5-5), 24 and 32 bits (blue, green, red, unused),
//   3 (bit fields) for 16 and 32 bits; rows are padded to a multiple of 4 bytes and stored
//   bottom-up unless the height is negative.
#ifndef KAVELTAR_PDF_PDF_IMAGES_H_
#define KAVELTAR_PDF_PDF_IMAGES_H_

#include <string>
#include <string_view>

namespace kaveltar::pdf_internal {

struct JpegInfo {
  int width = 0;
  int height = 0;
  int components = 0;           // 1 grey, 3 RGB (YCbCr), 4 CMYK
  bool adobe_inverted = false;  // an Adobe APP14 marker: CMYK stored inverted
};

// Reads the frame header of a JPEG file. Returns false with a reason when `data` is not a
// JPEG that PDF's DCTDecode filter shows (8-bit baseline or progressive, 1, 3 or 4 colours).
bool ParseJpeg(std::string_view data, JpegInfo* info, std::string* reason);

struct RasterImage {
  int width = 0;
  int height = 0;
  std::string rgb;    // width * height * 3 bytes, top row first
  std::string alpha;  // width * height bytes, or empty when every pixel is opaque
};

// Largest image the writer accepts, in pixels.
constexpr long long kMaxImagePixels = 64LL * 1024 * 1024;

// Decodes a BMP file. Returns false with a reason for anything it cannot decode.
bool DecodeBmp(std::string_view data, RasterImage* image, std::string* reason);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_IMAGES_H_
