#include "pdf/pdf_fonts.h"

#include <array>

#include "pdf/font_metrics.h"

namespace kaveltar::pdf_internal {

namespace {

constexpr std::array<uint16_t, 256> MonospacedWidths() {
  std::array<uint16_t, 256> widths{};
  for (auto& w : widths) w = 600;
  return widths;
}

constexpr std::array<uint16_t, 256> kCourierWidths = MonospacedWidths();

}  // namespace

std::string BaseFontName(std::string_view font_name) {
  std::string key;
  for (char c : font_name) {
    if (c == ' ') continue;
    key.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
  }
  if (key == "TIMES" || key == "TIMESNEWROMAN") return "TimesNewRoman";
  if (key == "COURIER" || key == "COURIERNEW") return "CourierNew";
  if (key == "HELVETICA" || key == "ARIAL") return "Arial";
  if (key == "SYMBOL") return "Symbol";
  if (key == "ZAPFDINGBATS") return "ZapfDingbats";
  return std::string(font_name);
}

FontFamilyMetrics StandardFontMetrics(std::string_view base_name, int style, int encoding) {
  const bool mac = encoding == 1;
  const int variant = style & 3;
  FontFamilyMetrics m;
  m.standard = true;
  if (base_name == "CourierNew") {
    m = {true, true, kCourierWidths.data(), 1133, -300};
  } else if (base_name == "Arial") {
    static const uint16_t* const kTables[2][4] = {
        {kHelveticaRegularWin, kHelveticaBoldWin, kHelveticaRegularWin, kHelveticaBoldWin},
        {kHelveticaRegularMac, kHelveticaBoldMac, kHelveticaRegularMac, kHelveticaBoldMac}};
    m = {true, true, kTables[mac][variant], 905, -212};
  } else if (base_name == "TimesNewRoman") {
    static const uint16_t* const kTables[2][4] = {
        {kTimesRegularWin, kTimesBoldWin, kTimesItalicWin, kTimesBoldItalicWin},
        {kTimesRegularMac, kTimesBoldMac, kTimesItalicMac, kTimesBoldItalicMac}};
    m = {true, true, kTables[mac][variant], 891, -216};
  } else if (base_name == "Symbol") {
    m = {true, false, kSymbol, 1010, -293};
  } else if (base_name == "ZapfDingbats") {
    m = {true, false, kZapfDingbats, 820, -143};
  } else {
    m = {};
  }
  return m;
}

std::string FullFontName(std::string_view base_name, int style) {
  std::string name(base_name);
  const FontFamilyMetrics m = StandardFontMetrics(base_name, style, 0);
  if (!m.text_family) return name;
  switch (style & 3) {
    case 1:
      return name + ",Bold";
    case 2:
      return name + ",Italic";
    case 3:
      return name + ",BoldItalic";
    default:
      return name;
  }
}

}  // namespace kaveltar::pdf_internal
