// Codecs and parsers of the PDF writer, pinned with known answers and round trips.
#include <zlib.h>

#include <clocale>
#include <filesystem>
#include <locale>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include <cstdlib>

#include "pdf/pdf_colors.h"
#include "pdf/pdf_crypto.h"
#include "pdf/pdf_filters.h"
#include "pdf/pdf_fonts.h"
#include "pdf/pdf_images.h"
#include "pdf/pdf_number.h"
#include "pdf/pdf_text.h"
#include "pdf_test_util.h"

namespace kaveltar::pdf_internal {
namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
  return out;
}

std::string Encode(StreamEncoder& encoder, std::string_view data) {
  std::string out;
  EncodeAll(encoder, data, &out);
  return out;
}

TEST(PdfNumber, RoundsHalfAwayFromZeroToThreeDecimals) {
  // Halves go away from zero, a rounded-away sign is dropped, and non-numbers and values out
  // of range are clamped.
  const std::pair<double, const char*> cases[] = {
      {28.346457, "28.346"},   {-28.346457, "-28.346"},
      {0.0005, "0.001"},       {-0.0005, "-0.001"},
      {-0.0004, "0"},          {595.9999, "596"},
      {1e15, "1000000000000"}, {std::numeric_limits<double>::quiet_NaN(), "0"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatNumber(value), text) << value;
}

// A decimal comma in the C and C++ locales must not reach the file.
class CommaDecimal : public std::numpunct<char> {
 protected:
  char do_decimal_point() const override { return ','; }
};

TEST(PdfNumber, IgnoresACommaDecimalLocale) {
  const std::locale saved;
  std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  const std::string saved_c = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"it_IT.UTF-8", "de_DE.UTF-8", "it_IT", "de_DE"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) break;
  }
  const std::string pdf = pdf_test::MemoryDocument([](PdfDocument& doc) {
    doc.SetLineWidth(0.5);
    doc.DrawRect(1, 1.5, 2.25, 3, 0, 0, 15);
  });
  const std::string number = FormatNumber(1.5);
  std::setlocale(LC_ALL, saved_c.c_str());
  std::locale::global(saved);
  EXPECT_EQ(number, "1.5");
  EXPECT_NE(pdf.find("14.173 w\n28.346 42.52 63.78 85.039 re S\n"), std::string::npos)
      << pdf_test::FirstContent(pdf);
}

// Round trips through width changes and table resets, at every quality, are decoded by qpdf
// in the readers' tests.
TEST(LzwEncoder, MatchesThePdfReferenceExample) {
  LzwEncoder lzw(3);
  // Codes 256 45 258 258 65 259 66 257, nine bits each.
  EXPECT_EQ(Hex(Encode(lzw, "-----A---B")), "800B6050220C0C8501");
  // Empty input: the clear code and the end-of-data code only.
  EXPECT_EQ(Hex(Encode(lzw, "")), "804040");
}

// Flate is checked against zlib's own bytes below.
TEST(Encoders, KnownAnswers) {
  RunLengthEncoder rle;
  EXPECT_EQ(Hex(Encode(rle, "aaaabc")),
            "FD61016263"
            "80");
  Ascii85Encoder a85;
  EXPECT_EQ(Encode(a85, "Man "), "9jqo^~>");
  EXPECT_EQ(Encode(a85, std::string(4, '\0') + "M"), "z9`~>");
  AsciiHexEncoder hex;
  EXPECT_EQ(Encode(hex, "AB\xFF"), "4142FF>");
}

// Whatever the level and however the data is fed, the stream is one zlib stream: a header
// zlib accepts (method 8, 32 KiB window, a multiple of 31), the data that inflates back to
// the input, and zlib's Adler-32 of the input as the big-endian trailer. Runs of 0xFF and
// lengths around 5552 (where Adler-32 sums must be reduced) strain the checksum.
TEST(FlateEncoder, WritesZlibStreamsThatInflateToTheInput) {
  std::mt19937 random(11);
  std::vector<std::string> inputs = {"", "x", std::string(15, 'a'), std::string(16, 'b'),
                                     std::string(200000, '\xFF')};
  for (size_t size : {5551u, 5552u, 5553u, 70001u}) {
    std::string text;
    for (size_t i = 0; i < size; ++i) {
      text.push_back(i % 7 == 0 ? static_cast<char>(random()) : "0.283 w\n12 re S"[random() % 16]);
    }
    inputs.push_back(text);
  }
  for (int level : {1, 2, 4, 6}) {
    FlateEncoder encoder(level);
    for (const std::string& input : inputs) {
      const std::string_view view(input);
      std::string pieces;
      encoder.Start();
      encoder.Feed(view.substr(0, input.size() / 3), &pieces);
      encoder.Feed(view.substr(input.size() / 3), &pieces);
      encoder.Finish(&pieces);
      for (const std::string& stream : {FlateCompress(input, level), pieces}) {
        SCOPED_TRACE("level " + std::to_string(level) + ", " + std::to_string(input.size()) +
                     " bytes");
        ASSERT_GE(stream.size(), 6u);
        const auto cmf = static_cast<uint8_t>(stream[0]), flg = static_cast<uint8_t>(stream[1]);
        EXPECT_EQ(cmf, 0x78);
        EXPECT_EQ((cmf * 256 + flg) % 31, 0);
        EXPECT_EQ(flg & 0x20, 0);  // no preset dictionary
        const uLong adler = adler32(1, reinterpret_cast<const Bytef*>(input.data()), input.size());
        const std::string trailer = stream.substr(stream.size() - 4);
        EXPECT_EQ(Hex(trailer),
                  Hex(std::string{static_cast<char>(adler >> 24), static_cast<char>(adler >> 16),
                                  static_cast<char>(adler >> 8), static_cast<char>(adler)}));
        std::string back(input.size() + 1, '\0');
        uLongf size = back.size();
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(back.data()), &size,
                             reinterpret_cast<const Bytef*>(stream.data()), stream.size()),
                  Z_OK);
        back.resize(size);
        EXPECT_TRUE(back == input);
      }
    }
    // A long run is compressed, not stored: at most 258 bytes per match of a few bits.
    EXPECT_LT(FlateCompress(inputs[4], level).size(), 1000u);
  }
}

TEST(Crypto, Md5Rc4AndPermissionValues) {
  EXPECT_EQ(Hex(Md5("abc")), "900150983CD24FB0D6963F7D28E17F72");
  std::string data = "Plaintext";
  Rc4("Key", data.data(), data.size());
  EXPECT_EQ(Hex(data), "BBF316E8D940AF0AD3");
  EXPECT_EQ(PermissionValue(20, 40), -44);
  EXPECT_EQ(PermissionValue(20, 128), -3884);
}

TEST(Colors, AllFormsAndNames) {
  const std::pair<const char*, uint32_t> good[] = {{"#C0C0C0", 0xC0C0C0},
                                                   {" SILVER ", 0xC0C0C0},
                                                   {"%15", 0xD9D9D9},
                                                   {"@255;128;0", 0xFF8000},
                                                   {"@0;100;100;0", 0xFF0000}};
  for (const auto& [text, rgb] : good) {
    uint32_t parsed = 1;
    EXPECT_TRUE(ParseColor(text, &parsed)) << text;
    EXPECT_EQ(parsed, rgb) << text;
  }
  for (const char* bad : {"#GGGGGG", "%150", "@1;2", "NOCOLOR"}) {
    uint32_t parsed = 1;
    EXPECT_FALSE(ParseColor(bad, &parsed)) << bad;
    EXPECT_EQ(parsed, 1u);
  }
  EXPECT_EQ(ColorText(0xD9D9D9), "#D9D9D9");
}

TEST(Text, CodePagesAndEscaping) {
  std::string win;
  Utf8ToWinAnsi("è€Ω(\xE8", &win);  // the last byte is already Windows-1252
  EXPECT_EQ(win, "\xE8\x80?(\xE8");
  std::string escaped;
  AppendEscaped("a(b)c\\\r\n", &escaped);
  EXPECT_EQ(escaped, "a\\(b\\)c\\\\\\r\\n");
  EXPECT_EQ(TextStringBytes("Città"), "Citt\xE0");
  EXPECT_EQ(TextStringBytes("a€"), std::string("\xFE\xFF\0a\x20\xAC", 6));
}

TEST(Fonts, NamesMapToTheFiveFamilies) {
  const std::pair<const char*, const char*> names[] = {
      {"courier", "CourierNew"}, {"Helvetica", "Arial"}, {"Verdana", "Verdana"}};
  for (const auto& [given, base] : names) EXPECT_EQ(BaseFontName(given), base) << given;
  EXPECT_EQ(FullFontName("CourierNew", 1), "CourierNew,Bold");
  EXPECT_EQ(FullFontName("Arial", 3), "Arial,BoldItalic");
  EXPECT_EQ(FullFontName("Symbol", 3), "Symbol");
  // The widths themselves are compared with poppler's in the readers' tests.
}

std::string JpegHeader(int sof, int components, bool adobe) {
  std::string j = "\xFF\xD8";
  j += std::string("\xFF\xE0\x00\x10JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
  if (adobe)
    j += std::string(
        "\xFF\xEE\x00\x0E"
        "Adobe\x00\x64\x00\x00\x00\x00\x02",
        16);
  j += "\xFF";
  j += static_cast<char>(sof);
  j += std::string("\x00", 1) + static_cast<char>(8 + 3 * components) +
       std::string("\x08\x01\x2C\x00\xC8", 5);
  j += static_cast<char>(components);
  for (int c = 0; c < components; ++c) j += {static_cast<char>(c + 1), '\x11', '\x00'};
  return j + std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\xFF\xD9", 12);
}

TEST(Images, JpegFrameHeaders) {
  JpegInfo info;
  std::string reason;
  ASSERT_TRUE(ParseJpeg(JpegHeader(0xC0, 3, false), &info, &reason)) << reason;
  EXPECT_EQ(info.width, 200);
  EXPECT_EQ(info.height, 300);
  EXPECT_EQ(info.components, 3);
  ASSERT_TRUE(ParseJpeg(JpegHeader(0xC2, 4, true), &info, &reason)) << reason;
  EXPECT_TRUE(info.adobe_inverted);
  EXPECT_FALSE(ParseJpeg(JpegHeader(0xC3, 3, false), &info, &reason));  // lossless
  const std::string whole = JpegHeader(0xC0, 3, false);
  for (size_t cut = 0; cut < 39; ++cut)
    EXPECT_FALSE(ParseJpeg(whole.substr(0, cut), &info, &reason)) << cut;
}

// The usual depths, stored bottom-up, are rendered and checked in the readers' tests; here the
// row order, 5-5-5 pixels, bit fields with an alpha mask, and the files refused.
TEST(Images, BmpRowOrderDepthsAndRefusals) {
  const std::vector<uint32_t> pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFF0000};
  const auto seed = std::filesystem::path(std::getenv("KAVELTAR_TEST_SOURCE_DIR")) /
                    "fuzz/corpus/pdf_images/bmp32_alpha_v3.bmp";
  const struct {
    const char* what;
    std::string file, rgb, alpha;
  } cases[] = {{"4 bits top-down", pdf_test::MakeBmp(3, 2, 4, pixels, true),
                "FF000000FF000000FFFFFFFF000000FF0000", ""},
               {"24 bits top-down", pdf_test::MakeBmp(3, 2, 24, pixels, true),
                "FF000000FF000000FFFFFFFF000000FF0000", ""},
               {"5-5-5", pdf_test::MakeBmp(2, 1, 16, {0xF80000, 0x0000F8}), "FF00000000FF", ""},
               {"bit fields and alpha", pdf_test::ReadFile(seed.string()),
                "FF000000FF000000FFFFFFFF000000808080", "80FF00FF40FF"}};
  RasterImage image;
  std::string reason;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(DecodeBmp(c.file, &image, &reason)) << reason;
    EXPECT_EQ(Hex(image.rgb), c.rgb);
    EXPECT_EQ(Hex(image.alpha), c.alpha);
  }
  // Refused: a file cut short anywhere, and a compression it does not handle, with the reason.
  const std::string& good = cases[1].file;
  for (size_t cut = 0; cut < good.size(); cut += 7)
    EXPECT_FALSE(DecodeBmp(good.substr(0, cut), &image, &reason)) << cut;
  std::string rle = good;
  rle[30] = 1;
  EXPECT_FALSE(DecodeBmp(rle, &image, &reason));
  EXPECT_EQ(reason, "compressione BMP non gestita");
}

}  // namespace
}  // namespace kaveltar::pdf_internal
