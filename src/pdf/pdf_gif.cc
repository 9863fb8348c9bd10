#include "pdf/pdf_gif.h"

#include <cstdint>

#include "pdf/pdf_images.h"

namespace kaveltar::pdf_internal {

namespace {

struct Bad {
  const char* reason;
};

struct Cursor {
  std::string_view d;
  size_t pos = 0;
  uint32_t U8() {
    if (pos >= d.size()) throw Bad{"file GIF troncato"};
    return static_cast<uint8_t>(d[pos++]);
  }
  uint32_t U16() {
    const uint32_t lo = U8();
    return lo | (U8() << 8);
  }
  std::string_view Take(size_t n) {
    if (n > d.size() - pos) throw Bad{"file GIF troncato"};
    const std::string_view out = d.substr(pos, n);
    pos += n;
    return out;
  }
  // Joins the sub-blocks that follow into one buffer (or skips them when out is null).
  void SubBlocks(std::string* out) {
    for (;;) {
      const uint32_t n = U8();
      if (n == 0) return;
      const std::string_view block = Take(n);
      if (out != nullptr) out->append(block);
    }
  }
};

// Decodes GIF's LZW data into exactly `count` indices.
void DecodeLzw(std::string_view data, int min_size, size_t count, std::string* out) {
  const uint32_t clear = 1u << min_size, end = clear + 1;
  uint16_t prefix[4096];
  uint8_t suffix[4096];
  uint8_t first[4096];
  uint8_t stack[4097];
  for (uint32_t i = 0; i < clear; ++i) {
    prefix[i] = 0xFFFF;
    suffix[i] = static_cast<uint8_t>(i);
    first[i] = static_cast<uint8_t>(i);
  }
  uint32_t width = static_cast<uint32_t>(min_size) + 1, next = end + 1;
  int previous = -1;
  uint32_t bits = 0, have = 0;
  size_t at = 0;
  out->clear();
  out->reserve(count);
  while (out->size() < count) {
    while (have < width) {
      if (at >= data.size()) throw Bad{"dati GIF troncati"};
      bits |= static_cast<uint32_t>(static_cast<uint8_t>(data[at++])) << have;
      have += 8;
    }
    const uint32_t code = bits & ((1u << width) - 1);
    bits >>= width;
    have -= width;
    if (code == clear) {
      width = static_cast<uint32_t>(min_size) + 1;
      next = end + 1;
      previous = -1;
      continue;
    }
    if (code == end) throw Bad{"dati GIF troncati"};
    uint32_t walk;
    size_t depth = 0;
    if (previous < 0) {
      if (code >= clear) throw Bad{"codice GIF non valido"};
      out->push_back(static_cast<char>(code));
      previous = static_cast<int>(code);
      continue;
    }
    uint8_t head;
    if (code < next) {
      walk = code;
      head = first[code];
    } else if (code == next) {
      // The code being defined: the previous string plus its own first byte.
      head = first[previous];
      stack[depth++] = head;
      walk = static_cast<uint32_t>(previous);
    } else {
      throw Bad{"codice GIF non valido"};
    }
    while (walk != 0xFFFF && walk >= clear) {
      stack[depth++] = suffix[walk];
      walk = prefix[walk];
    }
    if (walk != 0xFFFF) stack[depth++] = suffix[walk];
    while (depth > 0 && out->size() < count) out->push_back(static_cast<char>(stack[--depth]));
    if (next < 4096) {
      prefix[next] = static_cast<uint16_t>(previous);
      suffix[next] = head;
      first[next] = first[previous];
      ++next;
      if (next == (1u << width) && width < 12) ++width;
    }
    previous = static_cast<int>(code);
  }
}

}  // namespace

bool DecodeGif(std::string_view data, IndexedImage* image, std::string* reason) {
  try {
    if (data.size() < 13 || (data.substr(0, 6) != "GIF87a" && data.substr(0, 6) != "GIF89a")) {
      throw Bad{"non è un file GIF"};
    }
    Cursor c{data, 6};
    c.U16();
    c.U16();
    const uint32_t flags = c.U8();
    c.U8();
    c.U8();
    std::string palette;
    if (flags & 0x80) palette.assign(c.Take(3u << ((flags & 7) + 1)));
    int transparent = -1;
    for (;;) {
      const uint32_t block = c.U8();
      if (block == 0x3B) throw Bad{"il file GIF non contiene immagini"};
      if (block == 0x21) {
        const uint32_t label = c.U8();
        if (label == 0xF9) {
          std::string control;
          c.SubBlocks(&control);
          if (control.size() >= 4 && (static_cast<uint8_t>(control[0]) & 1)) {
            transparent = static_cast<uint8_t>(control[3]);
          }
        } else {
          c.SubBlocks(nullptr);
        }
        continue;
      }
      if (block != 0x2C) throw Bad{"blocco GIF non valido"};
      c.U16();
      c.U16();
      const uint32_t width = c.U16(), height = c.U16();
      const uint32_t image_flags = c.U8();
      if (image_flags & 0x80) palette.assign(c.Take(3u << ((image_flags & 7) + 1)));
      if (palette.empty()) throw Bad{"tavolozza GIF mancante"};
      if (width == 0 || height == 0 || static_cast<long long>(width) * height > kMaxImagePixels) {
        throw Bad{"dimensioni GIF non valide"};
      }
      const uint32_t min_size = c.U8();
      if (min_size < 2 || min_size > 8) throw Bad{"codifica GIF non valida"};
      std::string lzw;
      c.SubBlocks(&lzw);
      const size_t count = static_cast<size_t>(width) * height;
      std::string decoded;
      DecodeLzw(lzw, static_cast<int>(min_size), count, &decoded);
      const size_t entries = palette.size() / 3;
      for (char index : decoded) {
        if (static_cast<uint8_t>(index) >= entries) throw Bad{"indice di colore GIF non valido"};
      }
      if (image_flags & 0x40) {
        std::string rows(count, '\0');
        size_t source = 0;
        static const uint32_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
          for (uint32_t y = kStart[pass]; y < height; y += kStep[pass]) {
            rows.replace(static_cast<size_t>(y) * width, width, decoded, source, width);
            source += width;
          }
        }
        decoded.swap(rows);
      }
      image->width = static_cast<int>(width);
      image->height = static_cast<int>(height);
      image->palette = std::move(palette);
      image->indices = std::move(decoded);
      image->transparent =
          transparent >= 0 && static_cast<size_t>(transparent) < entries ? transparent : -1;
      return true;
    }
  } catch (const Bad& bad) {
    if (reason != nullptr) *reason = bad.reason;
    return false;
  }
}

}  // namespace kaveltar::pdf_internal
