#include "tables/utf8_text.h"

#include "base/encoding.h"

namespace kaveltar::tables_internal {

namespace {

// Length of the UTF-8 sequence that starts at s[i], or 0 when it is malformed.
size_t SequenceLength(std::string_view s, size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  size_t n = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    n = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    n = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    n = 4;
  else
    return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  }
  return n;
}

size_t ByteOffset(std::string_view s, size_t characters) {
  size_t i = 0;
  for (size_t c = 0; c < characters && i < s.size(); ++c) {
    const size_t n = SequenceLength(s, i);
    i += n == 0 ? 1 : n;
  }
  return i;
}

}  // namespace

std::string_view Utf8Left(std::string_view s, size_t n) { return s.substr(0, ByteOffset(s, n)); }

std::string_view Utf8From(std::string_view s, size_t pos) { return s.substr(ByteOffset(s, pos)); }

size_t Utf8Length(std::string_view s) {
  size_t count = 0;
  for (size_t i = 0; i < s.size(); ++count) {
    const size_t n = SequenceLength(s, i);
    i += n == 0 ? 1 : n;
  }
  return count;
}

int NextCodePoint(std::string_view s, size_t* i) {
  const size_t n = SequenceLength(s, *i);
  if (n == 0) {
    // Read the stray byte as Windows-1252, the archives' encoding.
    const std::string utf8 = Cp1252ToUtf8(s.substr(*i, 1));
    ++*i;
    size_t j = 0;
    return NextCodePoint(utf8, &j);
  }
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[*i + k]); };
  int cp = 0;
  switch (n) {
    case 1:
      cp = b(0);
      break;
    case 2:
      cp = ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
      break;
    case 3:
      cp = ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
      break;
    default:
      cp = ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
  }
  *i += n;
  return cp;
}

void AppendCodePoint(std::string* s, int cp) {
  if (cp < 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    s->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    s->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    s->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    s->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    s->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    s->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    s->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    s->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    s->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    s->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

int UpperKey(int cp) {
  if (cp >= 'a' && cp <= 'z') return cp - 32;
  if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 32;  // à..þ except ÷
  switch (cp) {
    case 0xFF:
      return 0x178;  // ÿ
    case 0x161:
      return 0x160;  // š
    case 0x153:
      return 0x152;  // œ
    case 0x17E:
      return 0x17D;  // ž
    default:
      return cp;
  }
}

std::string UpperText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) AppendCodePoint(&out, UpperKey(NextCodePoint(s, &i)));
  return out;
}

}  // namespace kaveltar::tables_internal
