#include "archive/field_codec.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

#include "base/fatal.h"
#include "base/run_time_error.h"
#include "base/text.h"

namespace kaveltar {
namespace {

constexpr std::string_view kUnknownRepository = "ERRORE REPOSITORY - STRCOSTANTE";
constexpr std::string_view kUnknownLetter = "ERRORE REPOSITORY - LETTERA SCONOSCIUTA";

// How the occurrences of a repository's repeating fields are laid out (see RepeatOffset).
enum class Repeat { kNone, kDic, kDi2, kCon, kF24, kM77 };

struct Repository {
  const char* prefix;
  Repeat repeat;
};

// The repositories of the field dictionary. Those with repeating fields read and write their
// current record at the occurrence's position; the others ignore the occurrence there.
constexpr Repository kRepositories[FieldCodec::kRepositoryCount] = {
    {"DITX$", Repeat::kNone}, {"DIPX$", Repeat::kNone}, {"DI2X$", Repeat::kDi2},
    {"DICX$", Repeat::kDic},  {"CONX$", Repeat::kCon},  {"F24X$", Repeat::kF24},
    {"M77X$", Repeat::kM77},  {"FISX$", Repeat::kNone}, {"SETX$", Repeat::kNone},
    {"FOTX$", Repeat::kNone}, {"CUDX$", Repeat::kNone}, {"PROX$", Repeat::kNone},
    {"STUX$", Repeat::kNone}, {"ARTX$", Repeat::kNone}, {"FOPX$", Repeat::kNone},
    {"PARX$", Repeat::kNone}, {"PERX$", Repeat::kNone}, {"COCX$", Repeat::kNone},
    {"STOX$", Repeat::kNone}, {"SCRX$", Repeat::kNone}, {"SCRY$", Repeat::kNone},
    {"GLAX$", Repeat::kNone}, {"GLCX$", Repeat::kNone}, {"SCRU$", Repeat::kNone},
};

// Index into kRepositories of the prefix `text` begins with; -1 when unknown.
int FindRepository(std::string_view text) {
  if (text.size() < 5) return -1;
  for (int i = 0; i < FieldCodec::kRepositoryCount; ++i) {
    if (std::memcmp(text.data(), kRepositories[i].prefix, 5) == 0) return i;
  }
  return -1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Parses a descriptor from its fixed positions; false when malformed.
bool ParseFixed(std::string_view text, Descriptor* out) {
  if (text.size() < 16) return false;
  int position = 0;
  for (size_t i = 6; i < 11; ++i) {
    if (!IsDigit(text[i])) return false;
    position = position * 10 + (text[i] - '0');
  }
  if (!IsDigit(text[12]) || !IsDigit(text[13]) || position == 0) return false;
  out->repository = text.substr(0, 5);
  out->position = position;
  out->width = (text[12] - '0') * 10 + (text[13] - '0');
  out->type = text[15];
  return true;
}

Descriptor ParseOrRaise(std::string_view text) {
  Descriptor d;
  if (!ParseFixed(text, &d)) {
    throw RunTimeError(RunTimeError::kInvalidProcedureCall,
                       "descrittore \"" + std::string(text) + "\"");
  }
  return d;
}

bool IsNumericReadType(char type) { return type == 'N' || (type >= '1' && type <= '9'); }

// The number a text begins with, as Val reads it (leading blanks, a sign, digits and one
// ".", blanks inside the number skipped, an exponent), parsed without regard to the locale. Short
// texts, which is every field, are parsed without allocating.
double LeadingNumber(std::string_view s) {
  char small[128];
  std::string large;
  size_t n = 0;
  auto append = [&](char c) {
    if (n < sizeof(small)) {
      small[n++] = c;
      return;
    }
    if (large.empty()) large.assign(small, n);
    large += c;
    ++n;
  };
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    if (s[i] == '-') append('-');
    ++i;
  }
  bool seen_point = false;
  bool seen_digit = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (IsDigit(c)) {
      append(c);
      seen_digit = true;
    } else if (c == '.' && !seen_point) {
      seen_point = true;
      append(c);
    } else if (c != ' ' && c != '\t') {
      break;
    }
  }
  if (!seen_digit) return 0;
  // An exponent ("1E+20", as numbers are written beyond 15 digits) belongs to the number.
  if (i + 1 < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    size_t j = i + 1;
    if (s[j] == '+' || s[j] == '-') ++j;
    if (j < s.size() && IsDigit(s[j])) {
      append('e');
      for (size_t m = i + 1; m < s.size() && (m < j || IsDigit(s[m])); ++m) append(s[m]);
    }
  }
  const char* begin = large.empty() ? small : large.data();
  double value = 0;
  const auto result = std::from_chars(begin, begin + n, value);
  if (result.ec == std::errc::result_out_of_range) {
    return begin[0] == '-' ? -HUGE_VAL : HUGE_VAL;
  }
  return result.ec == std::errc() ? value : 0;
}

// A number as the payroll program's runtime writes it: up to 15 significant digits, "." as
// the separator whatever the locale, "E+nn"/"E-nn" for very large or small magnitudes.
std::string NumberText(double x) {
  if (!std::isfinite(x) || x == 0) return "0";  // also turns -0 into "0"
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof(buf), x, std::chars_format::general, 15);
  std::string text(buf, result.ptr);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

// Stores `text` at 0-based `start` of `target`, as far as the target reaches.
void Overwrite(std::string& target, long long start, std::string_view text) {
  if (start < 0 || static_cast<unsigned long long>(start) >= target.size()) return;
  const size_t from = static_cast<size_t>(start);
  const size_t n = std::min(text.size(), target.size() - from);
  if (n > 0) std::memcpy(target.data() + from, text.data(), n);
}

}  // namespace

std::optional<Descriptor> ParseDescriptor(std::string_view descriptor) {
  Descriptor d;
  if (!ParseFixed(descriptor, &d)) return std::nullopt;
  return d;
}

std::string ExpandExponent(std::string_view text) {
  size_t e = std::string_view::npos;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == 'E' && (text[i + 1] == '+' || text[i + 1] == '-')) {
      e = i;
      break;
    }
  }
  if (e == std::string_view::npos) return std::string(text);
  const bool shift_right = text[e + 1] == '+';
  // The exponent: the digits at the end. No double needs more than three; anything else is
  // not a number this function can rewrite, and is left as it is.
  const std::string_view exponent_digits = text.substr(e + 2);
  if (exponent_digits.empty() || exponent_digits.size() > 3 || !IsDigits(exponent_digits)) {
    return std::string(text);
  }
  int exponent = 0;
  for (char c : exponent_digits) exponent = exponent * 10 + (c - '0');

  std::string_view mantissa = text.substr(0, e);
  bool negative = false;
  if (!mantissa.empty() && (mantissa[0] == '-' || mantissa[0] == '+')) {
    negative = mantissa[0] == '-';
    mantissa.remove_prefix(1);
  }
  std::string digits;
  long long point = -1;  // digits before the separator
  for (char c : mantissa) {
    if (IsDigit(c)) {
      digits += c;
    } else if ((c == '.' || c == ',') && point < 0) {
      point = static_cast<long long>(digits.size());
    } else {
      return std::string(text);
    }
  }
  if (digits.empty()) return std::string(text);
  if (point < 0) point = static_cast<long long>(digits.size());
  point += shift_right ? exponent : -exponent;

  std::string whole;
  std::string fraction;
  const long long length = static_cast<long long>(digits.size());
  if (point <= 0) {
    whole = "0";
    fraction = std::string(static_cast<size_t>(-point), '0') + digits;
  } else if (point >= length) {
    whole = digits + std::string(static_cast<size_t>(point - length), '0');
  } else {
    whole = digits.substr(0, static_cast<size_t>(point));
    fraction = digits.substr(static_cast<size_t>(point));
  }
  const size_t first = whole.find_first_not_of('0');
  whole = first == std::string::npos ? "0" : whole.substr(first);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();

  std::string out = negative ? "-" : "";
  out += whole;
  if (!fraction.empty()) out += "." + fraction;
  return out;
}

std::string RoundToText(double x, int decimals) {
  const int d = decimals <= 0 ? 2 : decimals;
  if (!std::isfinite(x)) x = 0;
  // Moving the value away from zero by half a unit of the last kept decimal, then cutting
  // the digits beyond it, rounds half away from zero. The 15-digit text absorbs the binary
  // error of values such as 2.345 + 0.005.
  const double half = 5.0 / std::pow(10.0, d + 1);
  x = x >= 0 ? x + half : x - half;
  std::string text = ExpandExponent(NumberText(x));
  const size_t separator = text.find('.');
  if (separator != std::string::npos) {
    text = text.substr(0, separator + 1) +
           PadRight(std::string_view(text).substr(separator + 1), static_cast<size_t>(d), '0');
  } else {
    text += '.';
    text.append(static_cast<size_t>(d), '0');
  }
  if (text[0] == '.') text.insert(0, 1, '0');
  return text;
}

bool FieldCodec::IsKnownRepository(std::string_view text) { return FindRepository(text) >= 0; }

std::string& FieldCodec::CurrentRecord(std::string_view repository) {
  const int index = FindRepository(repository);
  if (index < 0) throw Fatal(std::string(kUnknownRepository));
  return current_[static_cast<size_t>(index)];
}

void FieldCodec::SetCurrentRecord(std::string_view repository, std::string_view record) {
  CurrentRecord(repository).assign(record);
}

int FieldCodec::RepeatOffset(std::string_view descriptor, int occurrence) {
  if (occurrence <= 0) return 0;
  const int index = FindRepository(descriptor);
  if (index < 0) return 0;
  Descriptor d;
  const bool parsed = ParseFixed(descriptor, &d);
  const long long n = occurrence - 1LL;
  const int p = parsed ? d.position : 0;
  long long offset = 0;
  switch (kRepositories[index].repeat) {
    case Repeat::kNone:
      break;
    case Repeat::kDic:
      if (p > 100) offset = n * 10;
      break;
    case Repeat::kDi2: {
      // The field code follows the first "I" from the fourth character on; codes from I100
      // up repeat.
      const size_t letter = descriptor.find('I', 3);
      if (letter == std::string_view::npos) {
        dialogs_.Show(kUnknownLetter, "Salarion", MessageIcon::kCritical);
        return 0;
      }
      if (LeadingNumber(descriptor.substr(letter + 1, 3)) >= 100) offset = n * 714;
      break;
    }
    case Repeat::kCon:
      if (p >= 101 && p <= 390) offset = n * 290;
      break;
    case Repeat::kF24:
      if (p >= 42 && p <= 66) {
        offset = n * 36;
      } else if (p >= 762 && p <= 813) {
        offset = n * 63;
      } else if (p >= 1077 && p <= 1100 + 152 * 20 && (p - 1077) % 152 <= 23) {
        offset = n * 35;  // 21 windows of 24 positions, 152 apart
      } else if (p >= 4359 && p <= 4398) {
        offset = n * 51;
      } else if (p >= 4824 && p <= 4867) {
        offset = n * 55;
      } else if (p == 5000 || (p >= 5094 && p <= 5094 + 16 * 20 && (p - 5094) % 16 == 0)) {
        offset = n * 4;
      } else if (p == 5483) {
        offset = n * 2;
      }
      break;
    case Repeat::kM77:
      if ((p >= 256 && p <= 510) || (p >= 3316 && p <= 3570)) offset = n * 255;
      break;
  }
  return static_cast<int>(std::min<long long>(offset, INT_MAX));
}

namespace {

// Formats the text of a field from its raw bytes into `out` (at least width + 2 bytes);
// returns the length.
size_t FormatRead(const Descriptor& d, std::string_view raw, char* out) {
  if (!IsNumericReadType(d.type)) {
    if (!raw.empty()) std::memcpy(out, raw.data(), raw.size());
    return raw.size();
  }
  // The first "-" becomes "0" and the sign goes in front.
  const size_t minus = raw.find('-');
  size_t n = 0;
  if (minus != std::string_view::npos) out[n++] = '-';
  const size_t digits_at = n;
  if (!raw.empty()) std::memcpy(out + digits_at, raw.data(), raw.size());
  if (minus != std::string_view::npos) out[digits_at + minus] = '0';
  if (d.type == 'N') return n + raw.size();
  // Implied decimals: the first width - d characters, ".", the rest.
  const size_t decimals = static_cast<size_t>(d.type - '0');
  const size_t width = static_cast<size_t>(d.width);
  const size_t head = std::min(raw.size(), width > decimals ? width - decimals : 0);
  std::memmove(out + digits_at + head + 1, out + digits_at + head, raw.size() - head);
  out[digits_at + head] = '.';
  return n + raw.size() + 1;
}

}  // namespace

std::string_view FieldCodec::RawField(std::string_view descriptor, int occurrence,
                                      std::string_view record, Descriptor* parsed) {
  const Descriptor d = ParseOrRaise(descriptor);
  *parsed = d;
  const long long offset = RepeatOffset(descriptor, occurrence);
  std::string_view source = record;
  long long start = d.position - 1LL + offset;
  if (record.empty()) {
    const int index = FindRepository(d.repository);
    if (index < 0) throw Fatal(std::string(kUnknownRepository));
    source = current_[static_cast<size_t>(index)];
    if (kRepositories[index].repeat == Repeat::kNone) start = d.position - 1LL;
  }
  return static_cast<unsigned long long>(start) < source.size()
             ? source.substr(static_cast<size_t>(start), static_cast<size_t>(d.width))
             : std::string_view();
}

std::string FieldCodec::GetField(std::string_view descriptor, int occurrence,
                                 std::string_view record) {
  Descriptor d;
  const std::string_view raw = RawField(descriptor, occurrence, record, &d);
  char buffer[128];
  return std::string(buffer, FormatRead(d, raw, buffer));
}

double FieldCodec::GetFieldValue(std::string_view descriptor, int occurrence,
                                 std::string_view record) {
  Descriptor d;
  const std::string_view raw = RawField(descriptor, occurrence, record, &d);
  char buffer[128];
  return LeadingNumber(std::string_view(buffer, FormatRead(d, raw, buffer)));
}

void FieldCodec::PutField(std::string_view descriptor, std::string_view value, int occurrence,
                          std::string* record) {
  const Descriptor d = ParseOrRaise(descriptor);
  std::string v(value);
  const long long offset = RepeatOffset(descriptor, occurrence);
  const size_t width = static_cast<size_t>(d.width);

  std::string text;
  if (d.type == 'A') {
    text = PadRight(v, width);
  } else {
    // Numbers may arrive with the locale's decimal comma.
    if (const size_t comma = v.find(','); comma != std::string::npos) v[comma] = '.';
    const size_t decimals = IsDigit(d.type) ? static_cast<size_t>(d.type - '0') : 0;
    const bool negative = !v.empty() && v[0] == '-';
    if (negative) v.erase(0, 1);
    if (decimals > 0) v = RoundToText(LeadingNumber(v), static_cast<int>(decimals));
    v = ExpandExponent(v);
    if (decimals > 0) {
      // The decimals without their point, completed or cut to the field's count.
      const size_t separator = v.find_first_of(",.");
      if (separator != std::string::npos) {
        v = v.substr(0, separator) +
            PadRight(std::string_view(v).substr(separator + 1), decimals, '0');
      } else {
        v.append(decimals, '0');
      }
    }
    text = PadLeft(v, width, '0');
    if (negative && !text.empty()) text[0] = '-';
  }

  long long start = d.position - 1LL + offset;
  std::string* target = record;
  if (target == nullptr) {
    const int index = FindRepository(d.repository);
    if (index < 0) throw Fatal(std::string(kUnknownRepository));
    target = &current_[static_cast<size_t>(index)];
    if (kRepositories[index].repeat == Repeat::kNone) start = d.position - 1LL;
  }
  Overwrite(*target, start, text);
}

void FieldCodec::PutFieldValue(std::string_view descriptor, double value, int occurrence,
                               std::string* record) {
  PutField(descriptor, NumberText(value), occurrence, record);
}

}  // namespace kaveltar
