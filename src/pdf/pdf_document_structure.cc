// PdfDocument: transformed coordinates, spaces, tables, layers, reusable objects,
// gradients, tiling patterns and barcodes.
//
// Written structures:
//   axes and spaces   "a b c d e f cm" in the page's downward system; a space is "q" ... "Q"
//   layers            "/OC /OCn BDC" ... "EMC", the group objects "<< /Type /OCG /Name ... >>"
//   objects           form XObjects "/XOn" with the shared resources, drawn with "Do"
//   gradients         "/PatternType 2" with an axial (2) or radial (3) shading between two
//                     RGB colours (an exponential function, N 1), extended at both ends
//   tilings           coloured tiling patterns "/PatternType 1 /PaintType 1 /TilingType 1"
//   Patterns are painted with "/Pattern cs /Pn scn"; their /Matrix maps their space, in
//   points from the margin box's top-left corner with Y down, onto the page.
#include <cmath>

#include "pdf/pdf_barcodes.h"
#include "pdf/pdf_colors.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_document_internal.h"
#include "pdf/pdf_extras.h"
#include "pdf/pdf_number.h"

namespace kaveltar {

using pdf_internal::AppendInteger;
using pdf_internal::AppendNumber;
using pdf_internal::DrawingState;
using pdf_internal::Finite;
using pdf_internal::kErrInvalidArgument;

namespace {

constexpr double kPi = 3.14159265358979323846;
// Width of a barcode module at zoom 1: 0.33 millimetres, in points.
constexpr double kModulePt = 0.33 * 72 / 25.4;

}  // namespace

// ---------------------------------------------------------------------------------------
// Drawing state

void PdfDocument::PushDrawingState() {
  DrawingState state;
  state.fill = fill_color_;
  state.line = line_color_;
  state.text = text_color_;
  state.content_fill = content_fill_;
  state.char_spacing = written_char_spacing_;
  state.word_spacing = written_word_spacing_;
  state.scaling = written_scaling_;
  state.text_mode = written_text_mode_;
  Extras().states.push_back(state);
  content_ += "q\n";
}

void PdfDocument::PopDrawingState() {
  const DrawingState state = extras_->states.back();
  extras_->states.pop_back();
  fill_color_ = state.fill;
  line_color_ = state.line;
  text_color_ = state.text;
  content_fill_ = state.content_fill;
  written_char_spacing_ = state.char_spacing;
  written_word_spacing_ = state.word_spacing;
  written_scaling_ = state.scaling;
  written_text_mode_ = state.text_mode;
  content_ += "Q\n";
}

void PdfDocument::AppendMatrix(double a, double b, double c, double d, double e, double f) {
  for (double v : {a, b, c, d, e, f}) {
    Num(v);
    content_ += ' ';
  }
  content_ += "cm\n";
}

bool PdfDocument::ColorIsPattern(const std::string& color, uint32_t* paint) const {
  if (extras_ == nullptr) return false;
  for (size_t i = 0; i < extras_->patterns.size(); ++i) {
    if (extras_->patterns[i].name == color) {
      *paint = pdf_internal::kPatternPaint | static_cast<uint32_t>(i + 1);
      return true;
    }
  }
  return false;
}

// Everything a page left open is closed when it ends: an unfinished object or tile is
// dropped, layers, cells and spaces are closed.
void PdfDocument::ClosePageStructures() {
  pdf_internal::PdfExtras& x = *extras_;
  if (x.recording.kind != pdf_internal::Recording::kNone) {
    x.states.resize(x.recording.state_depth + 1);
    PopDrawingState();  // back to the page's settings
    content_ = std::move(x.recording.page_content);
    x.recording = {};
  }
  for (; x.layers_open > 0; --x.layers_open) content_ += "EMC\n";
  while (!x.states.empty()) PopDrawingState();
  x.spaces_open = 0;
  x.table = {};
}

// ---------------------------------------------------------------------------------------
// Axes and spaces

void PdfDocument::AxisRotation(double angle) {
  Guard("AxisRotation", [&] {
    RequirePage();
    if (!Finite({angle})) Fail(kErrInvalidArgument, "angolo non valido");
    // Counter-clockwise as seen on the page, whose Y axis points down.
    const double r = angle * kPi / 180;
    AppendMatrix(std::cos(r), -std::sin(r), std::sin(r), std::cos(r), 0, 0);
  });
}

void PdfDocument::AxisScaling(double scale_x, double scale_y) {
  Guard("AxisScaling", [&] {
    RequirePage();
    if (!Finite({scale_x, scale_y}) || scale_x == 0 || scale_y == 0) {
      Fail(kErrInvalidArgument, "fattore di scala non valido");
    }
    AppendMatrix(scale_x, 0, 0, scale_y, 0, 0);
  });
}

void PdfDocument::AxisSkewing(double angle_x, double angle_y) {
  Guard("AxisSkewing", [&] {
    RequirePage();
    if (!Finite({angle_x, angle_y}) || std::abs(std::cos(angle_x * kPi / 180)) < 1e-6 ||
        std::abs(std::cos(angle_y * kPi / 180)) < 1e-6) {
      Fail(kErrInvalidArgument, "angolo non valido");
    }
    // The X axis turns counter-clockwise by angle_x, the Y axis by angle_y.
    AppendMatrix(1, -std::tan(angle_x * kPi / 180), std::tan(angle_y * kPi / 180), 1, 0, 0);
  });
}

void PdfDocument::AxisTranslation(double translate_x, double translate_y) {
  Guard("AxisTranslation", [&] {
    RequirePage();
    if (!Finite({translate_x, translate_y})) Fail(kErrInvalidArgument, "spostamento non valido");
    AppendMatrix(1, 0, 0, 1, Pt(translate_x), Pt(translate_y));
  });
}

void PdfDocument::BeginSpace(double new_x, double new_y, double scale_x, double scale_y,
                             double angle) {
  Guard("BeginSpace", [&] {
    RequirePage();
    if (!Finite({new_x, new_y, scale_x, scale_y, angle}) || scale_x == 0 || scale_y == 0) {
      Fail(kErrInvalidArgument, "spazio non valido");
    }
    PushDrawingState();
    Extras().states.back().kind = DrawingState::kSpace;
    ++extras_->spaces_open;
    if (new_x != 0 || new_y != 0) AppendMatrix(1, 0, 0, 1, Pt(new_x), Pt(new_y));
    if (angle != 0) {
      const double r = angle * kPi / 180;
      AppendMatrix(std::cos(r), -std::sin(r), std::sin(r), std::cos(r), 0, 0);
    }
    if (scale_x != 1 || scale_y != 1) AppendMatrix(scale_x, 0, 0, scale_y, 0, 0);
  });
}

void PdfDocument::EndSpace() {
  Guard("EndSpace", [&] {
    RequirePage();
    if (extras_ == nullptr || extras_->states.empty() ||
        extras_->states.back().kind != DrawingState::kSpace) {
      Fail(kErrInvalidArgument, "nessuno spazio aperto");
    }
    PopDrawingState();
    --extras_->spaces_open;
  });
}

// ---------------------------------------------------------------------------------------
// Tables

void PdfDocument::BeginTable(double x, double y, double border_width) {
  Guard("BeginTable", [&] {
    RequirePage();
    if (!Finite({x, y, border_width}) || border_width < 0)
      Fail(kErrInvalidArgument, "tabella non valida");
    pdf_internal::TableState& table = Extras().table;
    if (table.open) Fail(kErrInvalidArgument, "una tabella è già aperta");
    table = {};
    table.open = true;
    table.x = Pt(x);
    table.y = Pt(y);
    table.border = Pt(border_width);
  });
}

void PdfDocument::BeginRow(double height) {
  Guard("BeginRow", [&] {
    RequirePage();
    if (extras_ == nullptr || !extras_->table.open)
      Fail(kErrInvalidArgument, "nessuna tabella aperta");
    pdf_internal::TableState& table = extras_->table;
    if (table.row_open) Fail(kErrInvalidArgument, "una riga è già aperta");
    if (!Finite({height})) Fail(kErrInvalidArgument, "altezza non valida");
    table.row_open = true;
    table.row_height = height > 0 ? Pt(height) : (font_ >= 0 ? LineHeightPt() : 12) * 1.5;
    table.cell_left = 0;
    table.column = 0;
  });
}

void PdfDocument::BeginColumn(double width) {
  Guard("BeginColumn", [&] {
    RequirePage();
    if (extras_ == nullptr || !extras_->table.row_open)
      Fail(kErrInvalidArgument, "nessuna riga aperta");
    pdf_internal::TableState& table = extras_->table;
    if (table.cell_open) Fail(kErrInvalidArgument, "una colonna è già aperta");
    if (!Finite({width})) Fail(kErrInvalidArgument, "larghezza non valida");
    double w = Pt(width);
    if (w <= 0) {
      const size_t column = static_cast<size_t>(table.column);
      w = column < table.widths.size()
              ? table.widths[column]
              : page_width_ - margin_left_ - margin_right_ - table.x - table.cell_left;
    }
    if (w <= 0) Fail(kErrInvalidArgument, "la colonna non ha spazio");
    table.cell_open = true;
    table.cell_width = w;
    PushDrawingState();
    extras_->states.back().kind = DrawingState::kCell;
    AppendMatrix(1, 0, 0, 1, table.x + table.cell_left, table.y + table.row_top);
    x_ = y_ = 0;
  });
}

void PdfDocument::EndColumn() {
  Guard("EndColumn", [&] {
    RequirePage();
    if (extras_ == nullptr || !extras_->table.cell_open || extras_->states.empty() ||
        extras_->states.back().kind != DrawingState::kCell) {
      Fail(kErrInvalidArgument, "nessuna colonna aperta");
    }
    pdf_internal::TableState& table = extras_->table;
    PopDrawingState();
    if (table.border > 0) {
      content_ += "q ";
      AppendColor(line_color_, " RG ");
      Num(table.border);
      content_ += " w ";
      for (double v : {table.x + table.cell_left, table.y + table.row_top, table.cell_width,
                       table.row_height}) {
        Num(v);
        content_ += ' ';
      }
      content_ += "re S Q\n";
    }
    const size_t column = static_cast<size_t>(table.column);
    if (column >= table.widths.size()) table.widths.resize(column + 1);
    table.widths[column] = table.cell_width;
    table.cell_left += table.cell_width;
    ++table.column;
    table.cell_open = false;
  });
}

void PdfDocument::EndRow() {
  Guard("EndRow", [&] {
    RequirePage();
    if (extras_ == nullptr || !extras_->table.row_open || extras_->table.cell_open) {
      Fail(kErrInvalidArgument, "nessuna riga da chiudere");
    }
    extras_->table.row_open = false;
    extras_->table.row_top += extras_->table.row_height;
  });
}

void PdfDocument::EndTable() {
  Guard("EndTable", [&] {
    RequirePage();
    if (extras_ == nullptr || !extras_->table.open || extras_->table.row_open) {
      Fail(kErrInvalidArgument, "nessuna tabella da chiudere");
    }
    // The position continues under the table.
    x_ = extras_->table.x;
    y_ = extras_->table.y + extras_->table.row_top;
    extras_->table = {};
  });
}

// ---------------------------------------------------------------------------------------
// Layers

size_t PdfDocument::LayerIndex(const std::string& name) {
  pdf_internal::PdfExtras& x = Extras();
  if (x.layers.empty()) {
    x.layers.push_back({"SCREEN", NewObjectNumber()});
    x.layers.push_back({"PRINTER", NewObjectNumber()});
  }
  min_version_ = std::max(min_version_, 2);
  for (size_t i = 0; i < x.layers.size(); ++i) {
    if (x.layers[i].name == name) return i;
  }
  x.layers.push_back({name, NewObjectNumber()});
  return x.layers.size() - 1;
}

void PdfDocument::BeginLayer(const std::string& name) {
  Guard("BeginLayer", [&] {
    RequirePage();
    if (name.empty()) Fail(kErrInvalidArgument, "nome del livello mancante");
    const size_t index = LayerIndex(name);
    pdf_internal::PdfExtras& x = *extras_;
    content_ += "/OC /OC";
    AppendInteger(&content_, static_cast<long long>(index + 1));
    content_ += " BDC\n";
    ++x.layers_open;
  });
}

void PdfDocument::EndLayer() {
  Guard("EndLayer", [&] {
    RequirePage();
    if (extras_ == nullptr || extras_->layers_open == 0)
      Fail(kErrInvalidArgument, "nessun livello aperto");
    content_ += "EMC\n";
    --extras_->layers_open;
  });
}

// ---------------------------------------------------------------------------------------
// Objects and tiles: recorded apart from the page

namespace {

bool NameTaken(const pdf_internal::PdfExtras& x, const std::string& name) {
  for (const auto& o : x.objects) {
    if (o.name == name) return true;
  }
  for (const auto& p : x.patterns) {
    if (p.name == name) return true;
  }
  return false;
}

}  // namespace

void PdfDocument::BeginObject(const std::string& name) {
  Guard("BeginObject", [&] {
    RequirePage();
    pdf_internal::PdfExtras& x = Extras();
    if (x.recording.kind != pdf_internal::Recording::kNone)
      Fail(kErrInvalidArgument, "un oggetto è già aperto");
    if (name.empty() || NameTaken(x, name))
      Fail(kErrInvalidArgument, "nome non valido o già usato: " + name);
    x.recording.kind = pdf_internal::Recording::kObject;
    x.recording.name = name;
    x.recording.state_depth = x.states.size();
    PushDrawingState();
    content_.pop_back();
    content_.pop_back();  // the "q" belongs to no stream
    x.states.back().kind = DrawingState::kRecording;
    x.recording.page_content = std::move(content_);
    content_.clear();
    // Where the drawing will be played is unknown: every setting is written again.
    content_fill_ = pdf_internal::kUnknownPaint;
    written_char_spacing_ = written_word_spacing_ = written_scaling_ = NAN;
    written_text_mode_ = -1;
  });
}

void PdfDocument::BeginTiling(const std::string& name, double width, double height) {
  Guard("BeginTiling", [&] {
    RequirePage();
    if (!Finite({width, height}) || width <= 0 || height <= 0)
      Fail(kErrInvalidArgument, "misure non valide");
    pdf_internal::PdfExtras& x = Extras();
    if (x.recording.kind != pdf_internal::Recording::kNone)
      Fail(kErrInvalidArgument, "un oggetto è già aperto");
    if (name.empty() || NameTaken(x, name))
      Fail(kErrInvalidArgument, "nome non valido o già usato: " + name);
    BeginObject(name);  // cannot fail after the checks above
    extras_->recording.kind = pdf_internal::Recording::kTiling;
    extras_->recording.width = Pt(width);
    extras_->recording.height = Pt(height);
  });
}

void PdfDocument::EndObject() {
  Guard("EndObject", [&] {
    if (extras_ == nullptr || extras_->recording.kind != pdf_internal::Recording::kObject) {
      Fail(kErrInvalidArgument, "nessun oggetto aperto");
    }
    pdf_internal::PdfExtras& x = *extras_;
    while (x.states.size() > x.recording.state_depth + 1) PopDrawingState();
    std::string entries = "/Type /XObject /Subtype /Form /BBox [";
    for (double v : {-page_width_, -page_height_, 2 * page_width_, 2 * page_height_}) {
      AppendNumber(&entries, v);
      entries += ' ';
    }
    entries += "] /Resources 2 0 R ";
    const int number = NewObjectNumber();
    WriteStreamObject(number, entries, "", content_, "");
    x.objects.push_back({x.recording.name, number});
    PopDrawingState();
    content_ = std::move(x.recording.page_content);
    x.recording = {};
    if (write_failed_) Fail(pdf_internal::kErrDeviceIo, file_path_);
  });
}

void PdfDocument::EndTiling() {
  Guard("EndTiling", [&] {
    if (extras_ == nullptr || extras_->recording.kind != pdf_internal::Recording::kTiling) {
      Fail(kErrInvalidArgument, "nessun motivo aperto");
    }
    pdf_internal::PdfExtras& x = *extras_;
    while (x.states.size() > x.recording.state_depth + 1) PopDrawingState();
    std::string entries = "/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 ";
    AppendNumber(&entries, x.recording.width);
    entries += ' ';
    AppendNumber(&entries, x.recording.height);
    entries += "] /XStep ";
    AppendNumber(&entries, x.recording.width);
    entries += " /YStep ";
    AppendNumber(&entries, x.recording.height);
    entries += " /Resources 2 0 R /Matrix [1 0 0 -1 ";
    AppendNumber(&entries, margin_left_);
    entries += ' ';
    AppendNumber(&entries, page_height_ - margin_top_);
    entries += "] ";
    const int number = NewObjectNumber();
    WriteStreamObject(number, entries, "", content_, "");
    x.patterns.push_back({x.recording.name, number});
    PopDrawingState();
    content_ = std::move(x.recording.page_content);
    x.recording = {};
    if (write_failed_) Fail(pdf_internal::kErrDeviceIo, file_path_);
  });
}

void PdfDocument::PlayObject(const std::string& name, double x, double y) {
  Guard("PlayObject", [&] {
    RequirePage();
    if (!Finite({x, y})) Fail(kErrInvalidArgument, "posizione non valida");
    int index = -1;
    if (extras_ != nullptr) {
      for (size_t i = 0; i < extras_->objects.size(); ++i) {
        if (extras_->objects[i].name == name) index = static_cast<int>(i) + 1;
      }
    }
    if (index < 0) Fail(kErrInvalidArgument, "oggetto inesistente: " + name);
    content_ += "q 1 0 0 1 ";
    Num(Pt(x));
    content_ += ' ';
    Num(Pt(y));
    content_ += " cm /XO";
    AppendInteger(&content_, index);
    content_ += " Do Q\n";
  });
}

// ---------------------------------------------------------------------------------------
// Gradients

void PdfDocument::AddGradient(const std::string& name, int gradient_type, double x1, double y1,
                              double x2, double y2, const std::string& color1,
                              const std::string& color2, double radius1, double radius2) {
  Guard("AddGradient", [&] {
    if (!doc_open_) Fail(pdf_internal::kErrNoDocument, "nessun documento aperto");
    if (gradient_type != 0 && gradient_type != 1)
      Fail(kErrInvalidArgument, "tipo di sfumatura sconosciuto");
    if (!Finite({x1, y1, x2, y2, radius1, radius2}) || radius1 < 0 || radius2 < 0) {
      Fail(kErrInvalidArgument, "coordinate non valide");
    }
    if (name.empty() || (extras_ != nullptr && NameTaken(*extras_, name))) {
      Fail(kErrInvalidArgument, "nome non valido o già usato: " + name);
    }
    uint32_t c[2] = {0, 0};
    if (!pdf_internal::ParseColor(color1, &c[0]) || !pdf_internal::ParseColor(color2, &c[1])) {
      Fail(kErrInvalidArgument, "colore non valido");
    }
    std::string body = "<< /Type /Pattern /PatternType 2 /Matrix [1 0 0 -1 ";
    AppendNumber(&body, margin_left_);
    body += ' ';
    AppendNumber(&body, page_height_ - margin_top_);
    body += "]\r/Shading << /ShadingType ";
    body += gradient_type == 0 ? "2" : "3";
    body += " /ColorSpace /DeviceRGB /Coords [";
    const double coords[] = {Pt(x1), Pt(y1), Pt(radius1), Pt(x2), Pt(y2), Pt(radius2)};
    for (int i = 0; i < 6; ++i) {
      if (gradient_type == 0 && (i == 2 || i == 5)) continue;
      AppendNumber(&body, coords[i]);
      body += ' ';
    }
    body += "] /Extend [true true]\r/Function << /FunctionType 2 /Domain [0 1]";
    for (int k = 0; k < 2; ++k) {
      body += k == 0 ? " /C0 [" : " /C1 [";
      for (int shift : {16, 8, 0}) {
        AppendNumber(&body, ((c[k] >> shift) & 0xFF) / 255.0);
        body += shift > 0 ? " " : "]";
      }
    }
    body += " /N 1 >> >> >>";
    const int number = NewObjectNumber();
    WriteObject(number, body);
    Extras().patterns.push_back({name, number});
  });
}

// ---------------------------------------------------------------------------------------
// Barcodes

double PdfDocument::DrawBarCode(int bar_code_type, const std::string& code, double x, double y,
                                bool show_code, double zoom_factor, double height, bool add_check) {
  double drawn = 0;
  Guard("DrawBarCode", [&] {
    RequirePage();
    if (!Finite({x, y, zoom_factor, height}) || zoom_factor <= 0) {
      Fail(kErrInvalidArgument, "posizione o ingrandimento non validi");
    }
    pdf_internal::Barcode barcode;
    std::string reason;
    if (!pdf_internal::EncodeBarcode(bar_code_type, code, add_check, &barcode, &reason)) {
      Fail(kErrInvalidArgument, reason);
    }
    const double module = kModulePt * zoom_factor;
    const double left = Pt(x), top = Pt(y);
    const double bar_height = height > 0 ? Pt(height) : barcode.default_height * module;
    const double guard_extra = 5 * module;

    EnsureFill(fill_color_);
    double at = left;
    for (size_t i = 0; i < barcode.elements.size(); ++i) {
      const double w = barcode.elements[i] * module;
      if (i % 2 == 0) {
        AppendRectangle(at, top, w, bar_height + (barcode.guard[i] && show_code ? guard_extra : 0));
        content_ += '\n';
      }
      at += w;
    }
    content_ += "f*\n";

    if (show_code) {
      // Courier, seven modules per character, below the bars.
      const int saved_font = font_;
      const double saved_size = font_size_;
      const int saved_decoration = text_decoration_;
      const double size = module * 7 / 0.6 * 0.9;
      SetFont("Courier New", size, 0, 0);
      text_decoration_ = 0;
      const double baseline = top + bar_height + size * 0.85;
      for (const pdf_internal::BarcodeLabel& label : barcode.labels) {
        EncodeText(label.text, &text_buffer_);
        const double width = BytesWidthPt(text_buffer_);
        AppendTextRun(left + label.center * module - width / 2, baseline, text_buffer_, width);
      }
      font_ = saved_font;
      font_size_ = saved_size;
      text_decoration_ = saved_decoration;
    }
    drawn = barcode.total_modules * module / scale_;
  });
  return drawn;
}

}  // namespace kaveltar
