#include "pdf/pdf_eps.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "pdf/pdf_number.h"

namespace kaveltar::pdf_internal {

namespace {

struct Bad {
  const char* reason;
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0';
}
bool IsDelimiter(char c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
         c == '}' || c == '/' || c == '%';
}

// Parses a whole token as a number.
bool Number(std::string_view token, double* value) {
  if (token.empty() || token.size() > 40) return false;
  const std::string text(token);
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v)) return false;
  if (text.find_first_of("xXnN") != std::string::npos) return false;  // hex, inf, nan
  *value = v;
  return true;
}

// The four numbers after a "%%BoundingBox:"-style comment, if there are four.
bool BoxAfter(std::string_view text, std::string_view key, double box[4]) {
  size_t at = 0;
  while ((at = text.find(key, at)) != std::string_view::npos) {
    at += key.size();
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    int found = 0;
    size_t p = 0;
    while (found < 4) {
      while (p < line.size() && IsSpace(line[p])) ++p;
      size_t q = p;
      while (q < line.size() && !IsSpace(line[q])) ++q;
      if (q == p || !Number(line.substr(p, q - p), &box[found])) break;
      ++found;
      p = q;
    }
    if (found == 4) return true;  // otherwise "(atend)": look for the next one
  }
  return false;
}

// The position after the string "( ... )" that starts at `pos`: nested parentheses and
// escaped characters belong to it. Past the end of `text` when it is not closed.
size_t SkipString(std::string_view text, size_t pos) {
  int depth = 0;
  while (pos < text.size()) {
    const char s = text[pos++];
    if (s == '\\') {
      ++pos;
    } else if (s == '(') {
      ++depth;
    } else if (s == ')' && --depth == 0) {
      break;
    }
  }
  return pos;
}

// The position after the procedure "{ ... }" that starts at `pos`; comments and strings
// inside it may hold braces.
size_t SkipProcedure(std::string_view text, size_t pos) {
  const size_t n = text.size();
  int depth = 0;
  while (pos < n) {
    const char s = text[pos];
    if (s == '%') {
      while (pos < n && text[pos] != '\n' && text[pos] != '\r') ++pos;
      continue;
    }
    if (s == '(') {
      pos = SkipString(text, pos);
      continue;
    }
    ++pos;
    if (s == '{') ++depth;
    if (s == '}' && --depth == 0) break;
  }
  return pos;
}

class Interpreter {
 public:
  void Run(std::string_view text) {
    size_t pos = 0;
    const size_t n = text.size();
    while (pos < n) {
      const char c = text[pos];
      if (IsSpace(c)) {
        ++pos;
      } else if (c == '%') {
        while (pos < n && text[pos] != '\n' && text[pos] != '\r') ++pos;
      } else if (c == '(') {
        pos = SkipString(text, pos);
        stack_.clear();
      } else if (c == '<' && pos + 1 < n && text[pos + 1] == '<') {
        pos += 2;
      } else if (c == '>' && pos + 1 < n && text[pos + 1] == '>') {
        pos += 2;
        stack_.clear();
      } else if (c == '<') {
        const size_t close = text.find('>', pos);
        pos = close == std::string_view::npos ? n : close + 1;
        stack_.clear();
      } else if (c == '{') {
        pos = SkipProcedure(text, pos);
        stack_.clear();
      } else if (c == '[' || c == ']' || c == '}' || c == ')' || c == '>') {
        ++pos;
        stack_.clear();
      } else {
        size_t end = pos + (c == '/' ? 1 : 0);
        while (end < n && !IsSpace(text[end]) && !IsDelimiter(text[end])) ++end;
        const std::string_view token = text.substr(pos, end - pos);
        pos = end;
        if (c == '/') {
          stack_.clear();
          continue;
        }
        double value;
        if (Number(token, &value)) {
          if (stack_.size() >= 1000) stack_.erase(stack_.begin());
          stack_.push_back(value);
        } else {
          Operator(token);
        }
      }
    }
    while (depth_ > 0) {
      out_ += "Q\n";
      --depth_;
    }
  }

  std::string& Output() { return out_; }

 private:
  // Takes `count` operands (bottom first); false when the stack is short.
  bool Take(size_t count, double* values) {
    if (stack_.size() < count) {
      stack_.clear();
      return false;
    }
    for (size_t i = 0; i < count; ++i) values[i] = stack_[stack_.size() - count + i];
    stack_.resize(stack_.size() - count);
    return true;
  }

  void AddPoints(const double* v, size_t count, const char* op) {
    points_ += static_cast<long long>(count);
    if (points_ > kMaxDrawingPoints) throw Bad{"disegno troppo complesso"};
    for (size_t i = 0; i < count * 2; ++i) {
      AppendNumber(&path_, v[i]);
      path_.push_back(' ');
    }
    path_ += op;
    path_.push_back('\n');
    x_ = v[count * 2 - 2];
    y_ = v[count * 2 - 1];
    has_point_ = true;
  }

  void Paint(const char* op, bool close) {
    if (!path_.empty()) {
      out_ += path_;
      if (close) out_ += "h\n";
      out_ += op;
      out_.push_back('\n');
    }
    path_.clear();
    has_point_ = false;
  }

  void Colour(size_t count, const char* fill_op, const char* stroke_op) {
    double v[4];
    if (!Take(count, v)) return;
    std::string text;
    for (size_t i = 0; i < count; ++i) {
      AppendNumber(&text, std::fmin(1.0, std::fmax(0.0, v[i])));
      text.push_back(' ');
    }
    if (fill_op != nullptr) out_ += text + fill_op + "\n";
    if (stroke_op != nullptr) out_ += text + stroke_op + "\n";
  }

  void Save() {
    if (depth_ >= 64) throw Bad{"troppi livelli di gsave"};
    out_ += "q\n";
    saved_.push_back({path_, x_, y_, has_point_});
    ++depth_;
  }
  void Restore() {
    if (depth_ == 0) return;
    out_ += "Q\n";
    --depth_;
    path_ = saved_.back().path;
    x_ = saved_.back().x;
    y_ = saved_.back().y;
    has_point_ = saved_.back().has_point;
    saved_.pop_back();
  }

  void Operator(std::string_view op) {
    double v[6];
    if (op == "moveto" || op == "m") {
      if (Take(2, v)) AddPoints(v, 1, "m");
    } else if (op == "lineto" || op == "l" || op == "L") {
      if (Take(2, v) && has_point_) AddPoints(v, 1, "l");
    } else if (op == "curveto" || op == "c" || op == "C") {
      if (Take(6, v) && has_point_) AddPoints(v, 3, "c");
    } else if (op == "v" || op == "V") {
      // First control point on the current point.
      if (Take(4, v) && has_point_) {
        const double w[6] = {x_, y_, v[0], v[1], v[2], v[3]};
        AddPoints(w, 3, "c");
      }
    } else if (op == "y" || op == "Y") {
      // Second control point on the end point.
      if (Take(4, v) && has_point_) {
        const double w[6] = {v[0], v[1], v[2], v[3], v[2], v[3]};
        AddPoints(w, 3, "c");
      }
    } else if (op == "rmoveto" || op == "rlineto") {
      if (Take(2, v) && has_point_) {
        const double w[2] = {x_ + v[0], y_ + v[1]};
        AddPoints(w, 1, op == "rmoveto" ? "m" : "l");
      }
    } else if (op == "rcurveto") {
      if (Take(6, v) && has_point_) {
        const double w[6] = {x_ + v[0], y_ + v[1], x_ + v[2], y_ + v[3], x_ + v[4], y_ + v[5]};
        AddPoints(w, 3, "c");
      }
    } else if (op == "closepath" || op == "h" || op == "H") {
      if (!path_.empty()) path_ += "h\n";
    } else if (op == "newpath" || op == "n" || op == "N") {
      path_.clear();
      has_point_ = false;
    } else if (op == "fill" || op == "F") {
      Paint("f", false);
    } else if (op == "f") {
      Paint("f", true);
    } else if (op == "eofill") {
      Paint("f*", false);
    } else if (op == "stroke" || op == "S") {
      Paint("S", false);
    } else if (op == "s") {
      Paint("S", true);
    } else if (op == "B") {
      Paint("B", false);
    } else if (op == "b") {
      Paint("B", true);
    } else if (op == "setgray") {
      Colour(1, "g", "G");
    } else if (op == "g") {
      Colour(1, "g", nullptr);
    } else if (op == "G") {
      Colour(1, nullptr, "G");
    } else if (op == "setrgbcolor") {
      Colour(3, "rg", "RG");
    } else if (op == "setcmykcolor") {
      Colour(4, "k", "K");
    } else if (op == "k") {
      Colour(4, "k", nullptr);
    } else if (op == "K") {
      Colour(4, nullptr, "K");
    } else if (op == "setlinewidth" || op == "w") {
      if (Take(1, v)) {
        AppendNumber(&out_, std::fabs(v[0]));
        out_ += " w\n";
      }
    } else if (op == "gsave" || op == "q") {
      Save();
    } else if (op == "grestore" || op == "Q") {
      Restore();
    } else {
      stack_.clear();
    }
  }

  struct Saved {
    std::string path;
    double x, y;
    bool has_point;
  };
  std::vector<double> stack_;
  std::vector<Saved> saved_;
  std::string out_, path_;
  double x_ = 0, y_ = 0;
  bool has_point_ = false;
  int depth_ = 0;
  long long points_ = 0;
};

}  // namespace

bool TranslateEps(std::string_view data, VectorDrawing* drawing, std::string* reason) {
  try {
    std::string_view text = data;
    if (data.size() >= 12 && static_cast<uint8_t>(data[0]) == 0xC5 &&
        static_cast<uint8_t>(data[1]) == 0xD0 && static_cast<uint8_t>(data[2]) == 0xD3 &&
        static_cast<uint8_t>(data[3]) == 0xC6) {
      auto le32 = [&](size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(data[at + i]);
        return v;
      };
      const uint32_t offset = le32(4), length = le32(8);
      if (offset > data.size() || length > data.size() - offset) throw Bad{"file EPS troncato"};
      text = data.substr(offset, length);
    }
    if (text.substr(0, 2) != "%!") throw Bad{"non è un file PostScript"};
    double box[4];
    if (!BoxAfter(text, "%%HiResBoundingBox:", box) && !BoxAfter(text, "%%BoundingBox:", box)) {
      throw Bad{"riquadro %%BoundingBox mancante"};
    }
    const double width = box[2] - box[0], height = box[3] - box[1];
    if (!(width > 0) || !(height > 0) || width > 1e6 || height > 1e6) {
      throw Bad{"riquadro %%BoundingBox non valido"};
    }
    Interpreter interpreter;
    interpreter.Run(text);
    std::string head = "1 0 0 1 ";
    AppendNumber(&head, -box[0]);
    head.push_back(' ');
    AppendNumber(&head, -box[1]);
    head += " cm\n";
    drawing->width = width;
    drawing->height = height;
    drawing->content = head + interpreter.Output();
    return true;
  } catch (const Bad& bad) {
    if (reason != nullptr) *reason = bad.reason;
    return false;
  }
}

}  // namespace kaveltar::pdf_internal
