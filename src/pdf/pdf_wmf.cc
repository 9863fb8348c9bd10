#include "pdf/pdf_wmf.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "pdf/pdf_number.h"

namespace kaveltar::pdf_internal {

namespace {

struct Bad {
  const char* reason;
};

struct GdiObject {
  enum Kind { kFree, kPen, kBrush, kOther } kind = kFree;
  bool none = false;  // null pen or hollow brush
  uint32_t colour = 0;
  int width = 0;
};

class Translator {
 public:
  explicit Translator(std::string_view data) : d_(data) {}

  void Run(VectorDrawing* drawing) {
    size_t pos = 0;
    bool placeable = false;
    int box[4] = {0, 0, 0, 0};
    double inch = 96;
    if (d_.size() >= 22 && U32(0) == 0x9AC6CDD7u) {
      placeable = true;
      for (int i = 0; i < 4; ++i) box[i] = S16(6 + i * 2);
      inch = U16(14);
      if (inch == 0) throw Bad{"unità del metafile non valide"};
      pos = 22;
    }
    if (d_.size() < pos + 18) throw Bad{"non è un metafile WMF"};
    const uint32_t type = U16(pos), header_words = U16(pos + 2);
    if ((type != 1 && type != 2) || header_words != 9) throw Bad{"non è un metafile WMF"};
    pos += 18;

    bool ended = false;
    while (pos + 6 <= d_.size()) {
      const uint64_t words = U32(pos);
      const uint32_t function = U16(pos + 4);
      if (words < 3 || words * 2 > d_.size() - pos) throw Bad{"record del metafile non valido"};
      params_ = pos + 6;
      param_count_ = static_cast<size_t>(words) - 3;
      pos += static_cast<size_t>(words) * 2;
      if (function == 0) {
        ended = true;
        break;
      }
      Record(function);
    }
    if (!ended) throw Bad{"metafile WMF troncato"};

    // The window that maps onto the picture.
    double ox, oy, ex, ey;
    if (window_ext_set_) {
      ox = org_x_, oy = org_y_, ex = ext_x_, ey = ext_y_;
    } else if (placeable) {
      ox = box[0], oy = box[1], ex = box[2] - box[0], ey = box[3] - box[1];
    } else if (min_x_ <= max_x_) {
      ox = min_x_, oy = min_y_, ex = max_x_ - min_x_, ey = max_y_ - min_y_;
    } else {
      throw Bad{"il metafile non contiene disegni"};
    }
    if (ex == 0 || ey == 0) throw Bad{"finestra del metafile vuota"};
    double w, h;
    if (placeable && box[2] != box[0] && box[3] != box[1]) {
      w = std::abs(box[2] - box[0]) * 72.0 / inch;
      h = std::abs(box[3] - box[1]) * 72.0 / inch;
    } else {
      w = std::abs(ex) * 72.0 / 96, h = std::abs(ey) * 72.0 / 96;
    }
    std::string head;
    // Logical units to the picture box, Y turned upwards.
    const double a = w / ex, dd = -h / ey;
    AppendNumber(&head, a);
    head += " 0 0 ";
    AppendNumber(&head, dd);
    head.push_back(' ');
    AppendNumber(&head, -ox * a);
    head.push_back(' ');
    AppendNumber(&head, h - oy * dd);
    head += " cm\n";
    drawing->width = w;
    drawing->height = h;
    drawing->content = head + out_;
  }

 private:
  uint32_t U16(size_t at) const {
    if (at + 2 > d_.size()) throw Bad{"metafile WMF troncato"};
    return static_cast<uint8_t>(d_[at]) | (static_cast<uint8_t>(d_[at + 1]) << 8);
  }
  int S16(size_t at) const { return static_cast<int16_t>(U16(at)); }
  uint32_t U32(size_t at) const { return U16(at) | (U16(at + 2) << 16); }
  // Parameter word i of the current record.
  int P(size_t i) const {
    if (i >= param_count_) throw Bad{"record del metafile troppo corto"};
    return S16(params_ + i * 2);
  }
  uint32_t PU(size_t i) const { return static_cast<uint16_t>(P(i)); }

  void Point(double x, double y, const char* op) {
    if (++points_ > kMaxDrawingPoints) throw Bad{"metafile troppo complesso"};
    min_x_ = std::min(min_x_, x), max_x_ = std::max(max_x_, x);
    min_y_ = std::min(min_y_, y), max_y_ = std::max(max_y_, y);
    AppendNumber(&out_, x);
    out_.push_back(' ');
    AppendNumber(&out_, y);
    out_.push_back(' ');
    out_ += op;
    out_.push_back('\n');
  }

  static void Rgb(uint32_t colour, std::string* out) {
    for (int shift = 0; shift <= 16; shift += 8) {
      AppendNumber(out, ((colour >> shift) & 0xFF) / 255.0);
      out->push_back(' ');
    }
  }

  void StrokeState() {
    Rgb(pen_.colour, &out_);
    out_ += "RG ";
    AppendInteger(&out_, pen_.width);
    out_ += " w\n";
  }
  void FillState() {
    Rgb(brush_.colour, &out_);
    out_ += "rg\n";
  }

  // Paints the path just built: closed shapes are filled with the brush and outlined with
  // the pen; open lines only take the pen.
  void Paint(bool closed) {
    const bool stroke = !pen_.none, fill = closed && !brush_.none;
    const bool even_odd = fill_mode_ != 2;
    if (fill && stroke) {
      out_ += even_odd ? "b*\n" : "b\n";
    } else if (fill) {
      out_ += even_odd ? "f*\n" : "f\n";
    } else if (stroke) {
      out_ += closed ? "s\n" : "S\n";
    } else {
      out_ += "n\n";
    }
  }
  void Prepare(bool closed) {
    if (!pen_.none) StrokeState();
    if (closed && !brush_.none) FillState();
  }

  void Points(size_t first, size_t count, bool closed) {
    if (count == 0) return;
    for (size_t i = 0; i < count; ++i) {
      Point(P(first + i * 2), P(first + i * 2 + 1), i == 0 ? "m" : "l");
    }
    if (closed) out_ += "h\n";
  }

  int NewObject(const GdiObject& object) {
    for (size_t i = 0; i < objects_.size(); ++i) {
      if (objects_[i].kind == GdiObject::kFree) {
        objects_[i] = object;
        return static_cast<int>(i);
      }
    }
    // Real metafiles hold a few dozen objects at a time; the cap keeps the search short.
    if (objects_.size() >= 4096) throw Bad{"troppi oggetti nel metafile"};
    objects_.push_back(object);
    return static_cast<int>(objects_.size()) - 1;
  }

  // One metafile record: coordinates, drawing, and the objects (pens, brushes) it selects.
  void Record(uint32_t function) {
    switch (function) {
      case 0x020B:  // SetWindowOrg
        org_y_ = P(0), org_x_ = P(1);
        break;
      case 0x020C:  // SetWindowExt
        ext_y_ = P(0), ext_x_ = P(1);
        window_ext_set_ = true;
        break;
      case 0x0214:  // MoveTo
        cur_y_ = P(0), cur_x_ = P(1);
        break;
      case 0x0213:
        LineTo();
        break;
      case 0x0325:  // Polyline
      case 0x0324:  // Polygon
        Poly(function == 0x0324);
        break;
      case 0x0538:
        PolyPolygon();
        break;
      case 0x041B:
        Rectangle();
        break;
      case 0x0418:
        Ellipse();
        break;
      case 0x0106:  // SetPolyFillMode
        fill_mode_ = P(0);
        break;
      case 0x02FA:
        CreatePen();
        break;
      case 0x02FC:
        CreateBrush();
        break;
      case 0x02FB:
      case 0x00F7:
      case 0x0142:
      case 0x01F9:
      case 0x06FF: {
        GdiObject other;
        other.kind = GdiObject::kOther;
        NewObject(other);
        break;
      }
      case 0x012D: {  // SelectObject
        const size_t index = PU(0);
        if (index < objects_.size()) {
          if (objects_[index].kind == GdiObject::kPen) pen_ = objects_[index];
          if (objects_[index].kind == GdiObject::kBrush) brush_ = objects_[index];
        }
        break;
      }
      case 0x01F0: {  // DeleteObject
        const size_t index = PU(0);
        if (index < objects_.size()) objects_[index].kind = GdiObject::kFree;
        break;
      }
      default:
        break;
    }
  }

  void LineTo() {
    const int y = P(0), x = P(1);
    if (!pen_.none) {
      StrokeState();
      Point(cur_x_, cur_y_, "m");
      Point(x, y, "l");
      out_ += "S\n";
    }
    cur_x_ = x, cur_y_ = y;
  }

  void Poly(bool closed) {
    const size_t n = PU(0);
    if (n == 0) return;
    P(n * 2);  // all points present
    Prepare(closed);
    Points(1, n, closed);
    Paint(closed);
  }

  void PolyPolygon() {
    const size_t polygons = PU(0);
    if (polygons == 0) return;
    size_t at = 1 + polygons;
    Prepare(true);
    for (size_t i = 0; i < polygons; ++i) {
      const size_t n = PU(1 + i);
      if (n > 0) P(at + n * 2 - 1);
      Points(at, n, true);
      at += n * 2;
    }
    Paint(true);
  }

  void Rectangle() {
    const double bottom = P(0), right = P(1), top = P(2), left = P(3);
    Prepare(true);
    Point(left, top, "m");
    Point(right, top, "l");
    Point(right, bottom, "l");
    Point(left, bottom, "l");
    out_ += "h\n";
    Paint(true);
  }

  // Four Bezier quarters around the bounding box.
  void Ellipse() {
    const double bottom = P(0), right = P(1), top = P(2), left = P(3);
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    const double rx = (right - left) / 2, ry = (bottom - top) / 2;
    const double k = 0.5522847498;
    Prepare(true);
    Point(cx + rx, cy, "m");
    Curve(cx + rx, cy + ry * k, cx + rx * k, cy + ry, cx, cy + ry);
    Curve(cx - rx * k, cy + ry, cx - rx, cy + ry * k, cx - rx, cy);
    Curve(cx - rx, cy - ry * k, cx - rx * k, cy - ry, cx, cy - ry);
    Curve(cx + rx * k, cy - ry, cx + rx, cy - ry * k, cx + rx, cy);
    out_ += "h\n";
    Paint(true);
  }

  void CreatePen() {
    GdiObject pen;
    pen.kind = GdiObject::kPen;
    pen.none = (PU(0) & 0xFF) == 5;
    pen.width = std::abs(P(1));
    pen.colour = PU(3) | (PU(4) << 16);
    NewObject(pen);
  }

  void CreateBrush() {
    GdiObject brush;
    brush.kind = GdiObject::kBrush;
    brush.none = PU(0) == 1;
    brush.colour = PU(1) | (PU(2) << 16);
    NewObject(brush);
  }

  void Curve(double x1, double y1, double x2, double y2, double x3, double y3) {
    points_ += 3;
    if (points_ > kMaxDrawingPoints) throw Bad{"metafile troppo complesso"};
    const double xs[3] = {x1, x2, x3}, ys[3] = {y1, y2, y3};
    for (int i = 0; i < 3; ++i) {
      min_x_ = std::min(min_x_, xs[i]), max_x_ = std::max(max_x_, xs[i]);
      min_y_ = std::min(min_y_, ys[i]), max_y_ = std::max(max_y_, ys[i]);
    }
    for (double v : {x1, y1, x2, y2, x3, y3}) {
      AppendNumber(&out_, v);
      out_.push_back(' ');
    }
    out_ += "c\n";
  }

  std::string_view d_;
  size_t params_ = 0, param_count_ = 0;
  std::string out_;
  std::vector<GdiObject> objects_;
  GdiObject pen_{GdiObject::kPen, false, 0, 1};
  GdiObject brush_{GdiObject::kBrush, false, 0xFFFFFF, 0};
  int fill_mode_ = 1;
  double org_x_ = 0, org_y_ = 0, ext_x_ = 0, ext_y_ = 0;
  bool window_ext_set_ = false;
  double cur_x_ = 0, cur_y_ = 0;
  double min_x_ = 1e300, max_x_ = -1e300, min_y_ = 1e300, max_y_ = -1e300;
  long long points_ = 0;
};

}  // namespace

bool TranslateWmf(std::string_view data, VectorDrawing* drawing, std::string* reason) {
  try {
    Translator translator(data);
    VectorDrawing out;
    translator.Run(&out);
    *drawing = std::move(out);
    return true;
  } catch (const Bad& bad) {
    if (reason != nullptr) *reason = bad.reason;
    return false;
  }
}

}  // namespace kaveltar::pdf_internal
