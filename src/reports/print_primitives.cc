#include "reports/print_primitives.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "base/fatal.h"
#include "base/run_time_error.h"
#include "base/text.h"

namespace kaveltar {

namespace {

constexpr Shade kShades[] = {
    {"Silver2", 0xFAFAFA, "%2"},   {"Silver5", 0xF3F3F3, "%5"}, {"Silver10", 0xE6E6E6, "%10"},
    {"Silver15", 0xE2E2E2, "%15"}, {"Silver", 0xE0E0E0, "%15"}, {"Gray", 0xC0C0C0, "%25"},
    {"DarkGray", 0x808080, "%55"}, {"Black", 0x000000, "%100"},
};

// PDF line width of the boxes: 0 means the thinnest line, 0.01 cm.
constexpr double kHairlineCm = 0.01;

// Throws the writer's last error, if any, to the report that called the primitive.
void CheckPdf(const PdfDocument& doc) {
  if (doc.ErrNumber() == 0) return;
  throw RunTimeError(static_cast<int>(doc.ErrNumber()),
                     doc.ErrDescription() + " (" + doc.ErrSource() + ")");
}

// Centimetres for every call: a report may have changed the unit in between.
PdfDocument& PdfInCentimetres(ReportTarget& target) {
  PdfDocument& doc = target.ReportPdf();
  doc.SetScale(3, 1.0);
  CheckPdf(doc);
  return doc;
}

// The blank suppression of PrintText: true when the text is to be drawn.
bool TextIsDrawn(std::string& text, bool print_zero) {
  if (!IsNumericText(text)) {
    const std::string_view trimmed = Trim(text);
    if (!trimmed.empty() && trimmed.find_first_not_of('0') == std::string_view::npos) text.clear();
    return !Trim(text).empty();
  }
  return Val(text) != 0 || print_zero;
}

void DrawPdfBox(ReportTarget& target, double y, double x, double height, double width,
                double line_width, const PdfOffsets& offsets, const Shade* shade, bool filled) {
  y += offsets.y;
  x += offsets.x;
  height += offsets.height;
  width += offsets.width;
  PdfDocument& doc = PdfInCentimetres(target);
  doc.SetLineWidth(line_width == 0 ? kHairlineCm : line_width);
  CheckPdf(doc);
  if (shade != nullptr) {
    doc.SetColorFill(std::string(shade->pdf_fill));
    CheckPdf(doc);
  }
  doc.DrawRect(x, y, width, height, filled ? 4 : 0, 0, 15);
  CheckPdf(doc);
}

}  // namespace

const Shade* FindShade(std::string_view name) {
  for (const Shade& shade : kShades) {
    if (shade.name == name) return &shade;
  }
  return nullptr;
}

int PrinterX(double x_cm) {
  return static_cast<int>(std::floor((x_cm - kUnprintableLeftCm) * kTwipsPerCm));
}
int PrinterY(double y_cm) {
  return static_cast<int>(std::floor((y_cm - kUnprintableTopCm) * kTwipsPerCm));
}
int PrinterSize(double cm) { return static_cast<int>(std::floor(cm * kTwipsPerCm)); }

PdfDocument& ReportTarget::ReportPdf() {
  if (!report_pdf_) report_pdf_ = std::make_unique<PdfDocument>();
  return *report_pdf_;
}

Status ReportTarget::BeginReportFile(const std::filesystem::path& path) {
  auto file = std::make_unique<PublishedFileSink>();
  if (const int error = file->Open(path); error != 0) {
    ReleaseReportPdf();
    return Status::IoError("Impossibile creare il file PDF nella cartella " +
                           path.parent_path().string() + ": " + FileErrorText(error));
  }
  // The settings already given to ReportPdf stay; a file it was writing is discarded by
  // BeginDocToSink while its sink is still alive.
  std::unique_ptr<PublishedFileSink> previous = std::move(report_file_);
  report_file_ = std::move(file);
  ReportPdf().BeginDocToSink(report_file_.get());
  previous.reset();
  if (report_pdf_->ErrNumber() != 0) {
    const std::string why = ReportPdfError();
    ReleaseReportPdf();
    return Status::IoError(why);
  }
  return Status::Ok();
}

std::string ReportTarget::ReportPdfError() const {
  if (report_file_ && report_file_->error() != 0) return report_file_->ErrorText();
  if (!report_pdf_ || report_pdf_->ErrNumber() == 0) return "";
  std::string text = report_pdf_->ErrDescription() + " (" + report_pdf_->ErrSource() + ")";
  if (report_file_) text = report_file_->final_path().string() + ": " + text;
  return text;
}

Result<std::unique_ptr<PublishedFileSink>> ReportTarget::FinishReportPdf() {
  if (!report_pdf_) return std::unique_ptr<PublishedFileSink>();
  report_pdf_->EndDoc();
  if (report_pdf_->ErrNumber() != 0 || (report_file_ && !report_file_->closed())) {
    const std::string why = ReportPdfError();
    ReleaseReportPdf();
    return Status::IoError(why.empty() ? "documento PDF non completato" : why);
  }
  report_pdf_.reset();
  return std::move(report_file_);
}

Status ReportTarget::EndReportPdf() {
  Result<std::unique_ptr<PublishedFileSink>> file = FinishReportPdf();
  if (!file.ok()) return file.status();
  if (*file && (*file)->Publish() != 0) return Status::IoError((*file)->ErrorText());
  return Status::Ok();
}

PrinterJob& ReportTarget::printer() {
  if (printer_ == nullptr) throw std::logic_error("ReportTarget: nessuna stampante");
  return *printer_;
}

bool IsNumericText(std::string_view text) {
  std::string_view s = Trim(text);
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  bool digits = false, decimal = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      digits = true;
    } else if (c == '.' && !decimal) {
      // The grouping separator may stand anywhere among the integer digits.
    } else if (c == ',' && !decimal) {
      decimal = true;
    } else {
      break;
    }
  }
  if (!digits) return false;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const size_t start = i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    if (i == start) return false;
  }
  return i == s.size();
}

void PrintText(ReportTarget& target, double y, double x, std::string& text, bool print_zero,
               const PdfOffsets& offsets) {
  if (TextIsDrawn(text, print_zero)) {
    if (target.PdfOutput()) {
      PdfDocument& doc = PdfInCentimetres(target);
      doc.DrawText(x + offsets.x, y + offsets.y, text, 1);
      CheckPdf(doc);
    } else {
      PrinterJob& printer = target.printer();
      printer.SetCurrentX(PrinterX(x));
      printer.SetCurrentY(PrinterY(y));
      printer.Print(text);
    }
  }
  text.clear();
}

void PrintText(ReportTarget& target, double y, double x, std::string_view text, bool print_zero,
               const PdfOffsets& offsets) {
  std::string copy(text);
  PrintText(target, y, x, copy, print_zero, offsets);
}

void PrintBox(ReportTarget& target, double y, double x, double height, double width,
              double line_width, const PdfOffsets& offsets) {
  if (target.PdfOutput()) {
    DrawPdfBox(target, y, x, height, width, line_width, offsets, nullptr, false);
    return;
  }
  const int px = PrinterX(x), py = PrinterY(y);
  target.printer().Line(px, py, px + PrinterSize(width), py + PrinterSize(height), 0,
                        LineShape::kBox);
}

void PrintShadedBox(ReportTarget& target, double y, double x, double height, double width,
                    std::string_view shade, double line_width, const PdfOffsets& offsets) {
  const Shade* found = FindShade(shade);
  if (target.PdfOutput()) {
    DrawPdfBox(target, y, x, height, width, line_width, offsets, found, true);
    return;
  }
  if (found != nullptr) target.set_printer_fill(found->printer_rgb);
  const int px = PrinterX(x), py = PrinterY(y);
  const int px2 = px + PrinterSize(width), py2 = py + PrinterSize(height);
  PrinterJob& printer = target.printer();
  printer.Line(px, py, px2, py2, target.printer_fill(), LineShape::kFilledBox);
  printer.Line(px, py, px2, py2, 0, LineShape::kBox);
}

void PrintPicture(ReportTarget& target, const std::string& picture, double y, double x,
                  double height, double width, const PdfOffsets& offsets) {
  if (target.PdfOutput()) {
    PdfDocument& doc = PdfInCentimetres(target);
    doc.DrawImage(picture, x + offsets.x, y + offsets.y, width + offsets.width,
                  height + offsets.height, 1, 0);
    std::error_code ec;
    if (doc.ErrNumber() != 0 || picture.empty() || !std::filesystem::is_regular_file(picture, ec)) {
      throw Fatal(std::string(kPdfPictureText), std::string(kPdfPictureTitle),
                  MessageIcon::kCritical);
    }
    return;
  }
  try {
    target.printer().PaintPicture(picture, PrinterX(x), PrinterY(y), PrinterSize(width),
                                  PrinterSize(height));
  } catch (const RunTimeError&) {
    throw Fatal(std::string(kPrinterPictureText), std::string(kPrinterPictureTitle),
                MessageIcon::kCritical);
  }
}

}  // namespace kaveltar
