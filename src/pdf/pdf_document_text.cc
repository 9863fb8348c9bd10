// PdfDocument: fonts, text measurement and text output.
//
// Every DrawText writes one text object into the page content:
//   [spacing, scaling and rendering settings that changed] [text colour as fill colour]
//   BT /F<n> <size> Tf <leading> TL 1 0 0 -1 <x> <y> Tm (<escaped text>) Tj ET
// The text matrix flips the vertical axis back, so glyphs stand upright in the page's
// downward coordinate system.
#include <cmath>
#include <cstring>

#include "pdf/pdf_document.h"
#include "pdf/pdf_document_internal.h"
#include "pdf/pdf_fonts.h"
#include "pdf/pdf_number.h"
#include "pdf/pdf_text.h"

namespace kaveltar {

using pdf_internal::AppendNumber;
using pdf_internal::kErrInvalidArgument;
using pdf_internal::kMaxNumberLength;
using pdf_internal::WriteNumber;

namespace {

bool ValidNumber(double value) { return std::isfinite(value); }

// Text decorations of the style argument of SetFont.
constexpr int kUnderline = 4;
constexpr int kStrikeThrough = 8;
constexpr int kOverline = 16;

}  // namespace

void PdfDocument::Num(double value) { AppendNumber(&content_, value); }

void PdfDocument::AppendRectangle(double left, double top, double width, double height) {
  // Put together in a local buffer and appended at once: a sheet draws some five hundred
  // boxes per page.
  char buffer[4 * kMaxNumberLength + 8];
  char* p = WriteNumber(buffer, left);
  *p++ = ' ';
  p = WriteNumber(p, top);
  *p++ = ' ';
  p = WriteNumber(p, width);
  *p++ = ' ';
  p = WriteNumber(p, height);
  std::memcpy(p, " re", 3);
  content_.append(buffer, static_cast<size_t>(p + 3 - buffer));
}

void PdfDocument::SetFont(const std::string& font_name, double size, int style, int encoding) {
  Guard("SetFont", [&] {
    if (!ValidNumber(size) || size < 0) Fail(kErrInvalidArgument, "dimensione non valida");
    if (encoding != 0 && encoding != 1) Fail(kErrInvalidArgument, "codifica non valida");
    const std::string base = pdf_internal::BaseFontName(font_name);
    const pdf_internal::FontFamilyMetrics metrics =
        pdf_internal::StandardFontMetrics(base, style, encoding);
    FontEntry entry;
    if (!metrics.standard) {
      // A TrueType font added with AddFont, or nothing.
      if (!AddedFontEntry(font_name, style, &entry)) {
        Fail(kErrInvalidArgument, "carattere non disponibile: " + font_name);
      }
    } else {
      entry.full_name = pdf_internal::FullFontName(base, style);
      entry.symbolic = !metrics.text_family;
      entry.encoding = entry.symbolic ? 0 : encoding;
      entry.key = entry.full_name + (entry.encoding == 1 ? "MAC" : "");
      entry.widths = metrics.widths;
      entry.ascent = metrics.ascent;
      entry.descent = metrics.descent;
    }

    int index = -1;
    for (size_t i = 0; i < fonts_.size(); ++i) {
      if (fonts_[i].key == entry.key) index = static_cast<int>(i);
    }
    if (index < 0) {
      Grow(&fonts_, fonts_.size() + 1);
      fonts_.push_back(std::move(entry));
      index = static_cast<int>(fonts_.size()) - 1;
    }
    font_ = index;
    if (size > 0) font_size_ = size;
    text_decoration_ = style & (kUnderline | kStrikeThrough | kOverline);
  });
}

void PdfDocument::SetFontSize(double points) {
  Guard("SetFontSize", [&] {
    if (!ValidNumber(points) || points <= 0) Fail(kErrInvalidArgument, "dimensione non valida");
    font_size_ = points;
  });
}

void PdfDocument::SetCharSpacing(double width) {
  Guard("SetCharSpacing", [&] {
    if (!ValidNumber(width)) Fail(kErrInvalidArgument);
    char_spacing_ = Pt(width);
  });
}

void PdfDocument::SetWordSpacing(double width) {
  Guard("SetWordSpacing", [&] {
    if (!ValidNumber(width)) Fail(kErrInvalidArgument);
    word_spacing_ = Pt(width);
  });
}

void PdfDocument::SetTextHorizontalScaling(double percent) {
  Guard("SetTextHorizontalScaling", [&] {
    if (!ValidNumber(percent) || percent <= 0) Fail(kErrInvalidArgument, "percentuale non valida");
    horizontal_scaling_ = percent;
  });
}

void PdfDocument::SetTextLineSpacing(double value) {
  Guard("SetTextLineSpacing", [&] {
    if (!ValidNumber(value) || value <= 0) Fail(kErrInvalidArgument, "interlinea non valida");
    line_spacing_ = value;
  });
}

void PdfDocument::SetTextMode(int mode) {
  Guard("SetTextMode", [&] {
    if (mode < 0 || mode > 7) Fail(kErrInvalidArgument, "modo non valido");
    text_mode_ = mode;
  });
}

void PdfDocument::EncodeText(std::string_view utf8, std::string* out) const {
  out->clear();
  if (font_ >= 0 && fonts_[font_].encoding == 1) {
    pdf_internal::Utf8ToMacRoman(utf8, out);
  } else {
    pdf_internal::Utf8ToWinAnsi(utf8, out);
  }
}

double PdfDocument::BytesWidthPt(std::string_view bytes) const {
  const uint16_t* widths = fonts_[font_].widths;
  long total = 0;
  long blanks = 0;
  for (unsigned char c : bytes) {
    total += widths[c];
    blanks += c == ' ';
  }
  return (total * font_size_ / 1000.0 + word_spacing_ * blanks +
          char_spacing_ * static_cast<double>(bytes.size())) *
         horizontal_scaling_ / 100.0;
}

double PdfDocument::LineHeightPt() const {
  const FontEntry& font = fonts_[font_];
  return (font.ascent - font.descent) * font_size_ / 1000.0 * line_spacing_;
}

double PdfDocument::TextLength(const std::string& text) {
  double length = 0;
  Guard("TextLength", [&] {
    if (font_ < 0) return;
    std::string bytes;
    EncodeText(text, &bytes);
    length = BytesWidthPt(bytes) / scale_;
  });
  return length;
}

double PdfDocument::TextHeight() {
  if (font_ < 0) return 0;
  const FontEntry& font = fonts_[font_];
  return (font.ascent - font.descent) * font_size_ / 1000.0 / scale_;
}

void PdfDocument::AppendTextState() {
  if (char_spacing_ != written_char_spacing_) {
    Num(char_spacing_);
    content_ += " Tc\n";
    written_char_spacing_ = char_spacing_;
  }
  if (word_spacing_ != written_word_spacing_) {
    Num(word_spacing_);
    content_ += " Tw\n";
    written_word_spacing_ = word_spacing_;
  }
  if (horizontal_scaling_ != written_scaling_) {
    Num(horizontal_scaling_);
    content_ += " Tz\n";
    written_scaling_ = horizontal_scaling_;
  }
  if (text_mode_ != written_text_mode_) {
    Num(text_mode_);
    content_ += " Tr\n";
    written_text_mode_ = text_mode_;
  }
}

void PdfDocument::AppendTextRun(double x_pt, double baseline_pt, std::string_view bytes,
                                double width_pt) {
  AppendTextState();
  EnsureFill(text_color_);
  const double leading = LineHeightPt();
  if (font_ != run_head_font_ || font_size_ != run_head_size_ || leading != run_head_leading_) {
    run_head_ = "BT /F";
    pdf_internal::AppendInteger(&run_head_, font_ + 1);
    run_head_ += ' ';
    AppendNumber(&run_head_, font_size_);
    run_head_ += " Tf ";
    AppendNumber(&run_head_, leading);
    run_head_ += " TL 1 0 0 -1 ";
    run_head_font_ = font_;
    run_head_size_ = font_size_;
    run_head_leading_ = leading;
  }
  // The head, the position and the opening of the string in one append.
  char buffer[128];
  char* p = buffer;
  const bool head_fits = run_head_.size() <= sizeof buffer - (2 * kMaxNumberLength + 8);
  if (head_fits) {
    std::memcpy(p, run_head_.data(), run_head_.size());
    p += run_head_.size();
  } else {
    content_ += run_head_;
  }
  p = WriteNumber(p, x_pt);
  *p++ = ' ';
  p = WriteNumber(p, baseline_pt);
  std::memcpy(p, " Tm (", 5);
  content_.append(buffer, static_cast<size_t>(p + 5 - buffer));
  pdf_internal::AppendEscaped(bytes, &content_);
  content_.append(") Tj ET\n", 8);

  if (text_decoration_ != 0) {
    // Lines in the text colour, offsets in the page's downward direction from the baseline.
    content_ += "q ";
    AppendColor(text_color_, " RG ");
    Num(font_size_ * 0.05);
    content_ += " w 1 0 0 1 ";
    Num(x_pt);
    content_ += ' ';
    Num(baseline_pt);
    content_ += " cm";
    const double offsets[] = {0.15, -0.3, -0.85};
    const int bits[] = {kUnderline, kStrikeThrough, kOverline};
    for (int i = 0; i < 3; ++i) {
      if ((text_decoration_ & bits[i]) == 0) continue;
      content_ += " 0 ";
      Num(offsets[i] * font_size_);
      content_ += " m ";
      Num(width_pt);
      content_ += ' ';
      Num(offsets[i] * font_size_);
      content_ += " l S";
    }
    content_ += " Q\n";
  }
}

void PdfDocument::DrawText(double x, double y, const std::string& text, int align) {
  Guard("DrawText", [&] {
    RequirePage();
    if (font_ < 0) Fail(kErrInvalidArgument, "nessun carattere selezionato");
    if (!ValidNumber(x) || !ValidNumber(y)) Fail(kErrInvalidArgument, "posizione non valida");
    EncodeText(text, &text_buffer_);
    const double width = BytesWidthPt(text_buffer_);
    double start = Pt(x);
    const int mode = ((align % 8) + 8) % 8;
    if (mode == 2) start -= width;
    if (mode == 4) start -= width / 2;
    AppendTextRun(start, Pt(y), text_buffer_, width);
  });
}

std::vector<std::string> PdfDocument::WrapLines(std::string_view bytes, double width_pt) const {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view paragraph = bytes.substr(start, end - start);
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);

    std::string line;
    size_t pos = 0;
    bool first_word = true;
    while (pos <= paragraph.size()) {
      size_t blank = paragraph.find(' ', pos);
      if (blank == std::string_view::npos) blank = paragraph.size();
      std::string_view word = paragraph.substr(pos, blank - pos);
      std::string candidate = line;
      if (!first_word) candidate += ' ';
      candidate.append(word);
      if (first_word || BytesWidthPt(candidate) <= width_pt) {
        line = std::move(candidate);
      } else {
        lines.push_back(line);
        line.assign(word);
      }
      first_word = false;
      // A word wider than the box is cut where it overflows.
      while (line.size() > 1 && BytesWidthPt(line) > width_pt) {
        size_t fit = 1;
        while (fit < line.size() &&
               BytesWidthPt(std::string_view(line).substr(0, fit + 1)) <= width_pt) {
          ++fit;
        }
        lines.push_back(line.substr(0, fit));
        line.erase(0, fit);
      }
      pos = blank + 1;
    }
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

void PdfDocument::WriteText(const std::string& text) {
  Guard("WriteText", [&] { WriteFlowingText(text); });
}

void PdfDocument::WriteTextLn(const std::string& text) {
  Guard("WriteTextLn", [&] {
    WriteFlowingText(text);
    x_ = 0;
    y_ += LineHeightPt();
  });
}

void PdfDocument::WriteFlowingText(const std::string& text) {
  RequirePage();
  if (font_ < 0) Fail(kErrInvalidArgument, "nessun carattere selezionato");
  const double ascent = fonts_[font_].ascent * font_size_ / 1000.0;
  const double line_height = LineHeightPt();
  const double available = page_width_ - margin_left_ - margin_right_;
  std::string bytes;
  EncodeText(text, &bytes);

  // Words flow from the current position; a word that would cross the right margin
  // starts the next line (without its blank), a word wider than a line is cut.
  std::string segment;
  double segment_x = x_;
  auto flush = [&] {
    if (!segment.empty()) AppendTextRun(segment_x, y_ + ascent, segment, BytesWidthPt(segment));
    segment.clear();
  };
  auto new_line = [&] {
    flush();
    x_ = 0;
    y_ += line_height;
    segment_x = 0;
  };
  size_t start = 0;
  for (bool first_paragraph = true; start <= bytes.size(); first_paragraph = false) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string_view paragraph = std::string_view(bytes).substr(start, end - start);
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
    if (!first_paragraph) new_line();
    size_t pos = 0;
    for (bool first_word = true; pos <= paragraph.size(); first_word = false) {
      size_t blank = paragraph.find(' ', pos);
      if (blank == std::string_view::npos) blank = paragraph.size();
      std::string piece = first_word ? "" : " ";
      piece.append(paragraph.substr(pos, blank - pos));
      if (x_ > 0 && x_ + BytesWidthPt(piece) > available) {
        new_line();
        if (!first_word) piece.erase(0, 1);
      }
      while (x_ == 0 && piece.size() > 1 && BytesWidthPt(piece) > available) {
        size_t fit = 1;
        while (fit + 1 < piece.size() &&
               BytesWidthPt(std::string_view(piece).substr(0, fit + 1)) <= available) {
          ++fit;
        }
        segment += piece.substr(0, fit);
        piece.erase(0, fit);
        new_line();
      }
      segment += piece;
      x_ += BytesWidthPt(piece);
      pos = blank + 1;
    }
    start = end + 1;
  }
  flush();
}

void PdfDocument::DrawTextBox(double x, double y, double width, double height,
                              const std::string& text, int align) {
  Guard("DrawTextBox", [&] {
    RequirePage();
    if (font_ < 0) Fail(kErrInvalidArgument, "nessun carattere selezionato");
    if (!ValidNumber(x) || !ValidNumber(y) || !(width > 0) || !(height > 0)) {
      Fail(kErrInvalidArgument, "riquadro non valido");
    }
    const FontEntry& font = fonts_[font_];
    const double left = Pt(x);
    const double box_width = Pt(width);
    const double bottom = Pt(y) + Pt(height);
    const double descent = -font.descent * font_size_ / 1000.0;
    double baseline = Pt(y) + font.ascent * font_size_ / 1000.0;
    std::string bytes;
    EncodeText(text, &bytes);
    const int mode = ((align % 8) + 8) % 8;
    for (const std::string& line : WrapLines(bytes, box_width)) {
      if (baseline + descent > bottom + 1e-6) break;
      const double line_width = BytesWidthPt(line);
      double start = left;
      if (mode == 2) start = left + box_width - line_width;
      if (mode == 4) start = left + (box_width - line_width) / 2;
      if (!line.empty()) AppendTextRun(start, baseline, line, line_width);
      baseline += LineHeightPt();
    }
  });
}

}  // namespace kaveltar
