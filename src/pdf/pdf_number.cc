#include "pdf/pdf_number.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kaveltar::pdf_internal {

namespace {

// 0 to 999 as three digits, with how many of them are leading zeros ("0" keeps one digit)
// and trailing zeros (the decimals drop them).
struct ThreeDigits {
  char digits[5];  // two spare bytes: a group is copied three bytes at a time
  uint8_t leading_zeros;
  uint8_t trailing_zeros;
};

constexpr std::array<ThreeDigits, 1000> kThreeDigits = [] {
  std::array<ThreeDigits, 1000> table{};
  for (int n = 0; n < 1000; ++n) {
    ThreeDigits& group = table[static_cast<size_t>(n)];
    group.digits[0] = static_cast<char>('0' + n / 100);
    group.digits[1] = static_cast<char>('0' + n / 10 % 10);
    group.digits[2] = static_cast<char>('0' + n % 10);
    group.leading_zeros = static_cast<uint8_t>(n >= 100 ? 0 : n >= 10 ? 1 : 2);
    group.trailing_zeros = static_cast<uint8_t>(n % 100 == 0 ? 2 : n % 10 == 0 ? 1 : 0);
  }
  return table;
}();

}  // namespace

char* WriteNumber(char* p, double value) {
  if (!std::isfinite(value)) value = 0;
  constexpr double kCap = 1e12;
  if (value > kCap) value = kCap;
  if (value < -kCap) value = -kCap;

  // Work on thousandths. A decimal such as 2.0005 is stored in binary a hair below its
  // written value; the small relative allowance rounds it the way it reads.
  const double scaled = std::fabs(value) * 1000.0;
  const double allowance = scaled < 1e7 ? scaled * 1e-14 : 1e-7;
  const auto thousandths = static_cast<uint64_t>(scaled + 0.5 + allowance);  // truncation: floor

  // The integer part (nearly always below 1000 on a page) and the decimals come from a
  // table of three-digit groups: the writer formats a few thousand numbers per page.
  if (value < 0 && thousandths != 0) *p++ = '-';
  const uint64_t whole = thousandths / 1000;
  if (whole < 1000) {
    const ThreeDigits& group = kThreeDigits[whole];
    std::memcpy(p, group.digits + group.leading_zeros, 3);
    p += 3 - group.leading_zeros;
  } else {
    p = std::to_chars(p, p + 16, whole).ptr;  // at most 13 digits below the cap
  }
  const unsigned fraction = static_cast<unsigned>(thousandths % 1000);
  if (fraction != 0) {
    const ThreeDigits& group = kThreeDigits[fraction];
    *p++ = '.';
    std::memcpy(p, group.digits, 3);
    p += 3 - group.trailing_zeros;
  }
  return p;
}

void AppendNumber(std::string* out, double value) {
  char buffer[kMaxNumberLength];
  out->append(buffer, static_cast<size_t>(WriteNumber(buffer, value) - buffer));
}

std::string FormatNumber(double value) {
  std::string out;
  AppendNumber(&out, value);
  return out;
}

void AppendInteger(std::string* out, long long value) {
  char buffer[24];
  char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  out->append(buffer, static_cast<size_t>(end - buffer));
}

}  // namespace kaveltar::pdf_internal
