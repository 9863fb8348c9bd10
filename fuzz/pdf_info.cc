// Fuzz target: the reader behind PdfDocument::GetInfo. It may not crash, hang or read
// outside the data, whatever the file holds; a page count it reports is a number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pdf/pdf_info_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string value, reason;
  for (const char* key : {"Title", "Author", "Producer", "CreationDate"}) {
    kaveltar::pdf_internal::ReadPdfInfo(bytes, key, &value, &reason);
  }
  if (kaveltar::pdf_internal::ReadPdfInfo(bytes, "Pages", &value, &reason)) {
    if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos) std::abort();
  }
  return 0;
}
