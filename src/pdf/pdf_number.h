// The one number formatter of the PDF writer. Every coordinate, size and colour component
// written into a PDF file goes through it, so the file never depends on the locale.
#ifndef KAVELTAR_PDF_PDF_NUMBER_H_
#define KAVELTAR_PDF_PDF_NUMBER_H_

#include <cstddef>
#include <string>

namespace kaveltar::pdf_internal {

// The most bytes WriteNumber writes ("-1000000000000" is the longest).
inline constexpr size_t kMaxNumberLength = 24;

// Writes `value` as AppendNumber appends it into the kMaxNumberLength bytes at `p`; returns
// the end of what it wrote. For callers that put a whole operator together in a local buffer
// and append it to the page content at once.
char* WriteNumber(char* p, double value);

// Appends `value` rounded half away from zero to three decimals, with "." as the decimal
// separator, without trailing zeros, exponent or "-0" ("28.346", "0.5", "-12", "0").
// Non-finite values are written as 0 and magnitudes are capped at one trillion.
void AppendNumber(std::string* out, double value);

// AppendNumber into a new string.
std::string FormatNumber(double value);

// Appends a whole number in decimal.
void AppendInteger(std::string* out, long long value);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_NUMBER_H_
