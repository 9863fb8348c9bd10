#include "pdf/pdf_barcodes.h"

#include <algorithm>
#include <cstdint>

namespace kaveltar::pdf_internal {

namespace {

// ----- EAN and UPC -----
// Each digit takes seven modules. Set A ("L", odd parity) is the left half's usual set;
// set B ("G") is set C reversed; set C ("R") is set A with bars and spaces swapped and
// makes the right half.
constexpr const char* kEanSetA[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                      "0110001", "0101111", "0111011", "0110111", "0001011"};
// EAN-13's first digit is not drawn: it chooses set A or B for the six left digits.
constexpr const char* kEan13Parity[10] = {"AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB",
                                          "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};

// ----- Code 39 -----
// The 44 characters in check-value order (0 to 43; "*" is only the start and stop sign).
constexpr char kCode39Chars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
// Nine elements each (bar, space, ... bar), "1" wide, "0" narrow; three are wide.
constexpr const char* kCode39Patterns[44] = {
    "000110100", "100100001", "001100001", "101100000", "000110001", "100110000", "001110000",
    "000100101", "100100100", "001100100", "100001001", "001001001", "101001000", "000011001",
    "100011000", "001011000", "000001101", "100001100", "001001100", "000011100", "100000011",
    "001000011", "101000010", "000010011", "100010010", "001010010", "000000111", "100000110",
    "001000110", "000010110", "110000001", "011000001", "111000000", "010010001", "110010000",
    "011010000", "010000101", "110000100", "011000100", "010101000", "010100010", "010001010",
    "000101010", "010010100"};

// ----- Code 128 -----
// Symbol values 0 to 106: six element widths (bar first), eleven modules; 106, the stop,
// has seven and thirteen modules. 103, 104, 105 start code sets A, B, C; in sets A and B
// 99 switches to C, in C 100 switches to B and 101 to A, in A 100 switches to B and in
// B 101 to A.
constexpr const char* kCode128Patterns[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212",
    "221213", "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221",
    "223211", "221132", "221231", "213212", "223112", "312131", "311222", "321122", "321221",
    "312212", "322112", "322211", "212123", "212321", "232121", "111323", "131123", "131321",
    "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331", "132131",
    "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131",
    "311123", "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111",
    "111224", "111422", "121124", "121421", "141122", "141221", "112214", "112412", "122114",
    "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111", "111242",
    "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232", "2331112"};
constexpr int kCode128StartA = 103, kCode128StartB = 104, kCode128StartC = 105;
constexpr int kCode128Stop = 106;
constexpr int kCode128ToA = 101, kCode128ToB = 100, kCode128ToC = 99;

// ----- Interleaved 2 of 5 -----
// Five elements per digit, two wide ("1"). Digits go in pairs: the first one's pattern
// gives the five bars, the second one's the five spaces between them. The start is
// narrow bar, space, bar, space; the stop a wide bar, a narrow space and a narrow bar.
constexpr const char* kTwoOfFive[10] = {"00110", "10001", "01001", "11000", "00101",
                                        "10100", "01100", "00011", "10010", "01010"};

// The wide elements of Code 39 and interleaved 2 of 5 are three modules.
constexpr int kWide = 3;

class Builder {
 public:
  explicit Builder(Barcode* out) : out_(out) {
    out_->elements.clear();
    out_->guard.clear();
    out_->labels.clear();
  }
  // Appends an element; a bar after a bar (or a space after a space) widens the last one.
  void Add(bool bar, int width, bool guard = false) {
    const bool last_is_bar = out_->elements.size() % 2 == 1;
    if (!out_->elements.empty() && last_is_bar == bar) {
      out_->elements.back() += width;
    } else {
      if (out_->elements.empty() && !bar) return;  // leading spaces are the quiet zone
      out_->elements.push_back(width);
      out_->guard.push_back(guard);
    }
    modules_ += width;
  }
  // "1" bar module, "0" space module.
  void Bits(const char* bits, bool guard = false) {
    for (const char* b = bits; *b != '\0'; ++b) Add(*b == '1', 1, guard);
  }
  // Widths alternately bar and space, starting with a bar.
  void Widths(const char* widths) {
    bool bar = true;
    for (const char* w = widths; *w != '\0'; ++w, bar = !bar) Add(bar, *w - '0');
  }
  int modules() const { return modules_; }
  void Finish(int default_height) {
    out_->total_modules = modules_;
    out_->default_height = default_height;
  }

 private:
  Barcode* out_;
  int modules_ = 0;
};

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool Refuse(std::string* error, std::string reason) {
  if (error != nullptr) *error = std::move(reason);
  return false;
}

// EAN-13 (13 digits), EAN-8 (8) and UPC-A (12): `digits` without or with the check digit.
bool EncodeEanUpc(int type, std::string_view code, Barcode* out, std::string* error) {
  const size_t full = type == kBarcodeEan13 ? 13 : type == kBarcodeEan8 ? 8 : 12;
  if (!AllDigits(code) || (code.size() != full && code.size() != full - 1)) {
    return Refuse(error, "il codice deve avere " + std::to_string(full - 1) + " o " +
                             std::to_string(full) + " cifre");
  }
  std::string digits(code.substr(0, full - 1));
  const int check = Mod10CheckDigit(digits);
  if (code.size() == full && code[full - 1] - '0' != check) {
    return Refuse(error, "cifra di controllo errata");
  }
  digits.push_back(static_cast<char>('0' + check));

  Builder b(out);
  std::string left, right, parity;
  if (type == kBarcodeEan13) {
    parity = kEan13Parity[digits[0] - '0'];
    left = digits.substr(1, 6);
    right = digits.substr(7, 6);
  } else if (type == kBarcodeUpcA) {
    parity = "AAAAAA";
    left = digits.substr(0, 6);
    right = digits.substr(6, 6);
  } else {
    parity = "AAAA";
    left = digits.substr(0, 4);
    right = digits.substr(4, 4);
  }
  b.Bits("101", true);
  for (size_t i = 0; i < left.size(); ++i) {
    const char* a = kEanSetA[left[i] - '0'];
    if (parity[i] == 'A') {
      b.Bits(a);
    } else {
      // Set B: set A with bars and spaces swapped, read backwards.
      char g[8] = {};
      for (int k = 0; k < 7; ++k) g[k] = a[6 - k] == '1' ? '0' : '1';
      b.Bits(g);
    }
  }
  b.Bits("01010", true);
  for (char d : right) {
    const char* a = kEanSetA[d - '0'];
    char r[8] = {};
    for (int k = 0; k < 7; ++k) r[k] = a[k] == '1' ? '0' : '1';
    b.Bits(r);
  }
  b.Bits("101", true);

  // The text: EAN-13's first digit left of the bars, UPC-A's first and last digits
  // outside the bars, the rest centred under the two halves.
  const double half = 7.0 * left.size();
  if (type == kBarcodeEan13) {
    out->labels.push_back({-6, digits.substr(0, 1)});
    out->labels.push_back({3 + half / 2, left});
    out->labels.push_back({3 + half + 5 + half / 2, right});
  } else if (type == kBarcodeUpcA) {
    out->labels.push_back({-6, digits.substr(0, 1)});
    out->labels.push_back({3 + 7 + 35 / 2.0, digits.substr(1, 5)});
    out->labels.push_back({50 + 35 / 2.0, digits.substr(6, 5)});
    out->labels.push_back({95 + 6, digits.substr(11, 1)});
  } else {
    out->labels.push_back({3 + half / 2, left});
    out->labels.push_back({3 + half + 5 + half / 2, right});
  }
  b.Finish(type == kBarcodeEan8 ? 55 : 69);
  return true;
}

bool EncodeCode39(std::string_view code, bool add_check, Barcode* out, std::string* error) {
  if (code.empty()) return Refuse(error, "codice vuoto");
  std::vector<int> values;
  std::string text;
  for (char c : code) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    int value = -1;
    for (int v = 0; v < 43; ++v) {
      if (kCode39Chars[v] == c) value = v;
    }
    if (value < 0) return Refuse(error, std::string("carattere non ammesso in Code 39: ") + c);
    values.push_back(value);
    text.push_back(c);
  }
  if (add_check) {
    int sum = 0;
    for (int v : values) sum += v;
    values.push_back(sum % 43);
    text.push_back(kCode39Chars[sum % 43]);
  }
  values.insert(values.begin(), 43);
  values.push_back(43);

  Builder b(out);
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) b.Add(false, 1);  // the gap between characters
    const char* pattern = kCode39Patterns[values[i]];
    for (int k = 0; k < 9; ++k) b.Add(k % 2 == 0, pattern[k] == '1' ? kWide : 1);
  }
  out->labels.push_back({b.modules() / 2.0, text});
  b.Finish(std::max(40, b.modules() * 15 / 100));
  return true;
}

bool EncodeCode128(std::string_view code, Barcode* out, std::string* error) {
  if (code.empty()) return Refuse(error, "codice vuoto");
  for (char c : code) {
    if (static_cast<unsigned char>(c) > 127) {
      return Refuse(error, "Code 128 ammette solo caratteri ASCII");
    }
  }
  auto digit_run = [&](size_t from) {
    size_t n = 0;
    while (from + n < code.size() && code[from + n] >= '0' && code[from + n] <= '9') ++n;
    return n;
  };
  std::vector<int> values;
  char set = 0;
  size_t i = 0;
  // Runs of four or more digits go in set C, two digits per symbol; text goes in set B,
  // control characters in set A.
  auto switch_to = [&](char next) {
    if (set == next) return;
    if (set == 0) {
      values.push_back(next == 'A'   ? kCode128StartA
                       : next == 'B' ? kCode128StartB
                                     : kCode128StartC);
    } else {
      values.push_back(next == 'A' ? kCode128ToA : next == 'B' ? kCode128ToB : kCode128ToC);
    }
    set = next;
  };
  while (i < code.size()) {
    const size_t run = digit_run(i);
    if (run >= 4 || (set == 'C' && run >= 2)) {
      if (run % 2 == 1 && set != 'C') {
        // An odd run: its first digit in the current set, the rest in pairs.
        switch_to(set == 0 ? 'B' : set);
        values.push_back(code[i] - 32);
        ++i;
      }
      switch_to('C');
      values.push_back((code[i] - '0') * 10 + (code[i + 1] - '0'));
      i += 2;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(code[i]);
    if (c < 32) {
      switch_to('A');
      values.push_back(c + 64);
    } else {
      if (set != 'A' || c >= 96) switch_to('B');
      values.push_back(c - 32);
    }
    ++i;
  }
  int sum = values[0];
  for (size_t k = 1; k < values.size(); ++k) sum += static_cast<int>(k) * values[k];
  values.push_back(sum % 103);
  values.push_back(kCode128Stop);

  Builder b(out);
  for (int v : values) b.Widths(kCode128Patterns[v]);
  std::string text;
  for (char c : code) text.push_back(static_cast<unsigned char>(c) < 32 ? ' ' : c);
  out->labels.push_back({b.modules() / 2.0, text});
  b.Finish(std::max(40, b.modules() * 15 / 100));
  return true;
}

bool EncodeInterleaved(std::string_view code, bool add_check, Barcode* out, std::string* error) {
  if (!AllDigits(code)) return Refuse(error, "interleaved 2 of 5 ammette solo cifre");
  std::string digits(code);
  if (add_check) digits.push_back(static_cast<char>('0' + Mod10CheckDigit(digits)));
  if (digits.size() % 2 == 1) digits.insert(digits.begin(), '0');

  Builder b(out);
  b.Widths("1111");
  for (size_t i = 0; i < digits.size(); i += 2) {
    const char* bars = kTwoOfFive[digits[i] - '0'];
    const char* spaces = kTwoOfFive[digits[i + 1] - '0'];
    for (int k = 0; k < 5; ++k) {
      b.Add(true, bars[k] == '1' ? kWide : 1);
      b.Add(false, spaces[k] == '1' ? kWide : 1);
    }
  }
  b.Add(true, kWide);
  b.Add(false, 1);
  b.Add(true, 1);
  out->labels.push_back({b.modules() / 2.0, digits});
  b.Finish(std::max(40, b.modules() * 15 / 100));
  return true;
}

}  // namespace

int Mod10CheckDigit(std::string_view digits) {
  int sum = 0;
  int weight = 3;
  for (size_t i = digits.size(); i-- > 0;) {
    sum += (digits[i] - '0') * weight;
    weight = 4 - weight;
  }
  return (10 - sum % 10) % 10;
}

bool EncodeBarcode(int type, std::string_view code, bool add_check, Barcode* out,
                   std::string* error) {
  switch (type) {
    case kBarcodeEan13:
    case kBarcodeEan8:
    case kBarcodeUpcA:
      return EncodeEanUpc(type, code, out, error);
    case kBarcodeCode39:
      return EncodeCode39(code, add_check, out, error);
    case kBarcodeCode128:
      return EncodeCode128(code, out, error);
    case kBarcodeInterleaved2of5:
      return EncodeInterleaved(code, add_check, out, error);
    default:
      return Refuse(error, "tipo di codice a barre sconosciuto: " + std::to_string(type));
  }
}

}  // namespace kaveltar::pdf_internal
