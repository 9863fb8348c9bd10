// The parts of PdfDocument that read other files: TrueType fonts (AddFont), GIF, TGA, WMF,
// EPS and AI pictures (DrawImage), and pages of other PDF files (ImportPage).
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <set>

#include "pdf/pdf_document.h"
#include "pdf/pdf_document_internal.h"
#include "pdf/pdf_drawing.h"
#include "pdf/pdf_eps.h"
#include "pdf/pdf_fonts.h"
#include "pdf/pdf_gif.h"
#include "pdf/pdf_number.h"
#include "pdf/pdf_reader.h"
#include "pdf/pdf_wmf.h"
#include "pdf/truetype.h"

namespace kaveltar {

using pdf_internal::AppendInteger;
using pdf_internal::AppendNumber;
using pdf_internal::kErrInvalidArgument;
using pdf_internal::kErrInvalidPicture;

namespace {

constexpr std::streamoff kMaxReadBytes = 256LL * 1024 * 1024;

// Reads a whole file; error 53 when it cannot be opened.
std::string ReadWholeFile(const std::string& file, long too_big_error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw pdf_internal::PdfFailure{pdf_internal::kErrFileNotFound, file};
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxReadBytes) {
    throw pdf_internal::PdfFailure{too_big_error, file + ": file troppo grande"};
  }
  in.seekg(0);
  std::string data(static_cast<size_t>(size), '\0');
  if (!in.read(data.data(), size)) throw pdf_internal::PdfFailure{pdf_internal::kErrDeviceIo, file};
  return data;
}

std::string Squeeze(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == ' ') continue;
    out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
  }
  return out;
}

// A name written as a PDF name token: characters outside the regular printable range as #xx.
void AppendName(std::string_view name, std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  out->push_back('/');
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 32 || c >= 127 || std::string_view("()<>[]{}/%#").find(ch) != std::string_view::npos) {
      out->push_back('#');
      out->push_back(kHex[c >> 4]);
      out->push_back(kHex[c & 15]);
    } else {
      out->push_back(ch);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TrueType fonts

std::string PdfDocument::AddFont(const std::string& font_file, const std::string& style) {
  std::string result;
  Guard("AddFont", [&] {
    const std::string base = pdf_internal::BaseFontName(font_file);
    if (pdf_internal::StandardFontMetrics(base, 0, 0).standard) {
      result = base;
      return;
    }
    const std::string data = ReadWholeFile(font_file, kErrInvalidArgument);
    auto font = std::make_unique<pdf_internal::TrueTypeFont>();
    std::string reason;
    if (!pdf_internal::ParseTrueType(data, font.get(), &reason)) {
      Fail(kErrInvalidArgument, font_file + ": " + reason);
    }
    const std::string words = Squeeze(style);
    if (words.find("BOLD") != std::string::npos) font->bold = true;
    if (words.find("ITALIC") != std::string::npos) font->italic = true;
    result = font->family_name;
    added_fonts_.push_back(std::move(font));
  });
  return result;
}

bool PdfDocument::AddedFontEntry(const std::string& font_name, int style, FontEntry* entry) const {
  const std::string wanted = Squeeze(font_name);
  int match = -1;
  for (size_t i = 0; i < added_fonts_.size(); ++i) {
    const pdf_internal::TrueTypeFont& font = *added_fonts_[i];
    if (Squeeze(font.family_name) != wanted && Squeeze(font.postscript_name) != wanted) continue;
    const bool exact = font.bold == ((style & 1) != 0) && font.italic == ((style & 2) != 0);
    if (exact || match < 0) match = static_cast<int>(i);
    if (exact) break;
  }
  if (match < 0) return false;
  const pdf_internal::TrueTypeFont& font = *added_fonts_[static_cast<size_t>(match)];
  entry->full_name = font.postscript_name;
  entry->key = "\x01" + std::to_string(match);  // never equal to a built-in font's key
  entry->encoding = 0;
  entry->symbolic = font.symbolic;
  entry->widths = font.widths;
  entry->ascent = font.ascent;
  entry->descent = font.descent;
  entry->added = match;
  return true;
}

void PdfDocument::WriteTrueTypeFont(FontEntry& font, size_t index) {
  const pdf_internal::TrueTypeFont& tt = *added_fonts_[static_cast<size_t>(font.added)];
  const int file_object = NewObjectNumber();
  WriteStreamObject(file_object, "", "", tt.program, "", static_cast<long long>(tt.program.size()));

  const int descriptor = NewObjectNumber();
  std::string body = "<< /Type /FontDescriptor /FontName /" + tt.postscript_name + "\r/Flags ";
  AppendInteger(&body, tt.flags);
  body += " /FontBBox [";
  for (int i = 0; i < 4; ++i) {
    AppendInteger(&body, tt.bbox[i]);
    body += i < 3 ? " " : "]";
  }
  const std::pair<const char*, double> values[] = {{" /MissingWidth ", tt.missing_width},
                                                   {" /StemV ", tt.stem_v},
                                                   {" /ItalicAngle ", tt.italic_angle},
                                                   {" /CapHeight ", tt.cap_height},
                                                   {" /XHeight ", tt.x_height},
                                                   {" /Ascent ", tt.ascent},
                                                   {" /Descent ", tt.descent},
                                                   {" /MaxWidth ", tt.max_width},
                                                   {" /AvgWidth ", tt.avg_width}};
  for (const auto& [key, value] : values) {
    body += key;
    AppendNumber(&body, value);
  }
  body += "\r/FontFile2 ";
  AppendInteger(&body, file_object);
  body += " 0 R >>";
  WriteObject(descriptor, body);

  font.object = NewObjectNumber();
  body = "<< /Type /Font /Subtype /TrueType /Name /F";
  AppendInteger(&body, static_cast<long long>(index + 1));
  body += " /BaseFont /" + tt.postscript_name + " /FirstChar 0 /LastChar 255";
  if (!tt.symbolic) body += " /Encoding << /Type /Encoding /BaseEncoding /WinAnsiEncoding >>";
  body += "\r/FontDescriptor ";
  AppendInteger(&body, descriptor);
  body += " 0 R\r/Widths [";
  for (int c = 0; c < 256; ++c) {
    AppendInteger(&body, tt.widths[c]);
    body.push_back(c % 16 == 15 ? '\r' : ' ');
  }
  body += "] >>";
  WriteObject(font.object, body);
}

// ---------------------------------------------------------------------------------------
// Pictures: GIF, TGA, WMF, EPS, AI

int PdfDocument::AddImageEntry(const std::string& key, int object, int width, int height) {
  ImageEntry entry;
  entry.key = key;
  entry.object = object;
  entry.width = std::max(1, width);
  entry.height = std::max(1, height);
  images_.push_back(std::move(entry));
  return static_cast<int>(images_.size());
}

int PdfDocument::WriteForm(int number, double width, double height, const std::string& resources,
                           std::string_view content) {
  // The box is the drawing's own size; the matrix shrinks it to the unit square that
  // DrawImage's placement expects of every picture.
  std::string entries = "/Type /XObject /Subtype /Form /FormType 1 /BBox [0 0 ";
  AppendNumber(&entries, width);
  entries.push_back(' ');
  AppendNumber(&entries, height);
  entries += "] /Matrix [";
  char matrix[96];
  std::snprintf(matrix, sizeof matrix, "%.9g 0 0 %.9g 0 0", 1 / width, 1 / height);
  entries += matrix;
  entries += "]\r/Resources ";
  entries += resources.empty() ? "<< >>" : resources;
  entries += ' ';
  const int object = number != 0 ? number : NewObjectNumber();
  WriteStreamObject(object, entries, "", content, "");
  return object;
}

int PdfDocument::OtherImageFor(const std::string& file, const std::string& key,
                               const std::string& ext, int transparent) {
  const bool gif = ext == ".GIF", wmf = ext == ".WMF";
  const bool eps = ext == ".EPS" || ext == ".AI";
  if (!gif && !wmf && !eps) Fail(kErrInvalidPicture, file + ": formato non gestito");
  const std::string data = ReadWholeFile(file, kErrInvalidPicture);

  // Everything is decoded and checked before anything is written.
  std::string reason;
  if (wmf || eps) {
    pdf_internal::VectorDrawing drawing;
    if (wmf ? !pdf_internal::TranslateWmf(data, &drawing, &reason)
            : !pdf_internal::TranslateEps(data, &drawing, &reason)) {
      Fail(kErrInvalidPicture, file + ": " + reason);
    }
    if (!(drawing.width > 0.01 && drawing.height > 0.01 && drawing.width < 1e6 &&
          drawing.height < 1e6)) {
      Fail(kErrInvalidPicture, file + ": dimensioni non valide");
    }
    const int object = WriteForm(0, drawing.width, drawing.height, "", drawing.content);
    if (write_failed_) Fail(pdf_internal::kErrDeviceIo, file_path_);
    return AddImageEntry(key, object, static_cast<int>(std::lround(drawing.width)),
                         static_cast<int>(std::lround(drawing.height)));
  }

  if (!gif) Fail(kErrInvalidPicture, file + ": formato non gestito");
  pdf_internal::IndexedImage image;
  if (!pdf_internal::DecodeGif(data, &image, &reason))
    Fail(kErrInvalidPicture, file + ": " + reason);
  const int index = static_cast<int>(images_.size()) + 1;
  std::string entries = "/Type /XObject /Subtype /Image /Name /_IMG_";
  AppendInteger(&entries, index);
  entries += " /Width ";
  AppendInteger(&entries, image.width);
  entries += " /Height ";
  AppendInteger(&entries, image.height);
  entries += "\r/BitsPerComponent 8 /ColorSpace [/Indexed /DeviceRGB ";
  AppendInteger(&entries, static_cast<long long>(image.palette.size() / 3) - 1);
  entries.push_back(' ');
  const int palette = NewObjectNumber();
  AppendInteger(&entries, palette);
  entries += " 0 R] ";
  // The file's transparent index, or with the option the index of the top-left pixel.
  int see_through = image.transparent;
  if (see_through < 0 && transparent != 0) see_through = static_cast<uint8_t>(image.indices[0]);
  if (see_through >= 0) {
    entries += "/Mask [";
    AppendInteger(&entries, see_through);
    entries.push_back(' ');
    AppendInteger(&entries, see_through);
    entries += "] ";
  }
  WriteStreamObject(palette, "", "", image.palette, "");
  const int object = NewObjectNumber();
  WriteStreamObject(object, entries, "", image.indices, "");
  if (write_failed_) Fail(pdf_internal::kErrDeviceIo, file_path_);
  return AddImageEntry(key, object, image.width, image.height);
}

// ---------------------------------------------------------------------------------------
// Pages of other PDF files

void PdfDocument::AppendImported(const pdf_internal::PdfValue& value, int owner,
                                 const std::vector<std::pair<int, int>>& renumbered,
                                 std::string* out) {
  using pdf_internal::PdfValue;
  switch (value.kind) {
    case PdfValue::kNull:
      *out += "null";
      break;
    case PdfValue::kBool:
      *out += value.boolean ? "true" : "false";
      break;
    case PdfValue::kNumber:
      *out += value.text.empty() ? pdf_internal::FormatNumber(value.number) : value.text;
      break;
    case PdfValue::kString:
      AppendPdfString(value.text, owner, out);
      break;
    case PdfValue::kName:
      AppendName(value.text, out);
      break;
    case PdfValue::kArray:
      out->push_back('[');
      for (size_t i = 0; i < value.items.size(); ++i) {
        if (i > 0) out->push_back(' ');
        AppendImported(value.items[i], owner, renumbered, out);
      }
      out->push_back(']');
      break;
    case PdfValue::kDict:
      *out += "<<";
      for (const auto& [key, item] : value.entries) {
        if (key == "Parent") continue;  // the other file's page tree stays behind
        AppendName(key, out);
        out->push_back(' ');
        AppendImported(item, owner, renumbered, out);
        out->push_back(' ');
      }
      *out += ">>";
      break;
    case PdfValue::kRef: {
      const auto it =
          std::lower_bound(renumbered.begin(), renumbered.end(), std::make_pair(value.ref, 0));
      if (it != renumbered.end() && it->first == value.ref) {
        AppendInteger(out, it->second);
        *out += " 0 R";
      } else {
        *out += "null";
      }
      break;
    }
  }
}

namespace {

// One object of the other file, read and decoded before anything is written.
struct ImportedObject {
  int old_number = 0;
  pdf_internal::PdfValue value;
  bool is_stream = false;
  bool decoded = false;  // the data is plain; otherwise it keeps its image filter
  std::string data;
};

void CollectRefs(const pdf_internal::PdfValue& value, std::vector<int>* refs) {
  using pdf_internal::PdfValue;
  if (value.kind == PdfValue::kRef) {
    refs->push_back(value.ref);
  } else if (value.kind == PdfValue::kArray) {
    for (const PdfValue& item : value.items) CollectRefs(item, refs);
  } else if (value.kind == PdfValue::kDict) {
    for (const auto& [key, item] : value.entries) {
      if (key != "Parent") CollectRefs(item, refs);
    }
  }
}

// Every object the resources of `source` reach, read and decoded first; pages are kept as
// placeholders (written as null), and a stream whose filter cannot be decoded must have a
// single image filter.
std::vector<ImportedObject> ReadReachedObjects(pdf_internal::PdfReader& reader,
                                               const pdf_internal::PdfPage& source,
                                               const std::string& file) {
  using pdf_internal::PdfValue;
  auto fail = [&](const std::string& reason) {
    throw pdf_internal::PdfFailure{kErrInvalidArgument, file + ": " + reason};
  };
  std::string reason;
  std::vector<ImportedObject> objects;
  std::vector<int> queue;
  std::set<int> seen;
  CollectRefs(source.resources, &queue);
  constexpr size_t kMaxObjects = 200000;
  while (!queue.empty()) {
    const int number = queue.back();
    queue.pop_back();
    if (!seen.insert(number).second) continue;
    if (seen.size() > kMaxObjects) fail("troppi oggetti");
    pdf_internal::PdfObject object;
    if (!reader.Fetch(number, &object, &reason)) fail(reason);
    ImportedObject copy;
    copy.old_number = number;
    const PdfValue* type = object.value.Find("Type");
    if (type != nullptr && type->kind == PdfValue::kName &&
        (type->text == "Page" || type->text == "Pages")) {
      objects.push_back(std::move(copy));  // written as null: pages are not copied
      continue;
    }
    copy.is_stream = object.is_stream;
    if (object.is_stream) {
      if (pdf_internal::PdfReader::Decodable(object.value)) {
        if (!reader.Decode(object.value, object.stream, &copy.data, &reason)) fail(reason);
        copy.decoded = true;
      } else {
        const PdfValue* filter = object.value.Find("Filter");
        const bool single =
            filter != nullptr &&
            ((filter->kind == PdfValue::kName && pdf_internal::IsImageFilter(filter->text)) ||
             (filter->kind == PdfValue::kArray && filter->items.size() == 1 &&
              filter->items[0].kind == PdfValue::kName &&
              pdf_internal::IsImageFilter(filter->items[0].text)));
        if (!single) fail("filtro PDF non gestito");
        copy.data = std::move(object.stream);
      }
    }
    CollectRefs(object.value, &queue);
    copy.value = std::move(object.value);
    objects.push_back(std::move(copy));
  }
  return objects;
}

}  // namespace

void PdfDocument::WriteImportedStream(int number, const pdf_internal::PdfValue& value, bool decoded,
                                      const std::string& data,
                                      const std::vector<std::pair<int, int>>& renumbered) {
  using pdf_internal::PdfValue;
  std::string body;
  std::string own_filter;
  for (const auto& [k, item] : value.entries) {
    if (k == "Length" || (decoded && (k == "Filter" || k == "DecodeParms"))) continue;
    if (k == "Filter") {
      const PdfValue& name = item.kind == PdfValue::kArray ? item.items[0] : item;
      AppendName(name.text, &own_filter);
      continue;
    }
    if (k == "DecodeParms" && (compression_ & 24) != 0) {
      // The writer's ASCII filters come first in the list: their parameters are null.
      body += "/DecodeParms [";
      if (compression_ & 16) body += "null ";
      if (compression_ & 8) body += "null ";
      AppendImported(item.kind == PdfValue::kArray && !item.items.empty() ? item.items[0] : item,
                     number, renumbered, &body);
      body += "] ";
      continue;
    }
    AppendName(k, &body);
    body.push_back(' ');
    AppendImported(item, number, renumbered, &body);
    body.push_back(' ');
  }
  WriteStreamObject(number, body, "", data, own_filter);
}

int PdfDocument::WriteImportedPageForm(const pdf_internal::PdfPage& source,
                                       const std::vector<std::pair<int, int>>& renumbered,
                                       double* form_width, double* form_height) {
  using pdf_internal::PdfValue;
  const double w = source.box[2] - source.box[0], h = source.box[3] - source.box[1];
  // The resources are part of the form's dictionary: their strings belong to its number.
  const int form_number = NewObjectNumber();
  std::string resources;
  AppendImported(source.resources, form_number, renumbered, &resources);
  if (source.resources.kind != PdfValue::kDict) resources = "<< >>";
  // The form shows the page as a reader does: turned by its /Rotate (clockwise), so a
  // quarter turn swaps the form's width and height.
  const bool quarter = source.rotate == 90 || source.rotate == 270;
  *form_width = quarter ? h : w;
  *form_height = quarter ? w : h;
  std::string prefix = "q ";
  if (source.rotate != 0) {
    const double turn[4][6] = {
        {1, 0, 0, 1, 0, 0}, {0, -1, 1, 0, 0, w}, {-1, 0, 0, -1, w, h}, {0, 1, -1, 0, h, 0}};
    for (double v : turn[source.rotate / 90]) {
      AppendNumber(&prefix, v);
      prefix.push_back(' ');
    }
    prefix += "cm\n";
  }
  // The page's box moves to the origin of the form.
  prefix += "1 0 0 1 ";
  AppendNumber(&prefix, -source.box[0]);
  prefix.push_back(' ');
  AppendNumber(&prefix, -source.box[1]);
  prefix += " cm\n";
  return WriteForm(form_number, *form_width, *form_height, resources,
                   prefix + source.content + "\nQ");
}

void PdfDocument::ImportPage(const std::string& file, int page, double x, double y, double width,
                             double height, int stretch) {
  Guard("ImportPage", [&] {
    RequirePage();
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) || !std::isfinite(height)) {
      Fail(kErrInvalidArgument, "posizione non valida");
    }
    const std::string key = file + "\npage " + std::to_string(page);
    int index = 0;
    for (size_t i = 0; i < images_.size(); ++i) {
      if (images_[i].key == key) index = static_cast<int>(i) + 1;
    }
    if (index == 0) {
      const std::string data = ReadWholeFile(file, kErrInvalidArgument);
      pdf_internal::PdfReader reader;
      std::string reason;
      pdf_internal::PdfPage source;
      if (!reader.Open(data, &reason) || !reader.ReadPage(page, &source, &reason)) {
        Fail(kErrInvalidArgument, file + ": " + reason);
      }
      const double w = source.box[2] - source.box[0], h = source.box[3] - source.box[1];
      if (!(w >= 1 && h >= 1 && w <= 1e6 && h <= 1e6)) {
        Fail(kErrInvalidArgument, file + ": pagina di dimensioni non valide");
      }
      const std::vector<ImportedObject> objects = ReadReachedObjects(reader, source, file);

      // Then numbered and written.
      std::vector<std::pair<int, int>> renumbered;
      renumbered.reserve(objects.size());
      for (const ImportedObject& object : objects)
        renumbered.emplace_back(object.old_number, NewObjectNumber());
      std::vector<std::pair<int, int>> sorted = renumbered;
      std::sort(sorted.begin(), sorted.end());
      for (size_t i = 0; i < objects.size(); ++i) {
        const ImportedObject& object = objects[i];
        const int number = renumbered[i].second;
        if (object.is_stream) {
          WriteImportedStream(number, object.value, object.decoded, object.data, sorted);
        } else {
          std::string body;
          AppendImported(object.value, number, sorted, &body);
          WriteObject(number, body);
        }
      }

      double form_w = 0, form_h = 0;
      const int form = WriteImportedPageForm(source, sorted, &form_w, &form_h);
      if (write_failed_) Fail(pdf_internal::kErrDeviceIo, file_path_);
      index = AddImageEntry(key, form, static_cast<int>(std::lround(form_w)),
                            static_cast<int>(std::lround(form_h)));
    }
    PlaceXObject(index, x, y, width, height, stretch, images_[static_cast<size_t>(index) - 1].width,
                 images_[static_cast<size_t>(index) - 1].height);
  });
}

std::string PdfDocument::GetInfo(const std::string& file, const std::string& key) {
  std::string result;
  Guard("GetInfo", [&] {
    using pdf_internal::PdfValue;
    static const char* const kKeys[] = {"Title",    "Author",  "Creator",
                                        "Producer", "Subject", "Pages"};
    if (std::find(std::begin(kKeys), std::end(kKeys), key) == std::end(kKeys)) {
      Fail(kErrInvalidArgument, "voce non gestita: " + key);
    }
    const std::string data = ReadWholeFile(file, kErrInvalidArgument);
    pdf_internal::PdfReader reader;
    std::string reason;
    if (!reader.Open(data, &reason)) Fail(kErrInvalidArgument, file + ": " + reason);
    if (key == "Pages") {
      const int pages = reader.PageCount();
      if (pages == 0) Fail(kErrInvalidArgument, file + ": albero delle pagine illeggibile");
      result = std::to_string(pages);
      return;
    }
    const PdfValue* info = reader.Trailer().Find("Info");
    if (info == nullptr) return;
    const PdfValue dict = reader.Resolve(*info);
    const PdfValue* entry = dict.Find(key);
    if (entry == nullptr) return;
    const PdfValue text = reader.Resolve(*entry);
    if (text.kind == PdfValue::kString) result = pdf_internal::TextStringToUtf8(text.text);
  });
  return result;
}

void PdfDocument::PlaceXObject(int index, double x, double y, double width, double height,
                               int stretch, double natural_width, double natural_height) {
  // A width or height of 0 or less follows from the other one (both: the natural size);
  // without `stretch` the picture keeps its proportions inside the box.
  double w = Pt(width), h = Pt(height);
  if (w <= 0 && h <= 0) {
    w = natural_width;
    h = natural_height;
  } else if (w <= 0) {
    w = h * natural_width / natural_height;
  } else if (h <= 0) {
    h = w * natural_height / natural_width;
  } else if (stretch == 0) {
    const double s = std::min(w / natural_width, h / natural_height);
    w = natural_width * s;
    h = natural_height * s;
  }
  // The unit square of the picture maps upright onto the box, in the page's downward axes.
  content_ += "q ";
  Num(w);
  content_ += " 0 0 ";
  Num(-h);
  content_ += ' ';
  Num(Pt(x));
  content_ += ' ';
  Num(Pt(y) + h);
  content_ += " cm /_IMG_";
  AppendInteger(&content_, index);
  content_ += " Do Q\n";
}

}  // namespace kaveltar
