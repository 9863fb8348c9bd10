// Text conversions of the PDF writer: the UTF-8 text of the program to the single-byte codes
// of the font encodings, and the escaping of PDF strings.
#ifndef KAVELTAR_PDF_PDF_TEXT_H_
#define KAVELTAR_PDF_PDF_TEXT_H_

#include <string>
#include <string_view>

namespace kaveltar::pdf_internal {

// Appends the Windows-1252 codes of UTF-8 `text`. A character the code page lacks becomes
// "?"; a byte that does not begin a valid UTF-8 sequence is taken as a Windows-1252 byte
// as it stands, so text already in the code page passes through unchanged.
void Utf8ToWinAnsi(std::string_view text, std::string* out);

// The same for the Macintosh codes of PDF's MacRomanEncoding.
void Utf8ToMacRoman(std::string_view text, std::string* out);

// Appends `bytes` escaped for a PDF literal string (without the parentheses): "\" "(" ")"
// get a backslash, carriage return and line feed become "\r" and "\n".
void AppendEscaped(std::string_view bytes, std::string* out);

// The bytes of a PDF text string (document information): single bytes when every character
// is printable Latin-1, otherwise UTF-16BE with its byte order mark.
std::string TextStringBytes(std::string_view utf8);

// Decodes one UTF-8 character at `text[*pos]`; returns its code point and advances *pos,
// or returns -1 (advancing by one byte) when the bytes there are not valid UTF-8.
long DecodeUtf8(std::string_view text, size_t* pos);

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_TEXT_H_
