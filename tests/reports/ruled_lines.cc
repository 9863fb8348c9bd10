#include "reports/ruled_lines.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "pdf/pdf_test_util.h"

namespace kaveltar::ruled_lines {
namespace {

constexpr double kPointsPerCm = 72 / 2.54;
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
  size_t letter = 0, start_letter = 0;
  std::string word;
  auto flush = [&] {
    if (!word.empty()) {
      words->push_back({word, x + start_letter * advance, top, x + letter * advance, bottom});
    }
    word.clear();
  };
  for (char c : text) {
    const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    if (c == ' ') {
      flush();
      ++letter;
      continue;
    }
    if (word.empty()) start_letter = letter;
    word.push_back(c);
    if (!continuation) ++letter;
  }
  flush();
}

// ----- PDF content -----

struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  Matrix Then(const Matrix& m) const {  // this followed by m
    return {a * m.a + b * m.c, a * m.b + b * m.d, c * m.a + d * m.c, c * m.b + d * m.d,
            e * m.a + f * m.c + m.e, e * m.b + f * m.d + m.f};
  }
  void Apply(double x, double y, double* ox, double* oy) const {
    *ox = a * x + c * y + e;
    *oy = b * x + d * y + f;
  }
};

// Rules painted by one content stream, in points of PDF space (Y up).
std::vector<Rule> ContentRules(const std::string& content) {
  std::vector<Rule> painted, pending;
  std::vector<double> operands;
  std::vector<Matrix> stack;
  Matrix ctm;
  double cx = 0, cy = 0, sx = 0, sy = 0;
  auto to_page = [&](double x, double y, double* px, double* py) { ctm.Apply(x, y, px, py); };
  size_t i = 0;
  const size_t n = content.size();
  while (i < n) {
    const char ch = content[i];
    if (std::isspace(static_cast<unsigned char>(ch))) { ++i; continue; }
    if (ch == '%') { while (i < n && content[i] != '\n' && content[i] != '\r') ++i; continue; }
    if (ch == '(') {  // a string: skipped, with nesting and escapes
      int depth = 0;
      for (; i < n; ++i) {
        if (content[i] == '\\') { ++i; continue; }
        if (content[i] == '(') ++depth;
        if (content[i] == ')' && --depth == 0) { ++i; break; }
      }
      operands.clear();
      continue;
    }
    if (ch == '/' || ch == '[' || ch == ']' || ch == '<' || ch == '>') {
      ++i;
      while (i < n && !std::isspace(static_cast<unsigned char>(content[i])) &&
             std::string_view("/[]()<>").find(content[i]) == std::string_view::npos) ++i;
      continue;
    }
    const size_t start = i;
    while (i < n && !std::isspace(static_cast<unsigned char>(content[i])) &&
           std::string_view("/[]()<>%").find(content[i]) == std::string_view::npos) ++i;
    const std::string token = content.substr(start, i - start);
    char* end = nullptr;
    const double value = std::strtod(token.c_str(), &end);
    if (end != token.c_str() && *end == '\0') { operands.push_back(value); continue; }
    auto arg = [&](size_t k) { return operands.size() > k ? operands[operands.size() - 1 - k] : 0.0; };
    if (token == "q") {
      stack.push_back(ctm);
    } else if (token == "Q") {
      if (!stack.empty()) { ctm = stack.back(); stack.pop_back(); }
    } else if (token == "cm") {
      ctm = Matrix{arg(5), arg(4), arg(3), arg(2), arg(1), arg(0)}.Then(ctm);
    } else if (token == "re") {
      const double x = arg(3), y = arg(2), w = arg(1), h = arg(0);
      std::array<double, 4> px{}, py{};
      to_page(x, y, &px[0], &py[0]);
      to_page(x + w, y + h, &px[1], &py[1]);
      AddFrame(&pending, std::min(px[0], px[1]), std::min(py[0], py[1]), std::max(px[0], px[1]),
               std::max(py[0], py[1]));
    } else if (token == "m") {
      to_page(arg(1), arg(0), &cx, &cy);
      sx = cx, sy = cy;
    } else if (token == "l") {
      double x, y;
      to_page(arg(1), arg(0), &x, &y);
      pending.push_back({cx, cy, x, y});
      cx = x, cy = y;
    } else if (token == "h") {
      pending.push_back({cx, cy, sx, sy});
    } else if (token == "S" || token == "s" || token == "f" || token == "F" || token == "f*" ||
               token == "B" || token == "B*" || token == "b" || token == "b*") {
      painted.insert(painted.end(), pending.begin(), pending.end());
      pending.clear();
    } else if (token == "n") {
      pending.clear();  // a clipping path paints nothing
    } else if (token == "Do") {
      double x0, y0, x1, y1;
      to_page(0, 0, &x0, &y0);
      to_page(1, 1, &x1, &y1);
      AddFrame(&painted, std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1));
    }
    operands.clear();
  }
  return painted;
}

std::string Unescape(std::string s) {
  const std::pair<const char*, const char*> kEntities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&#39;", "'"}, {"&amp;", "&"}};
  for (const auto& [entity, letter] : kEntities) {
    for (size_t p = s.find(entity); p != std::string::npos; p = s.find(entity, p + 1)) {
      s.replace(p, std::string_view(entity).size(), letter);
    }
  }
  return s;
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
    if (item.page < 1 || item.page > static_cast<int>(pages.size())) continue;
    Page& page = pages[static_cast<size_t>(item.page - 1)];
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

std::vector<Page> PdfPages(const std::string& file, const std::string& password) {
  std::vector<Page> pages;
  pdf_test::TempDir dir;
  const std::string qdf = dir.File("content.pdf");
  const std::string pw = password.empty() ? "" : " --password=" + pdf_test::Quote(password);
  const pdf_test::ToolResult unpacked = pdf_test::RunTool(
      "qpdf --qdf --object-streams=disable --decrypt" + pw + " " + pdf_test::Quote(file) + " " +
      pdf_test::Quote(qdf));
  if (unpacked.status != 0 && unpacked.status != 3) {
    ADD_FAILURE() << "qpdf could not unpack " << file << ": " << unpacked.output;
    return pages;
  }
  // The content of each page, as qpdf's QDF form marks it.
  const std::string bytes = pdf_test::ReadFile(qdf);
  std::vector<std::vector<Rule>> rules;
  for (size_t p = bytes.find("%% Contents for page "); p != std::string::npos;
       p = bytes.find("%% Contents for page ", p + 1)) {
    const size_t begin = bytes.find("stream\n", p);
    const size_t end = bytes.find("endstream", begin);
    if (begin == std::string::npos || end == std::string::npos) break;
    rules.push_back(ContentRules(bytes.substr(begin + 7, end - begin - 7)));
  }
  // The words as poppler places them (points, from the top-left corner).
  const std::string html =
      pdf_test::RunTool("pdftotext -bbox" + (password.empty() ? "" : " -upw " + pdf_test::Quote(password)) +
                        " " + pdf_test::Quote(file) + " -")
          .output;
  double height = 842;
  for (size_t p = html.find('<'); p != std::string::npos; p = html.find('<', p + 1)) {
    const size_t close = html.find('>', p);
    if (close == std::string::npos) break;
    const std::string tag = html.substr(p, close - p + 1);
    if (tag.rfind("<page ", 0) == 0) {
      height = Attribute(tag, "height");
      pages.emplace_back();
      const size_t index = pages.size() - 1;
      if (index < rules.size()) {
        for (const Rule& r : rules[index]) {
          pages.back().rules.push_back({r.x0 / kPointsPerCm, (height - r.y0) / kPointsPerCm,
                                        r.x1 / kPointsPerCm, (height - r.y1) / kPointsPerCm});
        }
      }
    } else if (tag.rfind("<word ", 0) == 0 && !pages.empty()) {
      const size_t end = html.find("</word>", close);
      pages.back().words.push_back({Unescape(html.substr(close + 1, end - close - 1)),
                                    Attribute(tag, "xMin") / kPointsPerCm,
                                    Attribute(tag, "yMin") / kPointsPerCm,
                                    Attribute(tag, "xMax") / kPointsPerCm,
                                    Attribute(tag, "yMax") / kPointsPerCm});
    }
  }
  EXPECT_EQ(pages.size(), rules.size()) << "pages of " << file;
  return pages;
}

std::vector<std::string> Crossings(const std::vector<Page>& pages) {
  std::vector<std::string> found;
  for (size_t p = 0; p < pages.size(); ++p) {
    for (const Word& w : pages[p].words) {
      for (const Rule& r : pages[p].rules) {
        const bool vertical = std::abs(r.x0 - r.x1) < 1e-6;
        const bool horizontal = std::abs(r.y0 - r.y1) < 1e-6;
        bool crosses = false;
        char where[32];
        if (vertical) {
          crosses = r.x0 > w.x0 + kTouch && r.x0 < w.x1 - kTouch &&
                    std::max(r.y0, r.y1) > w.y0 + kTouch && std::min(r.y0, r.y1) < w.y1 - kTouch;
          std::snprintf(where, sizeof where, "x=%.3f", r.x0);
        } else if (horizontal) {
          crosses = r.y0 > w.y0 + kTouch && r.y0 < w.y1 - kTouch &&
                    std::max(r.x0, r.x1) > w.x0 + kTouch && std::min(r.x0, r.x1) < w.x1 - kTouch;
          std::snprintf(where, sizeof where, "y=%.3f", r.y0);
        }
        if (!crosses) continue;
        char line[256];
        std::snprintf(line, sizeof line, "page %zu: '%s' %.3f-%.3f x %.3f-%.3f crosses %s", p + 1,
                      w.text.c_str(), w.x0, w.x1, w.y0, w.y1, where);
        found.emplace_back(line);
        break;
      }
    }
  }
  return found;
}

}  // namespace kaveltar::ruled_lines
