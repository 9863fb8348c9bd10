#include "base/keys.h"

#include "base/hours.h"
#include "base/text.h"

namespace kaveltar {
namespace {

// "0", or "0," / "0." followed by exactly `decimals` zeros.
bool HoldsOnlyZero(std::string_view text, int decimals) {
  if (text == "0") return true;
  if (decimals <= 0 || text.size() != static_cast<size_t>(decimals) + 2) return false;
  if (text[0] != '0' || (text[1] != ',' && text[1] != '.')) return false;
  for (size_t i = 2; i < text.size(); ++i) {
    if (text[i] != '0') return false;
  }
  return true;
}

}  // namespace

NumericKeyOutcome FilterNumericKey(std::string_view text, int key, bool negatives_allowed,
                                   int decimals, size_t max_length) {
  NumericKeyOutcome out;
  if (HoldsOnlyZero(text, decimals)) {
    out.clear_box = true;
    text = {};
  }
  if (key == '.') key = ',';
  if (key == kKeyBackspace) {
    out.key = key;
    return out;
  }
  if (key < '+' || key > '9') return out;
  if (key == ',' && (decimals <= 0 || text.find(',') != std::string_view::npos)) return out;
  if (key == '-' && (!negatives_allowed || text.find('-') != std::string_view::npos)) return out;
  if (max_length > 0 && text.size() >= max_length) return out;
  out.key = key;
  return out;
}

HoursMaskOutcome HoursMaskKey(std::string_view text, int caret, int key, HoursBlank blank) {
  using Action = HoursMaskOutcome::Action;
  HoursMaskOutcome out;
  out.text = std::string(text);
  out.caret = caret;
  if (out.text.empty()) out.text = blank == HoursBlank::kGrid ? "  :  " : "00:00";
  if (out.text.size() != 5) out.text = PadRight(out.text, 5);
  if (out.caret < 0) out.caret = 0;
  if (out.caret > 5) out.caret = 5;

  if (key >= '0' && key <= '9') {
    const int p = out.caret;
    if (p == 2 || p == 5) return out;  // swallowed
    if ((p == 0 && key > '4') || (p == 3 && key > '5')) {
      out.action = Action::kBeep;
      return out;
    }
    out.text[p] = static_cast<char>(key);
    out.caret = p == 1 ? 3 : p + 1;
    return out;
  }
  if (key == kKeyBackspace) {
    out.text = "  :  ";
    out.caret = 0;
    return out;
  }
  if (key == kKeyEscape) {
    out.action = Action::kCancel;
    return out;
  }
  if (key == kKeyEnter || key == kKeyTab || key == kKeySpace) {
    std::string t(Trim(out.text));
    if (t == ":") {
      t.clear();
    } else if (!t.empty() && t.back() == ':') {
      t += "00";
    }
    out.text = t;
    out.action = IsValidHours(t) ? Action::kCommit : Action::kInvalid;
    return out;
  }
  out.action = Action::kBeep;
  return out;
}

std::string CompleteHoursText(std::string_view text) {
  const size_t colon = text.find(':');
  const std::string_view hours =
      Trim(colon == std::string_view::npos ? text : text.substr(0, colon));
  const std::string_view minutes =
      colon == std::string_view::npos ? std::string_view() : Trim(text.substr(colon + 1));
  return PadLeft(hours, 2, '0') + ":" + PadRight(minutes, 2, '0');
}

}  // namespace kaveltar
