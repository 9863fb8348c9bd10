#include "pdf/pdf_number.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace kaveltar::pdf_internal {

void AppendNumber(std::string* out, double value) {
  if (!std::isfinite(value)) value = 0;
  constexpr double kCap = 1e12;
  if (value > kCap) value = kCap;
  if (value < -kCap) value = -kCap;

  // Work on thousandths. A decimal such as 2.0005 is stored in binary a hair below its
  // written value; the small relative allowance rounds it the way it reads.
  const double scaled = std::fabs(value) * 1000.0;
  const double allowance = scaled < 1e7 ? scaled * 1e-14 : 1e-7;
  const auto thousandths = static_cast<uint64_t>(scaled + 0.5 + allowance);  // truncation: floor

  char buffer[32];
  char* p = buffer;
  if (value < 0 && thousandths != 0) *p++ = '-';
  p = std::to_chars(p, buffer + sizeof buffer, thousandths / 1000).ptr;
  unsigned fraction = static_cast<unsigned>(thousandths % 1000);
  if (fraction != 0) {
    *p++ = '.';
    *p++ = static_cast<char>('0' + fraction / 100);
    fraction %= 100;
    if (fraction != 0) {
      *p++ = static_cast<char>('0' + fraction / 10);
      fraction %= 10;
      if (fraction != 0) *p++ = static_cast<char>('0' + fraction);
    }
  }
  out->append(buffer, p);
}

std::string FormatNumber(double value) {
  std::string out;
  AppendNumber(&out, value);
  return out;
}

void AppendInteger(std::string* out, long long value) {
  char buffer[24];
  char* end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  out->append(buffer, end);
}

}  // namespace kaveltar::pdf_internal
