// Keyboard rules of the input boxes, free of any widget: the key filter of numeric boxes and
// the keyboard mask of every "HH:MM" box. The desktop program feeds keys in and applies what
// comes out, so every box behaves the same and the rules are tested here.
#pragma once

#include <string>
#include <string_view>

namespace kaveltar {

inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyTab = 9;
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyEscape = 27;
inline constexpr int kKeySpace = 32;

// What a numeric box does with a typed key.
struct NumericKeyOutcome {
  bool clear_box = false;  // empty the box before the key is applied
  int key = 0;             // the key to apply (possibly changed); 0 = dropped
};

// `text` is the box's content before the key; `max_length` 0 means unlimited.
NumericKeyOutcome FilterNumericKey(std::string_view text, int key, bool negatives_allowed,
                                   int decimals, size_t max_length = 0);

// The blank pattern an empty hours box receives before the first key.
enum class HoursBlank {
  kGrid,   // "  :  " (the grid's cell editor)
  kTable,  // "00:00" (the tables and settings boxes)
};

struct HoursMaskOutcome {
  enum class Action {
    kNone,     // key applied (or swallowed); keep editing
    kBeep,     // key refused with a beep
    kCommit,   // entry ended with a valid text (possibly normalised)
    kInvalid,  // entry refused: show "ERRORE HH:MM" (title "ERRORE"), keep the focus
    kCancel,   // Esc: entry ended without the check
  };
  std::string text;
  int caret = 0;
  Action action = Action::kNone;
};

inline constexpr std::string_view kHoursMaskError = "ERRORE HH:MM";

// Applies one key to an hours box whose text is `text` with the caret at `caret` (0-5).
HoursMaskOutcome HoursMaskKey(std::string_view text, int caret, int key, HoursBlank blank);

// Completion of a table or settings box when it loses the focus: hours right-aligned with
// "0" to two digits, ":", minutes completed with "0" to two digits ("8:3" gives "08:30").
std::string CompleteHoursText(std::string_view text);

}  // namespace kaveltar
