// PdfDocument writes a PDF file sequentially while the caller draws.
//
// BeginDoc opens the output and writes the header; each page's content is collected in
// memory and written as a content stream and a page object when the page ends; EndDoc
// writes the shared objects (fonts, resources, page tree, catalog, information), the
// cross-reference table and the trailer. The class depends on nothing else of the program.
// Bookmarks, annotations, form fields, scripts, layers, patterns, reusable objects, page
// labels and transitions are kept aside (see PdfExtras) only when a document uses them, so
// a plain report pays nothing for them.
//
// Coordinates and sizes are in the user unit chosen by SetScale (points by default, the
// reports use centimetres); the origin is the top-left corner of the margin box and Y grows
// downwards. Text arguments are UTF-8; fonts use the Windows code page (or the Macintosh
// one), so characters outside it become "?".
//
// Errors: no public operation throws. A failing operation records ErrNumber, ErrSource
// ("PdfDocument.<operation>") and ErrDescription, changes nothing (a failed write of the
// file aside) and returns; every operation that can fail clears the previous error when it starts.
// The numbers are those of the program's run-time: 5 invalid argument or call, 7 out of memory, 52
// no document open, 53 file not found, 57 device input/output error, 75 path/file access error, 76
// path not found, 481 invalid picture.
//
// An unfinished document never leaves a file behind: Abort, a new BeginDoc or the
// destructor remove the file of a document that EndDoc did not finish, and EndDoc removes
// it when the file could not be written completely.
#ifndef KAVELTAR_PDF_PDF_DOCUMENT_H_
#define KAVELTAR_PDF_PDF_DOCUMENT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/pdf_crypto.h"
#include "pdf/pdf_sink.h"

namespace kaveltar {

namespace pdf_internal {
class StreamEncoder;
struct PdfExtras;
struct TrueTypeFont;
struct VectorDrawing;
class PdfReader;
struct PdfPage;
struct PdfValue;
struct JpegInfo;
struct RasterImage;
}  // namespace pdf_internal

struct PdfPoint {
  double x = 0;
  double y = 0;
};

// A box in user units: top-left corner, width and height.
struct PdfRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

class PdfDocument {
 public:
  PdfDocument();
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  // ----- Life cycle and structure -----

  // Discards the document (an unfinished file is removed) and resets every setting to its
  // default: points, paper type 0, no margins, black, no compression, no protection.
  void Abort();
  // Creates the output file and writes the header. An empty name makes "~<hex>.pdf" in the
  // current folder from the local time and a random digit. Returns the file path, or an
  // empty string when the file cannot be created.
  std::string BeginDoc(const std::string& file_name = "");
  // Like BeginDoc, into a sink the caller owns and keeps alive until EndDoc or Abort.
  void BeginDocToSink(PdfSink* sink);
  // Starts a page (ending the open one); returns its number, from 1.
  int BeginPage();
  // Writes the open page's content stream and page object.
  void EndPage();
  // Ends the open page and finishes the file. A document without pages gets one empty page.
  void EndDoc();
  // Length in bytes of the finished file.
  int64_t FileSize() const { return file_size_; }
  // Opens the finished file with the desktop's PDF viewer (xdg-open).
  void OpenDoc();

  long ErrNumber() const { return err_number_; }
  const std::string& ErrSource() const { return err_source_; }
  const std::string& ErrDescription() const { return err_description_; }
  static std::string Version() { return "2.4.8"; }

  // ----- Units, paper and viewer settings -----

  // 0 points, 1 inches, 2 millimetres, 3 centimetres, 255 `user_factor` points per unit.
  void SetScale(int scale_mode, double user_factor = 1);
  // Paper types -8 to 17 (0 is A4 portrait, 596 x 842 points); 255 takes width and height
  // in user units.
  void SetPaperSize(int paper_type, double width = 0, double height = 0);
  void SetMargins(double left, double right, double top, double bottom, bool clip = false);
  // Initial view: 0 the viewer's default, 1 whole page, 2 page width, 3 page height,
  // 4 actual size. Before the first page (or with no page open) it sets the document's view,
  // which each new page takes; with a page open, that page's view.
  void SetPageView(int view_mode);
  // Bit set: low four bits the page mode (1 full screen, 2 outlines, 4 thumbnails,
  // 8 layers), 16 hide menu bar, 32 hide tool bar, 64 hide window controls, 128 show the
  // title, 256 centre the window, 512 fit the window; 8192, 16384 or 32768 (also given as
  // the 16-bit -32768) in the upper part select one column, two columns left or right.
  void SetViewerPreferences(int mode);
  // Title, subject and keywords are always replaced; author, creator and producer only by
  // non-empty arguments.
  void SetDocProperty(const std::string& title = "", const std::string& subject = "",
                      const std::string& author = "", const std::string& creator = "",
                      const std::string& producer = "", const std::string& keywords = "");
  // Growth factor of the internal tables, 1 to 10.
  void SetMemoryUsage(int value);
  // Bits: 1 run length, 2 Flate, 4 LZW, 8 ASCII85, 16 ASCII hexadecimal. Quality 0-3
  // (capped at 3): LZW code width 9 + quality bits; Flate zlib levels 1, 2, 4 and 6.
  void SetCompression(int compression_mode, int quality = 3);
  // Encrypts the document with the standard security handler: `key_bits` 40 (revision 2)
  // or 128 (revision 3). `permissions` are the PDF permission bits (4 print, 8 modify,
  // 16 copy, 32 annotate; with 128 bits also 256 fill forms, 512 extract, 1024 assemble,
  // 2048 print at full quality). Must be called before BeginDoc.
  void SetProtection(int permissions, const std::string& owner_password,
                     const std::string& user_password, int key_bits = 128);
  // `data` compressed with Flate.
  std::string zzToFlateDecode(std::string_view data);
  // With compression or protection, a page's content stream is encoded and written by a
  // helper thread while the caller draws the next page. By default (and after Abort) it is
  // on when the machine has at least four hardware threads. The file is byte for byte the
  // same either way; errors of the helper surface in the next call that writes itself
  // (DrawImage, EndDoc).
  void SetBackgroundWriting(bool on);

  // ----- Text and fonts -----

  // Font name ("Courier New", "Arial", "Times New Roman", "Symbol", "ZapfDingbats" and
  // their aliases), size in points (0 keeps the size), style bits (1 bold, 2 italic,
  // 4 underline, 8 strike-through, 16 overline) and encoding (0 Windows, 1 Macintosh).
  void SetFont(const std::string& font_name, double size = 0, int style = 0, int encoding = 0);
  void SetFontSize(double points);
  // One line of text with its baseline at (x, y). Align modulo 8: 2 puts the end of the
  // text at x, 4 centres it on x, anything else starts it at x.
  void DrawText(double x, double y, const std::string& text, int align = 1);
  // Width of the text in user units with the current font, size and text state.
  double TextLength(const std::string& text);
  // Line height of the current font and size in user units.
  double TextHeight();
  void SetCharSpacing(double width);
  void SetWordSpacing(double width);
  void SetTextHorizontalScaling(double percent);
  // Factor applied to the line height by WriteTextLn, DrawTextBox and the text leading.
  void SetTextLineSpacing(double value);
  // Text rendering mode 0-7 (0 fill, 1 stroke, 2 fill and stroke, 3 invisible, ...).
  void SetTextMode(int mode);
  void SetColorText(const std::string& color);
  // Flowing text from the current position (its Y is the top of the line), wrapping at
  // the right margin on blanks; the position moves past the text.
  void WriteText(const std::string& text);
  // WriteText, then the position moves to the start of the next line.
  void WriteTextLn(const std::string& text);
  // Text wrapped inside a box, lines from its top; lines that do not fit are left out.
  // Align as DrawText (2 right, 4 centred, otherwise left).
  void DrawTextBox(double x, double y, double width, double height, const std::string& text,
                   int align = 1);

  // ----- Graphics -----

  void SetColorFill(const std::string& color);
  void SetColorLine(const std::string& color);
  void SetLineWidth(double width);
  // "SOLID", "DASH", "DOT", "DASHDOT", "DASHDOTDOT" or lengths in user units separated by
  // ";".
  void SetDash(const std::string& style);
  // Line cap 0-2, line join 0-2, miter limit (at least 1).
  void SetLineStyle(int cap, int join, double miter = 10);
  // Fill and stroke opacity from 0 to 1 (makes the file PDF 1.4).
  void SetAlpha(double fill_opacity, double stroke_opacity);

  // Options of the path operations: with bit 4 the path is filled (bit 1: fill only,
  // even-odd; bit 2: close, fill and stroke; neither: fill and stroke); without bit 4,
  // bit 2 closes the path and bit 1 leaves it unstroked. Bit 128 also clips to the path.
  // So 0 strokes the outline and 4 fills and strokes.
  //
  // Corners of a rounded rectangle: 1 top left, 2 top right, 4 bottom right, 8 bottom left.
  void DrawRect(double x, double y, double width, double height, int options = 0, double radius = 0,
                int corners = 15);
  void MoveTo(double x, double y);
  void DrawLine(double x1, double y1, double x2, double y2, int options = 0);
  void DrawLineTo(double x, double y, int options = 0);
  void DrawPolyline(const std::vector<PdfPoint>& points, int options = 0);
  void DrawPolygon(const std::vector<PdfPoint>& points, int options = 0);
  // A Bezier curve from the current point. Type 0: controls (x1, y1), (x2, y2), end
  // (x3, y3); type 1: the current point is the first control, (x2, y2) the second;
  // type 2: (x1, y1) the first control, the end the second.
  void DrawCurve(int curve_type, double x1, double y1, double x2, double y2, double x3, double y3,
                 int options = 0);
  // Arc of a circle, angles in degrees counter-clockwise from three o'clock; when the
  // options fill, the arc is closed through the centre.
  void DrawArc(double x, double y, double radius, double start_angle, double end_angle,
               int options = 0);
  void DrawCircle(double x, double y, double radius, int options = 0);
  void DrawEllipse(double x, double y, double radius_x, double radius_y, int options = 0);
  double GetX() const;
  double GetY() const;
  void SetXY(double x, double y);
  int GetPage() const { return static_cast<int>(pages_.size()); }
  double GetPageWidth() const { return page_width_ / scale_; }
  double GetPageHeight() const { return page_height_ / scale_; }

  // Places a JPEG (".JPG", ".JPEG") or BMP (".BMP") file with its top-left corner at
  // (x, y). `stretch` non-zero fills width x height exactly; 0 keeps the picture's
  // proportions inside that box. A width or height of 0 or less follows from the other
  // one (both: one pixel per point). `transparent` non-zero makes the colour of a BMP's
  // top-left pixel transparent. The same file drawn again reuses its image object.
  void DrawImage(const std::string& file, double x, double y, double width, double height,
                 int stretch = 1, int transparent = 0);

  // ===== Outline, annotations, forms and scripts (pdf_document_outline.cc) =====

  // Destinations point at the open page: "/XYZ" shows it with (area.x, area.y) at the
  // window's top-left corner, "/FitH" fits its width with area.y at the top, "/FitV" fits
  // its height with area.x at the left, "/FitR" fits the area, "/FitB" the whole page.
  //
  // An outline entry under `parent` (0 the top level, otherwise a number AddBookmark
  // returned). Returns the entry's number, from 1, or 0 after an error.
  int AddBookmark(const std::string& title, const std::string& destination = "/XYZ",
                  const PdfRect& area = {}, int parent = 0);
  // A named destination, the target of LinkTo("#name").
  void DefineRef(const std::string& name, const std::string& destination = "/XYZ",
                 const PdfRect& area = {});
  // A free-text note drawn in the box. Options: 0 left, 1 centred, 2 right aligned text;
  // 4 no border.
  void AddNoteBox(const PdfRect& box, const std::string& text, int options = 0);
  // A pop-up note shown as an icon at (x, y): "Note", "Comment", "Help", "Insert", "Key",
  // "Paragraph" or "NewParagraph".
  void AddNoteIcon(double x, double y, const std::string& text, const std::string& icon = "Note",
                   bool open = false);
  // A clickable box. The target's prefix chooses the action: "http://", "https://" and
  // "ftp://" a web link, "mailto:" a mail, "file:" opens a file, "layer:" switches a layer
  // on and off (the layer may get its content later), "javascript:" runs a script, "#"
  // jumps to a named destination.
  void LinkTo(const PdfRect& box, const std::string& target);
  // A form field on the open page. Types: 0 text, 1 push button (value: its caption),
  // 2 check box, 3 combo box, 4 list box (value: the choices separated by ";", the first
  // one selected). Options: 1 read-only, 2 required, 4 multi-line text or a ticked check
  // box, 8 password text or an editable combo box. Names are unique in the document.
  void AddField(int field_type, const std::string& name, const PdfRect& box,
                const std::string& value = "", int options = 0);
  // Document script. Events: 0 on opening, 1 before closing, 2 before saving, 3 after
  // saving, 4 before printing, 5 after printing. `reset_script` drops the event's earlier
  // scripts; otherwise they run one after the other.
  void OnDocEvent(int event_type, const std::string& script, bool reset_script = false);
  // Field script. Events: "KEYSTROKE", "FORMAT", "VALIDATE", "CALCULATE", "MOUSEUP",
  // "MOUSEDOWN", "ENTER", "EXIT", "FOCUS", "BLUR" (case does not matter).
  void OnFieldEvent(const std::string& on_event, const std::string& field_name,
                    const std::string& action);

  // ===== Pages and document (pdf_document_outline.cc) =====

  // Page numbering shown by viewers from the open page on (or from the next page when
  // none is open). Styles: 0 1 2 3, 1 I II III, 2 i ii iii, 3 A B C, 4 a b c, 5 the
  // prefix alone.
  void SetLabel(int page_label, const std::string& label_prefix = "", int first_value = 1);
  // Presentation effect when the open page appears: 0 replace, 1 split, 2 blinds, 3 box,
  // 4 wipe, 5 dissolve, 6 glitter; `show_time` seconds before the next page (0: none),
  // `trans_time` seconds of the effect.
  void SetPageTransition(int transition, double show_time = 0, double trans_time = 1);

  // ===== Coordinates and structure (pdf_document_structure.cc) =====

  // Changes the coordinate system for the rest of the page (or of the open space):
  // rotation counter-clockwise in degrees about the origin, scaling, skewing of the X and
  // Y axes in degrees, and moving the origin by user units.
  void AxisRotation(double angle);
  void AxisScaling(double scale_x, double scale_y);
  void AxisSkewing(double angle_x, double angle_y);
  void AxisTranslation(double translate_x, double translate_y);
  // Saves the drawing state and puts the origin at (new_x, new_y), scaled and rotated;
  // EndSpace restores the coordinates, colours and line settings of BeginSpace. Table
  // cells and reusable objects keep their colour changes to themselves the same way.
  void BeginSpace(double new_x = 0, double new_y = 0, double scale_x = 1, double scale_y = 1,
                  double angle = 0);
  void EndSpace();
  // Tables: each cell (BeginColumn ... EndColumn) has its origin at its top-left corner.
  // A row's height of 0 or less is 1.5 lines of the current font; a column's width of 0 or
  // less repeats the width of the same column in the row above (the rest of the margin box
  // in the first row). With `border_width` above 0 every cell gets a frame in the line
  // colour.
  void BeginTable(double x, double y, double border_width = 0);
  void BeginRow(double height = 0);
  void BeginColumn(double width = 0);
  void EndColumn();
  void EndRow();
  void EndTable();
  // Optional content: what is drawn until EndLayer belongs to the named layer, which a
  // viewer can hide. "SCREEN" is shown and not printed, "PRINTER" printed and not shown.
  void BeginLayer(const std::string& name);
  void EndLayer();
  // A reusable drawing: what is drawn until EndObject is kept, not shown; PlayObject draws
  // it with its origin moved to (x, y), on any page.
  void BeginObject(const std::string& name);
  void EndObject();
  void PlayObject(const std::string& name, double x = 0, double y = 0);

  // ===== Paints and barcodes (pdf_document_structure.cc, pdf_barcodes.cc) =====

  // A colour gradient usable as a colour by its name: type 0 along the line from
  // (x1, y1) to (x2, y2), type 1 between the circle of `radius1` around (x1, y1) and that
  // of `radius2` around (x2, y2). Beyond the ends the end colours continue.
  void AddGradient(const std::string& name, int gradient_type, double x1, double y1, double x2,
                   double y2, const std::string& color1, const std::string& color2,
                   double radius1 = 0, double radius2 = 0);
  // A tile of width x height drawn until EndTiling and repeated to paint, usable as a
  // colour by its name. The tile's origin is its top-left corner.
  void BeginTiling(const std::string& name, double width, double height);
  void EndTiling();
  // Types: 0 EAN-13, 1 EAN-8, 2 UPC-A, 3 Code 39, 4 Code 128, 5 interleaved 2 of 5. The
  // bars' top-left corner is at (x, y); modules are 0.33 mm times `zoom_factor`; a height
  // of 0 or less gives the usual height for the type. `show_code` writes the text below in
  // Courier; `add_check` appends the check digit where it is optional (Code 39,
  // interleaved 2 of 5; EAN and UPC always end with it and a given one is verified).
  // Returns the width drawn in user units (0 after an error).
  double DrawBarCode(int bar_code_type, const std::string& code, double x, double y,
                     bool show_code = true, double zoom_factor = 1, double height = 0,
                     bool add_check = true);

  // ----- Fonts, pictures and pages read from other files -----
  // DrawImage above also places ".GIF" (palette as an Indexed colour space, the file's
  // transparent colour as a colour-key mask, or with `transparent` the top-left pixel's
  // index), ".TGA" (as BMP: alpha as a soft mask, `transparent` the top-left colour),
  // ".WMF", ".EPS" and ".AI" drawings (translated into path operators in a form XObject;
  // their natural size is the drawing's box in points). The readers and what they accept
  // are described in pdf_gif.h, pdf_tga.h, pdf_wmf.h and pdf_eps.h.

  // Loads a TrueType font file for embedding and returns the name to give SetFont (the
  // font's family name). `style` may hold the words "Bold" and "Italic" (any case) to
  // register the file as that variant of the family; without them the file's own style
  // counts. SetFont with the family name and style bits 1 (bold) and 2 (italic) picks the
  // variant added with that style, or the first one added when that style was not. Text in
  // an added font uses the Windows code page (WinAnsiEncoding). A built-in family name
  // returns its base name and loads nothing. A missing file records error 53, a file that
  // is not a usable TrueType font error 5.
  std::string AddFont(const std::string& font_file, const std::string& style = "");
  // Draws page `page` (from 1) of an existing PDF file as a form XObject with its top-left
  // corner at (x, y), sized like DrawImage (0 for width and height: the page's own size in
  // points). The page's resources are copied with it. The file may be one of ours or any
  // unencrypted PDF (cross-reference table or stream, object streams); an encrypted or
  // damaged file, a missing page or an unknown filter records error 5 (53 when the file
  // is missing) and changes nothing. The same page imported again reuses its object. The
  // page's crop box (or media box) becomes the form's box, turned as its /Rotate says; its
  // annotations (links, notes, form fields) are not brought along.
  void ImportPage(const std::string& file, int page, double x = 0, double y = 0, double width = 0,
                  double height = 0, int stretch = 1);
  // An information entry of an existing PDF file, as UTF-8: "Title", "Author", "Creator",
  // "Producer", "Subject" (empty when the file has none) or "Pages" (the page count). Any
  // other key records error 5; a file that cannot be read, error 5 (53 when missing).
  std::string GetInfo(const std::string& file, const std::string& key);

 private:
  struct FontEntry {
    std::string key;  // full name, with "MAC" added for the Macintosh encoding
    std::string full_name;
    int encoding = 0;
    const uint16_t* widths = nullptr;
    int ascent = 0;
    int descent = 0;
    bool symbolic = false;  // Symbol and ZapfDingbats carry their own encoding
    int object = 0;         // set when EndDoc writes the font object
    int added = -1;         // index in added_fonts_ for a TrueType font from AddFont
  };
  struct ImageEntry {
    std::string key;  // file path and transparency option
    int object = 0;
    int width = 0;
    int height = 0;
  };
  struct PageRecord {
    int object = 0;
    int view = 0;
  };
  struct AlphaEntry {
    double fill = 1;
    double stroke = 1;
    int object = 0;
  };

  // Runs one public operation: clears the last error, catches every failure and records it.
  template <typename Body>
  void Guard(const char* operation, Body&& body);
  void RecordError(const char* operation, long number, const std::string& detail);
  [[noreturn]] static void Fail(long number, std::string detail = "");
  void RequirePage() const;

  void ResetDocumentState();
  void StartOutput();
  void DiscardOutput();
  // Ends the open page. Unless `finishing` (called by EndDoc) the helper thread may write it.
  void EndPageInternal(bool finishing);
  void BeginPageInternal();

  // Encoders and buffers of the stream writer: one set for the caller's thread, one for the
  // helper thread.
  struct StreamScratch {
    std::unique_ptr<pdf_internal::StreamEncoder> encoders[5];
    int quality = -1;
    std::string encoded_a, encoded_b, head;
  };
  struct PageJob {
    int contents = 0;
    int page = 0;
    int compression = 0;
    int quality = 0;
    std::string head;
    std::string content;
    std::string page_body;
  };
  class PageWriter;

  // Low-level output. Write and the Emit functions run on one thread at a time: the helper
  // thread while pages are queued, the caller's thread otherwise.
  void Write(std::string_view bytes);
  int NewObjectNumber();
  // Writes "<n> 0 obj", the body and "endobj"; returns the object's offset.
  uint64_t EmitObject(int number, std::string_view body);
  // Writes a stream object whose data is `prefix` followed by `data`, through the filters
  // of `compression` (unless the data carries `own_filter`) and the encryption; returns
  // the object's offset.
  uint64_t EmitStream(StreamScratch& scratch, int number, int compression, int quality,
                      std::string_view entries, std::string_view prefix, std::string_view data,
                      std::string_view own_filter, long long length1);
  // The same from the caller's thread: waits for the queued pages, records the offset.
  void WaitForPages();
  void WriteObject(int number, std::string_view body);
  void WriteStreamObject(int number, std::string_view entries, std::string_view prefix,
                         std::string_view data, std::string_view own_filter,
                         long long length1 = -1);
  void AppendPdfString(std::string_view bytes, int object_number, std::string* out);
  template <typename T>
  void Grow(std::vector<T>* table, size_t needed);

  // EndDoc parts.
  void WriteFonts();
  void WriteResources();
  void WritePageTree();
  int WriteCatalog();
  int WriteInformation();
  void WriteCrossReferenceAndTrailer(int catalog, int info, int encryption);

  // Content helpers.
  double Pt(double user) const { return user * scale_; }
  void Num(double value);
  // "left top width height re" (points), without a line end.
  void AppendRectangle(double left, double top, double width, double height);
  void AppendColor(uint32_t rgb, const char* op);
  void EnsureFill(uint32_t rgb);
  void AppendPaint(int options, bool closed);
  void AppendTextState();
  void AppendTextRun(double x_pt, double baseline_pt, std::string_view bytes, double width_pt);
  void EncodeText(std::string_view utf8, std::string* out) const;
  double BytesWidthPt(std::string_view bytes) const;
  double LineHeightPt() const;
  std::vector<std::string> WrapLines(std::string_view bytes, double width_pt) const;
  void WriteFlowingText(const std::string& text);
  void AppendEllipse(double cx, double cy, double rx, double ry);
  int ImageFor(const std::string& file, int transparent, double* pixel_width, double* pixel_height);
  void WriteImageObjects(ImageEntry& entry, int index, const std::string& data,
                         const pdf_internal::JpegInfo* jpeg,
                         const pdf_internal::RasterImage& raster, int transparent);

  // Fonts, pictures and pages read from other files (pdf_document_files.cc).
  bool AddedFontEntry(const std::string& font_name, int style, FontEntry* entry) const;
  void WriteTrueTypeFont(FontEntry& font, size_t index);
  // The GIF, WMF, EPS and AI kinds of ImageFor; error 481 for any other extension.
  int OtherImageFor(const std::string& file, const std::string& key, const std::string& ext,
                    int transparent);
  int AddImageEntry(const std::string& key, int object, int width, int height);
  // Writes a form XObject as object `number` (a new one when 0); returns its number.
  int WriteForm(int number, double width, double height, const std::string& resources,
                std::string_view content);
  // Appends `value` of an imported file, with its object numbers replaced through
  // `renumbered` (sorted pairs of old and new numbers) and its strings written for object
  // `owner`.
  void AppendImported(const pdf_internal::PdfValue& value, int owner,
                      const std::vector<std::pair<int, int>>& renumbered, std::string* out);
  // ImportPage's steps: one stream object of the other file written under `number` (its
  // data decoded, or kept with its single image filter), and the form that shows the page
  // with its resources, turned by its /Rotate. Both take `renumbered` as AppendImported.
  void WriteImportedStream(int number, const pdf_internal::PdfValue& value, bool decoded,
                           const std::string& data,
                           const std::vector<std::pair<int, int>>& renumbered);
  int WriteImportedPageForm(const pdf_internal::PdfPage& source,
                            const std::vector<std::pair<int, int>>& renumbered, double* form_width,
                            double* form_height);
  void PlaceXObject(int index, double x, double y, double width, double height, int stretch,
                    double natural_width, double natural_height);
  std::vector<std::unique_ptr<pdf_internal::TrueTypeFont>> added_fonts_;

  // Settings (kept from document to document; reset by Abort).
  double scale_ = 1;
  double page_width_ = 596;
  double page_height_ = 842;
  double margin_left_ = 0, margin_right_ = 0, margin_top_ = 0, margin_bottom_ = 0;
  bool clip_ = false;
  int document_view_ = 0;
  int viewer_preferences_ = 0;
  int memory_usage_ = 1;
  int compression_ = 0;
  int quality_ = 0;
  std::string title_, subject_, keywords_, author_, creator_, producer_, creation_date_;
  bool protect_ = false;
  int permissions_ = 0;
  int key_bits_ = 128;
  std::string owner_password_, user_password_;

  // Output.
  std::unique_ptr<FilePdfSink> file_sink_;
  PdfSink* sink_ = nullptr;
  std::string file_path_;
  uint64_t offset_ = 0;
  bool write_failed_ = false;
  bool doc_open_ = false;
  bool finished_ = false;
  int64_t file_size_ = 0;
  int highest_object_ = 0;
  std::vector<uint64_t> offsets_;  // byte offset of each object, by number
  int min_version_ = 0;
  std::string file_id_;
  pdf_internal::SecurityKeys keys_;

  // Pages and drawing state.
  std::vector<PageRecord> pages_;
  bool page_open_ = false;
  std::string content_;
  std::vector<FontEntry> fonts_;
  int font_ = -1;
  double font_size_ = 10;
  int text_decoration_ = 0;
  double char_spacing_ = 0, word_spacing_ = 0, horizontal_scaling_ = 100, line_spacing_ = 1;
  int text_mode_ = 0;
  double written_char_spacing_ = 0, written_word_spacing_ = 0, written_scaling_ = 100;
  int written_text_mode_ = 0;
  uint32_t fill_color_ = 0, line_color_ = 0, text_color_ = 0;
  uint32_t content_fill_ = 0;  // the fill colour in effect in the content stream
  double x_ = 0, y_ = 0;       // current position, points from the margin origin
  std::vector<ImageEntry> images_;
  std::vector<AlphaEntry> alphas_;

  // Reused buffers, encoders and the helper thread.
  std::string object_buffer_, text_buffer_;
  // "BT /F<n> <size> Tf <leading> TL 1 0 0 -1 " of the last text run, and what it was made
  // of: a page's runs mostly repeat it.
  std::string run_head_;
  int run_head_font_ = -1;
  double run_head_size_ = -1, run_head_leading_ = -1;
  // " <width> w\n" of the last line width set, and the width in points.
  std::string line_width_text_;
  double line_width_pt_ = -1;
  StreamScratch scratch_;
  bool background_writing_ = false;
  std::unique_ptr<PageWriter> page_writer_;

  // ===== Outline, annotations, forms, layers, patterns and objects =====
  pdf_internal::PdfExtras& Extras();
  void AppendPageAnnotations(std::string* page_body);
  void AppendPageTransition(std::string* page_body);
  void ClosePageStructures();
  void WriteExtrasObjects();
  // The objects WriteExtrasObjects writes: the outline (object 3 and one per bookmark), and
  // the layers, the fields' fonts and the fields.
  void WriteOutline();
  void WriteLayersAndFields();
  void AppendExtrasResources(std::string* body);
  void AppendExtrasCatalog(std::string* body, int catalog);
  // The parts of the catalog AppendExtrasCatalog writes, each only when the document has it.
  void AppendPageLabels(std::string* body, int catalog);
  void AppendNamedDestinations(std::string* body);
  void AppendAcroForm(std::string* body, int catalog);
  void AppendDocumentScripts(std::string* body);
  void AppendLayers(std::string* body);
  bool ColorIsPattern(const std::string& color, uint32_t* paint) const;
  // The layer's index in the document's list, added (after SCREEN and PRINTER) when new.
  size_t LayerIndex(const std::string& name);
  void PushDrawingState();
  void PopDrawingState();
  void AppendMatrix(double a, double b, double c, double d, double e, double f);
  std::string DestinationArray(int page_index, int kind, const PdfRect& area_pt) const;
  std::unique_ptr<pdf_internal::PdfExtras> extras_;

  long err_number_ = 0;
  std::string err_source_;
  std::string err_description_;
};

}  // namespace kaveltar

#endif  // KAVELTAR_PDF_PDF_DOCUMENT_H_
