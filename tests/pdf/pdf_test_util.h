// Helpers of the PDF writer tests: documents in memory, a temporary folder, the outside
// readers (qpdf, poppler) and small image files.
#ifndef KAVELTAR_TESTS_PDF_PDF_TEST_UTIL_H_
#define KAVELTAR_TESTS_PDF_PDF_TEST_UTIL_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "pdf/pdf_document.h"

namespace kaveltar::pdf_test {

// A document set up as the program's reports set it up (centimetres, A4, no margins with
// clipping, centred and fitted window), one page drawn by `draw`, finished in memory.
std::string MemoryDocument(const std::function<void(PdfDocument&)>& draw,
                           const std::function<void(PdfDocument&)>& setup = nullptr);

// The first page's content stream of an uncompressed, unprotected file.
std::string FirstContent(const std::string& pdf);

// A folder removed with its files when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

struct ToolResult {
  int status = -1;
  std::string output;  // standard output and error
};
// Runs a shell command line.
ToolResult RunTool(const std::string& command);
// `text` quoted for the shell.
std::string Quote(const std::string& text);

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// `v` appended as 2 or 4 bytes, least significant first.
void Le16(std::string* s, uint32_t v);
void Le32(std::string* s, uint32_t v);

// A BMP file of `bits` (1, 4, 8, 16, 24, 32) per pixel holding `rgb` pixels (0xRRGGBB,
// top row first); paletted depths get a palette of the distinct colours.
std::string MakeBmp(int width, int height, int bits, const std::vector<uint32_t>& rgb,
                    bool top_down = false);

// Checks that qpdf --check finds neither errors nor warnings (with `password` when protected).
void ExpectCleanQpdf(const std::string& file, const std::string& password = "");

// qpdf's JSON of `key` without blanks and line breaks, so that checks do not depend on the layout.
std::string QpdfJson(const std::string& file, const std::string& key,
                     const std::string& password = "");

// Page `page` of `file` rendered by poppler at 72 dpi (one pixel per point) as PPM; poppler
// must say nothing.
std::string Render(const TempDir& dir, const std::string& file, int page = 1);

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Expects every part in `text`.
void ExpectContainsAll(const std::string& text, std::initializer_list<std::string> parts);

// The titles of a PDF file's outline entries as qpdf lists them: siblings in order, an
// entry's children before its own title.
std::vector<std::string> OutlineTitles(const std::string& file, const std::string& password = "");

// Pixel (x, y) of a binary PPM (P6) image as 0xRRGGBB.
uint32_t PpmPixel(const std::string& ppm, int x, int y);

// Expects each pixel (x, y) of a PPM image to be its colour.
struct Pixel {
  int x, y;
  uint32_t rgb;
};
void ExpectPixels(const std::string& ppm, std::initializer_list<Pixel> pixels);

// A one-page document in points with `compression` (quality 3), drawn by `draw`, written into
// `path`; every call must succeed.
void WritePointsDocument(const std::string& path, int compression,
                         const std::function<void(PdfDocument&)>& draw);

}  // namespace kaveltar::pdf_test

#endif  // KAVELTAR_TESTS_PDF_PDF_TEST_UTIL_H_
