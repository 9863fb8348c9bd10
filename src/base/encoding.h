// Windows-1252 <-> UTF-8. The payroll archives hold Windows-1252 bytes; everything shown to
// the operator, printed or stored in the attendance database is UTF-8. Conversion happens at
// those edges only.
#pragma once

#include <string>
#include <string_view>

namespace kaveltar {

// Every byte maps to a character; the five bytes Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so the conversion never fails.
std::string Cp1252ToUtf8(std::string_view bytes);

// Characters without a Windows-1252 byte become `replacement`; malformed UTF-8 sequences are
// taken byte by byte as Windows-1252 (so text that was never UTF-8 survives unchanged).
std::string Utf8ToCp1252(std::string_view utf8, char replacement = '?');

}  // namespace kaveltar
