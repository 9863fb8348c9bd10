#include "pdf/pdf_reader.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kaveltar::pdf_internal {

namespace {

constexpr int kMaxDepth = 64;
constexpr size_t kMaxDecoded = 256u * 1024 * 1024;

bool IsWhite(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}
bool IsDelim(char c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
         c == '}' || c == '/' || c == '%';
}
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Parser {
 public:
  Parser(std::string_view d, size_t pos) : d_(d), pos_(pos) {}

  size_t pos() const { return pos_; }
  void set_pos(size_t p) { pos_ = p; }

  void SkipSpace() {
    while (pos_ < d_.size()) {
      if (IsWhite(d_[pos_])) {
        ++pos_;
      } else if (d_[pos_] == '%') {
        while (pos_ < d_.size() && d_[pos_] != '\n' && d_[pos_] != '\r') ++pos_;
      } else {
        break;
      }
    }
  }

  // The next regular token (a keyword or number), without consuming it when `peek`.
  std::string_view Token(bool peek = false) {
    SkipSpace();
    size_t end = pos_;
    while (end < d_.size() && !IsWhite(d_[end]) && !IsDelim(d_[end])) ++end;
    const std::string_view t = d_.substr(pos_, end - pos_);
    if (!peek) pos_ = end;
    return t;
  }

  bool Keyword(std::string_view word) {
    const size_t saved = pos_;
    if (Token() == word) return true;
    pos_ = saved;
    return false;
  }

  static bool Integer(std::string_view t, long long* v) {
    if (t.empty() || t.size() > 18) return false;
    const char* b = t.data();
    if (*b == '+') ++b;
    auto [p, ec] = std::from_chars(b, t.data() + t.size(), *v);
    return ec == std::errc() && p == t.data() + t.size();
  }

  bool Value(PdfValue* out, int depth) {
    if (depth > kMaxDepth) return false;
    SkipSpace();
    if (pos_ >= d_.size()) return false;
    const char c = d_[pos_];
    *out = PdfValue();
    if (c == '/') return Name(out);
    if (c == '(') return LiteralString(out);
    if (c == '<' && pos_ + 1 < d_.size() && d_[pos_ + 1] == '<') return Dictionary(out, depth);
    if (c == '<') return HexString(out);
    if (c == '[') return Array(out, depth);
    return Scalar(out);
  }

 private:
  // "/Name" with its #xx escapes decoded.
  bool Name(PdfValue* out) {
    ++pos_;
    out->kind = PdfValue::kName;
    while (pos_ < d_.size() && !IsWhite(d_[pos_]) && !IsDelim(d_[pos_])) {
      char ch = d_[pos_++];
      if (ch == '#' && pos_ + 1 < d_.size() && HexDigit(d_[pos_]) >= 0 &&
          HexDigit(d_[pos_ + 1]) >= 0) {
        ch = static_cast<char>(HexDigit(d_[pos_]) * 16 + HexDigit(d_[pos_ + 1]));
        pos_ += 2;
      }
      out->text.push_back(ch);
    }
    return true;
  }

  // "<< /Key value ... >>".
  bool Dictionary(PdfValue* out, int depth) {
    pos_ += 2;
    out->kind = PdfValue::kDict;
    for (;;) {
      SkipSpace();
      if (pos_ + 1 < d_.size() && d_[pos_] == '>' && d_[pos_ + 1] == '>') {
        pos_ += 2;
        return true;
      }
      PdfValue key, value;
      if (!Value(&key, depth + 1) || key.kind != PdfValue::kName) return false;
      if (!Value(&value, depth + 1)) return false;
      out->entries.push_back(PdfEntry{std::move(key.text), std::move(value)});
    }
  }

  // "<hex digits>": other characters are skipped, an odd last digit is followed by 0.
  bool HexString(PdfValue* out) {
    ++pos_;
    out->kind = PdfValue::kString;
    int high = -1;
    while (pos_ < d_.size() && d_[pos_] != '>') {
      const int h = HexDigit(d_[pos_++]);
      if (h < 0) continue;
      if (high < 0) {
        high = h;
      } else {
        out->text.push_back(static_cast<char>(high * 16 + h));
        high = -1;
      }
    }
    if (pos_ >= d_.size()) return false;
    ++pos_;
    if (high >= 0) out->text.push_back(static_cast<char>(high * 16));
    return true;
  }

  // "[ value ... ]".
  bool Array(PdfValue* out, int depth) {
    ++pos_;
    out->kind = PdfValue::kArray;
    for (;;) {
      SkipSpace();
      if (pos_ < d_.size() && d_[pos_] == ']') {
        ++pos_;
        return true;
      }
      PdfValue item;
      if (!Value(&item, depth + 1)) return false;
      out->items.push_back(std::move(item));
    }
  }

  // true, false, null, a reference "n g R", an integer or a real number.
  bool Scalar(PdfValue* out) {
    const std::string_view t = Token();
    if (t.empty()) return false;
    if (t == "true" || t == "false") {
      out->kind = PdfValue::kBool;
      out->boolean = t == "true";
      return true;
    }
    if (t == "null") return true;
    long long first;
    if (Integer(t, &first)) {
      // "n g R" is a reference.
      const size_t saved = pos_;
      long long generation;
      if (first > 0 && first < (1LL << 30) && Integer(Token(), &generation) && Keyword("R")) {
        out->kind = PdfValue::kRef;
        out->ref = static_cast<int>(first);
        return true;
      }
      pos_ = saved;
      out->kind = PdfValue::kNumber;
      out->number = static_cast<double>(first);
      out->text.assign(t);
      return true;
    }
    double v;
    std::string_view number = t;
    if (!number.empty() && number[0] == '+') number.remove_prefix(1);
    auto [p, ec] = std::from_chars(number.data(), number.data() + number.size(), v);
    if (ec != std::errc() || p != number.data() + number.size() || !std::isfinite(v)) return false;
    out->kind = PdfValue::kNumber;
    out->number = v;
    out->text.assign(t);
    return true;
  }

  bool LiteralString(PdfValue* out) {
    ++pos_;
    out->kind = PdfValue::kString;
    int depth = 1;
    while (pos_ < d_.size()) {
      char ch = d_[pos_++];
      if (ch == '(') {
        ++depth;
      } else if (ch == ')') {
        if (--depth == 0) return true;
      } else if (ch == '\\') {
        if (pos_ >= d_.size()) return false;
        ch = d_[pos_++];
        switch (ch) {
          case 'n':
            ch = '\n';
            break;
          case 'r':
            ch = '\r';
            break;
          case 't':
            ch = '\t';
            break;
          case 'b':
            ch = '\b';
            break;
          case 'f':
            ch = '\f';
            break;
          case '\r':
            if (pos_ < d_.size() && d_[pos_] == '\n') ++pos_;
            continue;
          case '\n':
            continue;
          default:
            if (ch >= '0' && ch <= '7') {
              int v = ch - '0';
              for (int k = 0; k < 2 && pos_ < d_.size() && d_[pos_] >= '0' && d_[pos_] <= '7';
                   ++k) {
                v = v * 8 + (d_[pos_++] - '0');
              }
              ch = static_cast<char>(v & 0xFF);
            }
            break;
        }
      }
      out->text.push_back(ch);
    }
    return false;
  }

  std::string_view d_;
  size_t pos_;
};

// A number as an integer; numbers beyond +-2^53 (or not numbers) give the fallback, so
// that a hostile file's 1e29 never reaches an integer conversion.
long long IntOf(const PdfValue* v, long long fallback) {
  if (v == nullptr || v->kind != PdfValue::kNumber) return fallback;
  if (!(std::fabs(v->number) <= 9007199254740992.0)) return fallback;
  return static_cast<long long>(v->number);
}

bool Inflate(std::string_view in, std::string* out) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  out->clear();
  char buffer[65536];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    out->append(buffer, sizeof buffer - z.avail_out);
    if (out->size() > kMaxDecoded) rc = Z_MEM_ERROR;
    if (rc == Z_BUF_ERROR && z.avail_in == 0) break;  // data ends without its trailer
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END || (rc == Z_BUF_ERROR && !out->empty());
}

bool LzwDecode(std::string_view in, int early, std::string* out) {
  std::vector<std::string> table;
  table.reserve(4096);
  auto reset = [&] {
    table.clear();
    for (int i = 0; i < 256; ++i) table.emplace_back(1, static_cast<char>(i));
    table.emplace_back();
    table.emplace_back();
  };
  reset();
  int width = 9;
  uint32_t bits = 0;
  int have = 0;
  int previous = -1;
  out->clear();
  for (size_t at = 0;;) {
    while (have < width) {
      if (at >= in.size()) return true;  // data may end without the end-of-data code
      bits = (bits << 8) | static_cast<uint8_t>(in[at++]);
      have += 8;
    }
    const int code = static_cast<int>((bits >> (have - width)) & ((1u << width) - 1));
    have -= width;
    if (code == 256) {
      reset();
      width = 9;
      previous = -1;
      continue;
    }
    if (code == 257) return true;
    std::string entry;
    if (code < static_cast<int>(table.size()) && code != 256 && code != 257) {
      entry = table[static_cast<size_t>(code)];
    } else if (code == static_cast<int>(table.size()) && previous >= 0) {
      entry = table[static_cast<size_t>(previous)] + table[static_cast<size_t>(previous)][0];
    } else {
      return false;
    }
    out->append(entry);
    if (out->size() > kMaxDecoded) return false;
    if (previous >= 0 && table.size() < 4096) {
      table.push_back(table[static_cast<size_t>(previous)] + entry[0]);
    }
    previous = code;
    const size_t next = table.size() + static_cast<size_t>(early);
    if (next >= 512 && width == 9) width = 10;
    if (next >= 1024 && width == 10) width = 11;
    if (next >= 2048 && width == 11) width = 12;
  }
}

bool Ascii85(std::string_view in, std::string* out) {
  out->clear();
  uint32_t group[5];
  int count = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    const char c = in[i];
    if (IsWhite(c)) continue;
    if (c == '~') break;
    if (c == 'z' && count == 0) {
      out->append(4, '\0');
      continue;
    }
    if (c < '!' || c > 'u') return false;
    group[count++] = static_cast<uint32_t>(c - '!');
    if (count == 5) {
      uint64_t v = 0;
      for (int k = 0; k < 5; ++k) v = v * 85 + group[k];
      if (v > 0xFFFFFFFFull) return false;
      for (int k = 3; k >= 0; --k) out->push_back(static_cast<char>((v >> (k * 8)) & 0xFF));
      count = 0;
    }
  }
  if (count == 1) return false;
  if (count > 0) {
    for (int k = count; k < 5; ++k) group[k] = 84;
    uint64_t v = 0;
    for (int k = 0; k < 5; ++k) v = v * 85 + group[k];
    for (int k = 0; k < count - 1; ++k)
      out->push_back(static_cast<char>((v >> ((3 - k) * 8)) & 0xFF));
  }
  return true;
}

bool AsciiHex(std::string_view in, std::string* out) {
  out->clear();
  int high = -1;
  for (char c : in) {
    if (c == '>') break;
    if (IsWhite(c)) continue;
    const int h = HexDigit(c);
    if (h < 0) return false;
    if (high < 0) {
      high = h;
    } else {
      out->push_back(static_cast<char>(high * 16 + h));
      high = -1;
    }
  }
  if (high >= 0) out->push_back(static_cast<char>(high * 16));
  return true;
}

bool RunLength(std::string_view in, std::string* out) {
  out->clear();
  for (size_t i = 0; i < in.size();) {
    const int n = static_cast<uint8_t>(in[i++]);
    if (n == 128) break;
    if (n < 128) {
      if (static_cast<size_t>(n) + 1 > in.size() - i) return false;
      out->append(in.substr(i, static_cast<size_t>(n) + 1));
      i += static_cast<size_t>(n) + 1;
    } else {
      if (i >= in.size()) return false;
      out->append(static_cast<size_t>(257 - n), in[i++]);
    }
    if (out->size() > kMaxDecoded) return false;
  }
  return true;
}

// Undoes a PNG (10-15) or TIFF (2) predictor.
bool Unpredict(const PdfValue* parms, std::string* data) {
  if (parms == nullptr || parms->kind != PdfValue::kDict) return true;
  const long long predictor = IntOf(parms->Find("Predictor"), 1);
  if (predictor <= 1) return true;
  const long long colors = IntOf(parms->Find("Colors"), 1);
  const long long bpc = IntOf(parms->Find("BitsPerComponent"), 8);
  const long long columns = IntOf(parms->Find("Columns"), 1);
  if (colors < 1 || colors > 32 || (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16) ||
      columns < 1 || columns > (1 << 24)) {
    return false;
  }
  const size_t pixel = static_cast<size_t>(std::max<long long>(1, colors * bpc / 8));
  const size_t row = static_cast<size_t>((colors * bpc * columns + 7) / 8);
  if (predictor == 2) {
    if (bpc != 8) return false;
    for (size_t start = 0; start + row <= data->size(); start += row) {
      for (size_t i = pixel; i < row; ++i)
        (*data)[start + i] = static_cast<char>((*data)[start + i] + (*data)[start + i - pixel]);
    }
    return true;
  }
  if (predictor < 10) return false;
  std::string out;
  std::string prior(row, '\0');
  std::string current(row, '\0');
  for (size_t at = 0; at < data->size(); at += row + 1) {
    const int type = static_cast<uint8_t>((*data)[at]);
    const size_t n = std::min(row, data->size() - at - 1);
    std::fill(current.begin(), current.end(), '\0');
    std::memcpy(current.data(), data->data() + at + 1, n);
    for (size_t i = 0; i < row; ++i) {
      const int a = i >= pixel ? static_cast<uint8_t>(current[i - pixel]) : 0;
      const int b = static_cast<uint8_t>(prior[i]);
      const int c = i >= pixel ? static_cast<uint8_t>(prior[i - pixel]) : 0;
      int x = static_cast<uint8_t>(current[i]);
      switch (type) {
        case 0:
          break;
        case 1:
          x += a;
          break;
        case 2:
          x += b;
          break;
        case 3:
          x += (a + b) / 2;
          break;
        case 4: {
          const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
          x += (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
          break;
        }
        default:
          return false;
      }
      current[i] = static_cast<char>(x);
    }
    out.append(current, 0, n);
    prior.swap(current);
  }
  data->swap(out);
  return true;
}

// The filter names and their parameters, as two lists of equal length.
void FilterList(const PdfValue& dict, std::vector<std::string>* names,
                std::vector<const PdfValue*>* parms) {
  const PdfValue* filter = dict.Find("Filter");
  const PdfValue* decode = dict.Find("DecodeParms");
  if (filter == nullptr) return;
  if (filter->kind == PdfValue::kName) {
    names->push_back(filter->text);
    parms->push_back(decode);
  } else if (filter->kind == PdfValue::kArray) {
    for (size_t i = 0; i < filter->items.size(); ++i) {
      names->push_back(filter->items[i].kind == PdfValue::kName ? filter->items[i].text : "?");
      parms->push_back(decode != nullptr && decode->kind == PdfValue::kArray &&
                               i < decode->items.size()
                           ? &decode->items[i]
                           : nullptr);
    }
  } else {
    names->push_back("?");
    parms->push_back(nullptr);
  }
}

bool Decodes(const std::string& name) {
  return name == "FlateDecode" || name == "Fl" || name == "LZWDecode" || name == "LZW" ||
         name == "ASCII85Decode" || name == "A85" || name == "ASCIIHexDecode" || name == "AHx" ||
         name == "RunLengthDecode" || name == "RL";
}

}  // namespace

std::string TextStringToUtf8(std::string_view bytes) {
  std::string out;
  auto put = [&](uint32_t c) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  };
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFE &&
      static_cast<uint8_t>(bytes[1]) == 0xFF) {
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      uint32_t c = (static_cast<uint8_t>(bytes[i]) << 8) | static_cast<uint8_t>(bytes[i + 1]);
      if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
        const uint32_t low =
            (static_cast<uint8_t>(bytes[i + 2]) << 8) | static_cast<uint8_t>(bytes[i + 3]);
        if (low >= 0xDC00 && low < 0xE000) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          i += 2;
        }
      }
      if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
      put(c);
    }
    return out;
  }
  for (char ch : bytes) put(static_cast<uint8_t>(ch));
  return out;
}

bool IsImageFilter(std::string_view name) {
  return name == "DCTDecode" || name == "DCT" || name == "JPXDecode" || name == "CCITTFaxDecode" ||
         name == "CCF" || name == "JBIG2Decode";
}

const PdfValue* PdfValue::Find(std::string_view key) const {
  for (const auto& [k, v] : entries) {
    if (k == key) return &v;
  }
  return nullptr;
}

bool PdfReader::Decodable(const PdfValue& dict) {
  std::vector<std::string> names;
  std::vector<const PdfValue*> parms;
  FilterList(dict, &names, &parms);
  return std::all_of(names.begin(), names.end(), Decodes);
}

bool PdfReader::Decode(const PdfValue& dict, std::string_view raw, std::string* out,
                       std::string* reason) {
  std::vector<std::string> names;
  std::vector<const PdfValue*> parms;
  FilterList(dict, &names, &parms);
  std::string data(raw), next;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    bool ok;
    if (name == "FlateDecode" || name == "Fl") {
      ok = Inflate(data, &next) && Unpredict(parms[i], &next);
    } else if (name == "LZWDecode" || name == "LZW") {
      const long long early = parms[i] != nullptr ? IntOf(parms[i]->Find("EarlyChange"), 1) : 1;
      ok = LzwDecode(data, early != 0 ? 1 : 0, &next) && Unpredict(parms[i], &next);
    } else if (name == "ASCII85Decode" || name == "A85") {
      ok = Ascii85(data, &next);
    } else if (name == "ASCIIHexDecode" || name == "AHx") {
      ok = AsciiHex(data, &next);
    } else if (name == "RunLengthDecode" || name == "RL") {
      ok = RunLength(data, &next);
    } else {
      if (reason != nullptr) *reason = "filtro PDF non gestito: " + name;
      return false;
    }
    if (!ok) {
      if (reason != nullptr) *reason = "dati compressi non validi (" + name + ")";
      return false;
    }
    data.swap(next);
  }
  out->swap(data);
  return true;
}

bool PdfReader::Open(std::string_view data, std::string* reason) {
  data_ = data;
  entries_.clear();
  sections_seen_.clear();
  object_streams_.clear();
  pages_.clear();
  pages_read_ = false;
  auto fail = [&](const char* text) {
    if (reason != nullptr) *reason = text;
    return false;
  };
  if (data.substr(0, std::min<size_t>(data.size(), 1024)).find("%PDF-") == std::string_view::npos) {
    return fail("non è un file PDF");
  }
  const size_t tail = data.size() > 1024 ? data.size() - 1024 : 0;
  const size_t at = data.rfind("startxref");
  if (at == std::string_view::npos || at < tail)
    return fail("file PDF danneggiato: startxref mancante");
  Parser p(data, at + 9);
  long long offset;
  if (!Parser::Integer(p.Token(), &offset) || offset < 0 ||
      static_cast<uint64_t>(offset) >= data.size()) {
    return fail("file PDF danneggiato: startxref non valido");
  }
  if (!ReadSection(static_cast<uint64_t>(offset), 0)) {
    return fail("file PDF danneggiato: tabella dei riferimenti illeggibile");
  }
  if (trailer_.Find("Encrypt") != nullptr) return fail("file PDF cifrato: non gestito");
  const PdfValue* root = trailer_.Find("Root");
  if (root == nullptr || root->kind != PdfValue::kRef)
    return fail("file PDF danneggiato: catalogo mancante");
  return true;
}

bool PdfReader::ReadSection(uint64_t offset, int depth) {
  if (depth > 64 || offset >= data_.size()) return false;
  if (std::find(sections_seen_.begin(), sections_seen_.end(), offset) != sections_seen_.end())
    return true;
  sections_seen_.push_back(offset);
  Parser p(data_, static_cast<size_t>(offset));
  PdfValue trailer;
  if (p.Keyword("xref")) {
    for (;;) {
      if (p.Keyword("trailer")) break;
      long long first, count;
      if (!Parser::Integer(p.Token(), &first) || !Parser::Integer(p.Token(), &count) || first < 0 ||
          count < 0 || count > static_cast<long long>(data_.size() / 18) + 1 || first > (1 << 30)) {
        return false;
      }
      for (long long i = 0; i < count; ++i) {
        long long where, generation;
        if (!Parser::Integer(p.Token(), &where) || !Parser::Integer(p.Token(), &generation))
          return false;
        const std::string_view kind = p.Token();
        if (kind != "n" && kind != "f") return false;
        Entry e;
        e.type = kind == "n" ? 1 : 0;
        e.where = static_cast<uint64_t>(std::max(0LL, where));
        if (e.type == 1 && where == 0) e.type = 0;
        entries_.emplace(static_cast<int>(first + i), e);  // newer sections came first
      }
    }
    if (!p.Value(&trailer, 0) || trailer.kind != PdfValue::kDict) return false;
    const PdfValue* stream = trailer.Find("XRefStm");
    const long long at = IntOf(stream, -1);
    if (at >= 0) ReadSection(static_cast<uint64_t>(at), depth + 1);
  } else {
    PdfObject object;
    long long number, generation;
    if (!Parser::Integer(p.Token(), &number) || !Parser::Integer(p.Token(), &generation) ||
        !p.Keyword("obj") || number <= 0 || number >= (1LL << 30)) {
      return false;
    }
    // The stream object is read with the entries known so far (its /Length is direct).
    Entry self;
    self.type = 1;
    self.where = offset;
    const bool known = entries_.count(static_cast<int>(number)) != 0;
    if (!known) entries_[static_cast<int>(number)] = self;
    PdfObject xref;
    const bool read = FetchAt(static_cast<int>(number), &xref, 1);
    if (!known) entries_.erase(static_cast<int>(number));
    if (!read || !xref.is_stream) return false;
    trailer = xref.value;
    const PdfValue* type = trailer.Find("Type");
    if (type == nullptr || type->text != "XRef") return false;
    std::string rows;
    if (!Decode(trailer, xref.stream, &rows, nullptr)) return false;
    if (!ReadXrefStreamRows(trailer, rows)) return false;
  }
  if (trailer_.kind != PdfValue::kDict) trailer_ = trailer;
  const PdfValue* prev = trailer.Find("Prev");
  const long long previous = IntOf(prev, -1);
  if (previous >= 0) return ReadSection(static_cast<uint64_t>(previous), depth + 1);
  return true;
}

bool PdfReader::ReadXrefStreamRows(const PdfValue& trailer, const std::string& rows) {
  const PdfValue* w = trailer.Find("W");
  if (w == nullptr || w->kind != PdfValue::kArray || w->items.size() < 3) return false;
  int widths[3];
  for (int i = 0; i < 3; ++i) {
    widths[i] = static_cast<int>(IntOf(&w->items[static_cast<size_t>(i)], -1));
    if (widths[i] < 0 || widths[i] > 8) return false;
  }
  const size_t row = static_cast<size_t>(widths[0] + widths[1] + widths[2]);
  if (row == 0) return false;
  std::vector<long long> index;
  const PdfValue* given = trailer.Find("Index");
  if (given != nullptr && given->kind == PdfValue::kArray) {
    for (const PdfValue& v : given->items) index.push_back(IntOf(&v, -1));
  } else {
    index = {0, IntOf(trailer.Find("Size"), 0)};
  }
  size_t at = 0;
  for (size_t k = 0; k + 1 < index.size(); k += 2) {
    if (index[k] < 0 || index[k + 1] < 0 || index[k] > (1 << 30)) return false;
    for (long long i = 0; i < index[k + 1]; ++i) {
      if (at + row > rows.size()) return false;
      uint64_t field[3] = {1, 0, 0};
      for (int f = 0; f < 3; ++f) {
        if (widths[f] == 0) continue;
        uint64_t v = 0;
        for (int b = 0; b < widths[f]; ++b) v = (v << 8) | static_cast<uint8_t>(rows[at++]);
        field[f] = v;
      }
      Entry e;
      e.type = field[0] == 1 ? 1 : field[0] == 2 ? 2 : 0;
      e.where = field[1];
      e.index = static_cast<int>(std::min<uint64_t>(field[2], 1u << 30));
      entries_.emplace(static_cast<int>(index[k] + i), e);
    }
  }
  return true;
}

bool PdfReader::Fetch(int number, PdfObject* object, std::string* reason) {
  if (FetchAt(number, object, 0)) return true;
  if (reason != nullptr) *reason = error_.empty() ? "oggetto PDF illeggibile" : error_;
  return false;
}

bool PdfReader::FetchFromObjectStream(int number, const Entry& entry, PdfObject* object,
                                      int depth) {
  const int stream_number = static_cast<int>(std::min<uint64_t>(entry.where, 1u << 30));
  if (stream_number == number) return false;
  std::shared_ptr<ObjectStream> stream;
  auto cached = object_streams_.find(stream_number);
  if (cached != object_streams_.end()) {
    stream = cached->second;
  } else {
    PdfObject holder;
    if (!FetchAt(stream_number, &holder, depth + 1) || !holder.is_stream) return false;
    stream = std::make_shared<ObjectStream>();
    if (!Decode(holder.value, holder.stream, &stream->data, &error_)) return false;
    const long long first = IntOf(holder.value.Find("First"), -1);
    const long long n = IntOf(holder.value.Find("N"), -1);
    if (first < 0 || n < 0 || static_cast<uint64_t>(first) > stream->data.size()) return false;
    Parser p(stream->data, 0);
    for (long long i = 0; i < n; ++i) {
      long long num, off;
      if (!Parser::Integer(p.Token(), &num) || !Parser::Integer(p.Token(), &off) || off < 0 ||
          static_cast<uint64_t>(off) > stream->data.size() - static_cast<uint64_t>(first)) {
        break;  // the objects listed so far stay readable
      }
      stream->objects.emplace_back(num, static_cast<size_t>(first + off));
    }
    object_streams_[stream_number] = stream;
  }
  if (static_cast<size_t>(entry.index) >= stream->objects.size()) return false;
  const auto& [listed, at] = stream->objects[static_cast<size_t>(entry.index)];
  if (listed != number) return false;
  Parser q(stream->data, at);
  PdfValue value;
  if (!q.Value(&value, 0)) return false;
  object->value = std::move(value);
  return true;
}

bool PdfReader::FetchAt(int number, PdfObject* object, int depth) {
  error_.clear();
  if (depth > 16) return false;
  *object = PdfObject();
  const auto found = entries_.find(number);
  if (found == entries_.end() || found->second.type == 0) return true;  // a missing object is null
  const Entry entry = found->second;
  if (entry.type == 2) return FetchFromObjectStream(number, entry, object, depth);
  if (entry.where >= data_.size()) return false;
  Parser p(data_, static_cast<size_t>(entry.where));
  long long num, generation;
  if (!Parser::Integer(p.Token(), &num) || !Parser::Integer(p.Token(), &generation) ||
      !p.Keyword("obj") || num != number) {
    return false;
  }
  if (!p.Value(&object->value, 0)) return false;
  if (object->value.kind != PdfValue::kDict || !p.Keyword("stream")) return true;
  size_t start = p.pos();
  if (start < data_.size() && data_[start] == '\r') ++start;
  if (start < data_.size() && data_[start] == '\n') ++start;
  long long length = -1;
  const PdfValue* given = object->value.Find("Length");
  if (given != nullptr && given->kind == PdfValue::kNumber) {
    length = IntOf(given, -1);
  } else if (given != nullptr && given->kind == PdfValue::kRef && given->ref != number) {
    PdfObject length_object;
    if (FetchAt(given->ref, &length_object, depth + 1)) length = IntOf(&length_object.value, -1);
  }
  if (length >= 0 && static_cast<uint64_t>(length) <= data_.size() - start) {
    Parser after(data_, start + static_cast<size_t>(length));
    if (after.Keyword("endstream")) {
      object->is_stream = true;
      object->stream.assign(data_.substr(start, static_cast<size_t>(length)));
      return true;
    }
  }
  // A wrong /Length: the data runs up to "endstream".
  const size_t end = data_.find("endstream", start);
  if (end == std::string_view::npos) {
    error_ = "flusso PDF senza fine";
    return false;
  }
  size_t stop = end;
  if (stop > start && data_[stop - 1] == '\n') --stop;
  if (stop > start && data_[stop - 1] == '\r') --stop;
  object->is_stream = true;
  object->stream.assign(data_.substr(start, stop - start));
  return true;
}

PdfValue PdfReader::Resolve(const PdfValue& value) {
  if (value.kind != PdfValue::kRef) return value;
  PdfObject object;
  if (!FetchAt(value.ref, &object, 0)) return PdfValue();
  return std::move(object.value);
}

bool PdfReader::CollectPages(const PdfValue& node, int depth, std::set<int>* visited) {
  if (depth > kMaxDepth || node.kind != PdfValue::kRef || pages_.size() > 1000000) return false;
  if (!visited->insert(node.ref).second) return false;
  PdfObject object;
  if (!FetchAt(node.ref, &object, 0) || object.value.kind != PdfValue::kDict) return false;
  const PdfValue& dict = object.value;
  const PdfValue* kids = dict.Find("Kids");
  const PdfValue* type = dict.Find("Type");
  const bool is_tree = kids != nullptr && (type == nullptr || type->text != "Page");
  // The inherited attributes travel in the stack of tree nodes.
  if (is_tree) {
    PdfValue list = Resolve(*kids);
    if (list.kind != PdfValue::kArray) return false;
    inherit_.push_back(&dict);
    for (const PdfValue& kid : list.items) {
      if (!CollectPages(kid, depth + 1, visited)) {
        inherit_.pop_back();
        return false;
      }
    }
    inherit_.pop_back();
    return true;
  }
  PageRef page;
  page.object = node.ref;
  auto pick = [&](const char* key, PdfValue* out) {
    if (const PdfValue* own = dict.Find(key)) {
      *out = *own;
      return;
    }
    for (auto it = inherit_.rbegin(); it != inherit_.rend(); ++it) {
      if (const PdfValue* v = (*it)->Find(key)) {
        *out = *v;
        return;
      }
    }
  };
  pick("Resources", &page.resources);
  pick("MediaBox", &page.media_box);
  pick("CropBox", &page.crop_box);
  pick("Rotate", &page.rotate);
  pages_.push_back(std::move(page));
  return true;
}

int PdfReader::PageCount() {
  if (!pages_read_) {
    pages_read_ = true;
    PdfValue catalog = Resolve(*trailer_.Find("Root"));
    const PdfValue* root = catalog.Find("Pages");
    std::set<int> visited;
    inherit_.clear();
    if (root == nullptr || !CollectPages(*root, 0, &visited)) pages_.clear();
  }
  return static_cast<int>(pages_.size());
}

bool PdfReader::ReadPage(int number, PdfPage* page, std::string* reason) {
  auto fail = [&](const std::string& text) {
    if (reason != nullptr) *reason = text;
    return false;
  };
  const int count = PageCount();
  if (count == 0) return fail("file PDF danneggiato: albero delle pagine illeggibile");
  if (number < 1 || number > count) return fail("pagina inesistente: " + std::to_string(number));
  const PageRef& ref = pages_[static_cast<size_t>(number) - 1];
  PdfObject object;
  if (!Fetch(ref.object, &object, reason)) return false;
  PdfPage out;
  auto box = [&](const PdfValue& given) {
    const PdfValue v = Resolve(given);
    if (v.kind != PdfValue::kArray || v.items.size() != 4) return false;
    double b[4];
    for (int i = 0; i < 4; ++i) {
      const PdfValue n = Resolve(v.items[static_cast<size_t>(i)]);
      if (n.kind != PdfValue::kNumber) return false;
      b[i] = n.number;
    }
    out.box[0] = std::min(b[0], b[2]), out.box[2] = std::max(b[0], b[2]);
    out.box[1] = std::min(b[1], b[3]), out.box[3] = std::max(b[1], b[3]);
    return out.box[2] - out.box[0] > 0 && out.box[3] - out.box[1] > 0;
  };
  if (!box(ref.crop_box) && !box(ref.media_box)) {
    out.box[0] = 0, out.box[1] = 0, out.box[2] = 612, out.box[3] = 792;
  }
  const PdfValue rotate = Resolve(ref.rotate);
  if (rotate.kind == PdfValue::kNumber && std::fabs(rotate.number) < 1e9) {
    const long long quarter = static_cast<long long>(std::llround(rotate.number / 90)) % 4;
    out.rotate = static_cast<int>((quarter + 4) % 4) * 90;
  }
  out.resources = Resolve(ref.resources);
  if (out.resources.kind != PdfValue::kDict) out.resources = PdfValue();
  std::vector<PdfValue> parts;
  if (const PdfValue* contents = object.value.Find("Contents")) {
    if (contents->kind == PdfValue::kRef) {
      PdfObject first;
      if (!Fetch(contents->ref, &first, reason)) return false;
      if (first.is_stream) {
        parts.push_back(*contents);
      } else if (first.value.kind == PdfValue::kArray) {
        parts = first.value.items;
      }
    } else if (contents->kind == PdfValue::kArray) {
      parts = contents->items;
    }
  }
  for (const PdfValue& part : parts) {
    if (part.kind != PdfValue::kRef) continue;
    PdfObject stream;
    if (!Fetch(part.ref, &stream, reason)) return false;
    if (!stream.is_stream) continue;
    std::string decoded;
    if (!Decode(stream.value, stream.stream, &decoded, reason)) return false;
    if (out.content.size() + decoded.size() > kMaxDecoded) return fail("pagina troppo grande");
    out.content += decoded;
    out.content.push_back('\n');
  }
  *page = std::move(out);
  return true;
}

}  // namespace kaveltar::pdf_internal
