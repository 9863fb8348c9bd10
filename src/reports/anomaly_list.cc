#include "reports/anomaly_list.h"

namespace kaveltar {

namespace {

constexpr int kRuleWidth = 80;

PrinterFont ListFont(bool heading) {
  PrinterFont font;
  font.name = "Courier New";
  font.size = 10;
  font.bold = heading;
  font.italic = heading;
  return font;
}

}  // namespace

std::string UpperCaseText(std::string_view text) {
  // Code points of the Windows code page: a-z, the accented small letters from U+00E0 to
  // U+00FE (but U+00F7, the division sign), U+00FF and the four letters of U+0153, U+0161,
  // U+017E.
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : static_cast<char>(c));
      ++i;
      continue;
    }
    size_t length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    if (i + length > text.size()) length = 1;
    std::string_view one = text.substr(i, length);
    // Latin-1 and Latin Extended-A letters live in two-byte sequences.
    if (length == 2) {
      const unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
      unsigned upper = code;
      if (code >= 0xE0 && code <= 0xFE && code != 0xF7) upper = code - 0x20;
      if (code == 0xFF) upper = 0x178;
      if (code == 0x153 || code == 0x161 || code == 0x17E) upper = code - 1;
      if (upper != code) {
        out.push_back(static_cast<char>(0xC0 | (upper >> 6)));
        out.push_back(static_cast<char>(0x80 | (upper & 0x3F)));
        i += 2;
        continue;
      }
    }
    out.append(one);
    i += length;
  }
  return out;
}

AnomalyList::~AnomalyList() {
  if (open_) printer_.KillDoc();
}

void AnomalyList::PREPARATESTATA(std::string_view heading) {
  if (open_) Finish();
  if (printer_.document_open()) printer_.EndDoc();
  open_ = true;
  lines_ = 0;
  const std::string upper = UpperCaseText(heading);
  printer_.set_title(upper);
  const std::string rule(kRuleWidth, '=');
  printer_.SetFont(ListFont(true));
  printer_.Print(rule);
  printer_.Print("");
  printer_.Print(upper);
  printer_.Print("");
  printer_.Print(rule);
  printer_.Print("");
  printer_.Print("");
  printer_.SetFont(ListFont(false));
}

void AnomalyList::Print(std::string_view line) {
  open_ = true;  // a list without heading is still a list
  printer_.Print(line);
  ++lines_;
}

bool AnomalyList::Finish() {
  if (!open_) return false;
  open_ = false;
  if (lines_ > 0) return printer_.EndDoc();
  printer_.KillDoc();
  return false;
}

}  // namespace kaveltar
