// The five built-in font families of the writer and their metrics.
#ifndef KAVELTAR_PDF_PDF_FONTS_H_
#define KAVELTAR_PDF_PDF_FONTS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kaveltar::pdf_internal {

struct FontFamilyMetrics {
  bool standard = false;             // one of the five built-in families
  bool text_family = false;          // CourierNew, Arial, TimesNewRoman: take styles
  const uint16_t* widths = nullptr;  // 256 advance widths, thousandths of the size
  int ascent = 0;                    // thousandths of the size, above the baseline
  int descent = 0;                   // thousandths, negative below the baseline
};

// The writer's base name of a font name given to SetFont: upper-cased without blanks,
// "TIMES"/"TIMESNEWROMAN" -> "TimesNewRoman", "COURIER"/"COURIERNEW" -> "CourierNew",
// "HELVETICA"/"ARIAL" -> "Arial", "SYMBOL" -> "Symbol", "ZAPFDINGBATS" -> "ZapfDingbats";
// any other name is returned as given.
std::string BaseFontName(std::string_view font_name);

// The metrics of a built-in family for a style (1 bold, 2 italic) and encoding (0 Windows,
// 1 Macintosh); `standard` is false for other names.
FontFamilyMetrics StandardFontMetrics(std::string_view base_name, int style, int encoding);

// The PDF name of a font: the base name, with ",Bold", ",Italic" or ",BoldItalic" for a
// styled text family.
std::string FullFontName(std::string_view base_name, int style);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_FONTS_H_
