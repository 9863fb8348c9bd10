// Fuzz target: the readers of image files that PdfDocument::DrawImage embeds. Neither may
// crash, hang or read outside the data; what they accept must be consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pdf/pdf_images.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string reason;

  kaveltar::pdf_internal::JpegInfo jpeg;
  if (kaveltar::pdf_internal::ParseJpeg(bytes, &jpeg, &reason)) {
    if (jpeg.width <= 0 || jpeg.height <= 0 ||
        (jpeg.components != 1 && jpeg.components != 3 && jpeg.components != 4)) {
      std::abort();
    }
  }

  kaveltar::pdf_internal::RasterImage image;
  if (kaveltar::pdf_internal::DecodeBmp(bytes, &image, &reason)) {
    const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (image.width <= 0 || image.height <= 0 || image.rgb.size() != pixels * 3 ||
        (!image.alpha.empty() && image.alpha.size() != pixels)) {
      std::abort();
    }
  }
  return 0;
}
