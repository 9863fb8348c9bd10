// The drawing primitives of every report, and the switch between the two outputs.
//
// A report is written once, as drawing calls in centimetres on A4 portrait, and goes either
// to the printer or into the shared PDF document `ReportPdf`, as `PdfOutput` says. The report
// calls one primitive per element; the primitive looks at the output and issues either the
// printer calls or the PdfDocument calls. Reports choose fonts and open and close pages on the
// output themselves.
//
// Coordinates are centimetres from the top-left corner of the sheet, X to the right and Y
// downwards. Every primitive takes the row (Y) first and the column (X) second, then the sizes
// in the same order (height, then width).
//
// PDF output: the offsets that are not zero are added to their values (reports use them to
// shift whole blocks on the PDF page only); the unit is set to centimetres on every call, since
// a report may have changed it. A failing PdfDocument call is thrown as RunTimeError with the
// writer's number and description.
//
// Printer output: the offsets are ignored; coordinates lose the printer's unprintable margin
// (0.3 cm across, 0.6 cm down) and become twips, sizes become twips, all truncated to whole
// twips: X' = Int((X - 0.3) * 567), Y' = Int((Y - 0.6) * 567), W' = Int(W * 567). Line widths
// are not used (the printer's own width applies).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/status.h"
#include "pdf/pdf_document.h"
#include "platform/printer.h"
#include "platform/printer_file_sink.h"

namespace kaveltar {

// Shifts applied to a primitive's values in PDF output only, in centimetres.
struct PdfOffsets {
  double y = 0;
  double x = 0;
  double height = 0;
  double width = 0;
};

// One row of the shade table of PrintShadedBox.
struct Shade {
  std::string_view name;
  uint32_t printer_rgb;       // fill colour on the printer
  std::string_view pdf_fill;  // fill colour given to PdfDocument::SetColorFill
};

// The shade called `name` (exact, case-sensitive); nullptr when the table has none.
// "Silver2", "Silver5", "Silver10", "Silver15", "Silver", "Gray", "DarkGray", "Black".
const Shade* FindShade(std::string_view name);

// Printer geometry: centimetres on the sheet to twips on the printer.
int PrinterX(double x_cm);
int PrinterY(double y_cm);
int PrinterSize(double cm);

// Where reports go: the switch `PdfOutput`, the shared document `ReportPdf` and the printer.
class ReportTarget {
 public:
  ReportTarget() = default;
  explicit ReportTarget(PrinterJob* printer) : printer_(printer) {}
  ReportTarget(const ReportTarget&) = delete;
  ReportTarget& operator=(const ReportTarget&) = delete;

  // True while reports are written into ReportPdf, false while they go to the printer. It
  // stays as the last report driver set it.
  bool PdfOutput() const { return pdf_output_; }
  void SetPdfOutput(bool pdf) { pdf_output_ = pdf; }

  // The one PDF document shared by all reports; created (fresh) on first use after a release.
  PdfDocument& ReportPdf();
  bool HasReportPdf() const { return report_pdf_ != nullptr; }
  // Starts ReportPdf on the file `path`: the bytes go into a temporary file beside it, and the
  // file appears under its name only when published (EndReportPdf or PublishReportFile), so
  // an older file stays whole until then and a kill leaves no half file. Fails with the
  // folder and the cause ("permesso negato", ...) when the temporary file cannot be made.
  Status BeginReportFile(const std::filesystem::path& path);
  // Why ReportPdf failed, for the operator: "<file>: <cause>" when writing the file failed
  // (full disk, ...), else the writer's description. Empty when it did not fail.
  std::string ReportPdfError() const;
  // Finishes ReportPdf (EndDoc) and releases it, and hands back its complete, closed but not
  // yet published file: the caller publishes it (PublishReportFile) once whatever goes with
  // it is recorded. A document that was not begun on a file gives null. On failure the
  // temporary file is removed and the status names the file and the cause.
  Result<std::unique_ptr<PublishedFileSink>> FinishReportPdf();
  // Finishes ReportPdf and publishes its file at once. Nothing to finish is OK.
  Status EndReportPdf();
  // Releases ReportPdf without finishing it (its unfinished file is removed).
  void ReleaseReportPdf() {
    report_pdf_.reset();
    report_file_.reset();
  }

  // The printer of the printer output. Throws std::logic_error when none was given.
  PrinterJob& printer();
  void set_printer(PrinterJob* printer) { printer_ = printer; }

  // The fill colour PrintShadedBox last gave the printer (a shade outside the table keeps it).
  uint32_t printer_fill() const { return printer_fill_; }
  void set_printer_fill(uint32_t rgb) { printer_fill_ = rgb; }

 private:
  bool pdf_output_ = false;
  std::unique_ptr<PublishedFileSink> report_file_;  // outlives the document writing into it
  std::unique_ptr<PdfDocument> report_pdf_;
  PrinterJob* printer_ = nullptr;
  uint32_t printer_fill_ = 0;
};

// Writes `text` (UTF-8) at (x, y): on the PDF page with its baseline at y, on the printer
// with the top of the line at y, in the output's current font. Nothing is drawn for a text
// that is blank, or all zeros without being a number; a number whose value is zero is drawn
// only when `print_zero` is true. `text` is emptied afterwards in every case.
void PrintText(ReportTarget& target, double y, double x, std::string& text, bool print_zero = false,
               const PdfOffsets& offsets = {});
// The same for a text the caller does not need emptied.
void PrintText(ReportTarget& target, double y, double x, std::string_view text,
               bool print_zero = false, const PdfOffsets& offsets = {});

// The outline of a rectangle with its top-left corner at (x, y), in black. In PDF the line
// is `line_width` centimetres wide, 0.01 cm when `line_width` is 0.
void PrintBox(ReportTarget& target, double y, double x, double height, double width,
              double line_width = 0, const PdfOffsets& offsets = {});

// PrintBox filled with the tone of the shade table for `shade` (the printer then draws the
// outline in black over it). A shade outside the table keeps the last fill colour.
void PrintShadedBox(ReportTarget& target, double y, double x, double height, double width,
                    std::string_view shade, double line_width = 0, const PdfOffsets& offsets = {});

// A picture file with its top-left corner at (x, y), stretched to width x height. When the
// picture cannot be drawn the program ends: Fatal with the title "Errore Immagine PDF" (the
// file does not exist or cannot be placed) or "Errore Immagine Laser" (the printer could
// not paint it) and the matching text.
void PrintPicture(ReportTarget& target, const std::string& picture, double y, double x,
                  double height, double width, const PdfOffsets& offsets = {});

// The texts of the picture failure.
inline constexpr std::string_view kPdfPictureTitle = "Errore Immagine PDF";
inline constexpr std::string_view kPdfPictureText =
    "Attenzione Immagine non trovata! E' stato specificato il Percorso corretto?";
inline constexpr std::string_view kPrinterPictureTitle = "Errore Immagine Laser";
inline constexpr std::string_view kPrinterPictureText =
    "Attenzione Immagine non trovata! E' stato specificato correttamente il controllo che la "
    "contiene?";

// True when `text` reads as a number the way the original runtime's IsNumeric reads it under
// Italian regional settings: blanks around it, a sign, digits with "." grouping and at most
// one "," decimal separator, an optional exponent.
bool IsNumericText(std::string_view text);

}  // namespace kaveltar
