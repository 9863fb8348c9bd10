#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "base/encoding.h"
#include "base/text.h"

namespace kaveltar {
namespace {

TEST(Text, FixedWidthHelpersAndValReadsTheLeadingNumber) {
  EXPECT_EQ(PadRight("ABCDEFG", 5), "ABCDE");
  EXPECT_EQ(PadLeft("1234567", 5, '0'), "34567");
  EXPECT_EQ(ZeroPad(2024, 2), "24");
  EXPECT_EQ(ZeroPad(-3, 4), "-0003");
  EXPECT_EQ(Right("ab", 3), "ab");
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\ta\t"), "\ta\t");  // only blanks are trimmed
  EXPECT_DOUBLE_EQ(Val("  12.50abc"), 12.5);
  EXPECT_DOUBLE_EQ(Val("1 2"), 12);
  EXPECT_DOUBLE_EQ(Val("1.2.3"), 1.2);
  EXPECT_DOUBLE_EQ(Val("+7.25"), 7.25);
  EXPECT_DOUBLE_EQ(Val("-.5"), -0.5);
}

// The desktop program runs under the operator's locale; Val must read "." whatever it is.
TEST(Text, ValIgnoresTheLocale) {
  struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale previous =
      std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  const char* c_locale = std::setlocale(LC_NUMERIC, "it_IT.UTF-8");
  if (c_locale == nullptr)
    ADD_FAILURE() << "it_IT.UTF-8 is not installed (scripts/setup generates it)";
  EXPECT_DOUBLE_EQ(Val("12.50"), 12.5);
  std::locale::global(previous);
  if (c_locale != nullptr) std::setlocale(LC_NUMERIC, "C");
}

TEST(Encoding, Windows1252RoundTrip) {
  EXPECT_EQ(Cp1252ToUtf8("Societ\xE0 \x80"), "Società €");
  EXPECT_EQ(Utf8ToCp1252("Ω"), "?");
  // Bytes that are not UTF-8 pass through unchanged.
  EXPECT_EQ(Utf8ToCp1252("caff\xE8"), "caff\xE8");
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

}  // namespace
}  // namespace kaveltar
