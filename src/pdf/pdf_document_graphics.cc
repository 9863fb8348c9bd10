// PdfDocument: colours, line settings, paths and images.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "pdf/pdf_colors.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_document_internal.h"
#include "pdf/pdf_extras.h"
#include "pdf/pdf_images.h"
#include "pdf/pdf_number.h"
#include "pdf/pdf_tga.h"

namespace kaveltar {

using pdf_internal::AppendInteger;
using pdf_internal::Finite;
using pdf_internal::kErrInvalidArgument;
using pdf_internal::kErrInvalidPicture;

namespace {

// Control-point distance of a quarter circle drawn as one cubic Bezier curve, per radius.
constexpr double kKappa = 0.5522847498307936;
constexpr double kPi = 3.14159265358979323846;

// Largest image file read, in bytes.
constexpr std::streamoff kMaxImageFileBytes = 256LL * 1024 * 1024;

// The whole image file, at most kMaxImageFileBytes.
std::string ReadImageFile(const std::string& file) {
  using pdf_internal::PdfFailure;
  std::ifstream in(file, std::ios::binary);
  if (!in) throw PdfFailure{pdf_internal::kErrFileNotFound, file};
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxImageFileBytes)
    throw PdfFailure{kErrInvalidPicture, file + ": file troppo grande"};
  in.seekg(0);
  std::string data(static_cast<size_t>(size), '\0');
  if (!in.read(data.data(), size)) throw PdfFailure{pdf_internal::kErrDeviceIo, file};
  return data;
}

// "/Mask [r r g g b b] ": the colour of the top-left pixel of `rgb` becomes transparent.
void AppendTopLeftColourMask(const std::string& rgb, std::string* entries) {
  *entries += "/Mask [";
  for (int c = 0; c < 3; ++c) {
    const int v = static_cast<uint8_t>(rgb[static_cast<size_t>(c)]);
    AppendInteger(entries, v);
    *entries += ' ';
    AppendInteger(entries, v);
    *entries += c < 2 ? " " : "] ";
  }
}

uint32_t ParseColorOrFail(const std::string& color) {
  uint32_t rgb = 0;
  if (!pdf_internal::ParseColor(color, &rgb)) {
    throw pdf_internal::PdfFailure{kErrInvalidArgument, "colore non valido: " + color};
  }
  return rgb;
}

std::string UpperExtension(const std::string& file) {
  const size_t dot = file.find_last_of('.');
  const size_t slash = file.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = file.substr(dot);
  for (char& c : ext) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return ext;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Colours and line settings

void PdfDocument::AppendColor(uint32_t rgb, const char* op) {
  if (rgb & pdf_internal::kPatternPaint) {
    // A pattern: " rg" becomes "/Pattern cs /Pn scn", " RG" the stroking pair.
    const bool stroke = op[1] == 'R';
    content_ += stroke ? "/Pattern CS /P" : "/Pattern cs /P";
    AppendInteger(&content_, rgb & 0xFFFF);
    content_ += stroke ? " SCN" : " scn";
    content_ += op + 3;
    return;
  }
  // The 256 component values as written: c / 255 with three decimals.
  static const std::array<std::string, 256> kComponents = [] {
    std::array<std::string, 256> table;
    for (int c = 0; c < 256; ++c) table[c] = pdf_internal::FormatNumber(c / 255.0);
    return table;
  }();
  content_ += kComponents[(rgb >> 16) & 0xFF];
  content_ += ' ';
  content_ += kComponents[(rgb >> 8) & 0xFF];
  content_ += ' ';
  content_ += kComponents[rgb & 0xFF];
  content_ += op;
}

void PdfDocument::EnsureFill(uint32_t rgb) {
  if (content_fill_ == rgb) return;
  AppendColor(rgb, " rg\n");
  content_fill_ = rgb;
}

void PdfDocument::SetColorFill(const std::string& color) {
  Guard("SetColorFill", [&] {
    if (color.empty()) return;
    if (!ColorIsPattern(color, &fill_color_)) fill_color_ = ParseColorOrFail(color);
    if (page_open_) {
      AppendColor(fill_color_, " rg\n");
      content_fill_ = fill_color_;
    }
  });
}

void PdfDocument::SetColorLine(const std::string& color) {
  Guard("SetColorLine", [&] {
    if (color.empty()) return;
    if (!ColorIsPattern(color, &line_color_)) line_color_ = ParseColorOrFail(color);
    if (page_open_) AppendColor(line_color_, " RG\n");
  });
}

void PdfDocument::SetColorText(const std::string& color) {
  Guard("SetColorText", [&] {
    if (color.empty()) return;
    if (!ColorIsPattern(color, &text_color_)) text_color_ = ParseColorOrFail(color);
  });
}

void PdfDocument::SetLineWidth(double width) {
  Guard("SetLineWidth", [&] {
    RequirePage();
    if (!Finite({width}) || width < 0) Fail(kErrInvalidArgument, "spessore non valido");
    // Boxes set their width one by one, mostly the same as the last one.
    const double points = Pt(width);
    if (points != line_width_pt_) {
      line_width_text_.clear();
      pdf_internal::AppendNumber(&line_width_text_, points);
      line_width_text_ += " w\n";
      line_width_pt_ = points;
    }
    content_ += line_width_text_;
  });
}

void PdfDocument::SetDash(const std::string& style) {
  Guard("SetDash", [&] {
    RequirePage();
    std::string upper = style;
    for (char& c : upper) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    const char* pattern = nullptr;
    if (upper == "SOLID") pattern = "[] 0 d\n";
    if (upper == "DASH") pattern = "[6 3] 0 d\n";
    if (upper == "DOT") pattern = "[1 2] 0 d\n";
    if (upper == "DASHDOT") pattern = "[6 3 1 3] 0 d\n";
    if (upper == "DASHDOTDOT") pattern = "[6 3 1 3 1 3] 0 d\n";
    if (pattern != nullptr) {
      content_ += pattern;
      return;
    }
    // An explicit list of lengths in user units, separated by ";".
    std::string dash = "[";
    double total = 0;
    size_t pos = 0;
    for (bool first = true; pos <= style.size(); first = false) {
      size_t end = style.find(';', pos);
      if (end == std::string::npos) end = style.size();
      const std::string item = style.substr(pos, end - pos);
      char* stop = nullptr;
      const double length = std::strtod(item.c_str(), &stop);
      if (item.empty() || *stop != '\0' || !Finite({length}) || length < 0) {
        Fail(kErrInvalidArgument, "tratteggio non valido: " + style);
      }
      if (!first) dash += ' ';
      pdf_internal::AppendNumber(&dash, Pt(length));
      total += length;
      pos = end + 1;
    }
    if (total <= 0) Fail(kErrInvalidArgument, "tratteggio non valido: " + style);
    content_ += dash;
    content_ += "] 0 d\n";
  });
}

void PdfDocument::SetLineStyle(int cap, int join, double miter) {
  Guard("SetLineStyle", [&] {
    RequirePage();
    if (cap < 0 || cap > 2 || join < 0 || join > 2 || !Finite({miter}) || miter < 1) {
      Fail(kErrInvalidArgument, "stile della linea non valido");
    }
    AppendInteger(&content_, cap);
    content_ += " J ";
    AppendInteger(&content_, join);
    content_ += " j ";
    Num(miter);
    content_ += " M\n";
  });
}

void PdfDocument::SetAlpha(double fill_opacity, double stroke_opacity) {
  Guard("SetAlpha", [&] {
    RequirePage();
    if (!Finite({fill_opacity, stroke_opacity}) || fill_opacity < 0 || fill_opacity > 1 ||
        stroke_opacity < 0 || stroke_opacity > 1) {
      Fail(kErrInvalidArgument, "opacità non valida");
    }
    size_t index = 0;
    while (index < alphas_.size() &&
           !(alphas_[index].fill == fill_opacity && alphas_[index].stroke == stroke_opacity)) {
      ++index;
    }
    if (index == alphas_.size()) alphas_.push_back({fill_opacity, stroke_opacity, 0});
    content_ += "/GSTATE_";
    AppendInteger(&content_, static_cast<long long>(index + 1));
    content_ += " gs\n";
    min_version_ = std::max(min_version_, 1);
  });
}

// ---------------------------------------------------------------------------------------
// Paths

// The painting operator of the options rule, after the path: " S", " B*", " W f*", ...
// A path that is neither stroked nor filled is ended with "n".
void PdfDocument::AppendPaint(int options, bool closed) {
  // Every box of a page ends here, so the operator is picked without building a string.
  std::string_view op;
  if (options & 4) {
    op = (options & 1) ? "f*" : (options & 2) ? "b*" : "B*";
  } else if ((options & 2) && !closed) {
    op = (options & 1) ? "h n" : "h S";
  } else {
    op = (options & 1) ? "n" : "S";
  }
  char buffer[8];
  char* p = buffer;
  *p++ = ' ';
  if (options & 128) {
    *p++ = 'W';
    *p++ = ' ';
  }
  std::memcpy(p, op.data(), op.size());
  p += op.size();
  *p++ = '\n';
  content_.append(buffer, static_cast<size_t>(p - buffer));
}

void PdfDocument::DrawRect(double x, double y, double width, double height, int options,
                           double radius, int corners) {
  Guard("DrawRect", [&] {
    RequirePage();
    if (!Finite({x, y, width, height, radius})) Fail(kErrInvalidArgument, "rettangolo non valido");
    if (options & 4) EnsureFill(fill_color_);
    double left = Pt(x), top = Pt(y), w = Pt(width), h = Pt(height);
    if (radius <= 0 || (corners & 15) == 0) {
      AppendRectangle(left, top, w, h);
      AppendPaint(options, true);
      return;
    }
    if (w < 0) left += w, w = -w;
    if (h < 0) top += h, h = -h;
    const double r = std::min({Pt(radius), w / 2, h / 2});
    const double right = left + w, bottom = top + h;
    const double k = r * kKappa;
    const double tl = (corners & 1) ? r : 0, tr = (corners & 2) ? r : 0;
    const double br = (corners & 4) ? r : 0, bl = (corners & 8) ? r : 0;
    auto point = [&](double px, double py, const char* op) {
      Num(px);
      content_ += ' ';
      Num(py);
      content_ += op;
    };
    auto curve = [&](double x1, double y1, double x2, double y2, double x3, double y3) {
      point(x1, y1, " ");
      point(x2, y2, " ");
      point(x3, y3, " c ");
    };
    point(left + tl, top, " m ");
    point(right - tr, top, " l ");
    if (tr > 0) curve(right - tr + k, top, right, top + tr - k, right, top + tr);
    point(right, bottom - br, " l ");
    if (br > 0) curve(right, bottom - br + k, right - br + k, bottom, right - br, bottom);
    point(left + bl, bottom, " l ");
    if (bl > 0) curve(left + bl - k, bottom, left, bottom - bl + k, left, bottom - bl);
    point(left, top + tl, " l ");
    if (tl > 0) curve(left, top + tl - k, left + tl - k, top, left + tl, top);
    content_ += 'h';
    AppendPaint(options, true);
  });
}

void PdfDocument::MoveTo(double x, double y) {
  Guard("MoveTo", [&] {
    if (!Finite({x, y})) Fail(kErrInvalidArgument, "posizione non valida");
    x_ = Pt(x);
    y_ = Pt(y);
  });
}

double PdfDocument::GetX() const { return x_ / scale_; }
double PdfDocument::GetY() const { return y_ / scale_; }

void PdfDocument::SetXY(double x, double y) {
  Guard("SetXY", [&] {
    if (!Finite({x, y})) Fail(kErrInvalidArgument, "posizione non valida");
    x_ = Pt(x);
    y_ = Pt(y);
  });
}

void PdfDocument::DrawLine(double x1, double y1, double x2, double y2, int options) {
  Guard("DrawLine", [&] {
    RequirePage();
    if (!Finite({x1, y1, x2, y2})) Fail(kErrInvalidArgument, "linea non valida");
    if (options & 4) EnsureFill(fill_color_);
    Num(Pt(x1));
    content_ += ' ';
    Num(Pt(y1));
    content_ += " m ";
    Num(Pt(x2));
    content_ += ' ';
    Num(Pt(y2));
    content_ += " l";
    AppendPaint(options, false);
    x_ = Pt(x2);
    y_ = Pt(y2);
  });
}

void PdfDocument::DrawLineTo(double x, double y, int options) {
  Guard("DrawLineTo", [&] {
    RequirePage();
    if (!Finite({x, y})) Fail(kErrInvalidArgument, "linea non valida");
    if (options & 4) EnsureFill(fill_color_);
    Num(x_);
    content_ += ' ';
    Num(y_);
    content_ += " m ";
    Num(Pt(x));
    content_ += ' ';
    Num(Pt(y));
    content_ += " l";
    AppendPaint(options, false);
    x_ = Pt(x);
    y_ = Pt(y);
  });
}

void PdfDocument::DrawPolyline(const std::vector<PdfPoint>& points, int options) {
  Guard("DrawPolyline", [&] {
    RequirePage();
    if (points.size() < 2) Fail(kErrInvalidArgument, "servono almeno due punti");
    for (const PdfPoint& p : points) {
      if (!Finite({p.x, p.y})) Fail(kErrInvalidArgument, "punto non valido");
    }
    if (options & 4) EnsureFill(fill_color_);
    for (size_t i = 0; i < points.size(); ++i) {
      Num(Pt(points[i].x));
      content_ += ' ';
      Num(Pt(points[i].y));
      content_ += i == 0 ? " m " : " l ";
    }
    content_.pop_back();
    AppendPaint(options, false);
    x_ = Pt(points.back().x);
    y_ = Pt(points.back().y);
  });
}

void PdfDocument::DrawPolygon(const std::vector<PdfPoint>& points, int options) {
  Guard("DrawPolygon", [&] {
    RequirePage();
    if (points.size() < 3) Fail(kErrInvalidArgument, "servono almeno tre punti");
    for (const PdfPoint& p : points) {
      if (!Finite({p.x, p.y})) Fail(kErrInvalidArgument, "punto non valido");
    }
    if (options & 4) EnsureFill(fill_color_);
    for (size_t i = 0; i < points.size(); ++i) {
      Num(Pt(points[i].x));
      content_ += ' ';
      Num(Pt(points[i].y));
      content_ += i == 0 ? " m " : " l ";
    }
    content_ += 'h';
    AppendPaint(options, true);
    x_ = Pt(points.front().x);
    y_ = Pt(points.front().y);
  });
}

void PdfDocument::DrawCurve(int curve_type, double x1, double y1, double x2, double y2, double x3,
                            double y3, int options) {
  Guard("DrawCurve", [&] {
    RequirePage();
    if (curve_type < 0 || curve_type > 2 || !Finite({x1, y1, x2, y2, x3, y3})) {
      Fail(kErrInvalidArgument, "curva non valida");
    }
    if (options & 4) EnsureFill(fill_color_);
    Num(x_);
    content_ += ' ';
    Num(y_);
    content_ += " m ";
    auto point = [&](double px, double py) {
      Num(Pt(px));
      content_ += ' ';
      Num(Pt(py));
      content_ += ' ';
    };
    if (curve_type == 0) {
      point(x1, y1);
      point(x2, y2);
      point(x3, y3);
      content_ += 'c';
    } else if (curve_type == 1) {
      point(x2, y2);
      point(x3, y3);
      content_ += 'v';
    } else {
      point(x1, y1);
      point(x3, y3);
      content_ += 'y';
    }
    AppendPaint(options, false);
    x_ = Pt(x3);
    y_ = Pt(y3);
  });
}

void PdfDocument::AppendEllipse(double cx, double cy, double rx, double ry) {
  const double kx = rx * kKappa, ky = ry * kKappa;
  auto point = [&](double px, double py, const char* op) {
    Num(px);
    content_ += ' ';
    Num(py);
    content_ += op;
  };
  point(cx + rx, cy, " m ");
  point(cx + rx, cy - ky, " ");
  point(cx + kx, cy - ry, " ");
  point(cx, cy - ry, " c ");
  point(cx - kx, cy - ry, " ");
  point(cx - rx, cy - ky, " ");
  point(cx - rx, cy, " c ");
  point(cx - rx, cy + ky, " ");
  point(cx - kx, cy + ry, " ");
  point(cx, cy + ry, " c ");
  point(cx + kx, cy + ry, " ");
  point(cx + rx, cy + ky, " ");
  point(cx + rx, cy, " c h");
}

void PdfDocument::DrawCircle(double x, double y, double radius, int options) {
  Guard("DrawCircle", [&] {
    RequirePage();
    if (!Finite({x, y, radius}) || radius < 0) Fail(kErrInvalidArgument, "cerchio non valido");
    if (options & 4) EnsureFill(fill_color_);
    AppendEllipse(Pt(x), Pt(y), Pt(radius), Pt(radius));
    AppendPaint(options, true);
  });
}

void PdfDocument::DrawEllipse(double x, double y, double radius_x, double radius_y, int options) {
  Guard("DrawEllipse", [&] {
    RequirePage();
    if (!Finite({x, y, radius_x, radius_y}) || radius_x < 0 || radius_y < 0) {
      Fail(kErrInvalidArgument, "ellisse non valida");
    }
    if (options & 4) EnsureFill(fill_color_);
    AppendEllipse(Pt(x), Pt(y), Pt(radius_x), Pt(radius_y));
    AppendPaint(options, true);
  });
}

void PdfDocument::DrawArc(double x, double y, double radius, double start_angle, double end_angle,
                          int options) {
  Guard("DrawArc", [&] {
    RequirePage();
    if (!Finite({x, y, radius, start_angle, end_angle}) || radius < 0) {
      Fail(kErrInvalidArgument, "arco non valido");
    }
    if (options & 4) EnsureFill(fill_color_);
    const double cx = Pt(x), cy = Pt(y), r = Pt(radius);
    double sweep = end_angle - start_angle;
    if (sweep > 360) sweep = 360;
    if (sweep < -360) sweep = -360;
    // Angles grow counter-clockwise on the page, where Y points down.
    auto at = [&](double degrees, double* px, double* py) {
      const double a = degrees * kPi / 180;
      *px = cx + r * std::cos(a);
      *py = cy - r * std::sin(a);
    };
    auto point = [&](double px, double py, const char* op) {
      Num(px);
      content_ += ' ';
      Num(py);
      content_ += op;
    };
    double px, py;
    at(start_angle, &px, &py);
    const bool pie = (options & 4) != 0;
    if (pie) {
      point(cx, cy, " m ");
      point(px, py, " l ");
    } else {
      point(px, py, " m ");
    }
    const int segments = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / 90 - 1e-9)));
    const double step = sweep / segments;
    const double k = 4.0 / 3.0 * std::tan(step * kPi / 180 / 4);
    for (int i = 0; i < segments; ++i) {
      const double a0 = (start_angle + step * i) * kPi / 180;
      const double a1 = (start_angle + step * (i + 1)) * kPi / 180;
      point(cx + r * (std::cos(a0) - k * std::sin(a0)), cy - r * (std::sin(a0) + k * std::cos(a0)),
            " ");
      point(cx + r * (std::cos(a1) + k * std::sin(a1)), cy - r * (std::sin(a1) - k * std::cos(a1)),
            " ");
      point(cx + r * std::cos(a1), cy - r * std::sin(a1), " c ");
    }
    content_ += pie ? "h" : "";
    if (!pie) content_.pop_back();
    AppendPaint(options, pie);
    at(start_angle + sweep, &x_, &y_);
  });
}

// ---------------------------------------------------------------------------------------
// Images

// Writes the image object of `entry` (and the soft mask of an image with an alpha channel):
// the JPEG data as it is when `jpeg` is given, else the decoded raster's colours.
void PdfDocument::WriteImageObjects(ImageEntry& entry, int index, const std::string& data,
                                    const pdf_internal::JpegInfo* jpeg,
                                    const pdf_internal::RasterImage& raster, int transparent) {
  std::string head = " /Width ";
  AppendInteger(&head, entry.width);
  head += " /Height ";
  AppendInteger(&head, entry.height);
  head += "\r/BitsPerComponent 8 ";

  int soft_mask = 0;
  if (!raster.alpha.empty()) {
    soft_mask = NewObjectNumber();
    WriteStreamObject(soft_mask,
                      "/Type /XObject /Subtype /Image" + head + "/ColorSpace /DeviceGray ", "",
                      raster.alpha, "");
    min_version_ = std::max(min_version_, 1);
  }

  std::string entries = "/Type /XObject /Subtype /Image /Name /_IMG_";
  AppendInteger(&entries, index);
  entries += head;
  entry.object = NewObjectNumber();
  if (jpeg != nullptr) {
    static const char* const kSpaces[] = {"", "/DeviceGray", "", "/DeviceRGB", "/DeviceCMYK"};
    entries += "/ColorSpace ";
    entries += kSpaces[jpeg->components];
    entries += ' ';
    if (jpeg->components == 4 && jpeg->adobe_inverted) entries += "/Decode [1 0 1 0 1 0 1 0] ";
    WriteStreamObject(entry.object, entries, "", data, "/DCTDecode");
  } else {
    entries += "/ColorSpace /DeviceRGB ";
    if (soft_mask != 0) {
      entries += "/SMask ";
      AppendInteger(&entries, soft_mask);
      entries += " 0 R ";
    } else if (transparent != 0) {
      AppendTopLeftColourMask(raster.rgb, &entries);
    }
    WriteStreamObject(entry.object, entries, "", raster.rgb, "");
  }
}

int PdfDocument::ImageFor(const std::string& file, int transparent, double* pixel_width,
                          double* pixel_height) {
  const std::string key = file + (transparent != 0 ? "\n1" : "\n0");
  const auto cached = std::find_if(images_.begin(), images_.end(),
                                   [&](const ImageEntry& e) { return e.key == key; });
  if (cached != images_.end()) {
    *pixel_width = cached->width;
    *pixel_height = cached->height;
    return static_cast<int>(cached - images_.begin()) + 1;
  }

  const std::string ext = UpperExtension(file);
  const bool jpeg = ext == ".JPG" || ext == ".JPEG";
  const bool bmp = ext == ".BMP";
  const bool tga = ext == ".TGA";
  if (!jpeg && !bmp && !tga) {
    const int index = OtherImageFor(file, key, ext, transparent);
    *pixel_width = images_[static_cast<size_t>(index) - 1].width;
    *pixel_height = images_[static_cast<size_t>(index) - 1].height;
    return index;
  }

  const std::string data = ReadImageFile(file);

  // Everything is checked before anything is written.
  std::string reason;
  pdf_internal::JpegInfo jpeg_info;
  pdf_internal::RasterImage raster;
  if (jpeg  ? !pdf_internal::ParseJpeg(data, &jpeg_info, &reason)
      : tga ? !pdf_internal::DecodeTga(data, &raster, &reason)
            : !pdf_internal::DecodeBmp(data, &raster, &reason)) {
    Fail(kErrInvalidPicture, file + ": " + reason);
  }

  ImageEntry entry;
  entry.key = key;
  entry.width = jpeg ? jpeg_info.width : raster.width;
  entry.height = jpeg ? jpeg_info.height : raster.height;
  const int index = static_cast<int>(images_.size()) + 1;

  WriteImageObjects(entry, index, data, jpeg ? &jpeg_info : nullptr, raster, transparent);
  if (write_failed_) Fail(pdf_internal::kErrDeviceIo, file_path_);
  images_.push_back(std::move(entry));
  *pixel_width = images_.back().width;
  *pixel_height = images_.back().height;
  return index;
}

void PdfDocument::DrawImage(const std::string& file, double x, double y, double width,
                            double height, int stretch, int transparent) {
  Guard("DrawImage", [&] {
    RequirePage();
    if (!Finite({x, y, width, height})) Fail(kErrInvalidArgument, "posizione non valida");
    double pixel_width = 0, pixel_height = 0;
    const int index = ImageFor(file, transparent, &pixel_width, &pixel_height);

    PlaceXObject(index, x, y, width, height, stretch, pixel_width, pixel_height);
  });
}

}  // namespace kaveltar
