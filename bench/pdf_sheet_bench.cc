// bench_pdf_sheet: pages per second of the monthly attendance sheet page (frame, 31 day rows
// of 16 boxed columns, about 600 short Courier texts, grey bands, titles) written
//   - into one file of N pages and into N/4 one-page files,
//   - by our PdfDocument with LZW (as the program writes its reports) and with Flate (with
//     the writer's default, and with its page-writing helper thread forced on),
//   - by cairo's PDF surface and by libharu, both with Flate, drawing the same elements.
// Every writer gets the page's elements from TestPageItems, so all draw the same page.
//
//   bench_pdf_sheet [--pages N] [--tiny] [--keep DIR]
// --pages N sets the one-file page count (default 2000; the files are N/4, default 500),
// --tiny is --pages 20, --keep DIR leaves the one-file outputs in DIR.
// The last line is "ours_pps=<n> cairo_pps=<n> haru_pps=<n> ratio=<r>" for the one-file
// Flate case, the ratio being ours over the faster of the other two.
#include <cairo-pdf.h>
#include <cairo.h>
#include <hpdf.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "pdf/pdf_colors.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_text.h"
#include "pdf/test_page.h"

namespace {

using kaveltar::TestPageItem;
using Kind = TestPageItem::Kind;

constexpr double kPointsPerCm = 28.346457;
constexpr double kA4Width = 595.276;
constexpr double kA4Height = 841.89;

double Grey(const std::string& colour) {
  uint32_t rgb = 0;
  kaveltar::pdf_internal::ParseColor(colour, &rgb);
  return (rgb & 0xFF) / 255.0;
}

// ----- Our writer -----

// `thread`: 1 forces the helper thread on, 0 leaves the writer's default.
bool WriteOurs(const std::string& path, int first_page, int pages, int compression, int thread = 0) {
  kaveltar::PdfDocument doc;
  if (thread != 0) doc.SetBackgroundWriting(true);
  doc.SetDocProperty("PDFCART_", "", "KAVELTAR", "bench_pdf_sheet");
  doc.SetScale(3, 1);
  doc.SetPaperSize(0, 0, 0);
  doc.SetMargins(0, 0, 0, 0, true);
  doc.SetPageView(0);
  doc.SetViewerPreferences(768);
  doc.SetCompression(compression, 3);
  doc.BeginDoc(path);
  for (int page = first_page; page < first_page + pages; ++page) {
    doc.BeginPage();
    kaveltar::DrawTestPage(doc, page);
  }
  doc.EndDoc();
  if (doc.ErrNumber() != 0) std::fprintf(stderr, "ours: %s\n", doc.ErrDescription().c_str());
  return doc.ErrNumber() == 0;
}

// ----- cairo -----

void DrawCairoPage(cairo_t* cr, int page) {
  cairo_save(cr);
  cairo_scale(cr, kPointsPerCm, kPointsPerCm);
  double font_size = -1;
  bool bold = false;
  for (const TestPageItem& item : kaveltar::TestPageItems(page)) {
    switch (item.kind) {
      case Kind::kText:
        if (item.font_size != font_size || item.bold != bold) {
          font_size = item.font_size;
          bold = item.bold;
          cairo_select_font_face(cr, "Courier New", CAIRO_FONT_SLANT_NORMAL,
                                 bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
          cairo_set_font_size(cr, font_size / kPointsPerCm);
        }
        cairo_move_to(cr, item.x, item.y);
        cairo_show_text(cr, item.text.c_str());
        break;
      case Kind::kBox:
        cairo_set_line_width(cr, item.line_width > 0 ? item.line_width : 0.01);
        cairo_rectangle(cr, item.x, item.y, item.width, item.height);
        cairo_stroke(cr);
        break;
      case Kind::kShadedBox: {
        const double g = Grey(item.grey);
        cairo_set_line_width(cr, item.line_width > 0 ? item.line_width : 0.01);
        cairo_rectangle(cr, item.x, item.y, item.width, item.height);
        cairo_set_source_rgb(cr, g, g, g);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_stroke(cr);
        break;
      }
    }
  }
  cairo_restore(cr);
}

bool WriteCairo(const std::string& path, int first_page, int pages) {
  cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), kA4Width, kA4Height);
  cairo_t* cr = cairo_create(surface);
  for (int page = first_page; page < first_page + pages; ++page) {
    DrawCairoPage(cr, page);
    cairo_show_page(cr);
  }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  if (!ok) std::fprintf(stderr, "cairo failed on %s\n", path.c_str());
  return ok;
}

// ----- libharu -----

int haru_errors = 0;

void HaruError(HPDF_STATUS error, HPDF_STATUS detail, void*) {
  if (++haru_errors < 5) std::fprintf(stderr, "libharu error %04X (%u)\n", static_cast<unsigned>(error),
                                      static_cast<unsigned>(detail));
}

bool WriteHaru(const std::string& path, int first_page, int pages) {
  HPDF_Doc pdf = HPDF_New(HaruError, nullptr);
  if (pdf == nullptr) return false;
  HPDF_SetCompressionMode(pdf, HPDF_COMP_ALL);
  HPDF_Font regular = HPDF_GetFont(pdf, "Courier", "WinAnsiEncoding");
  HPDF_Font bold_font = HPDF_GetFont(pdf, "Courier-Bold", "WinAnsiEncoding");
  std::string text;
  for (int number = first_page; number < first_page + pages; ++number) {
    HPDF_Page page = HPDF_AddPage(pdf);
    HPDF_Page_SetWidth(page, kA4Width);
    HPDF_Page_SetHeight(page, kA4Height);
    for (const TestPageItem& item : kaveltar::TestPageItems(number)) {
      const double x = item.x * kPointsPerCm;
      const double y = kA4Height - item.y * kPointsPerCm;
      switch (item.kind) {
        case Kind::kText:
          text.clear();
          kaveltar::pdf_internal::Utf8ToWinAnsi(item.text, &text);
          HPDF_Page_BeginText(page);
          HPDF_Page_SetFontAndSize(page, item.bold ? bold_font : regular, item.font_size);
          HPDF_Page_TextOut(page, x, y, text.c_str());
          HPDF_Page_EndText(page);
          break;
        case Kind::kBox:
        case Kind::kShadedBox: {
          const double w = item.width * kPointsPerCm, h = item.height * kPointsPerCm;
          HPDF_Page_SetLineWidth(page, (item.line_width > 0 ? item.line_width : 0.01) * kPointsPerCm);
          if (item.kind == Kind::kShadedBox) {
            const double g = Grey(item.grey);
            HPDF_Page_SetRGBFill(page, g, g, g);
          }
          HPDF_Page_Rectangle(page, x, y - h, w, h);
          if (item.kind == Kind::kShadedBox) {
            HPDF_Page_FillStroke(page);
          } else {
            HPDF_Page_Stroke(page);
          }
          break;
        }
      }
    }
  }
  const bool ok = HPDF_SaveToFile(pdf, path.c_str()) == HPDF_OK && haru_errors == 0;
  HPDF_Free(pdf);
  return ok;
}

// ----- Measurement -----

struct Measure {
  std::string name;
  double seconds = 0;
  int pages = 0;
  uintmax_t bytes = 0;
  double PagesPerSecond() const { return seconds > 0 ? pages / seconds : 0; }
};

using Writer = std::function<bool(const std::string& path, int first_page, int pages)>;

// Writes `pages` pages into one file, or (`files` > 0) that many one-page files.
Measure Run(const std::string& name, const Writer& writer, const std::filesystem::path& dir,
            const std::string& stem, int pages, int files, bool* ok) {
  Measure m;
  m.name = name;
  const auto start = std::chrono::steady_clock::now();
  if (files == 0) {
    *ok &= writer((dir / (stem + ".pdf")).string(), 1, pages);
    m.pages = pages;
  } else {
    for (int i = 0; i < files; ++i) *ok &= writer((dir / (stem + "_" + std::to_string(i) + ".pdf")).string(), 1 + i, 1);
    m.pages = files;
  }
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (files == 0) {
    m.bytes = std::filesystem::file_size(dir / (stem + ".pdf"));
  } else {
    for (int i = 0; i < files; ++i) {
      const auto file = dir / (stem + "_" + std::to_string(i) + ".pdf");
      m.bytes += std::filesystem::file_size(file);
      std::filesystem::remove(file);
    }
  }
  std::printf("  %-16s %8.3f s %8.0f pages/s %11ju bytes\n", name.c_str(), m.seconds, m.PagesPerSecond(), m.bytes);
  std::fflush(stdout);
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  int pages = 2000;
  std::string keep;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--tiny") {
      pages = 20;
    } else if (arg == "--pages" && i + 1 < argc) {
      pages = std::atoi(argv[++i]);
    } else if (arg == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else {
      std::fprintf(stderr, "usage: bench_pdf_sheet [--pages N] [--tiny] [--keep DIR]\n");
      return 2;
    }
  }
  if (pages < 1) {
    std::fprintf(stderr, "bench_pdf_sheet: --pages must be at least 1\n");
    return 2;
  }
  const int files = std::max(1, pages / 4);

  std::filesystem::path dir = keep;
  if (keep.empty()) {
    dir = std::filesystem::temp_directory_path() / ("bench_pdf_sheet_" + std::to_string(getpid()));
  }
  std::filesystem::create_directories(dir);

  const Writer ours_lzw = [](const std::string& p, int f, int n) { return WriteOurs(p, f, n, 4); };
  const Writer ours_flate = [](const std::string& p, int f, int n) { return WriteOurs(p, f, n, 2); };
  const Writer ours_flate_thread = [](const std::string& p, int f, int n) { return WriteOurs(p, f, n, 2, 1); };
  const Writer cairo = WriteCairo;
  const Writer haru = WriteHaru;

  // Warm-up: fonts, caches and allocators of every writer.
  bool ok = true;
  ok &= ours_lzw((dir / "warm.pdf").string(), 1, 3) && ours_flate((dir / "warm.pdf").string(), 1, 3);
  ok &= cairo((dir / "warm.pdf").string(), 1, 3) && haru((dir / "warm.pdf").string(), 1, 3);
  std::filesystem::remove(dir / "warm.pdf");

  std::printf("bench_pdf_sheet: attendance sheet page, %d pages into one file, %d one-page files\n", pages, files);
  std::printf("(%u hardware threads; the writer's helper thread is %s by default)\n",
              std::thread::hardware_concurrency(),
              std::thread::hardware_concurrency() >= 4 ? "on" : "off");
  std::printf("one file of %d pages:\n", pages);
  Run("ours LZW", ours_lzw, dir, "ours_lzw", pages, 0, &ok);
  const Measure ours = Run("ours Flate", ours_flate, dir, "ours_flate", pages, 0, &ok);
  Run("ours Flate+thread", ours_flate_thread, dir, "ours_flate_thread", pages, 0, &ok);
  const Measure cairo_one = Run("cairo Flate", cairo, dir, "cairo", pages, 0, &ok);
  const Measure haru_one = Run("libharu Flate", haru, dir, "haru", pages, 0, &ok);
  std::printf("%d one-page files:\n", files);
  Run("ours LZW", ours_lzw, dir, "ours_lzw", 0, files, &ok);
  Run("ours Flate", ours_flate, dir, "ours_flate", 0, files, &ok);
  Run("cairo Flate", cairo, dir, "cairo", 0, files, &ok);
  Run("libharu Flate", haru, dir, "haru", 0, files, &ok);

  if (keep.empty()) std::filesystem::remove_all(dir);
  if (!ok) {
    std::fprintf(stderr, "bench_pdf_sheet: a writer failed\n");
    return 1;
  }
  const double faster = std::max(cairo_one.PagesPerSecond(), haru_one.PagesPerSecond());
  std::printf("ours_pps=%.0f cairo_pps=%.0f haru_pps=%.0f ratio=%.2f\n", ours.PagesPerSecond(),
              cairo_one.PagesPerSecond(), haru_one.PagesPerSecond(),
              faster > 0 ? ours.PagesPerSecond() / faster : 0.0);
  return 0;
}
