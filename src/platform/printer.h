// The printer object: what every printed report, listing and anomaly list is drawn on.
//
// A PrinterJob behaves like the printer object of the original runtime. The first drawing
// call starts a document and its first page; NewPage ends the page and starts the next;
// EndDoc finishes the document and prints it; KillDoc throws it away. After EndDoc or KillDoc
// the next drawing call starts a new document.
//
// Units are twips (1440 per inch, 567 per centimetre), measured from the top-left corner of
// the printable area: the A4 sheet less the printer's unprintable margin of 0.3 cm at the
// left and right and 0.6 cm at the top and bottom. X grows to the right, Y downwards. Colours
// are 0xRRGGBB.
//
// Errors: a printing failure (the document cannot be rendered or handed to the printer) is
// RunTimeError 482. When an error handler is installed, the failing operation asks it: retry
// (the operation runs again) or give up (the operation is skipped and work goes on); the
// handler may also throw to end the program. Without a handler the error is thrown to the
// caller. A document in which an operation was given up is incomplete: EndDoc says so, and
// last_error() keeps the cause, so a caller never takes it for printed. A picture that cannot be
// painted is RunTimeError 481 (or 53 for a missing file), always thrown to the caller.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_time_error.h"
#include "base/status.h"

namespace kaveltar {

inline constexpr double kTwipsPerCm = 567;
inline constexpr double kTwipsPerPoint = 20;
// The printer's unprintable margin, in centimetres.
inline constexpr double kUnprintableLeftCm = 0.3;
inline constexpr double kUnprintableTopCm = 0.6;
// A4 portrait, the sheet of every report, in twips (596 x 842 points).
inline constexpr double kPaperWidthTwips = 596 * kTwipsPerPoint;
inline constexpr double kPaperHeightTwips = 842 * kTwipsPerPoint;

struct PrinterFont {
  std::string name = "Courier New";
  double size = 10;  // points
  bool bold = false;
  bool italic = false;
};

// The line height and the height above the baseline of a font, in twips, as the printer
// driver measures them (ascent plus descent plus line gap of the TrueType font).
// "Courier New", "Arial" and "Times New Roman" (and their usual aliases) are known; any other
// name is measured as "Courier New", the font the printer driver substitutes.
double FontLineHeightTwips(const PrinterFont& font);
double FontAscentTwips(const PrinterFont& font);

struct PrinterInfo {
  std::string name;         // the device name: what the installation's settings name
  std::string description;  // free text shown beside the name (may be empty)
  bool is_default = false;  // the system's default printer
};

enum class LineShape { kLine, kBox, kFilledBox };

class PrinterJob {
 public:
  // Decides about a printer error: true retries the failing operation, false skips it.
  // May throw (for example Fatal) to end the program.
  using ErrorHandler = std::function<bool(const RunTimeError&)>;

  virtual ~PrinterJob();
  PrinterJob(const PrinterJob&) = delete;
  PrinterJob& operator=(const PrinterJob&) = delete;

  // ----- Printers -----

  // The printers of the system, in the system's order. Fails when they cannot be listed.
  virtual Result<std::vector<PrinterInfo>> Printers() = 0;
  // The printer the next document goes to: a printer name, or "file:" followed by the
  // folder that receives the documents as PDF files.
  virtual std::string DeviceName() = 0;
  // Makes `name` (one of Printers(), compared exactly) the current printer. False, with
  // nothing changed, when there is no such printer.
  virtual bool SelectPrinter(const std::string& name) = 0;
  // True when the operator fixed the printer for this run (command line or environment):
  // the installation's printer setting then leaves the choice alone.
  bool fixed_by_operator() const { return fixed_by_operator_; }

  // ----- Document -----

  // The name of the next document in the printer queue (and of its spooled file).
  void set_title(std::string title) { title_ = std::move(title); }
  const std::string& title() const { return title_; }
  // Where the last printed document went (a print job, or the path of a spooled file); empty
  // while a document is open and when the last one was not printed.
  const std::string& last_destination() const { return last_destination_; }
  // The cause of the last printer error (482) met, given up or not; empty when none.
  const std::string& last_error() const { return last_error_; }
  // True between the first drawing call and EndDoc/KillDoc.
  bool document_open() const { return document_open_; }
  // The current page number, from 1; 0 when no document is open.
  int Page() const { return page_; }

  // ----- Font and position -----

  void SetFont(const PrinterFont& font) { font_ = font; }
  const PrinterFont& font() const { return font_; }
  void SetFontName(std::string name) { font_.name = std::move(name); }
  // Sizes of 0 or less are ignored.
  void SetFontSize(double points);
  void SetFontBold(bool bold) { font_.bold = bold; }

  double CurrentX() const { return x_; }
  double CurrentY() const { return y_; }
  void SetCurrentX(double twips) { x_ = twips; }
  void SetCurrentY(double twips) { y_ = twips; }
  // The printable area in twips.
  double ScaleHeight() const;
  // Line height of the current font in twips.
  double TextHeight() const { return FontLineHeightTwips(font_); }

  // ----- Drawing -----

  // Prints `text` (UTF-8) with the top of the line at the current position, then moves to
  // the start of the next line (CurrentX 0, CurrentY one line lower). A line that would end
  // below the printable area starts a new page first. Each line break in `text` ("\n" or
  // "\r\n") moves to a new line as well; an empty text only moves down one line.
  void Print(std::string_view text);
  // A line from (x1, y1) to (x2, y2), or the box with those opposite corners, outlined or
  // filled with `color`. The current position moves to (x2, y2).
  void Line(double x1, double y1, double x2, double y2, uint32_t color = 0,
            LineShape shape = LineShape::kLine);
  // Paints a picture file (JPEG or BMP) stretched into the rectangle. A missing or
  // unreadable picture throws RunTimeError (53 or 481) and draws nothing.
  void PaintPicture(const std::filesystem::path& picture, double x, double y, double width,
                    double height);
  // Ends the page and starts the next one (starting the document first when none is open).
  void NewPage();
  // Finishes the document and prints it. On a printing failure the document is kept, so a
  // retry prints it; when the failure is skipped the document is lost. Returns true when the
  // whole document was handed to the printer (or spooled), false when it was lost or an
  // operation in it was given up. With no document open it does nothing and returns true.
  bool EndDoc();
  // Throws the open document away; nothing is printed.
  void KillDoc();

  void set_error_handler(ErrorHandler handler) { error_handler_ = std::move(handler); }

 protected:
  PrinterJob() = default;
  void set_fixed_by_operator(bool fixed) { fixed_by_operator_ = fixed; }
  void set_last_destination(std::string where) { last_destination_ = std::move(where); }

  // The implementation's side of the operations above. Positions are in twips from the
  // top-left corner of the printable area; `y` of a text is the top of its line.
  virtual void StartDocument() = 0;
  virtual void StartPage(int page) = 0;
  virtual void DrawText(double x, double y, std::string_view text, const PrinterFont& font) = 0;
  virtual void DrawLine(double x1, double y1, double x2, double y2, uint32_t color, LineShape shape,
                        int draw_width) = 0;
  virtual void DrawPicture(const std::filesystem::path& picture, double x, double y, double width,
                           double height) = 0;
  // Prints the finished document. Throws RunTimeError 482 when it cannot; it is then called
  // again on a retry, so it must keep what it needs until it succeeds.
  virtual void FinishDocument() = 0;
  // Drops the open (or finished but unprinted) document.
  virtual void DiscardDocument() = 0;

 private:
  // Runs `operation`, handing printer errors to the error handler.
  void Guarded(const std::function<void()>& operation);
  void EnsureDocument();
  void ResetDocumentState();

  std::string title_ = "KAVELTAR";
  std::string last_destination_;
  std::string last_error_;
  bool gave_up_ = false;  // an operation of the open document was given up
  PrinterFont font_;
  double x_ = 0;
  double y_ = 0;
  // Lines and outlines are one printer dot (1/600 inch) wide.
  static constexpr int kDrawWidth = 1;
  int page_ = 0;
  bool document_open_ = false;
  bool fixed_by_operator_ = false;
  ErrorHandler error_handler_;
};

// Makes the printer named `name` current when the system has one with exactly that name.
// Returns true when it did; a printer list that cannot be read counts as no match.
bool SelectPrinterByName(PrinterJob& printer, const std::string& name);

}  // namespace kaveltar
