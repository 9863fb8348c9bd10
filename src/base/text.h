// Small text helpers with the exact semantics the archive and list code relies on: trimming
// of blanks only, padding and cutting to a fixed width, the last n characters, and Val (the
// leading number of a text). They work on bytes: archive text is Windows-1252, one byte per
// character, so widths in characters are widths in bytes.
#pragma once

#include <string>
#include <string_view>

namespace kaveltar {

// Removes leading and trailing blanks (spaces only, as the archive procedures do).
std::string_view Trim(std::string_view s);
std::string_view TrimRight(std::string_view s);
std::string_view TrimLeft(std::string_view s);

// Left-aligns s in a field of `width` characters: padded with blanks, cut to the width.
std::string PadRight(std::string_view s, size_t width, char fill = ' ');
// Right-aligns s in a field of `width`: padded on the left, only the last `width` kept.
std::string PadLeft(std::string_view s, size_t width, char fill = ' ');
// The last n characters (all of s when it is shorter).
std::string_view Right(std::string_view s, size_t n);
// At most n characters from 0-based position pos (empty past the end).
std::string_view Mid(std::string_view s, size_t pos, size_t n = std::string_view::npos);

// n as decimal digits, zero-padded on the left, only the last `width` digits kept.
// Negative numbers keep their sign in front of the kept digits.
std::string ZeroPad(long long n, size_t width);

// The number a text begins with: leading blanks skipped, an optional sign, digits and one
// "." (blanks inside the number are ignored, as Val does); 0 when there is none.
double Val(std::string_view s);
// Val as a whole number (truncated toward zero).
long long ValInt(std::string_view s);

// True when s is not empty and every character is a decimal digit.
bool IsDigits(std::string_view s);
// Upper case for ASCII letters only.
std::string ToUpperAscii(std::string_view s);

}  // namespace kaveltar
