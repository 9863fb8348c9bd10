#include "platform/printer.h"

#include <algorithm>
#include <cctype>

namespace kaveltar {

namespace {

// Vertical metrics of the TrueType fonts the printer driver uses, in font units per em.
struct VerticalMetrics {
  double ascent;
  double descent;
  double line_gap;
  double units_per_em;
};

constexpr VerticalMetrics kCourierNew{1705, 615, 0, 2048};
constexpr VerticalMetrics kArial{1854, 434, 67, 2048};
constexpr VerticalMetrics kTimesNewRoman{1825, 443, 87, 2048};

VerticalMetrics MetricsOf(std::string_view name) {
  std::string key;
  for (char c : name) {
    if (c != ' ') key.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  if (key == "ARIAL" || key == "HELVETICA") return kArial;
  if (key == "TIMESNEWROMAN" || key == "TIMES") return kTimesNewRoman;
  return kCourierNew;
}

}  // namespace

double FontLineHeightTwips(const PrinterFont& font) {
  const VerticalMetrics m = MetricsOf(font.name);
  return (m.ascent + m.descent + m.line_gap) / m.units_per_em * font.size * kTwipsPerPoint;
}

double FontAscentTwips(const PrinterFont& font) {
  const VerticalMetrics m = MetricsOf(font.name);
  return m.ascent / m.units_per_em * font.size * kTwipsPerPoint;
}

PrinterJob::~PrinterJob() = default;

void PrinterJob::SetFontSize(double points) {
  if (points > 0) font_.size = points;
}

double PrinterJob::ScaleHeight() const {
  return kPaperHeightTwips - 2 * kUnprintableTopCm * kTwipsPerCm;
}

void PrinterJob::Guarded(const std::function<void()>& operation) {
  for (;;) {
    try {
      operation();
      return;
    } catch (const RunTimeError& error) {
      if (error.number() != RunTimeError::kPrinterError) throw;
      last_error_ = error.description();
      if (!error_handler_) throw;
      if (!error_handler_(error)) {
        gave_up_ = true;
        return;
      }
    }
  }
}

void PrinterJob::EnsureDocument() {
  if (document_open_) return;
  last_destination_.clear();
  last_error_.clear();
  gave_up_ = false;
  StartDocument();
  document_open_ = true;
  page_ = 1;
  StartPage(page_);
}

void PrinterJob::ResetDocumentState() {
  document_open_ = false;
  page_ = 0;
  x_ = 0;
  y_ = 0;
}

void PrinterJob::Print(std::string_view text) {
  Guarded([&] {
    EnsureDocument();
    const double height = TextHeight();
    size_t start = 0;
    for (;;) {
      size_t end = text.find('\n', start);
      std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      // A line that would cross the bottom of the printable area goes on a new page (a line
      // already at the top of a page stays, whatever its height).
      if (y_ > 0 && y_ + height > ScaleHeight()) {
        ++page_;
        StartPage(page_);
        y_ = 0;
      }
      if (!line.empty()) DrawText(x_, y_, line, font_);
      x_ = 0;
      y_ += height;
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
  });
}

void PrinterJob::Line(double x1, double y1, double x2, double y2, uint32_t color, LineShape shape) {
  Guarded([&] {
    EnsureDocument();
    DrawLine(x1, y1, x2, y2, color & 0xFFFFFF, shape, kDrawWidth);
    x_ = x2;
    y_ = y2;
  });
}

void PrinterJob::PaintPicture(const std::filesystem::path& picture, double x, double y,
                              double width, double height) {
  Guarded([&] {
    EnsureDocument();
    DrawPicture(picture, x, y, width, height);
  });
}

void PrinterJob::NewPage() {
  Guarded([&] {
    EnsureDocument();
    ++page_;
    StartPage(page_);
    x_ = 0;
    y_ = 0;
  });
}

bool PrinterJob::EndDoc() {
  if (!document_open_) return true;
  bool delivered = false;
  if (!gave_up_) {
    Guarded([&] {
      FinishDocument();
      delivered = true;
    });
  }
  // Printed, or given up by the operator: either way this document is over.
  DiscardDocument();
  ResetDocumentState();
  if (!delivered) last_destination_.clear();
  return delivered;
}

void PrinterJob::KillDoc() {
  if (document_open_) DiscardDocument();
  ResetDocumentState();
}

bool SelectPrinterByName(PrinterJob& printer, const std::string& name) {
  if (name.empty()) return false;
  Result<std::vector<PrinterInfo>> printers = printer.Printers();
  if (!printers.ok()) return false;
  for (const PrinterInfo& info : *printers) {
    if (info.name == name) return printer.SelectPrinter(info.name);
  }
  return false;
}

}  // namespace kaveltar
