#include "pdf/pdf_images.h"

#include <cstdint>
#include <cstring>

namespace kaveltar::pdf_internal {

namespace {

uint32_t Le16(std::string_view d, size_t at) {
  return static_cast<uint8_t>(d[at]) | (static_cast<uint8_t>(d[at + 1]) << 8);
}

uint32_t Le32(std::string_view d, size_t at) { return Le16(d, at) | (Le16(d, at + 2) << 16); }

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
      case 0xC3:
      case 0xC5:
      case 0xC6:
      case 0xC7:
      case 0xC9:
      case 0xCA:
      case 0xCB:
      case 0xCD:
      case 0xCE:
      case 0xCF:
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

namespace {

// What the BMP headers say about the pixels.
struct BmpLayout {
  int64_t width = 0;
  int64_t height = 0;
  int bits = 0;
  uint32_t compression = 0;
  uint32_t colours_used = 0;
  size_t palette_entry = 4;
  size_t palette_at = 0;
  uint32_t pixel_offset = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
};

// The file and information headers (core, version 3 to 5).
bool ReadBmpHeaders(std::string_view data, BmpLayout* bmp, std::string* reason) {
  const size_t n = data.size();
  if (n < 26 || data[0] != 'B' || data[1] != 'M') return Fail(reason, "non è un file BMP");
  bmp->pixel_offset = Le32(data, 10);
  const uint32_t header_size = Le32(data, 14);
  bmp->palette_at = 14 + static_cast<size_t>(header_size);
  uint32_t* masks = bmp->masks;
  if (header_size == 12) {
    bmp->width = Le16(data, 18);
    bmp->height = Le16(data, 20);
    bmp->bits = static_cast<int>(Le16(data, 24));
    bmp->palette_entry = 3;
    return true;
  }
  if (header_size != 40 && header_size != 52 && header_size != 56 && header_size != 108 &&
      header_size != 124) {
    return Fail(reason, "intestazione BMP non gestita");
  }
  if (n < 14 + static_cast<size_t>(header_size)) return Fail(reason, "file BMP troncato");
  bmp->width = static_cast<int32_t>(Le32(data, 18));
  bmp->height = static_cast<int32_t>(Le32(data, 22));
  bmp->bits = static_cast<int>(Le16(data, 28));
  bmp->compression = Le32(data, 30);
  bmp->colours_used = Le32(data, 46);
  if (header_size >= 52) {
    masks[0] = Le32(data, 54);
    masks[1] = Le32(data, 58);
    masks[2] = Le32(data, 62);
  }
  if (header_size >= 56) masks[3] = Le32(data, 66);
  if (header_size == 40 && bmp->compression == 3) {
    if (n < 66) return Fail(reason, "file BMP troncato");
    masks[0] = Le32(data, 54);
    masks[1] = Le32(data, 58);
    masks[2] = Le32(data, 62);
    bmp->palette_at += 12;
  }
  return true;
}

// The palette of an image of 1, 4 or 8 bits, as r, g, b.
bool ReadBmpPalette(std::string_view data, const BmpLayout& bmp, uint8_t palette[256][3],
                    std::string* reason) {
  const size_t n = data.size();
  size_t count = bmp.colours_used == 0 ? (size_t{1} << bmp.bits) : bmp.colours_used;
  if (count > (size_t{1} << bmp.bits)) count = size_t{1} << bmp.bits;
  if (bmp.palette_at > n || count * bmp.palette_entry > n - bmp.palette_at) {
    return Fail(reason, "tavolozza BMP troncata");
  }
  for (size_t i = 0; i < count; ++i) {
    const size_t at = bmp.palette_at + i * bmp.palette_entry;
    palette[i][0] = static_cast<uint8_t>(data[at + 2]);
    palette[i][1] = static_cast<uint8_t>(data[at + 1]);
    palette[i][2] = static_cast<uint8_t>(data[at]);
  }
  return true;
}

// The colour channels of one image: the masks of 16 and 32-bit pixels.
struct BmpChannels {
  Channel red, green, blue, alpha;
};

// One row of `w` pixels from `src` into `dst` (r, g, b) and, when `alpha_row` is not null, its
// alpha values; `translucent` is set when one of them is not opaque.
void DecodeBmpRow(const uint8_t* src, size_t w, int bits, const uint8_t palette[256][3],
                  const BmpChannels& channels, uint8_t* dst, char* alpha_row, bool* translucent) {
  const bool paletted = bits == 1 || bits == 4 || bits == 8;
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
    dst[0] = channels.red.Get(pixel, 0);
    dst[1] = channels.green.Get(pixel, 0);
    dst[2] = channels.blue.Get(pixel, 0);
    if (alpha_row != nullptr) {
      const uint8_t a = channels.alpha.Get(pixel, 255);
      alpha_row[x] = static_cast<char>(a);
      if (a != 255) *translucent = true;
    }
  }
}

}  // namespace

bool DecodeBmp(std::string_view data, RasterImage* image, std::string* reason) {
  const size_t n = data.size();
  BmpLayout bmp;
  if (!ReadBmpHeaders(data, &bmp, reason)) return false;
  int64_t width = bmp.width, height = bmp.height;
  const int bits = bmp.bits;
  uint32_t* masks = bmp.masks;

  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (width <= 0 || height <= 0 || width * height > kMaxImagePixels) {
    return Fail(reason, "dimensioni BMP non valide");
  }
  const bool paletted = bits == 1 || bits == 4 || bits == 8;
  if (!paletted && bits != 16 && bits != 24 && bits != 32) {
    return Fail(reason, "profondità di colore BMP non gestita");
  }
  if (bmp.compression == 3) {
    if (bits != 16 && bits != 32) return Fail(reason, "compressione BMP non gestita");
  } else if (bmp.compression != 0) {
    return Fail(reason, "compressione BMP non gestita");
  } else if (bits == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
  } else if (bits == 32) {
    masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF, masks[3] = 0;
  }

  uint8_t palette[256][3] = {};
  if (paletted && !ReadBmpPalette(data, bmp, palette, reason)) return false;

  // Pixel rows.
  const uint64_t stride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
  if (bmp.pixel_offset > n || stride * static_cast<uint64_t>(height) > n - bmp.pixel_offset) {
    return Fail(reason, "dati BMP troncati");
  }
  const BmpChannels channels{Channel(masks[0]), Channel(masks[1]), Channel(masks[2]),
                             Channel(masks[3])};
  const auto w = static_cast<size_t>(width);
  const auto h = static_cast<size_t>(height);
  std::string rgb(w * h * 3, '\0');
  std::string alpha_plane;
  if (masks[3] != 0) alpha_plane.assign(w * h, '\xFF');
  bool translucent = false;
  for (size_t row = 0; row < h; ++row) {
    const size_t source_row = top_down ? row : h - 1 - row;
    const auto* src =
        reinterpret_cast<const uint8_t*>(data.data()) + bmp.pixel_offset + source_row * stride;
    DecodeBmpRow(src, w, bits, palette, channels,
                 reinterpret_cast<uint8_t*>(rgb.data()) + row * w * 3,
                 alpha_plane.empty() ? nullptr : alpha_plane.data() + row * w, &translucent);
  }
  if (!translucent) alpha_plane.clear();
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->rgb = std::move(rgb);
  image->alpha = std::move(alpha_plane);
  return true;
}

}  // namespace kaveltar::pdf_internal
