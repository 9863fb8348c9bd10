#include "pdf/pdf_info_reader.h"

#include <cstdint>

namespace kaveltar::pdf_internal {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsDelimiter(char c) {
  return IsSpace(c) || c == '/' || c == '<' || c == '>' || c == '[' || c == ']' || c == '(' ||
         c == ')' || c == '%';
}

// Reads "<n> <g> R" at `pos` (after blanks). Returns the object number or -1.
long ReadReference(std::string_view s, size_t pos) {
  auto skip = [&] {
    while (pos < s.size() && IsSpace(s[pos])) ++pos;
  };
  auto number = [&]() -> long {
    skip();
    long n = 0;
    size_t digits = 0;
    while (pos < s.size() && IsDigit(s[pos]) && digits < 10) n = n * 10 + (s[pos++] - '0'), ++digits;
    return digits == 0 ? -1 : n;
  };
  const long object = number();
  if (object < 0 || number() < 0) return -1;
  skip();
  if (pos >= s.size() || s[pos] != 'R') return -1;
  return object;
}

// The last "<key>" name in `s` followed by a reference.
long LastReference(std::string_view s, std::string_view key) {
  size_t at = s.size();
  while (at > 0) {
    at = s.rfind(key, at - 1);
    if (at == std::string_view::npos) return -1;
    const size_t after = at + key.size();
    if (after < s.size() && !IsDelimiter(s[after])) continue;  // "/Infos" is another name
    const long ref = ReadReference(s, after);
    if (ref >= 0) return ref;
    if (at == 0) break;
  }
  return -1;
}

// The body of object `number` (the last definition in the file): from after "obj" up to
// "endobj" or the end of the data.
bool FindObject(std::string_view s, long number, std::string_view* body) {
  const std::string head = std::to_string(number) + " 0 obj";
  size_t at = s.size();
  while (at > 0) {
    at = s.rfind(head, at - 1);
    if (at == std::string_view::npos) return false;
    if (at == 0 || IsSpace(s[at - 1])) {
      const size_t start = at + head.size();
      const size_t end = s.find("endobj", start);
      *body = s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
      return true;
    }
    if (at == 0) break;
  }
  return false;
}

// The value of "/key" at the top level of the dictionary that starts `body`.
bool DictionaryValue(std::string_view body, std::string_view key, size_t* value_pos) {
  size_t pos = body.find("<<");
  if (pos == std::string_view::npos) return false;
  pos += 2;
  int depth = 1;
  while (pos < body.size() && depth > 0) {
    const char c = body[pos];
    if (c == '(') {  // skip a literal string
      int nest = 0;
      for (; pos < body.size(); ++pos) {
        if (body[pos] == '\\') {
          ++pos;
        } else if (body[pos] == '(') {
          ++nest;
        } else if (body[pos] == ')' && --nest == 0) {
          break;
        }
      }
      ++pos;
    } else if (c == '<' && pos + 1 < body.size() && body[pos + 1] == '<') {
      ++depth;
      pos += 2;
    } else if (c == '>' && pos + 1 < body.size() && body[pos + 1] == '>') {
      --depth;
      pos += 2;
    } else if (c == '/' && depth == 1) {
      size_t end = pos + 1;
      while (end < body.size() && !IsDelimiter(body[end])) ++end;
      if (body.substr(pos + 1, end - pos - 1) == key) {
        *value_pos = end;
        return true;
      }
      pos = end;
      // Skip the value so that a name value is not taken for a key.
      while (pos < body.size() && IsSpace(body[pos])) ++pos;
      if (pos < body.size() && body[pos] == '/') {
        ++pos;
        while (pos < body.size() && !IsDelimiter(body[pos])) ++pos;
      }
    } else {
      ++pos;
    }
  }
  return false;
}

void AppendUtf8(uint32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// The bytes of a PDF string as UTF-8: UTF-16BE after its byte order mark, otherwise
// single bytes taken as Latin-1 (what PDFDocEncoding is for letters).
std::string TextToUtf8(const std::string& bytes) {
  std::string out;
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFE &&
      static_cast<uint8_t>(bytes[1]) == 0xFF) {
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      uint32_t unit = static_cast<uint8_t>(bytes[i]) << 8 | static_cast<uint8_t>(bytes[i + 1]);
      if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
        const uint32_t low =
            static_cast<uint8_t>(bytes[i + 2]) << 8 | static_cast<uint8_t>(bytes[i + 3]);
        if (low >= 0xDC00 && low < 0xE000) {
          unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          i += 2;
        }
      }
      AppendUtf8(unit, &out);
    }
    return out;
  }
  for (char c : bytes) AppendUtf8(static_cast<uint8_t>(c), &out);
  return out;
}

// Reads the literal "(...)" or hexadecimal "<...>" string at `pos`.
bool ReadString(std::string_view s, size_t pos, std::string* out) {
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  if (pos >= s.size()) return false;
  out->clear();
  if (s[pos] == '(') {
    int nest = 1;
    for (++pos; pos < s.size(); ++pos) {
      char c = s[pos];
      if (c == '\\' && pos + 1 < s.size()) {
        c = s[++pos];
        switch (c) {
          case 'n': out->push_back('\n'); break;
          case 'r': out->push_back('\r'); break;
          case 't': out->push_back('\t'); break;
          case 'b': out->push_back('\b'); break;
          case 'f': out->push_back('\f'); break;
          case '\r':
            if (pos + 1 < s.size() && s[pos + 1] == '\n') ++pos;
            break;
          case '\n': break;
          default:
            if (c >= '0' && c <= '7') {
              int value = c - '0';
              for (int k = 0; k < 2 && pos + 1 < s.size() && s[pos + 1] >= '0' && s[pos + 1] <= '7'; ++k) {
                value = value * 8 + (s[++pos] - '0');
              }
              out->push_back(static_cast<char>(value & 0xFF));
            } else {
              out->push_back(c);
            }
        }
        continue;
      }
      if (c == '(') ++nest;
      if (c == ')' && --nest == 0) return true;
      out->push_back(c);
    }
    return false;
  }
  if (s[pos] == '<') {
    int high = -1;
    for (++pos; pos < s.size() && s[pos] != '>'; ++pos) {
      const char c = s[pos];
      int v = -1;
      if (c >= '0' && c <= '9') v = c - '0';
      if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
      if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
      if (v < 0) {
        if (IsSpace(c)) continue;
        return false;
      }
      if (high < 0) {
        high = v;
      } else {
        out->push_back(static_cast<char>(high << 4 | v));
        high = -1;
      }
    }
    if (high >= 0) out->push_back(static_cast<char>(high << 4));
    return pos < s.size();
  }
  return false;
}

bool Refuse(std::string* reason, const char* text) {
  if (reason != nullptr) *reason = text;
  return false;
}

}  // namespace

bool ReadPdfInfo(std::string_view pdf, std::string_view key, std::string* value,
                 std::string* reason) {
  value->clear();
  static constexpr const char* kKeys[] = {"Title",    "Author",   "Creator",      "Producer",
                                          "Subject",  "Keywords", "CreationDate", "ModDate",
                                          "Pages"};
  std::string name;
  for (const char* known : kKeys) {
    std::string_view k(known);
    if (k.size() != key.size()) continue;
    bool same = true;
    for (size_t i = 0; i < k.size(); ++i) {
      same = same && (k[i] | 0x20) == (key[i] | 0x20);
    }
    if (same) name = known;
  }
  if (name.empty()) return Refuse(reason, "voce sconosciuta");
  if (pdf.substr(0, 1024).find("%PDF-") == std::string_view::npos) {
    return Refuse(reason, "non è un file PDF");
  }
  // The trailer (or the cross-reference stream's dictionary) is near the end.
  const std::string_view tail = pdf.size() > 65536 ? pdf.substr(pdf.size() - 65536) : pdf;
  if (LastReference(tail, "/Encrypt") >= 0) return Refuse(reason, "file PDF protetto");

  if (name == "Pages") {
    const long root = LastReference(tail, "/Root");
    std::string_view body;
    size_t at = 0;
    if (root < 0 || !FindObject(pdf, root, &body) || !DictionaryValue(body, "Pages", &at)) {
      return Refuse(reason, "struttura delle pagine non leggibile");
    }
    const long pages = ReadReference(body, at);
    if (pages < 0 || !FindObject(pdf, pages, &body) || !DictionaryValue(body, "Count", &at)) {
      return Refuse(reason, "struttura delle pagine non leggibile");
    }
    while (at < body.size() && IsSpace(body[at])) ++at;
    long count = 0;
    size_t digits = 0;
    while (at < body.size() && IsDigit(body[at]) && digits < 9) count = count * 10 + (body[at++] - '0'), ++digits;
    if (digits == 0) return Refuse(reason, "struttura delle pagine non leggibile");
    *value = std::to_string(count);
    return true;
  }

  const long info = LastReference(tail, "/Info");
  if (info < 0) return true;  // a file without information has none of its entries
  std::string_view body;
  if (!FindObject(pdf, info, &body)) return Refuse(reason, "informazioni del documento non leggibili");
  size_t at = 0;
  if (!DictionaryValue(body, name, &at)) return true;
  std::string bytes;
  if (!ReadString(body, at, &bytes)) {
    // An indirect string: "n 0 R" to an object holding it.
    const long ref = ReadReference(body, at);
    std::string_view target;
    if (ref < 0 || !FindObject(pdf, ref, &target) || !ReadString(target, 0, &bytes)) {
      return Refuse(reason, "voce non leggibile");
    }
  }
  *value = TextToUtf8(bytes);
  return true;
}

}  // namespace kaveltar::pdf_internal
