#include "pdf/pdf_colors.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace kaveltar::pdf_internal {

namespace {

struct NamedColor {
  std::string_view name;
  uint32_t rgb;
};

constexpr NamedColor kNamedColors[] = {
    {"BLACK", 0x000000},     {"GRAY", 0x808080},        {"SILVER", 0xC0C0C0},
    {"WHITE", 0xFFFFFF},     {"MAROON", 0x800000},      {"RED", 0xFF0000},
    {"PURPLE", 0x800080},    {"FUCHSIA", 0xFF00FF},     {"MAGENTA", 0xFF00FF},
    {"GREEN", 0x008000},     {"LIME", 0x00FF00},        {"OLIVE", 0x808000},
    {"YELLOW", 0xFFFF00},    {"NAVY", 0x000080},        {"BLUE", 0x0000FF},
    {"TEAL", 0x008080},      {"AQUA", 0x00FFFF},        {"CYAN", 0x00FFFF},
    {"ORANGE", 0xFF7F00},    {"AZURE", 0xF0FFFF},       {"GOLD", 0xFFD700},
    {"LIGHTBLUE", 0xADD8E6}, {"LIGHTCYAN", 0xE0FFFF},   {"LIGHTGREEN", 0x90EE90},
    {"LIGHTPINK", 0xFFB6C1}, {"LIGHTYELLOW", 0xFFFFE0}, {"TOMATO", 0xFF6347},
    {"VIOLET", 0xEE82EE},    {"PINK", 0xFFC0CB},        {"IVORY", 0xFFFFF0},
    {"DARKGRAY", 0xA9A9A9},  {"DARKCYAN", 0x008B8B},    {"DARKBLUE", 0x00008B},
    {"BROWN", 0xA52A2A},     {"BEIGE", 0xF5F5DC},
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool ParseDecimal(std::string_view s, double* value) {
  s = Trim(s);
  if (s.empty()) return false;
  if (s.front() == '+') s.remove_prefix(1);
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *value);
  return ec == std::errc() && end == s.data() + s.size() && std::isfinite(*value);
}

int ClampComponent(double v) {
  if (v < 0) return 0;
  if (v > 255) return 255;
  return static_cast<int>(std::lround(v));
}

}  // namespace

bool ParseColor(std::string_view text, uint32_t* rgb) {
  text = Trim(text);
  if (text.empty()) return false;
  if (text.front() == '#') {
    if (text.size() != 7) return false;
    uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data() + 1, text.data() + 7, value, 16);
    if (ec != std::errc() || end != text.data() + 7) return false;
    *rgb = value;
    return true;
  }
  if (text.front() == '%') {
    double percent;
    if (!ParseDecimal(text.substr(1), &percent) || percent < 0 || percent > 100) return false;
    const int component = 255 - static_cast<int>(std::floor(255.0 * percent / 100.0));
    *rgb = static_cast<uint32_t>(component * 0x010101);
    return true;
  }
  if (text.front() == '@') {
    std::vector<double> parts;
    std::string_view rest = text.substr(1);
    for (;;) {
      const size_t semicolon = rest.find(';');
      double v;
      if (!ParseDecimal(rest.substr(0, semicolon), &v)) return false;
      parts.push_back(v);
      if (semicolon == std::string_view::npos) break;
      rest.remove_prefix(semicolon + 1);
    }
    int r, g, b;
    if (parts.size() == 3) {
      r = ClampComponent(parts[0]);
      g = ClampComponent(parts[1]);
      b = ClampComponent(parts[2]);
    } else if (parts.size() == 4) {
      const double k = parts[3];
      r = ClampComponent(std::fabs(100 - (parts[0] + k)) * 2.55);
      g = ClampComponent(std::fabs(100 - (parts[1] + k)) * 2.55);
      b = ClampComponent(std::fabs(100 - (parts[2] + k)) * 2.55);
    } else {
      return false;
    }
    *rgb = static_cast<uint32_t>((r << 16) | (g << 8) | b);
    return true;
  }
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (const NamedColor& named : kNamedColors) {
    if (named.name == upper) {
      *rgb = named.rgb;
      return true;
    }
  }
  return false;
}

std::string ColorText(uint32_t rgb) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "#";
  for (int shift = 20; shift >= 0; shift -= 4) out.push_back(kDigits[(rgb >> shift) & 15]);
  return out;
}

}  // namespace kaveltar::pdf_internal
