// Fuzz target: the WMF translator of DrawImage. It may not crash, hang or read outside the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "drawing_check.h"
#include "pdf/pdf_wmf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kaveltar::pdf_internal::VectorDrawing drawing;
  std::string reason;
  if (kaveltar::pdf_internal::TranslateWmf(
          std::string_view(reinterpret_cast<const char*>(data), size), &drawing, &reason)) {
    CheckDrawing(drawing);
  } else if (reason.empty()) {
    std::abort();
  }
  return 0;
}
