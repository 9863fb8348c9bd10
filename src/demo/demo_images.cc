#include "demo/demo_images.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string_view>

namespace kaveltar::demo {
namespace {

// 5x7 dot glyphs of the letters the stamps use.
struct Glyph {
  char letter;
  std::array<std::string_view, 7> rows;
};

constexpr Glyph kGlyphs[] = {
    {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'C', {" ####", "#    ", "#    ", "#    ", "#    ", "#    ", " ####"}},
    {'D', {"#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "}},
    {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    {'F', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "}},
    {'I', {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
    {'N', {"#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"}},
    {'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
    {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
    {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'U', {"#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'Z', {"#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"}},
    {'*', {"     ", "  #  ", "# # #", " ### ", "# # #", "  #  ", "     "}},
};

const Glyph* FindGlyph(char c) {
  for (const Glyph& g : kGlyphs) {
    if (g.letter == c) return &g;
  }
  return nullptr;  // a blank
}

constexpr int kGlyphAdvance = 6;  // five dots and one of space

constexpr Rgb kInk{28, 48, 138};
constexpr Rgb kRed{176, 28, 36};

}  // namespace

Canvas::Canvas(int width, int height, Rgb background)
    : width_(width),
      height_(height),
      pixels_(static_cast<size_t>(width) * static_cast<size_t>(height), background) {}

void Canvas::Set(int x, int y, Rgb c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<size_t>(y * width_ + x)] = c;
}

void Canvas::Ring(double cx, double cy, double radius, double thickness, Rgb c) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (std::abs(d - radius) <= thickness / 2) Set(x, y, c);
    }
  }
}

void Canvas::Disk(double cx, double cy, double radius, Rgb c) {
  const int x0 = static_cast<int>(std::floor(cx - radius));
  const int y0 = static_cast<int>(std::floor(cy - radius));
  const int x1 = static_cast<int>(std::ceil(cx + radius));
  const int y1 = static_cast<int>(std::ceil(cy + radius));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius) Set(x, y, c);
    }
  }
}

void Canvas::Frame(int left, int top, int right, int bottom, int thickness, Rgb c) {
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      const bool edge = x < left + thickness || x > right - thickness || y < top + thickness ||
                        y > bottom - thickness;
      if (edge) Set(x, y, c);
    }
  }
}

void Canvas::Text(std::string_view text, int x, int y, int scale, Rgb c) {
  for (size_t i = 0; i < text.size(); ++i) {
    const Glyph* g = FindGlyph(text[i]);
    if (g == nullptr) continue;
    const int gx = x + static_cast<int>(i) * kGlyphAdvance * scale;
    for (int row = 0; row < 7; ++row) {
      for (int col = 0; col < 5; ++col) {
        if (g->rows[static_cast<size_t>(row)][static_cast<size_t>(col)] != '#') continue;
        for (int dy = 0; dy < scale; ++dy) {
          for (int dx = 0; dx < scale; ++dx) Set(gx + col * scale + dx, y + row * scale + dy, c);
        }
      }
    }
  }
}

void Canvas::CentredText(std::string_view text, int x, int y, int scale, Rgb c) {
  const int width = (static_cast<int>(text.size()) * kGlyphAdvance - 1) * scale;
  Text(text, x - width / 2, y, scale, c);
}

void Canvas::ArcText(std::string_view text, double cx, double cy, double radius,
                     double start_degrees, double degrees_per_dot, double dot, Rgb c) {
  for (size_t i = 0; i < text.size(); ++i) {
    const Glyph* g = FindGlyph(text[i]);
    if (g == nullptr) continue;
    for (int row = 0; row < 7; ++row) {
      for (int col = 0; col < 5; ++col) {
        if (g->rows[static_cast<size_t>(row)][static_cast<size_t>(col)] != '#') continue;
        const double column = static_cast<double>(i) * kGlyphAdvance + col;
        const double angle = (start_degrees + column * degrees_per_dot) * std::numbers::pi / 180;
        const double r = radius + (6 - row) * dot;
        Disk(cx + r * std::sin(angle), cy - r * std::cos(angle), dot * 0.6, c);
      }
    }
  }
}

Canvas DrawCircularStamp() {
  Canvas canvas(256, 256);
  const double c = 128;
  canvas.Ring(c, c, 121, 5, kInk);
  canvas.Ring(c, c, 114, 2, kInk);
  canvas.Ring(c, c, 80, 3, kInk);
  canvas.ArcText("ISTITUTO NAZIONALE INFORTUNI *", c, c, 88, 0, 2.0, 3.0, kInk);
  canvas.CentredText("INAIL", 128, 100, 5, kInk);
  canvas.CentredText("SEDE DI", 128, 150, 2, kInk);
  return canvas;
}

Canvas DrawStandardStamp() {
  // A pale blue field shading to white, a double frame, the institute's name and a red seal.
  Canvas canvas(240, 240);
  for (int y = 0; y < 240; ++y) {
    const uint8_t shade = static_cast<uint8_t>(214 + y * 41 / 239);
    for (int x = 0; x < 240; ++x)
      canvas.Set(x, y, Rgb{shade, static_cast<uint8_t>(std::min(255, shade + 14)), 255});
  }
  canvas.Frame(6, 6, 233, 233, 5, kInk);
  canvas.Frame(16, 16, 223, 223, 2, kInk);
  canvas.CentredText("ISTITUTO", 120, 28, 2, kInk);
  canvas.CentredText("NAZIONALE", 120, 48, 2, kInk);
  canvas.CentredText("INFORTUNI", 120, 68, 2, kInk);
  canvas.CentredText("INAIL", 120, 100, 6, kInk);
  canvas.Disk(120, 184, 19, kRed);
  canvas.Ring(120, 184, 26, 3, kRed);
  return canvas;
}

// --- BMP -------------------------------------------------------------------------------

namespace {

void PutLe(std::string* out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutBe16(std::string* out, uint32_t v) {
  out->push_back(static_cast<char>((v >> 8) & 0xFF));
  out->push_back(static_cast<char>(v & 0xFF));
}

}  // namespace

std::string EncodeBmp(const Canvas& canvas) {
  const uint32_t row_size = (static_cast<uint32_t>(canvas.width()) * 3 + 3) & ~3u;
  const uint32_t image_size = row_size * static_cast<uint32_t>(canvas.height());
  std::string out;
  out.reserve(54 + image_size);
  // BITMAPFILEHEADER
  out += "BM";
  PutLe(&out, 54 + image_size, 4);
  PutLe(&out, 0, 4);
  PutLe(&out, 54, 4);
  // BITMAPINFOHEADER: 24 bits, no compression, 72 dots per inch (2835 per metre)
  PutLe(&out, 40, 4);
  PutLe(&out, static_cast<uint32_t>(canvas.width()), 4);
  PutLe(&out, static_cast<uint32_t>(canvas.height()), 4);
  PutLe(&out, 1, 2);
  PutLe(&out, 24, 2);
  PutLe(&out, 0, 4);
  PutLe(&out, image_size, 4);
  PutLe(&out, 2835, 4);
  PutLe(&out, 2835, 4);
  PutLe(&out, 0, 4);
  PutLe(&out, 0, 4);
  for (int y = canvas.height() - 1; y >= 0; --y) {
    const size_t start = out.size();
    for (int x = 0; x < canvas.width(); ++x) {
      const Rgb p = canvas.At(x, y);
      out.push_back(static_cast<char>(p.b));
      out.push_back(static_cast<char>(p.g));
      out.push_back(static_cast<char>(p.r));
    }
    out.append(row_size - (out.size() - start), '\0');
  }
  return out;
}

// --- JPEG ------------------------------------------------------------------------------

namespace {

// Natural (row-major) index of the coefficient at each zig-zag position.
constexpr int kZigZag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                             12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                             35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                             58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Example quantisation tables of the JPEG standard (ITU-T T.81, K.1), row-major.
constexpr int kLumaQuant[64] = {16,  11,  10,  16,  24, 40, 51,  61,  12,  12,  14,  19,  26,
                                58,  60,  55,  14,  13, 16, 24,  40,  57,  69,  56,  14,  17,
                                22,  29,  51,  87,  80, 62, 18,  22,  37,  56,  68,  109, 103,
                                77,  24,  35,  55,  64, 81, 104, 113, 92,  49,  64,  78,  87,
                                103, 121, 120, 101, 72, 92, 95,  98,  112, 100, 103, 99};
constexpr int kChromaQuant[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                  24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// Example Huffman tables of the JPEG standard (ITU-T T.81, K.3): code counts per length
// 1-16, then the symbols in code order.
constexpr uint8_t kDcLumaBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kDcChromaBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr uint8_t kDcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uint8_t kAcLumaBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr uint8_t kAcLumaValues[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
    0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52,
    0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25,
    0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
    0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
    0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
    0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
    0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3,
    0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
    0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
constexpr uint8_t kAcChromaBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
constexpr uint8_t kAcChromaValues[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
    0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33,
    0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18,
    0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
    0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63,
    0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
    0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4,
    0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca,
    0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
    0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

struct HuffmanCode {
  uint16_t code = 0;
  uint8_t length = 0;
};
using HuffmanTable = std::array<HuffmanCode, 256>;

// Canonical codes: within each length, consecutive values in symbol order.
HuffmanTable BuildHuffman(const uint8_t* bits, const uint8_t* values) {
  HuffmanTable table{};
  uint16_t code = 0;
  size_t k = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int i = 0; i < bits[length - 1]; ++i)
      table[values[k++]] = {code++, static_cast<uint8_t>(length)};
    code = static_cast<uint16_t>(code << 1);
  }
  return table;
}

// Entropy-coded bits, most significant first, with a zero byte stuffed after every 0xFF.
class BitWriter {
 public:
  explicit BitWriter(std::string* out) : out_(out) {}
  void Put(uint32_t bits, int count) {
    accumulator_ = (accumulator_ << count) | (bits & ((1u << count) - 1));
    pending_ += count;
    while (pending_ >= 8) {
      const auto byte = static_cast<uint8_t>((accumulator_ >> (pending_ - 8)) & 0xFF);
      out_->push_back(static_cast<char>(byte));
      if (byte == 0xFF) out_->push_back('\0');
      pending_ -= 8;
    }
    accumulator_ &= (1u << pending_) - 1;
  }
  // Pads the last byte with one bits.
  void Flush() {
    if (pending_ > 0) Put((1u << (8 - pending_)) - 1, 8 - pending_);
  }

 private:
  std::string* out_;
  uint32_t accumulator_ = 0;
  int pending_ = 0;
};

int BitLength(int v) {
  v = std::abs(v);
  int n = 0;
  while (v != 0) {
    ++n;
    v >>= 1;
  }
  return n;
}

// Cosine basis scaled by 2^12, with the DCT's 1/2 * c(u) folded in: the 2-D transform of a
// block is the double sum of f * K[u][x] * K[v][y], divided by 2^24. Integer arithmetic
// keeps the output the same on every machine.
struct DctBasis {
  int64_t k[8][8];
  DctBasis() {
    for (int u = 0; u < 8; ++u) {
      const double cu = u == 0 ? std::numbers::sqrt2 / 2 : 1.0;
      for (int x = 0; x < 8; ++x) {
        k[u][x] =
            std::llround(4096.0 * 0.5 * cu * std::cos((2 * x + 1) * u * std::numbers::pi / 16));
      }
    }
  }
};

int64_t DivideRounded(int64_t n, int64_t d) {
  return n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
}

struct Component {
  const int* quant;  // scaled table, row-major
  const HuffmanTable* dc;
  const HuffmanTable* ac;
  int previous_dc = 0;
};

void EncodeBlock(const int (&block)[64], const DctBasis& basis, Component& c, BitWriter& bits) {
  int coefficients[64];
  for (int v = 0; v < 8; ++v) {
    for (int u = 0; u < 8; ++u) {
      int64_t sum = 0;
      for (int y = 0; y < 8; ++y) {
        int64_t row = 0;
        for (int x = 0; x < 8; ++x) row += block[y * 8 + x] * basis.k[u][x];
        sum += row * basis.k[v][y];
      }
      coefficients[v * 8 + u] =
          static_cast<int>(DivideRounded(sum, int64_t{c.quant[v * 8 + u]} << 24));
    }
  }
  const int diff = coefficients[0] - c.previous_dc;
  c.previous_dc = coefficients[0];
  const int dc_size = BitLength(diff);
  bits.Put((*c.dc)[dc_size].code, (*c.dc)[dc_size].length);
  if (dc_size > 0) bits.Put(static_cast<uint32_t>(diff < 0 ? diff - 1 : diff), dc_size);
  int run = 0;
  for (int k = 1; k < 64; ++k) {
    const int v = coefficients[kZigZag[k]];
    if (v == 0) {
      ++run;
      continue;
    }
    while (run > 15) {
      bits.Put((*c.ac)[0xF0].code, (*c.ac)[0xF0].length);
      run -= 16;
    }
    const int size = BitLength(v);
    const HuffmanCode& h = (*c.ac)[static_cast<size_t>((run << 4) | size)];
    bits.Put(h.code, h.length);
    bits.Put(static_cast<uint32_t>(v < 0 ? v - 1 : v), size);
    run = 0;
  }
  if (run > 0) bits.Put((*c.ac)[0x00].code, (*c.ac)[0x00].length);
}

void PutHuffmanSegment(std::string* out, int table_class_id, const uint8_t* bits,
                       const uint8_t* values) {
  int count = 0;
  for (int i = 0; i < 16; ++i) count += bits[i];
  out->push_back(static_cast<char>(table_class_id));
  for (int i = 0; i < 16; ++i) out->push_back(static_cast<char>(bits[i]));
  for (int i = 0; i < count; ++i) out->push_back(static_cast<char>(values[i]));
}

// The markers before the scan: SOI, APP0, the quantisation and Huffman tables, the frame and
// the scan header.
void PutJpegHeaders(std::string* out, const int (&luma)[64], const int (&chroma)[64], int width,
                    int height) {
  *out += "\xFF\xD8";  // SOI
  // APP0: JFIF 1.01, no units, aspect 1:1, no thumbnail.
  *out += "\xFF\xE0";
  PutBe16(out, 16);
  out->append("JFIF\0", 5);
  *out += "\x01\x01";
  out->push_back('\0');
  PutBe16(out, 1);
  PutBe16(out, 1);
  out->append(2, '\0');
  // DQT: both tables in zig-zag order, 8-bit entries.
  *out += "\xFF\xDB";
  PutBe16(out, 2 + 2 * 65);
  out->push_back('\0');
  for (int k = 0; k < 64; ++k) out->push_back(static_cast<char>(luma[kZigZag[k]]));
  out->push_back('\x01');
  for (int k = 0; k < 64; ++k) out->push_back(static_cast<char>(chroma[kZigZag[k]]));
  // SOF0: 8-bit samples, three components sampled 1x1; Y uses table 0, Cb and Cr table 1.
  *out += "\xFF\xC0";
  PutBe16(out, 17);
  out->push_back('\x08');
  PutBe16(out, static_cast<uint32_t>(height));
  PutBe16(out, static_cast<uint32_t>(width));
  out->push_back('\x03');
  *out += std::string("\x01\x11\x00\x02\x11\x01\x03\x11\x01", 9);
  // DHT: DC 0, AC 0, DC 1, AC 1.
  *out += "\xFF\xC4";
  PutBe16(out, 2 + 4 * 17 + 12 + 162 + 12 + 162);
  PutHuffmanSegment(out, 0x00, kDcLumaBits, kDcValues);
  PutHuffmanSegment(out, 0x10, kAcLumaBits, kAcLumaValues);
  PutHuffmanSegment(out, 0x01, kDcChromaBits, kDcValues);
  PutHuffmanSegment(out, 0x11, kAcChromaBits, kAcChromaValues);
  // SOS: the three components interleaved, full spectral range.
  *out += "\xFF\xDA";
  PutBe16(out, 12);
  out->push_back('\x03');
  *out += std::string("\x01\x00\x02\x11\x03\x11", 6);
  *out += std::string("\x00\x3F\x00", 3);
}

}  // namespace

std::string EncodeJpeg(const Canvas& canvas, int quality) {
  quality = std::clamp(quality, 1, 100);
  const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
  int luma[64];
  int chroma[64];
  for (int i = 0; i < 64; ++i) {
    luma[i] = std::clamp((kLumaQuant[i] * scale + 50) / 100, 1, 255);
    chroma[i] = std::clamp((kChromaQuant[i] * scale + 50) / 100, 1, 255);
  }
  const int width = canvas.width();
  const int height = canvas.height();

  std::string out;
  PutJpegHeaders(&out, luma, chroma, width, height);

  const HuffmanTable dc_luma = BuildHuffman(kDcLumaBits, kDcValues);
  const HuffmanTable ac_luma = BuildHuffman(kAcLumaBits, kAcLumaValues);
  const HuffmanTable dc_chroma = BuildHuffman(kDcChromaBits, kDcValues);
  const HuffmanTable ac_chroma = BuildHuffman(kAcChromaBits, kAcChromaValues);
  Component components[3] = {{luma, &dc_luma, &ac_luma},
                             {chroma, &dc_chroma, &ac_chroma},
                             {chroma, &dc_chroma, &ac_chroma}};
  const DctBasis basis;
  BitWriter bits(&out);
  int blocks[3][64];
  for (int by = 0; by < height; by += 8) {
    for (int bx = 0; bx < width; bx += 8) {
      for (int i = 0; i < 64; ++i) {
        // Edge blocks repeat the last column and row.
        const int x = std::min(bx + i % 8, width - 1);
        const int y = std::min(by + i / 8, height - 1);
        const Rgb p = canvas.At(x, y);
        const int r = p.r;
        const int g = p.g;
        const int b = p.b;
        // ITU-R BT.601 full range, fixed point with 16 fraction bits, centred on zero.
        blocks[0][i] = ((19595 * r + 38470 * g + 7471 * b + 32768) >> 16) - 128;
        blocks[1][i] = ((-11059 * r - 21709 * g + 32768 * b + 32768) >> 16);
        blocks[2][i] = ((32768 * r - 27439 * g - 5329 * b + 32768) >> 16);
      }
      for (int c = 0; c < 3; ++c) EncodeBlock(blocks[c], basis, components[c], bits);
    }
  }
  bits.Flush();
  out += "\xFF\xD9";  // EOI
  return out;
}

}  // namespace kaveltar::demo
