// PdfDocument: bookmarks, named destinations, notes, links, form fields, scripts, page
// labels and transitions; and the objects EndDoc writes for them and for layers,
// patterns and reusable objects.
//
// Written structures:
//   outline   object 3 "<< /Type /Outlines /First /Last /Count >>", one object per entry
//             with /Title /Parent /Prev /Next /First /Last /Count /Dest [page /XYZ ...]
//   notes     "/Subtype /FreeText" (with /DA and /Q) and "/Subtype /Text" (/Name icon)
//   links     "/Subtype /Link" with a /URI, /Launch, /SetOCGState, /JavaScript or /GoTo
//             action; the page's annotations are listed by an array object, "/Annots n 0 R"
//   fields    merged field and widget dictionaries, /AA with their scripts; the catalog's
//             "/AcroForm << /NeedAppearances true /Fields [...] /CO [...] /DR ... >>"
//   scripts   a /JavaScript name tree for the opening scripts ("/Names"), "/AA" for the
//             closing, saving and printing events
//   labels    "/PageLabels << /Nums [index << /S /D /P (prefix) /St n >> ...] >>"
//   named     "/Dests n 0 R", a dictionary of name and destination array
#include <algorithm>
#include <cmath>

#include "pdf/pdf_document.h"
#include "pdf/pdf_document_internal.h"
#include "pdf/pdf_extras.h"
#include "pdf/pdf_number.h"
#include "pdf/pdf_text.h"

namespace kaveltar {

using pdf_internal::AppendInteger;
using pdf_internal::AppendNumber;
using pdf_internal::kErrInvalidArgument;

namespace {

constexpr const char* kDestinationNames[] = {"/XYZ", "/FitH", "/FitV", "/FitR", "/FitB"};
constexpr const char* kIcons[] = {"Note", "Comment",   "Help",        "Insert",
                                  "Key",  "Paragraph", "NewParagraph"};
constexpr const char* kDocEventKeys[] = {"", "/WC", "/WS", "/DS", "/WP", "/DP"};
// Field events: the name the caller gives and the key of the field's /AA dictionary.
constexpr const char* kFieldEvents[][2] = {
    {"KEYSTROKE", "/K"}, {"FORMAT", "/F"},    {"VALIDATE", "/V"}, {"CALCULATE", "/C"},
    {"MOUSEUP", "/U"},   {"MOUSEDOWN", "/D"}, {"ENTER", "/E"},    {"EXIT", "/X"},
    {"FOCUS", "/Fo"},    {"BLUR", "/Bl"}};
constexpr const char* kLabelStyles[] = {"/D", "/R", "/r", "/A", "/a", ""};
constexpr const char* kTransitions[] = {"/R",    "/Split",    "/Blinds", "/Box",
                                        "/Wipe", "/Dissolve", "/Glitter"};

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The choices of a list or combo field: the non-empty texts between semicolons.
std::vector<std::string> SplitChoices(const std::string& value) {
  std::vector<std::string> choices;
  size_t start = 0;
  while (start <= value.size()) {
    const size_t end = std::min(value.find(';', start), value.size());
    if (end > start) choices.push_back(value.substr(start, end - start));
    start = end + 1;
  }
  return choices;
}

bool Finite(const PdfRect& r) {
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) &&
         std::isfinite(r.height);
}

// A PDF name: "#" and bytes outside the regular printable characters as "#xx".
void AppendName(std::string_view name, std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  out->push_back('/');
  for (unsigned char c : name) {
    const bool delimiter =
        std::string_view("()<>[]{}/%#").find(static_cast<char>(c)) != std::string_view::npos;
    if (c < 33 || c > 126 || delimiter) {
      out->push_back('#');
      out->push_back(kHex[c >> 4]);
      out->push_back(kHex[c & 15]);
    } else {
      out->push_back(static_cast<char>(c));
    }
  }
}

}  // namespace

pdf_internal::PdfExtras& PdfDocument::Extras() {
  if (extras_ == nullptr) extras_ = std::make_unique<pdf_internal::PdfExtras>();
  return *extras_;
}

// ---------------------------------------------------------------------------------------
// Destinations

std::string PdfDocument::DestinationArray(int page_index, int kind, const PdfRect& a) const {
  std::string out = "[";
  AppendInteger(&out, pages_[static_cast<size_t>(page_index)].object);
  out += " 0 R ";
  out += kDestinationNames[kind];
  switch (kind) {
    case pdf_internal::kDestXyz:
      out += ' ';
      AppendNumber(&out, a.x);
      out += ' ';
      AppendNumber(&out, a.y);
      out += " null";
      break;
    case pdf_internal::kDestFitH:
      out += ' ';
      AppendNumber(&out, a.y);
      break;
    case pdf_internal::kDestFitV:
      out += ' ';
      AppendNumber(&out, a.x);
      break;
    case pdf_internal::kDestFitR:
      out += ' ';
      AppendNumber(&out, a.x);
      out += ' ';
      AppendNumber(&out, a.y - a.height);
      out += ' ';
      AppendNumber(&out, a.x + a.width);
      out += ' ';
      AppendNumber(&out, a.y);
      break;
    default:
      break;
  }
  out += ']';
  return out;
}

namespace {

// Reads the destination kind and converts the area to the page's default space.
pdf_internal::Destination MakeDestination(const std::string& kind_name, const PdfRect& area,
                                          int page, double scale, double left, double top) {
  pdf_internal::Destination d;
  d.page = page;
  d.kind = -1;
  const std::string upper = Upper(kind_name.empty() ? "/XYZ" : kind_name);
  for (int k = 0; k < 5; ++k) {
    if (upper == Upper(kDestinationNames[k]) || upper == Upper(kDestinationNames[k] + 1))
      d.kind = k;
  }
  if (d.kind < 0) {
    throw pdf_internal::PdfFailure{kErrInvalidArgument, "destinazione sconosciuta: " + kind_name};
  }
  d.area.x = left + area.x * scale;
  d.area.y = top - area.y * scale;
  d.area.width = std::abs(area.width * scale);
  d.area.height = std::abs(area.height * scale);
  return d;
}

}  // namespace

int PdfDocument::AddBookmark(const std::string& title, const std::string& destination,
                             const PdfRect& area, int parent) {
  int number = 0;
  Guard("AddBookmark", [&] {
    RequirePage();
    if (!Finite(area)) Fail(kErrInvalidArgument, "posizione non valida");
    pdf_internal::PdfExtras& x = Extras();
    if (parent < 0 || parent > static_cast<int>(x.bookmarks.size())) {
      Fail(kErrInvalidArgument, "segnalibro superiore inesistente: " + std::to_string(parent));
    }
    pdf_internal::Bookmark mark;
    mark.title = title;
    mark.destination = MakeDestination(destination, area, GetPage() - 1, scale_, margin_left_,
                                       page_height_ - margin_top_);
    mark.parent = parent;
    x.bookmarks.push_back(std::move(mark));
    number = static_cast<int>(x.bookmarks.size());
    if (parent > 0) x.bookmarks[static_cast<size_t>(parent - 1)].children.push_back(number);
  });
  return number;
}

void PdfDocument::DefineRef(const std::string& name, const std::string& destination,
                            const PdfRect& area) {
  Guard("DefineRef", [&] {
    RequirePage();
    if (name.empty()) Fail(kErrInvalidArgument, "nome della destinazione mancante");
    if (!Finite(area)) Fail(kErrInvalidArgument, "posizione non valida");
    pdf_internal::Destination d = MakeDestination(destination, area, GetPage() - 1, scale_,
                                                  margin_left_, page_height_ - margin_top_);
    pdf_internal::PdfExtras& x = Extras();
    for (pdf_internal::NamedDestination& named : x.destinations) {
      if (named.name == name) {
        named.destination = d;  // a name defined again points at the new place
        return;
      }
    }
    x.destinations.push_back({name, d});
  });
}

// ---------------------------------------------------------------------------------------
// Annotations

namespace {

// "/Rect [llx lly urx ury]" in the page's default space.
void AppendRect(const PdfRect& box, double scale, double left, double top, std::string* out) {
  const double x1 = left + box.x * scale, x2 = left + (box.x + box.width) * scale;
  const double y1 = top - box.y * scale, y2 = top - (box.y + box.height) * scale;
  *out += "/Rect [";
  AppendNumber(out, std::min(x1, x2));
  *out += ' ';
  AppendNumber(out, std::min(y1, y2));
  *out += ' ';
  AppendNumber(out, std::max(x1, x2));
  *out += ' ';
  AppendNumber(out, std::max(y1, y2));
  *out += "] ";
}

}  // namespace

void PdfDocument::AddNoteBox(const PdfRect& box, const std::string& text, int options) {
  Guard("AddNoteBox", [&] {
    RequirePage();
    if (!Finite(box) || box.width == 0 || box.height == 0)
      Fail(kErrInvalidArgument, "riquadro non valido");
    const int number = NewObjectNumber();
    std::string body = "<< /Type /Annot /Subtype /FreeText ";
    AppendRect(box, scale_, margin_left_, page_height_ - margin_top_, &body);
    body += "/F 4 /Contents ";
    AppendPdfString(pdf_internal::TextStringBytes(text), number, &body);
    body += "\r/DA ";
    AppendPdfString("/Helv 10 Tf 0 g", number, &body);
    body += " /Q ";
    AppendInteger(&body, std::min(options & 3, 2));
    body += (options & 4) ? " /BS << /W 0 >>" : " /BS << /W 1 >>";
    body += " >>";
    Extras().page_annotations.emplace_back(number, std::move(body));
    Extras().helvetica = -1;  // the note's text font goes into the form resources
  });
}

void PdfDocument::AddNoteIcon(double x, double y, const std::string& text, const std::string& icon,
                              bool open) {
  Guard("AddNoteIcon", [&] {
    RequirePage();
    if (!std::isfinite(x) || !std::isfinite(y)) Fail(kErrInvalidArgument, "posizione non valida");
    const char* name = nullptr;
    for (const char* known : kIcons) {
      if (Upper(icon) == Upper(known)) name = known;
    }
    if (name == nullptr) Fail(kErrInvalidArgument, "icona sconosciuta: " + icon);
    const int number = NewObjectNumber();
    // The icon's box is 20 points square with its top-left corner at the position.
    const PdfRect box{x, y, 20 / scale_, 20 / scale_};
    std::string body = "<< /Type /Annot /Subtype /Text ";
    AppendRect(box, scale_, margin_left_, page_height_ - margin_top_, &body);
    body += "/F 4 /Name /";
    body += name;
    body += " /Open ";
    body += open ? "true" : "false";
    body += "\r/Contents ";
    AppendPdfString(pdf_internal::TextStringBytes(text), number, &body);
    body += " >>";
    Extras().page_annotations.emplace_back(number, std::move(body));
  });
}

void PdfDocument::LinkTo(const PdfRect& box, const std::string& target) {
  Guard("LinkTo", [&] {
    RequirePage();
    if (!Finite(box)) Fail(kErrInvalidArgument, "riquadro non valido");
    const std::string upper = Upper(target);
    enum { kUri, kLaunch, kLayer, kScript, kNamed } kind;
    int layer = -1;
    if (StartsWith(upper, "HTTP://") || StartsWith(upper, "HTTPS://") ||
        StartsWith(upper, "FTP://") || StartsWith(upper, "MAILTO:")) {
      kind = kUri;
    } else if (StartsWith(upper, "FILE:") && target.size() > 5) {
      kind = kLaunch;
    } else if (StartsWith(upper, "LAYER:") && target.size() > 6) {
      kind = kLayer;
    } else if (StartsWith(upper, "JAVASCRIPT:") && target.size() > 11) {
      kind = kScript;
    } else if (target.size() > 1 && target[0] == '#') {
      kind = kNamed;
    } else {
      Fail(kErrInvalidArgument, "destinazione del collegamento non valida: " + target);
    }
    if (kind == kLayer) layer = static_cast<int>(LayerIndex(target.substr(6)));
    pdf_internal::PdfExtras& x = Extras();
    const int number = NewObjectNumber();
    std::string body = "<< /Type /Annot /Subtype /Link ";
    AppendRect(box, scale_, margin_left_, page_height_ - margin_top_, &body);
    body += "/Border [0 0 0]\r/A << ";
    switch (kind) {
      case kUri:
        body += "/S /URI /URI ";
        AppendPdfString(target, number, &body);
        break;
      case kLaunch:
        body += "/S /Launch /F ";
        AppendPdfString(target.substr(5), number, &body);
        break;
      case kLayer:
        body += "/S /SetOCGState /State [/Toggle ";
        AppendInteger(&body, x.layers[static_cast<size_t>(layer)].object);
        body += " 0 R]";
        break;
      case kScript:
        body += "/S /JavaScript /JS ";
        AppendPdfString(pdf_internal::TextStringBytes(target.substr(11)), number, &body);
        break;
      case kNamed:
        body += "/S /GoTo /D ";
        AppendName(target.substr(1), &body);
        break;
    }
    body += " >> >>";
    x.page_annotations.emplace_back(number, std::move(body));
  });
}

// ---------------------------------------------------------------------------------------
// Form fields and scripts

void PdfDocument::AddField(int field_type, const std::string& name, const PdfRect& box,
                           const std::string& value, int options) {
  Guard("AddField", [&] {
    RequirePage();
    if (field_type < 0 || field_type > 4) {
      Fail(kErrInvalidArgument, "tipo di campo sconosciuto: " + std::to_string(field_type));
    }
    if (name.empty() || name.find('.') != std::string::npos) {
      Fail(kErrInvalidArgument, "nome del campo non valido: " + name);
    }
    if (!Finite(box) || box.width == 0 || box.height == 0)
      Fail(kErrInvalidArgument, "riquadro non valido");
    pdf_internal::PdfExtras& x = Extras();
    for (const pdf_internal::FormField& field : x.fields) {
      if (field.name == name) Fail(kErrInvalidArgument, "campo già definito: " + name);
    }
    const std::vector<std::string> choices =
        field_type >= 3 ? SplitChoices(value) : std::vector<std::string>();
    if (field_type >= 3 && choices.empty())
      Fail(kErrInvalidArgument, "il campo " + name + " non ha scelte");

    pdf_internal::FormField field;
    field.name = name;
    field.object = NewObjectNumber();
    const int n = field.object;
    std::string& body = field.body;
    body = "<< /Type /Annot /Subtype /Widget ";
    AppendRect(box, scale_, margin_left_, page_height_ - margin_top_, &body);
    body += "/F 4 /BS << /W 1 /S /S >> /T ";
    AppendPdfString(pdf_internal::TextStringBytes(name), n, &body);
    long flags = 0;
    if (options & 1) flags |= 1;
    if (options & 2) flags |= 2;
    body += "\r/MK << /BC [0 0 0] /BG [1 1 1]";
    switch (field_type) {
      case 0:
        if (options & 4) flags |= 4096;
        if (options & 8) flags |= 8192;
        body += " >> /FT /Tx /DA ";
        AppendPdfString("/Helv 10 Tf 0 g", n, &body);
        body += " /V ";
        AppendPdfString(pdf_internal::TextStringBytes(value), n, &body);
        break;
      case 1:
        flags |= 65536;
        body += " /CA ";
        AppendPdfString(pdf_internal::TextStringBytes(value), n, &body);
        body += " >> /FT /Btn /DA ";
        AppendPdfString("/Helv 10 Tf 0 g", n, &body);
        break;
      case 2:
        body += " /CA ";
        AppendPdfString("4", n, &body);  // ZapfDingbats' tick
        body += " >> /FT /Btn /DA ";
        AppendPdfString("/ZaDb 0 Tf 0 g", n, &body);
        body += (options & 4) ? " /V /Yes /AS /Yes" : " /V /Off /AS /Off";
        break;
      default:
        if (field_type == 3) flags |= 131072;
        if (field_type == 3 && (options & 8)) flags |= 262144;
        body += " >> /FT /Ch /DA ";
        AppendPdfString("/Helv 10 Tf 0 g", n, &body);
        body += "\r/Opt [";
        for (const std::string& choice : choices) {
          AppendPdfString(pdf_internal::TextStringBytes(choice), n, &body);
          body += ' ';
        }
        body += "] /V ";
        AppendPdfString(pdf_internal::TextStringBytes(choices.front()), n, &body);
        break;
    }
    body += " /Ff ";
    AppendInteger(&body, flags);
    x.page_widgets.push_back(n);
    x.fields.push_back(std::move(field));
    x.helvetica = -1;
  });
}

void PdfDocument::OnDocEvent(int event_type, const std::string& script, bool reset_script) {
  Guard("OnDocEvent", [&] {
    if (!doc_open_) Fail(pdf_internal::kErrNoDocument, "nessun documento aperto");
    if (event_type < 0 || event_type > 5) {
      Fail(kErrInvalidArgument, "evento sconosciuto: " + std::to_string(event_type));
    }
    pdf_internal::PdfExtras& x = Extras();
    if (reset_script) {
      std::erase_if(x.scripts,
                    [&](const pdf_internal::DocumentScript& s) { return s.event == event_type; });
    }
    if (!script.empty()) x.scripts.push_back({event_type, script});
  });
}

void PdfDocument::OnFieldEvent(const std::string& on_event, const std::string& field_name,
                               const std::string& action) {
  Guard("OnFieldEvent", [&] {
    if (!doc_open_) Fail(pdf_internal::kErrNoDocument, "nessun documento aperto");
    const char* key = nullptr;
    for (const auto& event : kFieldEvents) {
      if (Upper(on_event) == event[0]) key = event[1];
    }
    if (key == nullptr) Fail(kErrInvalidArgument, "evento sconosciuto: " + on_event);
    pdf_internal::FormField* field = nullptr;
    if (extras_ != nullptr) {
      for (pdf_internal::FormField& f : extras_->fields) {
        if (f.name == field_name) field = &f;
      }
    }
    if (field == nullptr) Fail(kErrInvalidArgument, "campo inesistente: " + field_name);
    bool replaced = false;
    for (auto& [event_key, script] : field->events) {
      if (event_key == key) {
        script = action;
        replaced = true;
      }
    }
    if (!replaced) field->events.emplace_back(key, action);
    if (std::string_view(key) == "/C") field->calculated = true;
  });
}

// ---------------------------------------------------------------------------------------
// Pages and document

void PdfDocument::SetLabel(int page_label, const std::string& label_prefix, int first_value) {
  Guard("SetLabel", [&] {
    if (!doc_open_) Fail(pdf_internal::kErrNoDocument, "nessun documento aperto");
    if (page_label < 0 || page_label > 5) {
      Fail(kErrInvalidArgument, "stile di numerazione sconosciuto: " + std::to_string(page_label));
    }
    if (first_value < 1) Fail(kErrInvalidArgument, "primo numero non valido");
    const int page = page_open_ ? GetPage() - 1 : GetPage();
    pdf_internal::PdfExtras& x = Extras();
    std::erase_if(x.labels, [&](const pdf_internal::PageLabel& l) { return l.page == page; });
    x.labels.push_back({page, page_label, label_prefix, first_value});
    std::sort(x.labels.begin(), x.labels.end(),
              [](const auto& a, const auto& b) { return a.page < b.page; });
  });
}

void PdfDocument::SetPageTransition(int transition, double show_time, double trans_time) {
  Guard("SetPageTransition", [&] {
    RequirePage();
    if (transition < 0 || transition > 6) {
      Fail(kErrInvalidArgument, "transizione sconosciuta: " + std::to_string(transition));
    }
    if (!std::isfinite(show_time) || !std::isfinite(trans_time) || show_time < 0 ||
        trans_time < 0) {
      Fail(kErrInvalidArgument, "durata non valida");
    }
    std::string entries;
    if (show_time > 0) {
      entries += "/Dur ";
      AppendNumber(&entries, show_time);
      entries += ' ';
    }
    entries += "/Trans << /Type /Trans /S ";
    entries += kTransitions[transition];
    entries += " /D ";
    AppendNumber(&entries, trans_time);
    entries += " >>\r";
    Extras().page_transition = std::move(entries);
  });
}

// ---------------------------------------------------------------------------------------
// Written at the end of a page

void PdfDocument::AppendPageAnnotations(std::string* page_body) {
  pdf_internal::PdfExtras& x = *extras_;
  if (x.page_annotations.empty() && x.page_widgets.empty()) return;
  std::string list = "[";
  for (const auto& [number, body] : x.page_annotations) {
    WriteObject(number, body);
    AppendInteger(&list, number);
    list += " 0 R ";
  }
  for (int widget : x.page_widgets) {
    AppendInteger(&list, widget);
    list += " 0 R ";
  }
  list += ']';
  const int array = NewObjectNumber();
  WriteObject(array, list);
  *page_body += "/Annots ";
  AppendInteger(page_body, array);
  *page_body += " 0 R\r";
  x.page_annotations.clear();
  x.page_widgets.clear();
}

void PdfDocument::AppendPageTransition(std::string* page_body) {
  *page_body += extras_->page_transition;
  extras_->page_transition.clear();
}

// ---------------------------------------------------------------------------------------
// Written by EndDoc

void PdfDocument::WriteExtrasObjects() {
  WriteOutline();
  WriteLayersAndFields();
}

void PdfDocument::WriteOutline() {
  pdf_internal::PdfExtras& x = *extras_;
  // Numbers first, then every entry knows its neighbours.
  for (pdf_internal::Bookmark& mark : x.bookmarks) mark.object = NewObjectNumber();
  std::vector<int> top;
  for (size_t i = 0; i < x.bookmarks.size(); ++i) {
    if (x.bookmarks[i].parent == 0) top.push_back(static_cast<int>(i) + 1);
  }
  auto object_of = [&](int entry) { return x.bookmarks[static_cast<size_t>(entry - 1)].object; };
  // Visible descendants: every entry is shown open.
  std::vector<int> counts(x.bookmarks.size() + 1, 0);
  for (size_t i = x.bookmarks.size(); i-- > 0;) {
    const pdf_internal::Bookmark& mark = x.bookmarks[i];
    counts[i + 1] += static_cast<int>(mark.children.size());
    if (mark.parent > 0) counts[static_cast<size_t>(mark.parent)] += counts[i + 1];
  }
  auto append_children = [&](const std::vector<int>& children, int count, std::string* body) {
    if (children.empty()) return;
    *body += "/First ";
    AppendInteger(body, object_of(children.front()));
    *body += " 0 R /Last ";
    AppendInteger(body, object_of(children.back()));
    *body += " 0 R /Count ";
    AppendInteger(body, count);
    *body += '\r';
  };
  for (size_t i = 0; i < x.bookmarks.size(); ++i) {
    const pdf_internal::Bookmark& mark = x.bookmarks[i];
    const std::vector<int>& siblings =
        mark.parent == 0 ? top : x.bookmarks[static_cast<size_t>(mark.parent - 1)].children;
    const auto at = std::find(siblings.begin(), siblings.end(), static_cast<int>(i) + 1);
    std::string body = "<< /Title ";
    AppendPdfString(pdf_internal::TextStringBytes(mark.title), mark.object, &body);
    body += "\r/Parent ";
    AppendInteger(&body, mark.parent == 0 ? 3 : object_of(mark.parent));
    body += " 0 R\r";
    if (at != siblings.begin()) {
      body += "/Prev ";
      AppendInteger(&body, object_of(*(at - 1)));
      body += " 0 R\r";
    }
    if (at + 1 != siblings.end()) {
      body += "/Next ";
      AppendInteger(&body, object_of(*(at + 1)));
      body += " 0 R\r";
    }
    append_children(mark.children, counts[i + 1], &body);
    body += "/Dest ";
    body += DestinationArray(mark.destination.page, mark.destination.kind, mark.destination.area);
    body += " >>";
    WriteObject(mark.object, body);
  }
  std::string root = "<< /Type /Outlines ";
  int root_count = static_cast<int>(top.size());
  for (int entry : top) root_count += counts[static_cast<size_t>(entry)];
  append_children(top, root_count, &root);
  if (top.empty()) root += "/Count 0 ";
  root += ">>";
  WriteObject(3, root);
}

void PdfDocument::WriteLayersAndFields() {
  pdf_internal::PdfExtras& x = *extras_;
  // Layers.
  for (size_t i = 0; i < x.layers.size(); ++i) {
    std::string body = "<< /Type /OCG /Name ";
    AppendPdfString(pdf_internal::TextStringBytes(x.layers[i].name), x.layers[i].object, &body);
    if (i == 0) body += " /Usage << /View << /ViewState /ON >> /Print << /PrintState /OFF >> >>";
    if (i == 1) body += " /Usage << /View << /ViewState /OFF >> /Print << /PrintState /ON >> >>";
    body += " >>";
    WriteObject(x.layers[i].object, body);
  }

  // The fields' fonts.
  if (x.helvetica != 0) {
    x.helvetica = NewObjectNumber();
    WriteObject(
        x.helvetica,
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    const int dingbats = NewObjectNumber();
    WriteObject(dingbats, "<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>");
    (void)dingbats;
  }

  // Fields, with their scripts.
  for (pdf_internal::FormField& field : x.fields) {
    std::string body = field.body;
    if (!field.events.empty()) {
      body += "\r/AA <<";
      for (const auto& [key, script] : field.events) {
        body += ' ';
        body += key;
        body += " << /S /JavaScript /JS ";
        AppendPdfString(pdf_internal::TextStringBytes(script), field.object, &body);
        body += " >>";
      }
      body += " >>";
    }
    body += " >>";
    WriteObject(field.object, body);
  }
}

void PdfDocument::AppendExtrasResources(std::string* body) {
  pdf_internal::PdfExtras& x = *extras_;
  if (!x.layers.empty()) {
    *body += "/Properties <<";
    for (size_t i = 0; i < x.layers.size(); ++i) {
      *body += " /OC";
      AppendInteger(body, static_cast<long long>(i + 1));
      *body += ' ';
      AppendInteger(body, x.layers[i].object);
      *body += " 0 R";
    }
    *body += " >>\r";
  }
  if (!x.patterns.empty()) {
    *body += "/ColorSpace << /xxCSxx [ /Pattern /DeviceRGB ] >>\r/Pattern <<";
    for (size_t i = 0; i < x.patterns.size(); ++i) {
      *body += " /P";
      AppendInteger(body, static_cast<long long>(i + 1));
      *body += ' ';
      AppendInteger(body, x.patterns[i].object);
      *body += " 0 R";
    }
    *body += " >>\r";
  }
}

void PdfDocument::AppendExtrasCatalog(std::string* body, int catalog) {
  if (!extras_->bookmarks.empty()) *body += "/Outlines 3 0 R\r";
  AppendPageLabels(body, catalog);
  AppendNamedDestinations(body);
  AppendAcroForm(body, catalog);
  AppendDocumentScripts(body);
  AppendLayers(body);
}

void PdfDocument::AppendPageLabels(std::string* body, int catalog) {
  pdf_internal::PdfExtras& x = *extras_;
  if (x.labels.empty()) return;
  *body += "/PageLabels << /Nums [ ";
  // Viewers need a label for the first page; it keeps plain numbers.
  if (x.labels.front().page != 0) *body += "0 << /S /D >> ";
  for (const pdf_internal::PageLabel& label : x.labels) {
    AppendInteger(body, label.page);
    *body += " << ";
    if (label.style < 5) {
      *body += "/S ";
      *body += kLabelStyles[label.style];
      *body += ' ';
    }
    if (!label.prefix.empty()) {
      *body += "/P ";
      AppendPdfString(pdf_internal::TextStringBytes(label.prefix), catalog, body);
      *body += ' ';
    }
    if (label.first != 1) {
      *body += "/St ";
      AppendInteger(body, label.first);
      *body += ' ';
    }
    *body += ">> ";
  }
  *body += "] >>\r";
}

void PdfDocument::AppendNamedDestinations(std::string* body) {
  pdf_internal::PdfExtras& x = *extras_;
  if (x.destinations.empty()) return;
  std::string dests = "<<";
  for (const pdf_internal::NamedDestination& named : x.destinations) {
    dests += ' ';
    AppendName(named.name, &dests);
    dests += ' ';
    dests +=
        DestinationArray(named.destination.page, named.destination.kind, named.destination.area);
  }
  dests += " >>";
  const int number = NewObjectNumber();
  WriteObject(number, dests);
  *body += "/Dests ";
  AppendInteger(body, number);
  *body += " 0 R\r";
}

void PdfDocument::AppendAcroForm(std::string* body, int catalog) {
  pdf_internal::PdfExtras& x = *extras_;
  if (x.fields.empty() && x.helvetica == 0) return;
  *body += "/AcroForm << /NeedAppearances true /Fields [";
  for (const pdf_internal::FormField& field : x.fields) {
    AppendInteger(body, field.object);
    *body += " 0 R ";
  }
  *body += "]";
  bool calculated = false;
  for (const pdf_internal::FormField& field : x.fields) calculated |= field.calculated;
  if (calculated) {
    *body += " /CO [";
    for (const pdf_internal::FormField& field : x.fields) {
      if (!field.calculated) continue;
      AppendInteger(body, field.object);
      *body += " 0 R ";
    }
    *body += "]";
  }
  *body += " /DR << /Font << /Helv ";
  AppendInteger(body, x.helvetica);
  *body += " 0 R /ZaDb ";
  AppendInteger(body, x.helvetica + 1);
  *body += " 0 R >> >> /DA ";
  AppendPdfString("/Helv 0 Tf 0 g", catalog, body);
  *body += " >>\r";
}

// Scripts: the opening ones in the document's name tree, the others as actions.
void PdfDocument::AppendDocumentScripts(std::string* body) {
  pdf_internal::PdfExtras& x = *extras_;
  std::vector<int> opening;
  for (const pdf_internal::DocumentScript& script : x.scripts) {
    if (script.event != 0) continue;
    const int number = NewObjectNumber();
    std::string action = "<< /S /JavaScript /JS ";
    AppendPdfString(pdf_internal::TextStringBytes(script.script), number, &action);
    action += " >>";
    WriteObject(number, action);
    opening.push_back(number);
  }
  if (!opening.empty()) {
    const int tree = NewObjectNumber();
    std::string names = "<< /Names [";
    for (size_t i = 0; i < opening.size(); ++i) {
      char key[32];
      std::snprintf(key, sizeof key, "KAVELTAR%04zu", i + 1);
      AppendPdfString(key, tree, &names);
      names += ' ';
      AppendInteger(&names, opening[i]);
      names += " 0 R ";
    }
    names += "] >>";
    WriteObject(tree, names);
    *body += "/Names << /JavaScript ";
    AppendInteger(body, tree);
    *body += " 0 R >>\r";
  }
  std::string actions;
  for (int event = 1; event <= 5; ++event) {
    std::string joined;
    for (const pdf_internal::DocumentScript& script : x.scripts) {
      if (script.event != event) continue;
      if (!joined.empty()) joined += '\n';
      joined += script.script;
    }
    if (joined.empty()) continue;
    const int number = NewObjectNumber();
    std::string action = "<< /S /JavaScript /JS ";
    AppendPdfString(pdf_internal::TextStringBytes(joined), number, &action);
    action += " >>";
    WriteObject(number, action);
    actions += ' ';
    actions += kDocEventKeys[event];
    actions += ' ';
    AppendInteger(&actions, number);
    actions += " 0 R";
  }
  if (!actions.empty()) *body += "/AA <<" + actions + " >>\r";
}

void PdfDocument::AppendLayers(std::string* body) {
  pdf_internal::PdfExtras& x = *extras_;
  if (x.layers.empty()) return;
  std::string all;
  for (const pdf_internal::Layer& layer : x.layers) {
    AppendInteger(&all, layer.object);
    all += " 0 R ";
  }
  std::string fixed;
  for (size_t i = 0; i < 2; ++i) {
    AppendInteger(&fixed, x.layers[i].object);
    fixed += " 0 R ";
  }
  *body += "/OCProperties << /OCGs [" + all + "] /D << /Order [" + all + "] /OFF [";
  AppendInteger(body, x.layers[1].object);
  *body += " 0 R] /AS [ << /Event /View /OCGs [" + fixed +
           "] /Category [/View] >> << /Event /Print /OCGs [" + fixed +
           "] /Category [/Print] >> ] >> >>\r";
}

}  // namespace kaveltar
