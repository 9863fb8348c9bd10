#include "pdf/pdf_images.h"

#include <cstdint>
#include <cstring>

namespace kaveltar::pdf_internal {

namespace {

uint32_t Le16(std::string_view d, size_t at) {
  return static_cast<uint8_t>(d[at]) | (static_cast<uint8_t>(d[at + 1]) << 8);
}

uint32_t Le32(std::string_view d, size_t at) {
  return Le16(d, at) | (Le16(d, at + 2) << 16);
}

uint32_t Be16(std::string_view d, size_t at) {
  return (static_cast<uint8_t>(d[at]) << 8) | static_cast<uint8_t>(d[at + 1]);
}

bool Fail(std::string* reason, const char* text) {
  if (reason != nullptr) *reason = text;
  return false;
}

// One colour channel described by a bit mask of a BMP pixel.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (mask == 0) return;
    while (((mask >> shift) & 1) == 0) ++shift;
    max = mask >> shift;
  }
  uint8_t Get(uint32_t pixel, uint8_t absent) const {
    if (mask == 0) return absent;
    const uint64_t v = (pixel & mask) >> shift;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
  }
};

}  // namespace

bool ParseJpeg(std::string_view data, JpegInfo* info, std::string* reason) {
  const size_t n = data.size();
  if (n < 4 || static_cast<uint8_t>(data[0]) != 0xFF || static_cast<uint8_t>(data[1]) != 0xD8) {
    return Fail(reason, "non è un file JPEG");
  }
  JpegInfo found;
  bool have_frame = false;
  size_t pos = 2;
  while (pos < n) {
    if (static_cast<uint8_t>(data[pos]) != 0xFF) return Fail(reason, "marcatore JPEG non valido");
    while (pos < n && static_cast<uint8_t>(data[pos]) == 0xFF) ++pos;
    if (pos >= n) break;
    const uint8_t marker = static_cast<uint8_t>(data[pos++]);
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
    if (marker == 0xD9 || marker == 0xDA) break;  // end of image, start of scan
    if (n - pos < 2) return Fail(reason, "file JPEG troncato");
    const size_t length = Be16(data, pos);
    if (length < 2 || length > n - pos) return Fail(reason, "file JPEG troncato");
    const size_t body = pos + 2;
    const size_t body_length = length - 2;
    switch (marker) {
      case 0xC0:
      case 0xC1:
      case 0xC2:
        if (body_length < 6) return Fail(reason, "intestazione JPEG non valida");
        if (static_cast<uint8_t>(data[body]) != 8) return Fail(reason, "JPEG non a 8 bit");
        found.height = static_cast<int>(Be16(data, body + 1));
        found.width = static_cast<int>(Be16(data, body + 3));
        found.components = static_cast<uint8_t>(data[body + 5]);
        have_frame = true;
        break;
      case 0xC3: case 0xC5: case 0xC6: case 0xC7: case 0xC9: case 0xCA: case 0xCB:
      case 0xCD: case 0xCE: case 0xCF:
        return Fail(reason, "codifica JPEG non gestita");
      case 0xEE:
        if (body_length >= 5 && data.substr(body, 5) == "Adobe") found.adobe_inverted = true;
        break;
      default:
        break;
    }
    pos = body + body_length;
  }
  if (!have_frame) return Fail(reason, "intestazione JPEG mancante");
  if (found.width <= 0 || found.height <= 0) return Fail(reason, "dimensioni JPEG non valide");
  if (found.components != 1 && found.components != 3 && found.components != 4) {
    return Fail(reason, "colori JPEG non gestiti");
  }
  *info = found;
  return true;
}

bool DecodeBmp(std::string_view data, RasterImage* image, std::string* reason) {
  const size_t n = data.size();
  if (n < 26 || data[0] != 'B' || data[1] != 'M') return Fail(reason, "non è un file BMP");
  const uint32_t pixel_offset = Le32(data, 10);
  const uint32_t header_size = Le32(data, 14);
  int64_t width, height;
  int bits;
  uint32_t compression = 0;
  uint32_t colours_used = 0;
  size_t palette_entry = 4;
  size_t palette_at = 14 + static_cast<size_t>(header_size);
  uint32_t masks[4] = {0, 0, 0, 0};

  if (header_size == 12) {
    width = Le16(data, 18);
    height = Le16(data, 20);
    bits = static_cast<int>(Le16(data, 24));
    palette_entry = 3;
  } else if (header_size == 40 || header_size == 52 || header_size == 56 || header_size == 108 ||
             header_size == 124) {
    if (n < 14 + static_cast<size_t>(header_size)) return Fail(reason, "file BMP troncato");
    width = static_cast<int32_t>(Le32(data, 18));
    height = static_cast<int32_t>(Le32(data, 22));
    bits = static_cast<int>(Le16(data, 28));
    compression = Le32(data, 30);
    colours_used = Le32(data, 46);
    if (header_size >= 52) {
      masks[0] = Le32(data, 54);
      masks[1] = Le32(data, 58);
      masks[2] = Le32(data, 62);
    }
    if (header_size >= 56) masks[3] = Le32(data, 66);
    if (header_size == 40 && compression == 3) {
      if (n < 66) return Fail(reason, "file BMP troncato");
      masks[0] = Le32(data, 54);
      masks[1] = Le32(data, 58);
      masks[2] = Le32(data, 62);
      palette_at += 12;
    }
  } else {
    return Fail(reason, "intestazione BMP non gestita");
  }

  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (width <= 0 || height <= 0 || width * height > kMaxImagePixels) {
    return Fail(reason, "dimensioni BMP non valide");
  }
  const bool paletted = bits == 1 || bits == 4 || bits == 8;
  if (!paletted && bits != 16 && bits != 24 && bits != 32) {
    return Fail(reason, "profondità di colore BMP non gestita");
  }
  if (compression == 3) {
    if (bits != 16 && bits != 32) return Fail(reason, "compressione BMP non gestita");
  } else if (compression != 0) {
    return Fail(reason, "compressione BMP non gestita");
  } else if (bits == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
  } else if (bits == 32) {
    masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF, masks[3] = 0;
  }

  // Palette.
  uint8_t palette[256][3] = {};
  if (paletted) {
    size_t count = colours_used == 0 ? (size_t{1} << bits) : colours_used;
    if (count > (size_t{1} << bits)) count = size_t{1} << bits;
    if (palette_at > n || count * palette_entry > n - palette_at) {
      return Fail(reason, "tavolozza BMP troncata");
    }
    for (size_t i = 0; i < count; ++i) {
      const size_t at = palette_at + i * palette_entry;
      palette[i][0] = static_cast<uint8_t>(data[at + 2]);
      palette[i][1] = static_cast<uint8_t>(data[at + 1]);
      palette[i][2] = static_cast<uint8_t>(data[at]);
    }
  }

  // Pixel rows.
  const uint64_t stride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
  if (pixel_offset > n || stride * static_cast<uint64_t>(height) > n - pixel_offset) {
    return Fail(reason, "dati BMP troncati");
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  const auto w = static_cast<size_t>(width);
  const auto h = static_cast<size_t>(height);
  std::string rgb(w * h * 3, '\0');
  std::string alpha_plane;
  if (masks[3] != 0) alpha_plane.assign(w * h, '\xFF');
  bool translucent = false;

  for (size_t row = 0; row < h; ++row) {
    const size_t source_row = top_down ? row : h - 1 - row;
    const auto* src = reinterpret_cast<const uint8_t*>(data.data()) + pixel_offset + source_row * stride;
    auto* dst = reinterpret_cast<uint8_t*>(rgb.data()) + row * w * 3;
    for (size_t x = 0; x < w; ++x, dst += 3) {
      if (paletted) {
        unsigned index;
        if (bits == 8) {
          index = src[x];
        } else if (bits == 4) {
          index = (src[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F;
        } else {
          index = (src[x / 8] >> (7 - (x & 7))) & 1;
        }
        std::memcpy(dst, palette[index], 3);
        continue;
      }
      if (bits == 24) {
        dst[0] = src[x * 3 + 2];
        dst[1] = src[x * 3 + 1];
        dst[2] = src[x * 3];
        continue;
      }
      uint32_t pixel;
      if (bits == 16) {
        pixel = src[x * 2] | (src[x * 2 + 1] << 8);
      } else {
        pixel = src[x * 4] | (src[x * 4 + 1] << 8) | (src[x * 4 + 2] << 16) |
                (static_cast<uint32_t>(src[x * 4 + 3]) << 24);
      }
      dst[0] = red.Get(pixel, 0);
      dst[1] = green.Get(pixel, 0);
      dst[2] = blue.Get(pixel, 0);
      if (!alpha_plane.empty()) {
        const uint8_t a = alpha.Get(pixel, 255);
        alpha_plane[row * w + x] = static_cast<char>(a);
        if (a != 255) translucent = true;
      }
    }
  }
  if (!translucent) alpha_plane.clear();
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->rgb = std::move(rgb);
  image->alpha = std::move(alpha_plane);
  return true;
}

}  // namespace kaveltar::pdf_internal
