// Colour arguments of the writer. Every colour setter accepts:
//   "#RRGGBB"      red, green, blue in hexadecimal;
//   "%N"           grey at N per cent of black: each component is 255 - Int(255 * N / 100);
//   "@R;G;B"       red, green, blue from 0 to 255;
//   "@C;M;Y;K"     cyan, magenta, yellow, black in per cent: each component is
//                  |100 - (colour + black)| * 2.55;
//   a colour name  (case does not matter) from the table in pdf_colors.cc.
#ifndef KAVELTAR_PDF_PDF_COLORS_H_
#define KAVELTAR_PDF_PDF_COLORS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kaveltar::pdf_internal {

// Parses a colour argument into 0xRRGGBB. Returns false, leaving *rgb alone, when the text
// is not a colour.
bool ParseColor(std::string_view text, uint32_t* rgb);

// The normalised form "#RRGGBB".
std::string ColorText(uint32_t rgb);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_COLORS_H_
