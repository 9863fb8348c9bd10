#include "pdf/truetype.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace kaveltar::pdf_internal {

namespace {

struct Bad {
  const char* reason;
};

// A table: every read is checked against its length.
struct Table {
  std::string_view d;
  bool present = false;

  uint32_t U8(size_t at) const {
    if (at >= d.size()) throw Bad{"tabella del carattere troncata"};
    return static_cast<uint8_t>(d[at]);
  }
  uint32_t U16(size_t at) const { return (U8(at) << 8) | U8(at + 1); }
  int S16(size_t at) const { return static_cast<int16_t>(U16(at)); }
  uint32_t U32(size_t at) const { return (U16(at) << 16) | U16(at + 2); }
};

constexpr uint16_t kWinAnsiHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Glyph of a character through a format 4 or 12 subtable; 0 when absent.
uint32_t GlyphOf(const Table& cmap, size_t sub, uint32_t ch) {
  const uint32_t format = cmap.U16(sub);
  if (format == 4) {
    const size_t segs = cmap.U16(sub + 6) / 2;
    const size_t ends = sub + 14, starts = ends + segs * 2 + 2, deltas = starts + segs * 2,
                 ranges = deltas + segs * 2;
    for (size_t i = 0; i < segs; ++i) {
      if (ch > cmap.U16(ends + i * 2)) continue;
      const uint32_t start = cmap.U16(starts + i * 2);
      if (ch < start) return 0;
      const uint32_t delta = cmap.U16(deltas + i * 2);
      const uint32_t range = cmap.U16(ranges + i * 2);
      if (range == 0) return (ch + delta) & 0xFFFF;
      const uint32_t glyph = cmap.U16(ranges + i * 2 + range + (ch - start) * 2);
      return glyph == 0 ? 0 : (glyph + delta) & 0xFFFF;
    }
    return 0;
  }
  if (format == 12) {
    const uint32_t groups = cmap.U32(sub + 12);
    if (groups > cmap.d.size() / 12 || groups > 65536) throw Bad{"tabella cmap non valida"};
    for (uint32_t i = 0; i < groups; ++i) {
      const size_t g = sub + 16 + static_cast<size_t>(i) * 12;
      const uint32_t start = cmap.U32(g), end = cmap.U32(g + 4);
      if (ch >= start && ch <= end) return cmap.U32(g + 8) + (ch - start);
    }
    return 0;
  }
  if (format == 0) return ch < 256 ? cmap.U8(sub + 6 + ch) : 0;
  return 0;
}

std::string NameString(const Table& name, uint32_t wanted_id) {
  if (!name.present) return "";
  const uint32_t count = name.U16(2);
  const size_t storage = name.U16(4);
  std::string best;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t r = 6 + static_cast<size_t>(i) * 12;
    const uint32_t platform = name.U16(r), id = name.U16(r + 6);
    if (id != wanted_id) continue;
    const size_t length = name.U16(r + 8), offset = storage + name.U16(r + 10);
    std::string text;
    if (platform == 3 || platform == 0) {
      for (size_t k = 0; k + 1 < length; k += 2) {
        const uint32_t c = name.U16(offset + k);
        text.push_back(c < 128 ? static_cast<char>(c) : '?');
      }
    } else if (platform == 1) {
      for (size_t k = 0; k < length; ++k) text.push_back(static_cast<char>(name.U8(offset + k)));
    } else {
      continue;
    }
    if (!text.empty() && (best.empty() || platform == 3)) best = text;
  }
  return best;
}

int Scale(double value, double units) {
  return static_cast<int>(std::lround(value * 1000 / units));
}

// The tables of the font by tag, each checked to lie inside the file.
std::map<std::string, Table> TableDirectory(std::string_view data, const Table& file) {
  const uint32_t count = file.U16(4);
  std::map<std::string, Table> tables;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t r = 12 + static_cast<size_t>(i) * 16;
    file.U32(r + 12);  // the whole record is present
    const std::string tag(data.substr(r, 4));
    const uint32_t offset = file.U32(r + 8), length = file.U32(r + 12);
    if (offset > data.size() || length > data.size() - offset) {
      throw Bad{"tabella del carattere oltre la fine del file"};
    }
    tables[tag] = Table{data.substr(offset, length), true};
  }
  return tables;
}

// The cmap subtables to use (offsets in `cmap`, 0 when absent): Unicode first, then symbol.
void FindCmapSubtables(const Table& cmap, size_t* unicode, size_t* symbol) {
  const uint32_t subtables = cmap.U16(2);
  for (uint32_t i = 0; i < subtables; ++i) {
    const size_t r = 4 + static_cast<size_t>(i) * 8;
    const uint32_t platform = cmap.U16(r), encoding = cmap.U16(r + 2);
    const size_t offset = cmap.U32(r + 4);
    const uint32_t format = cmap.U16(offset);
    if (format != 4 && format != 12 && format != 0) continue;
    if ((platform == 3 && (encoding == 1 || encoding == 10)) || platform == 0) {
      if (*unicode == 0 || format == 4) *unicode = offset;
    } else if (platform == 3 && encoding == 0) {
      *symbol = offset;
    }
  }
}

// The OS/2 and post tables' metrics (embedding allowed, average width, x and cap height,
// stem, italic angle, fixed pitch), with estimates for what they do not give.
void ReadStyleMetrics(const Table& os2, const Table& post, double units, TrueTypeFont* out) {
  int weight = out->bold ? 700 : 400;
  if (os2.present) {
    if ((os2.U16(8) & 0x000F) == 0x0002) throw Bad{"il carattere non consente l'incorporazione"};
    out->avg_width = Scale(os2.S16(2), units);
    weight = static_cast<int>(os2.U16(4));
    if (os2.U16(0) >= 2 && os2.d.size() >= 90) {
      out->x_height = Scale(os2.S16(86), units);
      out->cap_height = Scale(os2.S16(88), units);
    }
  }
  if (out->cap_height == 0) out->cap_height = out->ascent;
  if (out->x_height == 0) out->x_height = out->ascent / 2;
  if (out->avg_width == 0) out->avg_width = out->widths[static_cast<int>('x')];
  // The usual estimate of the vertical stem from the weight class.
  out->stem_v = 50 + static_cast<int>(std::pow(weight / 65.0, 2));
  if (post.present) {
    out->italic_angle = static_cast<int32_t>(post.U32(4)) / 65536.0;
    out->fixed_pitch = post.U32(12) != 0;
  }
  if (out->italic_angle != 0) out->italic = true;
}

// The PostScript name: the name table's, letters, digits and '-' only; else the family's
// letters and digits; else "TrueTypeFont".
std::string PostScriptName(const std::string& given, const std::string& family) {
  std::string clean;
  for (char c : given) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') {
      clean.push_back(c);
    }
  }
  if (clean.empty()) {
    for (char c : family) {
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        clean.push_back(c);
    }
  }
  if (clean.empty()) clean = "TrueTypeFont";
  return clean;
}

}  // namespace

uint32_t WinAnsiToUnicode(uint8_t code) {
  if (code >= 0x80 && code < 0xA0) return kWinAnsiHigh[code - 0x80];
  return code;
}

bool ParseTrueType(std::string_view data, TrueTypeFont* font, std::string* reason) {
  try {
    const Table file{data, true};
    const uint32_t version = file.U32(0);
    if (version != 0x00010000 && version != 0x74727565) throw Bad{"non è un carattere TrueType"};
    std::map<std::string, Table> tables = TableDirectory(data, file);
    for (const char* needed : {"head", "hhea", "hmtx", "cmap", "glyf", "loca"}) {
      if (!tables[needed].present) throw Bad{"tabella del carattere mancante"};
    }
    const Table& head = tables["head"];
    const Table& hhea = tables["hhea"];
    const Table& hmtx = tables["hmtx"];
    const Table& cmap = tables["cmap"];
    const Table& os2 = tables["OS/2"];
    const Table& post = tables["post"];
    const Table& name = tables["name"];

    TrueTypeFont out;
    const double units = head.U16(18);
    if (units < 16 || units > 16384) throw Bad{"unità del carattere non valide"};
    for (int i = 0; i < 4; ++i) out.bbox[i] = Scale(head.S16(36 + i * 2), units);
    const uint32_t mac_style = head.U16(44);
    out.bold = (mac_style & 1) != 0;
    out.italic = (mac_style & 2) != 0;

    const uint32_t metrics = hhea.U16(34);
    if (metrics == 0) throw Bad{"metriche orizzontali mancanti"};
    hmtx.U16(static_cast<size_t>(metrics) * 4 - 4);  // the table holds them all
    auto advance = [&](uint32_t glyph) {
      return Scale(hmtx.U16(static_cast<size_t>(std::min(glyph, metrics - 1)) * 4), units);
    };

    size_t unicode = 0, symbol = 0;
    FindCmapSubtables(cmap, &unicode, &symbol);
    if (unicode == 0 && symbol == 0) throw Bad{"tabella cmap senza caratteri Unicode"};
    out.symbolic = unicode == 0;
    out.missing_width = advance(0);
    for (int code = 0; code < 256; ++code) {
      const uint32_t glyph =
          unicode != 0 ? GlyphOf(cmap, unicode, WinAnsiToUnicode(static_cast<uint8_t>(code)))
                       : GlyphOf(cmap, symbol, 0xF000 + static_cast<uint32_t>(code));
      out.widths[code] = static_cast<uint16_t>(std::clamp(advance(glyph), 0, 65535));
    }
    out.max_width = Scale(hhea.U16(10), units);
    out.ascent = Scale(hhea.S16(4), units);
    out.descent = Scale(hhea.S16(6), units);

    ReadStyleMetrics(os2, post, units, &out);

    out.family_name = NameString(name, 1);
    out.postscript_name = PostScriptName(NameString(name, 6), out.family_name);
    if (out.family_name.empty()) out.family_name = out.postscript_name;

    // Flags: 1 fixed pitch, 4 symbolic, 32 non-symbolic, 64 italic, 262144 force bold.
    out.flags = (out.fixed_pitch ? 1 : 0) | (out.symbolic ? 4 : 32) | (out.italic ? 64 : 0) |
                (out.bold ? 262144 : 0);
    out.program.assign(data);
    *font = std::move(out);
    return true;
  } catch (const Bad& bad) {
    if (reason != nullptr) *reason = bad.reason;
    return false;
  }
}

}  // namespace kaveltar::pdf_internal
