// Fuzz target: the PDF reader of ImportPage. It may not crash, hang or read outside the
// data, whatever the cross-reference, object streams, filters and page tree say.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pdf/pdf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kaveltar::pdf_internal::PdfReader reader;
  std::string reason;
  if (!reader.Open(bytes, &reason)) {
    if (reason.empty()) std::abort();
    return 0;
  }
  const int pages = reader.PageCount();
  for (int page = 1; page <= pages && page <= 3; ++page) {
    kaveltar::pdf_internal::PdfPage out;
    if (reader.ReadPage(page, &out, &reason)) {
      if (!(out.box[2] > out.box[0]) || !(out.box[3] > out.box[1])) std::abort();
    } else if (reason.empty()) {
      std::abort();
    }
  }
  for (int number = 1; number <= 20; ++number) {
    kaveltar::pdf_internal::PdfObject object;
    if (reader.Fetch(number, &object, &reason) && object.is_stream) {
      std::string decoded;
      reader.Decode(object.value, object.stream, &decoded, &reason);
    }
  }
  return 0;
}
