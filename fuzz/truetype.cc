// Fuzz target: the TrueType table reader of AddFont. It may not crash, hang or read outside
// the data; a font it accepts has a usable PDF name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pdf/truetype.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kaveltar::pdf_internal::TrueTypeFont font;
  std::string reason;
  if (kaveltar::pdf_internal::ParseTrueType(
          std::string_view(reinterpret_cast<const char*>(data), size), &font, &reason)) {
    if (font.postscript_name.empty() || font.program.size() != size) std::abort();
    for (char c : font.postscript_name) {
      const bool ok =
          (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
      if (!ok) std::abort();
    }
  } else if (reason.empty()) {
    std::abort();
  }
  return 0;
}
