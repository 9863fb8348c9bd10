#include "pdf/pdf_tga.h"

#include <cstdint>

namespace kaveltar::pdf_internal {

namespace {

struct Bad {
  const char* reason;
};

uint32_t Le16(std::string_view d, size_t at) {
  return static_cast<uint8_t>(d[at]) | (static_cast<uint8_t>(d[at + 1]) << 8);
}

// One pixel of `bits` at p as r, g, b, a.
void Colour(const uint8_t* p, int bits, uint8_t out[4]) {
  switch (bits) {
    case 8:
      out[0] = out[1] = out[2] = p[0];
      out[3] = 255;
      break;
    case 15:
    case 16: {
      const uint32_t v = p[0] | (p[1] << 8);
      auto five = [](uint32_t x) { return static_cast<uint8_t>((x << 3) | (x >> 2)); };
      out[0] = five((v >> 10) & 31);
      out[1] = five((v >> 5) & 31);
      out[2] = five(v & 31);
      out[3] = 255;
      break;
    }
    case 24:
      out[0] = p[2], out[1] = p[1], out[2] = p[0], out[3] = 255;
      break;
    default:
      out[0] = p[2], out[1] = p[1], out[2] = p[0], out[3] = p[3];
      break;
  }
}

// The colour map at `*pos` (moved past it), expanded to r, g, b, a per entry when `used`
// (a colour-mapped image); empty otherwise.
std::string ReadColourMap(std::string_view data, bool used, uint32_t map_first, uint32_t map_count,
                          int map_bits, size_t* pos) {
  if (map_bits != 15 && map_bits != 16 && map_bits != 24 && map_bits != 32)
    throw Bad{"tavolozza TGA non valida"};
  const size_t entry = static_cast<size_t>(map_bits + 7) / 8;
  if (*pos > data.size() || entry * map_count > data.size() - *pos) throw Bad{"file TGA troncato"};
  std::string map;
  if (used) {
    const auto* u = reinterpret_cast<const uint8_t*>(data.data());
    map.assign(static_cast<size_t>(map_first + map_count) * 4, '\0');
    for (uint32_t i = 0; i < map_count; ++i) {
      Colour(u + *pos + i * entry, map_bits, reinterpret_cast<uint8_t*>(&map[(map_first + i) * 4]));
    }
  }
  *pos += entry * map_count;
  return map;
}

// The `count` pixels of `bytes` each from `pos`, in file order, run-length packets expanded.
std::string ReadPixels(std::string_view data, size_t pos, size_t bytes, size_t count, bool rle) {
  std::string raw;
  if (!rle) {
    if (pos > data.size() || bytes * count > data.size() - pos) throw Bad{"dati TGA troncati"};
    raw.assign(data.substr(pos, bytes * count));
    return raw;
  }
  raw.reserve(bytes * count);
  while (raw.size() < bytes * count) {
    if (pos >= data.size()) throw Bad{"dati TGA troncati"};
    const uint8_t packet = static_cast<uint8_t>(data[pos++]);
    const size_t n = (packet & 0x7F) + 1u;
    if (packet & 0x80) {
      if (bytes > data.size() - pos) throw Bad{"dati TGA troncati"};
      for (size_t i = 0; i < n; ++i) raw.append(data.substr(pos, bytes));
      pos += bytes;
    } else {
      if (bytes * n > data.size() - pos) throw Bad{"dati TGA troncati"};
      raw.append(data.substr(pos, bytes * n));
      pos += bytes * n;
    }
  }
  raw.resize(bytes * count);
  return raw;
}

}  // namespace

bool DecodeTga(std::string_view data, RasterImage* image, std::string* reason) {
  try {
    if (data.size() < 18) throw Bad{"non è un file TGA"};
    const auto* u = reinterpret_cast<const uint8_t*>(data.data());
    const int id_length = u[0], map_type = u[1], type = u[2];
    const uint32_t map_first = Le16(data, 3), map_count = Le16(data, 5);
    const int map_bits = u[7];
    const uint32_t width = Le16(data, 12), height = Le16(data, 14);
    const int bits = u[16], descriptor = u[17];
    const int kind = type & 7;
    const bool rle = (type & 8) != 0;
    if ((kind != 1 && kind != 2 && kind != 3) || (type & ~0xB) != 0 || map_type > 1) {
      throw Bad{"tipo di file TGA non gestito"};
    }
    if (kind == 1 && (map_type != 1 || bits != 8)) throw Bad{"tavolozza TGA non valida"};
    if (kind == 2 && bits != 15 && bits != 16 && bits != 24 && bits != 32) {
      throw Bad{"profondità di colore TGA non gestita"};
    }
    if (kind == 3 && bits != 8) throw Bad{"profondità di grigio TGA non gestita"};
    if (width == 0 || height == 0 || static_cast<long long>(width) * height > kMaxImagePixels) {
      throw Bad{"dimensioni TGA non valide"};
    }
    size_t pos = 18 + static_cast<size_t>(id_length);
    std::string map;
    if (map_type == 1) map = ReadColourMap(data, kind == 1, map_first, map_count, map_bits, &pos);
    const size_t bytes = static_cast<size_t>(bits + 7) / 8;
    const size_t count = static_cast<size_t>(width) * height;
    const bool has_alpha = bits == 32 && (descriptor & 15) != 0;

    const std::string raw = ReadPixels(data, pos, bytes, count, rle);

    std::string rgb(count * 3, '\0');
    std::string alpha;
    if (has_alpha) alpha.assign(count, '\xFF');
    bool translucent = false;
    const bool top_down = (descriptor & 0x20) != 0, right_to_left = (descriptor & 0x10) != 0;
    const auto* src = reinterpret_cast<const uint8_t*>(raw.data());
    for (size_t i = 0; i < count; ++i) {
      const size_t file_row = i / width, file_col = i % width;
      const size_t row = top_down ? file_row : height - 1 - file_row;
      const size_t col = right_to_left ? width - 1 - file_col : file_col;
      const size_t at = row * width + col;
      uint8_t px[4];
      if (kind == 1) {
        const size_t index = src[i];
        if (index < map_first || (index + 1) * 4 > map.size())
          throw Bad{"indice di colore TGA non valido"};
        for (int k = 0; k < 4; ++k) px[k] = static_cast<uint8_t>(map[index * 4 + k]);
      } else {
        Colour(src + i * bytes, bits, px);
      }
      rgb[at * 3] = static_cast<char>(px[0]);
      rgb[at * 3 + 1] = static_cast<char>(px[1]);
      rgb[at * 3 + 2] = static_cast<char>(px[2]);
      if (has_alpha) {
        alpha[at] = static_cast<char>(px[3]);
        if (px[3] != 255) translucent = true;
      }
    }
    if (!translucent) alpha.clear();
    image->width = static_cast<int>(width);
    image->height = static_cast<int>(height);
    image->rgb = std::move(rgb);
    image->alpha = std::move(alpha);
    return true;
  } catch (const Bad& bad) {
    if (reason != nullptr) *reason = bad.reason;
    return false;
  }
}

}  // namespace kaveltar::pdf_internal
