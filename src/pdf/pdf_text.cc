#include "pdf/pdf_text.h"

#include <cstdint>

#include "pdf/font_metrics.h"

namespace kaveltar::pdf_internal {

namespace {

// Unicode of the Windows-1252 codes 0x80-0x9F; 0 where the code page has no character.
constexpr uint16_t kWinAnsiHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char WinAnsiCode(long cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kWinAnsiHigh[i] == cp && cp != 0) return static_cast<char>(0x80 + i);
  }
  return '?';
}

char MacRomanCode(long cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  for (int i = 0; i < 128; ++i) {
    if (kMacRomanHigh[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

template <typename Map>
void Convert(std::string_view text, std::string* out, Map map, bool raw_is_winansi) {
  out->reserve(out->size() + text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    // Plain ASCII goes across in runs.
    size_t run_end = pos;
    while (run_end < text.size() && static_cast<unsigned char>(text[run_end]) < 0x80) ++run_end;
    if (run_end > pos) {
      out->append(text.data() + pos, run_end - pos);
      pos = run_end;
      continue;
    }
    const auto byte = static_cast<unsigned char>(text[pos]);
    const long cp = DecodeUtf8(text, &pos);
    if (cp >= 0) {
      out->push_back(map(cp));
    } else if (raw_is_winansi) {
      out->push_back(static_cast<char>(byte));
    } else {
      // A stray Windows-1252 byte: through its character into the target code page.
      const long win = byte >= 0xA0 ? byte : kWinAnsiHigh[byte - 0x80];
      out->push_back(win == 0 ? '?' : map(win));
    }
  }
}

}  // namespace

long DecodeUtf8(std::string_view text, size_t* pos) {
  const size_t start = *pos;
  const auto lead = static_cast<unsigned char>(text[start]);
  int extra;
  long cp;
  long minimum;
  if (lead < 0x80) {
    *pos = start + 1;
    return lead;
  }
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    *pos = start + 1;
    return -1;
  }
  if (text.size() - start <= static_cast<size_t>(extra)) {
    *pos = start + 1;
    return -1;
  }
  for (int i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(text[start + i]);
    if ((next & 0xC0) != 0x80) {
      *pos = start + 1;
      return -1;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    *pos = start + 1;
    return -1;
  }
  *pos = start + 1 + extra;
  return cp;
}

void Utf8ToWinAnsi(std::string_view text, std::string* out) {
  Convert(text, out, WinAnsiCode, true);
}

void Utf8ToMacRoman(std::string_view text, std::string* out) {
  Convert(text, out, MacRomanCode, false);
}

void AppendEscaped(std::string_view bytes, std::string* out) {
  size_t run_start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c != '\\' && c != '(' && c != ')' && c != '\r' && c != '\n') continue;
    out->append(bytes.substr(run_start, i - run_start));
    out->push_back('\\');
    out->push_back(c == '\r' ? 'r' : c == '\n' ? 'n' : c);
    run_start = i + 1;
  }
  out->append(bytes.substr(run_start));
}

std::string TextStringBytes(std::string_view utf8) {
  std::string latin;
  bool single_byte = true;
  size_t pos = 0;
  while (pos < utf8.size()) {
    long cp = DecodeUtf8(utf8, &pos);
    if (cp < 0) {
      // A stray Windows-1252 byte: take its character.
      const auto byte = static_cast<unsigned char>(utf8[pos - 1]);
      cp = byte >= 0xA0 ? byte : kWinAnsiHigh[byte - 0x80];
      if (cp == 0) cp = '?';
    }
    if (!((cp >= 0x20 && cp < 0x7F) || (cp >= 0xA0 && cp <= 0xFF && cp != 0xAD) || cp == '\t' ||
          cp == '\r' || cp == '\n')) {
      single_byte = false;
    }
    latin.push_back(static_cast<char>(cp & 0xFF));
  }
  if (single_byte) return latin;

  std::string wide = "\xFE\xFF";
  pos = 0;
  while (pos < utf8.size()) {
    long cp = DecodeUtf8(utf8, &pos);
    if (cp < 0) {
      const auto byte = static_cast<unsigned char>(utf8[pos - 1]);
      cp = byte >= 0xA0 ? byte : kWinAnsiHigh[byte - 0x80];
      if (cp == 0) cp = '?';
    }
    if (cp >= 0x10000) {
      const long v = cp - 0x10000;
      const long high = 0xD800 + (v >> 10);
      const long low = 0xDC00 + (v & 0x3FF);
      wide += {static_cast<char>(high >> 8), static_cast<char>(high & 0xFF),
               static_cast<char>(low >> 8), static_cast<char>(low & 0xFF)};
    } else {
      wide += {static_cast<char>(cp >> 8), static_cast<char>(cp & 0xFF)};
    }
  }
  return wide;
}

}  // namespace kaveltar::pdf_internal
