// Fuzz target: the TGA reader of DrawImage. It may not crash, hang or read outside the data;
// what it accepts must be a consistent RGB picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pdf/pdf_tga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kaveltar::pdf_internal::RasterImage image;
  std::string reason;
  if (kaveltar::pdf_internal::DecodeTga(std::string_view(reinterpret_cast<const char*>(data), size),
                                        &image, &reason)) {
    const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (image.width <= 0 || image.height <= 0 || image.rgb.size() != pixels * 3 ||
        (!image.alpha.empty() && image.alpha.size() != pixels)) {
      std::abort();
    }
  } else if (reason.empty()) {
    std::abort();
  }
  return 0;
}
