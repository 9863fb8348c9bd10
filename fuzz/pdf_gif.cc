// Fuzz target: the GIF reader of DrawImage. It may not crash, hang or read outside the
// data; what it accepts must be a consistent indexed picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pdf/pdf_gif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kaveltar::pdf_internal::IndexedImage image;
  std::string reason;
  if (kaveltar::pdf_internal::DecodeGif(std::string_view(reinterpret_cast<const char*>(data), size),
                                        &image, &reason)) {
    const size_t entries = image.palette.size() / 3;
    if (image.width <= 0 || image.height <= 0 || entries == 0 || entries > 256 ||
        image.palette.size() % 3 != 0 ||
        image.indices.size() !=
            static_cast<size_t>(image.width) * static_cast<size_t>(image.height) ||
        image.transparent >= static_cast<int>(entries)) {
      std::abort();
    }
    for (char index : image.indices) {
      if (static_cast<uint8_t>(index) >= entries) std::abort();
    }
  } else if (reason.empty()) {
    std::abort();
  }
  return 0;
}
