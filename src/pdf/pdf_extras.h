// What a document collects for its bookmarks, annotations, form fields, scripts, page
// labels, transitions, layers, patterns and reusable objects. PdfDocument creates it on the
// first use of one of those features; documents that use none of them never do.
#ifndef KAVELTAR_PDF_PDF_EXTRAS_H_
#define KAVELTAR_PDF_PDF_EXTRAS_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pdf/pdf_document.h"

namespace kaveltar::pdf_internal {

// A paint value with this bit set is a pattern (its index, from 1, in the low bits) rather
// than an RGB colour; the "unknown" value forces the next colour to be written.
constexpr uint32_t kPatternPaint = 0x01000000;
constexpr uint32_t kUnknownPaint = 0xFFFFFFFF;

// Destination kinds, in the order of their names.
enum DestinationKind { kDestXyz, kDestFitH, kDestFitV, kDestFitR, kDestFitB };

struct Destination {
  int page = 0;  // page index, from 0
  int kind = kDestXyz;
  PdfRect area;  // points in the page's default space (origin bottom left)
};

struct Bookmark {
  std::string title;
  Destination destination;
  int parent = 0;  // entry number, 0 the root
  int object = 0;
  std::vector<int> children;  // entry numbers
};

struct NamedDestination {
  std::string name;
  Destination destination;
};

struct FormField {
  std::string name;
  int object = 0;
  std::string body;  // the field's dictionary without its closing ">>" and its actions
  std::vector<std::pair<std::string, std::string>> events;  // PDF event key, script
  bool calculated = false;
};

struct DocumentScript {
  int event = 0;
  std::string script;
};

struct PageLabel {
  int page = 0;  // page index, from 0
  int style = 0;
  std::string prefix;
  int first = 1;
};

struct Layer {
  std::string name;
  int object = 0;
};

struct FormObject {
  std::string name;
  int object = 0;
};

struct Pattern {
  std::string name;
  int object = 0;
};

// The colours and the parts of the drawing state the writer tracks to avoid repeating
// operators; saved with "q" and restored with "Q".
struct DrawingState {
  enum Kind { kSpace, kCell, kRecording } kind = kSpace;
  uint32_t fill = 0, line = 0, text = 0;
  uint32_t content_fill = 0;
  double char_spacing = 0, word_spacing = 0, scaling = 100;
  int text_mode = 0;
};

struct TableState {
  bool open = false;
  bool row_open = false;
  bool cell_open = false;
  double x = 0, y = 0;  // points, top-left corner of the table
  double border = 0;    // points
  double row_top = 0;   // points below the table's top
  double row_height = 0;
  double cell_left = 0;  // points right of the table's left edge
  double cell_width = 0;
  int column = 0;
  std::vector<double> widths;  // of the columns so far, points
};

// A drawing being recorded into a form object or a tiling pattern instead of the page.
struct Recording {
  enum Kind { kNone, kObject, kTiling } kind = kNone;
  std::string name;
  double width = 0, height = 0;  // tiles, points
  std::string page_content;      // the page's content, set aside
  DrawingState page_state;
  size_t state_depth = 0;
};

struct PdfExtras {
  std::vector<Bookmark> bookmarks;  // entry n at index n - 1
  std::vector<NamedDestination> destinations;
  // Object numbers and dictionaries of the open page's notes and links.
  std::vector<std::pair<int, std::string>> page_annotations;
  std::vector<int> page_widgets;  // objects of the open page's fields
  std::string page_transition;    // entries of the open page
  std::vector<FormField> fields;
  std::vector<DocumentScript> scripts;
  std::vector<PageLabel> labels;
  std::vector<Layer> layers;  // the first two are SCREEN and PRINTER once any layer is used
  std::vector<FormObject> objects;
  std::vector<Pattern> patterns;
  std::vector<DrawingState> states;  // saved by "q"
  int spaces_open = 0;
  int layers_open = 0;
  TableState table;
  Recording recording;
  int helvetica = 0;  // the form fields' font, written at EndDoc
};

}  // namespace kaveltar::pdf_internal

#endif  // KAVELTAR_PDF_PDF_EXTRAS_H_
