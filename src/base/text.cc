#include "base/text.h"

#include <charconv>
#include <cmath>

namespace kaveltar {

std::string_view TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && s[b] == ' ') ++b;
  return s.substr(b);
}

std::string_view TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] == ' ') --e;
  return s.substr(0, e);
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

std::string PadRight(std::string_view s, size_t width, char fill) {
  std::string out(s.substr(0, width));
  out.resize(width, fill);
  return out;
}

std::string PadLeft(std::string_view s, size_t width, char fill) {
  if (s.size() >= width) return std::string(s.substr(s.size() - width));
  std::string out(width - s.size(), fill);
  out.append(s);
  return out;
}

std::string_view Right(std::string_view s, size_t n) {
  return s.size() <= n ? s : s.substr(s.size() - n);
}

std::string_view Mid(std::string_view s, size_t pos, size_t n) {
  if (pos >= s.size()) return {};
  return s.substr(pos, n);
}

std::string ZeroPad(long long n, size_t width) {
  const bool negative = n < 0;
  unsigned long long magnitude =
      negative ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
  std::string digits = std::to_string(magnitude);
  std::string out = PadLeft(digits, width, '0');
  return negative ? "-" + out : out;
}

double Val(std::string_view s) {
  std::string number;
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) number += s[i++];
  bool seen_point = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      number += c;
    } else if (c == '.' && !seen_point) {
      seen_point = true;
      number += c;
    } else if (c == ' ' || c == '\t') {
      continue;
    } else {
      break;
    }
  }
  if (!number.empty() && number.front() == '+') number.erase(0, 1);
  if (number.empty() || number == "-" || number == ".") return 0;
  // from_chars never looks at the locale: the desktop program runs under the operator's
  // locale, where strtod would stop at the "." of "12.50".
  double value = 0;
  std::from_chars(number.data(), number.data() + number.size(), value);
  return value;
}

long long ValInt(std::string_view s) { return static_cast<long long>(std::trunc(Val(s))); }

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string ToUpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace kaveltar
