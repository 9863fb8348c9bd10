// bench_pdf_sheet: pages per second of the monthly attendance sheet page (frame, 31 day rows
// of 16 boxed columns, about 600 short Courier texts, grey bands, titles) written
//   - into one file of N pages and into N/4 one-page files,
//   - by our PdfDocument with LZW (as the program writes its reports) and with Flate,
//   - by cairo's PDF surface and by libharu, both with Flate, drawing the same elements;
// the writers take turns every 50 pages (10 files), so that changes in the machine's load
// weigh on all of them alike. Every writer gets the page's elements from TestPageItems.
// Our writer with its page-writing helper thread forced on is timed on its own afterwards.
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
#include <memory>
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
// The writers take turns every 50 pages (10 files): often enough that a change in the
// machine's load weighs on all of them, seldom enough that each keeps its caches warm.
constexpr int kTurnPages = 50;
constexpr int kTurnFiles = 10;
constexpr double kA4Width = 595.276;
constexpr double kA4Height = 841.89;

double Grey(const std::string& colour) {
  uint32_t rgb = 0;
  kaveltar::pdf_internal::ParseColor(colour, &rgb);
  return (rgb & 0xFF) / 255.0;
}

// Each writer draws a document page by page, so that the run can interleave the writers
// page by page: a change in the machine's load then weighs on all of them alike.
class BenchWriter {
 public:
  virtual ~BenchWriter() = default;
  virtual void Begin(const std::string& path) = 0;
  virtual void Page(int number) = 0;
  virtual bool Finish() = 0;  // false when the writer reported an error
};

// ----- Our writer -----

class OursWriter : public BenchWriter {
 public:
  // `compression` as SetCompression; `thread` forces the helper thread on.
  OursWriter(int compression, bool thread) : compression_(compression), thread_(thread) {}

  void Begin(const std::string& path) override {
    doc_ = std::make_unique<kaveltar::PdfDocument>();
    if (thread_) doc_->SetBackgroundWriting(true);
    doc_->SetDocProperty("PDFCART_", "", "KAVELTAR", "bench_pdf_sheet");
    doc_->SetScale(3, 1);
    doc_->SetPaperSize(0, 0, 0);
    doc_->SetMargins(0, 0, 0, 0, true);
    doc_->SetPageView(0);
    doc_->SetViewerPreferences(768);
    doc_->SetCompression(compression_, 3);
    doc_->BeginDoc(path);
  }
  void Page(int number) override {
    doc_->BeginPage();
    kaveltar::DrawTestPage(*doc_, number);
  }
  bool Finish() override {
    doc_->EndDoc();
    const bool ok = doc_->ErrNumber() == 0;
    if (!ok) std::fprintf(stderr, "ours: %s\n", doc_->ErrDescription().c_str());
    doc_.reset();
    return ok;
  }

 private:
  int compression_;
  bool thread_;
  std::unique_ptr<kaveltar::PdfDocument> doc_;
};

// ----- cairo -----

class CairoWriter : public BenchWriter {
 public:
  void Begin(const std::string& path) override {
    path_ = path;
    surface_ = cairo_pdf_surface_create(path.c_str(), kA4Width, kA4Height);
    cr_ = cairo_create(surface_);
  }
  void Page(int number) override {
    cairo_save(cr_);
    cairo_scale(cr_, kPointsPerCm, kPointsPerCm);
    double font_size = -1;
    bool bold = false;
    for (const TestPageItem& item : kaveltar::TestPageItems(number)) {
      switch (item.kind) {
        case Kind::kText:
          if (item.font_size != font_size || item.bold != bold) {
            font_size = item.font_size;
            bold = item.bold;
            cairo_select_font_face(cr_, "Courier New", CAIRO_FONT_SLANT_NORMAL,
                                   bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
            cairo_set_font_size(cr_, font_size / kPointsPerCm);
          }
          cairo_move_to(cr_, item.x, item.y);
          cairo_show_text(cr_, item.text.c_str());
          break;
        case Kind::kBox:
          cairo_set_line_width(cr_, item.line_width > 0 ? item.line_width : 0.01);
          cairo_rectangle(cr_, item.x, item.y, item.width, item.height);
          cairo_stroke(cr_);
          break;
        case Kind::kShadedBox: {
          const double g = Grey(item.grey);
          cairo_set_line_width(cr_, item.line_width > 0 ? item.line_width : 0.01);
          cairo_rectangle(cr_, item.x, item.y, item.width, item.height);
          cairo_set_source_rgb(cr_, g, g, g);
          cairo_fill_preserve(cr_);
          cairo_set_source_rgb(cr_, 0, 0, 0);
          cairo_stroke(cr_);
          break;
        }
      }
    }
    cairo_restore(cr_);
    cairo_show_page(cr_);
  }
  bool Finish() override {
    cairo_destroy(cr_);
    cairo_surface_finish(surface_);
    const bool ok = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface_);
    if (!ok) std::fprintf(stderr, "cairo failed on %s\n", path_.c_str());
    return ok;
  }

 private:
  std::string path_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

// ----- libharu -----

int haru_errors = 0;

void HaruError(HPDF_STATUS error, HPDF_STATUS detail, void*) {
  if (++haru_errors < 5) {
    std::fprintf(stderr, "libharu error %04X (%u)\n", static_cast<unsigned>(error),
                 static_cast<unsigned>(detail));
  }
}

class HaruWriter : public BenchWriter {
 public:
  void Begin(const std::string& path) override {
    path_ = path;
    pdf_ = HPDF_New(HaruError, nullptr);
    HPDF_SetCompressionMode(pdf_, HPDF_COMP_ALL);
    regular_ = HPDF_GetFont(pdf_, "Courier", "WinAnsiEncoding");
    bold_ = HPDF_GetFont(pdf_, "Courier-Bold", "WinAnsiEncoding");
  }
  void Page(int number) override {
    HPDF_Page page = HPDF_AddPage(pdf_);
    HPDF_Page_SetWidth(page, kA4Width);
    HPDF_Page_SetHeight(page, kA4Height);
    for (const TestPageItem& item : kaveltar::TestPageItems(number)) {
      const double x = item.x * kPointsPerCm;
      const double y = kA4Height - item.y * kPointsPerCm;
      if (item.kind == Kind::kText) {
        text_.clear();
        kaveltar::pdf_internal::Utf8ToWinAnsi(item.text, &text_);
        HPDF_Page_BeginText(page);
        HPDF_Page_SetFontAndSize(page, item.bold ? bold_ : regular_, item.font_size);
        HPDF_Page_TextOut(page, x, y, text_.c_str());
        HPDF_Page_EndText(page);
        continue;
      }
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
    }
  }
  bool Finish() override {
    const bool ok = HPDF_SaveToFile(pdf_, path_.c_str()) == HPDF_OK && haru_errors == 0;
    HPDF_Free(pdf_);
    return ok;
  }

 private:
  std::string path_;
  HPDF_Doc pdf_ = nullptr;
  HPDF_Font regular_ = nullptr;
  HPDF_Font bold_ = nullptr;
  std::string text_;
};

// ----- Measurement -----

struct Contender {
  std::string name;
  std::string stem;  // file name stem
  std::unique_ptr<BenchWriter> writer;
  double seconds = 0;
  uintmax_t bytes = 0;
};

template <typename F>
void Timed(Contender& c, F&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  c.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(const Contender& c, int pages) {
  std::printf("  %-18s %8.3f s %8.0f pages/s %11ju bytes\n", c.name.c_str(), c.seconds,
              c.seconds > 0 ? pages / c.seconds : 0.0, c.bytes);
  std::fflush(stdout);
}

double PagesPerSecond(const Contender& c, int pages) {
  return c.seconds > 0 ? pages / c.seconds : 0;
}

std::vector<Contender> Contenders(bool with_thread) {
  std::vector<Contender> list;
  list.push_back({"ours LZW", "ours_lzw", std::make_unique<OursWriter>(4, false)});
  list.push_back({"ours Flate", "ours_flate", std::make_unique<OursWriter>(2, false)});
  if (with_thread)
    list.push_back(
        {"ours Flate+thread", "ours_flate_thread", std::make_unique<OursWriter>(2, true)});
  list.push_back({"cairo Flate", "cairo", std::make_unique<CairoWriter>()});
  list.push_back({"libharu Flate", "haru", std::make_unique<HaruWriter>()});
  return list;
}

struct Args {
  int pages = 2000;
  std::string keep;
};

// Reads the command line; false (after the usage message) when it is wrong.
bool ParseArgs(int argc, char** argv, Args* args) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--tiny") {
      args->pages = 20;
    } else if (arg == "--pages" && i + 1 < argc) {
      args->pages = std::atoi(argv[++i]);
    } else if (arg == "--keep" && i + 1 < argc) {
      args->keep = argv[++i];
    } else {
      std::fprintf(stderr, "usage: bench_pdf_sheet [--pages N] [--tiny] [--keep DIR]\n");
      return false;
    }
  }
  if (args->pages < 1) {
    std::fprintf(stderr, "bench_pdf_sheet: --pages must be at least 1\n");
    return false;
  }
  return true;
}

// Warm-up: fonts, caches and allocators of every writer.
bool WarmUp(const std::filesystem::path& dir) {
  bool ok = true;
  for (Contender& c : Contenders(false)) {
    c.writer->Begin((dir / "warm.pdf").string());
    for (int page = 1; page <= 3; ++page) c.writer->Page(page);
    ok &= c.writer->Finish();
  }
  std::filesystem::remove(dir / "warm.pdf");
  return ok;
}

// One file of `pages` pages per writer, the writers taking turns.
std::vector<Contender> OneFile(const std::filesystem::path& dir, int pages, bool* ok) {
  std::printf("one file of %d pages:\n", pages);
  std::vector<Contender> one_file = Contenders(false);
  for (Contender& c : one_file)
    Timed(c, [&] { c.writer->Begin((dir / (c.stem + ".pdf")).string()); });
  for (int first = 1; first <= pages; first += kTurnPages) {
    const int last = std::min(pages, first + kTurnPages - 1);
    for (Contender& c : one_file) {
      Timed(c, [&] {
        for (int page = first; page <= last; ++page) c.writer->Page(page);
      });
    }
  }
  for (Contender& c : one_file) {
    Timed(c, [&] { *ok &= c.writer->Finish(); });
    c.bytes = std::filesystem::file_size(dir / (c.stem + ".pdf"));
    Report(c, pages);
  }
  return one_file;
}

// The helper thread works while the others draw, so it is timed on its own.
void Threaded(const std::filesystem::path& dir, int pages, bool* ok) {
  Contender t{"ours Flate+thread", "ours_flate_thread", std::make_unique<OursWriter>(2, true)};
  Timed(t, [&] {
    t.writer->Begin((dir / (t.stem + ".pdf")).string());
    for (int page = 1; page <= pages; ++page) t.writer->Page(page);
    *ok &= t.writer->Finish();
  });
  t.bytes = std::filesystem::file_size(dir / (t.stem + ".pdf"));
  Report(t, pages);
  std::filesystem::remove(dir / (t.stem + ".pdf"));
}

// One-page files, the writers taking turns.
void ManyFiles(const std::filesystem::path& dir, int files, bool* ok) {
  std::printf("%d one-page files:\n", files);
  std::vector<Contender> many = Contenders(false);
  for (int first = 0; first < files; first += kTurnFiles) {
    const int last = std::min(files, first + kTurnFiles);
    for (Contender& c : many) {
      Timed(c, [&] {
        for (int i = first; i < last; ++i) {
          c.writer->Begin((dir / (c.stem + "_" + std::to_string(i) + ".pdf")).string());
          c.writer->Page(i + 1);
          *ok &= c.writer->Finish();
        }
      });
      for (int i = first; i < last; ++i) {
        const auto file = dir / (c.stem + "_" + std::to_string(i) + ".pdf");
        c.bytes += std::filesystem::file_size(file);
        std::filesystem::remove(file);
      }
    }
  }
  for (const Contender& c : many) Report(c, files);
}

}  // namespace

int main(int argc, char** argv) {
  Args args;
  if (!ParseArgs(argc, argv, &args)) return 2;
  const int pages = args.pages;
  const int files = std::max(1, pages / 4);

  std::filesystem::path dir = args.keep;
  if (args.keep.empty()) {
    dir = std::filesystem::temp_directory_path() / ("bench_pdf_sheet_" + std::to_string(getpid()));
  }
  std::filesystem::create_directories(dir);

  bool ok = WarmUp(dir);
  std::printf("bench_pdf_sheet: attendance sheet page, %d pages into one file, %d one-page files\n",
              pages, files);
  std::printf(
      "(writers taking turns every %d pages; %u hardware threads, our helper thread %s by "
      "default)\n",
      kTurnPages, std::thread::hardware_concurrency(),
      std::thread::hardware_concurrency() >= 4 ? "on" : "off");
  const std::vector<Contender> one_file = OneFile(dir, pages, &ok);
  Threaded(dir, pages, &ok);
  ManyFiles(dir, files, &ok);

  if (args.keep.empty()) std::filesystem::remove_all(dir);
  if (!ok) {
    std::fprintf(stderr, "bench_pdf_sheet: a writer failed\n");
    return 1;
  }
  const double ours = PagesPerSecond(one_file[1], pages);
  const double cairo = PagesPerSecond(one_file[2], pages);
  const double haru = PagesPerSecond(one_file[3], pages);
  const double faster = std::max(cairo, haru);
  std::printf("ours_pps=%.0f cairo_pps=%.0f haru_pps=%.0f ratio=%.2f\n", ours, cairo, haru,
              faster > 0 ? ours / faster : 0.0);
  return 0;
}
