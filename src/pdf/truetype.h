// Reader of TrueType font files for embedding (AddFont). Every table is located through the
// table directory and every read is checked against the table's own length.
//
// Offset table (big-endian):
//   0  4  version: 00 01 00 00 or "true"     4  2  number of tables
//   12 16 x n  records: tag (4), checksum (4), offset (4), length (4)
// Tables read (offsets inside the table):
//   head  18 units per em (2)   36-43 font box xMin, yMin, xMax, yMax (signed 2 each)
//         44 macStyle (2: bit 0 bold, bit 1 italic)
//   hhea  4 ascender (s2)   6 descender (s2)   10 widest advance (2)
//         34 number of long horizontal metrics (2)
//   hmtx  4 x n: advance width (2), left side bearing (s2); glyphs past n take the last
//         advance
//   cmap  2 number of subtables; 4 + 8 x i: platform (2), encoding (2), offset (4).
//         Platform 3 encoding 1 (Unicode) or 0 (symbol, codes at F000 + code), or platform 0,
//         in format 4 (segments: 6 segment count x 2, 14 end codes, then a pad, start codes,
//         deltas, range offsets, glyph ids) or format 12 (groups of start, end, first glyph)
//   OS/2  2 average width (s2)   4 weight class (2)   8 embedding rights (2; 0x0002 =
//         restricted, refused); version 2 and later: 86 x-height (s2)   88 cap height (s2)
//         (ascent and descent come from hhea, the values Windows lays lines out with)
//   post  4 italic angle (16.16 signed)   12 fixed pitch (4)
//   name  2 count   4 string storage offset   6 + 12 x i: platform (2), encoding (2),
//         language (2), name id (2), length (2), offset (2); id 6 the PostScript name,
//         id 1 the family name, id 2 the subfamily; platform 3 text is UTF-16BE
//   glyf, loca  required (the embedded program needs them) but not interpreted.
// Optional tables (OS/2, post, name) fall back to values derived from the others.
#ifndef KAVELTAR_PDF_TRUETYPE_H_
#define KAVELTAR_PDF_TRUETYPE_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace kaveltar::pdf_internal {

struct TrueTypeFont {
  std::string postscript_name;  // letters, digits and "-" only; a PDF name as it stands
  std::string family_name;
  bool bold = false;
  bool italic = false;
  bool fixed_pitch = false;
  bool symbolic = false;  // the cmap has only a symbol subtable
  // Metrics in thousandths of the font size.
  uint16_t widths[256] = {};  // codes of the Windows code page (WinAnsiEncoding)
  int bbox[4] = {};
  int ascent = 0, descent = 0, cap_height = 0, x_height = 0;
  int missing_width = 0, max_width = 0, avg_width = 0, stem_v = 0;
  double italic_angle = 0;
  int flags = 0;        // FontDescriptor flags
  std::string program;  // the whole file, embedded as FontFile2
};

// Reads a TrueType file. Returns false with an Italian reason when it is not one.
bool ParseTrueType(std::string_view data, TrueTypeFont* font, std::string* reason);

// The Unicode code point of a Windows-1252 code (0 for the five unassigned codes).
uint32_t WinAnsiToUnicode(uint8_t code);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_TRUETYPE_H_
