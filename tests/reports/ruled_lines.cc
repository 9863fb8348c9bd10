#include "reports/ruled_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "pdf/pdf_test_util.h"

namespace kaveltar::ruled_lines {
namespace {

constexpr double kPointsPerCm = 72 / 2.54;
constexpr double kA4HeightPoints = 842;
constexpr double kTouch = 0.01;  // cm

double CmX(double twips) { return twips / kTwipsPerCm + kUnprintableLeftCm; }
double CmY(double twips) { return twips / kTwipsPerCm + kUnprintableTopCm; }

void AddFrame(std::vector<Rule>* rules, double x0, double y0, double x1, double y1) {
  rules->push_back({x0, y0, x1, y0});
  rules->push_back({x0, y1, x1, y1});
  rules->push_back({x0, y0, x0, y1});
  rules->push_back({x1, y0, x1, y1});
}

// Splits `text` at its blanks; `advance` is the width of one character (any UTF-8 letter).
void AddWords(std::vector<Word>* words, const std::string& text, double x, double top,
              double bottom, double advance) {
  bool in_word = false;
  double at = x;
  for (char c : text) {
    if (c == ' ') {
      in_word = false;
    } else if (!in_word) {
      words->push_back({"", at, top, at, bottom});
      in_word = true;
    }
    if (in_word) words->back().text.push_back(c);
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;  // inside a letter
    at += advance;
    if (in_word) words->back().x1 = at;
  }
}

// ----- PDF content -----

struct Matrix {  // the writer only scales, flips and moves
  double a = 1, d = 1, e = 0, f = 0;
  Matrix Then(const Matrix& m) const { return {a * m.a, d * m.d, e * m.a + m.e, f * m.d + m.f}; }
  void Apply(double x, double y, double* ox, double* oy) const {
    *ox = a * x + e;
    *oy = d * y + f;
  }
};

// Rules painted by one content stream, in points of PDF space (Y up). Text objects are left
// out first: they paint no path, and their strings could hold anything.
std::vector<Rule> ContentRules(std::string content) {
  for (size_t bt = content.find("BT "); bt != std::string::npos; bt = content.find("BT ", bt)) {
    const size_t et = content.find("ET\n", bt);
    content.erase(bt, et == std::string::npos ? std::string::npos : et + 3 - bt);
  }
  std::vector<Rule> painted, pending;
  std::vector<double> operands;
  std::vector<Matrix> stack;
  Matrix ctm;
  double cx = 0, cy = 0, sx = 0, sy = 0;
  auto arg = [&](size_t k) {
    return operands.size() > k ? operands[operands.size() - 1 - k] : 0.0;
  };
  std::istringstream in(content);
  for (std::string token; in >> token;) {
    char* end = nullptr;
    const double value = std::strtod(token.c_str(), &end);
    if (end != token.c_str() && *end == '\0') {
      operands.push_back(value);
      continue;
    }
    if (token == "q") {
      stack.push_back(ctm);
    } else if (token == "Q" && !stack.empty()) {
      ctm = stack.back();
      stack.pop_back();
    } else if (token == "cm") {
      ctm = Matrix{arg(5), arg(2), arg(1), arg(0)}.Then(ctm);
    } else if (token == "re" || token == "Do") {  // a rectangle, or an image's unit square
      const bool image = token == "Do";
      double x0, y0, x1, y1;
      ctm.Apply(image ? 0 : arg(3), image ? 0 : arg(2), &x0, &y0);
      ctm.Apply(image ? 1 : arg(3) + arg(1), image ? 1 : arg(2) + arg(0), &x1, &y1);
      AddFrame(image ? &painted : &pending, std::min(x0, x1), std::min(y0, y1), std::max(x0, x1),
               std::max(y0, y1));
    } else if (token == "m") {
      ctm.Apply(arg(1), arg(0), &cx, &cy);
      sx = cx, sy = cy;
    } else if (token == "h") {
      pending.push_back({cx, cy, sx, sy});
    } else if (token == "l") {
      double x, y;
      ctm.Apply(arg(1), arg(0), &x, &y);
      pending.push_back({cx, cy, x, y});
      cx = x, cy = y;
    } else if (token == "S" || token == "f" || token == "B" || token == "B*") {
      painted.insert(painted.end(), pending.begin(), pending.end());
      pending.clear();
    } else if (token == "n") {
      pending.clear();  // a clipping path paints nothing
    }
    operands.clear();
  }
  return painted;
}

double Attribute(const std::string& tag, const std::string& name) {
  const size_t p = tag.find(name + "=\"");
  if (p == std::string::npos) return 0;
  return std::strtod(tag.c_str() + p + name.size() + 2, nullptr);
}

}  // namespace

std::vector<Page> PrinterPages(const RecordingPrinterJob::Document& document) {
  std::vector<Page> pages(static_cast<size_t>(std::max(document.pages, 1)));
  using Kind = RecordingPrinterJob::Item::Kind;
  for (const RecordingPrinterJob::Item& item : document.items) {
    Page& page = pages.at(static_cast<size_t>(item.page - 1));
    switch (item.kind) {
      case Kind::kText: {
        const double advance = 0.6 * item.font.size * kTwipsPerPoint / kTwipsPerCm;
        const double top = CmY(item.y);
        AddWords(&page.words, item.text, CmX(item.x), top,
                 top + FontLineHeightTwips(item.font) / kTwipsPerCm, advance);
        break;
      }
      case Kind::kLine:
        page.rules.push_back({CmX(item.x), CmY(item.y), CmX(item.x2), CmY(item.y2)});
        break;
      case Kind::kBox:
      case Kind::kFilledBox:
      case Kind::kPicture:
        AddFrame(&page.rules, CmX(std::min(item.x, item.x2)), CmY(std::min(item.y, item.y2)),
                 CmX(std::max(item.x, item.x2)), CmY(std::max(item.y, item.y2)));
        break;
    }
  }
  return pages;
}

std::vector<Page> PdfPages(const std::string& file) {
  std::vector<Page> pages(1);
  for (const Rule& r : ContentRules(pdf_test::FirstContent(pdf_test::ReadFile(file)))) {
    pages[0].rules.push_back({r.x0 / kPointsPerCm, (kA4HeightPoints - r.y0) / kPointsPerCm,
                              r.x1 / kPointsPerCm, (kA4HeightPoints - r.y1) / kPointsPerCm});
  }
  // The words as poppler places them (points, from the top-left corner).
  const std::string html =
      pdf_test::RunTool("pdftotext -bbox " + pdf_test::Quote(file) + " -").output;
  for (size_t p = html.find("<word "); p != std::string::npos; p = html.find("<word ", p + 1)) {
    const size_t close = html.find('>', p);
    const std::string tag = html.substr(p, close - p);
    pages[0].words.push_back(
        {html.substr(close + 1, html.find("</word>", close) - close - 1),
         Attribute(tag, "xMin") / kPointsPerCm, Attribute(tag, "yMin") / kPointsPerCm,
         Attribute(tag, "xMax") / kPointsPerCm, Attribute(tag, "yMax") / kPointsPerCm});
  }
  EXPECT_FALSE(pages[0].rules.empty() || pages[0].words.empty()) << "nothing read from " << file;
  return pages;
}

std::vector<std::string> Crossings(const std::vector<Page>& pages) {
  std::vector<std::string> found;
  for (size_t p = 0; p < pages.size(); ++p) {
    for (const Word& w : pages[p].words) {
      for (const Rule& r : pages[p].rules) {
        // A ruled line is horizontal or vertical; it crosses a word when it enters its box.
        if (std::abs(r.x0 - r.x1) > 1e-6 && std::abs(r.y0 - r.y1) > 1e-6) continue;
        if (std::max(r.x0, r.x1) <= w.x0 + kTouch || std::min(r.x0, r.x1) >= w.x1 - kTouch ||
            std::max(r.y0, r.y1) <= w.y0 + kTouch || std::min(r.y0, r.y1) >= w.y1 - kTouch)
          continue;
        char line[256];
        std::snprintf(line, sizeof line, "page %zu: '%s' %.3f-%.3f x %.3f-%.3f crosses %s=%.3f",
                      p + 1, w.text.c_str(), w.x0, w.x1, w.y0, w.y1, r.x0 == r.x1 ? "x" : "y",
                      r.x0 == r.x1 ? r.x0 : r.y0);
        found.emplace_back(line);
        break;
      }
    }
  }
  return found;
}

}  // namespace kaveltar::ruled_lines
