#include <gtest/gtest.h>

#include "base/keys.h"

namespace kaveltar {
namespace {

using Action = HoursMaskOutcome::Action;

// An hours box's text, the caret and the key typed; the text, caret and action that follow.
TEST(HoursMask, DigitsFillThePatternAndEndingTheEntryChecksIt) {
  const struct {
    const char* text;
    int caret;
    int key;
    const char* result;
    int caret_after;
    Action action;
  } cases[] = {
      {"", 0, '5', "  :  ", 0, Action::kBeep},  // the blank pattern is laid down first
      {"0 :  ", 1, '8', "08:  ", 3, Action::kNone},
      {"08:  ", 3, '6', "08:  ", 3, Action::kBeep},
      {"08:3 ", 4, '0', "08:30", 5, Action::kNone},
      {"08:30", 5, '7', "08:30", 5, Action::kNone},  // swallowed at the end, no beep
      {"08:  ", 3, 'a', "08:  ", 3, Action::kBeep},
      {"08:30", 4, kKeyBackspace, "  :  ", 0, Action::kNone},
      {"  :  ", 0, kKeyEnter, "", 0, Action::kCommit},
      {"08:  ", 0, kKeyTab, "08:00", 0, Action::kCommit},
      {"49:00", 0, kKeyEnter, "49:00", 0, Action::kInvalid},
      {"  :30", 0, kKeyEnter, ":30", 0, Action::kInvalid},
      {"8 :  ", 0, kKeyEnter, "8 :00", 0, Action::kInvalid},
      {"49:00", 0, kKeyEscape, "49:00", 0, Action::kCancel},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " + " + std::to_string(c.key));
    const auto out = HoursMaskKey(c.text, c.caret, c.key, HoursBlank::kGrid);
    EXPECT_EQ(out.text, c.result);
    EXPECT_EQ(out.caret, c.caret_after);
    EXPECT_EQ(out.action, c.action);
  }
  // Leaving the box completes what was typed.
  EXPECT_EQ(CompleteHoursText("8:3"), "08:30");
  EXPECT_EQ(CompleteHoursText(" 7:  "), "07:00");
  EXPECT_EQ(CompleteHoursText(""), "00:00");
}

// A box's text, the key typed, whether a minus is allowed, decimals and the longest length
// (0 = any); the key let through (0 = none) and whether the box is emptied first.
TEST(FilterNumericKey, CommaMinusLengthAndALoneZero) {
  const struct {
    const char* text;
    int key;
    bool minus;
    int decimals;
    size_t length;
    int passed;
    bool clear_box;
  } cases[] = {
      {"12", '.', false, 2, 0, ',', false},
      {"12,5", ',', false, 2, 0, 0, false},
      {"12", ',', false, 0, 0, 0, false},
      {"12", '-', false, 2, 0, 0, false},
      {"12", '-', true, 2, 0, '-', false},
      {"-12", '-', true, 2, 0, 0, false},
      {"123", '4', false, 0, 3, 0, false},
      {"123", kKeyBackspace, false, 0, 3, kKeyBackspace, false},
      {"0", '7', false, 0, 0, '7', true},
      {"0,00", '7', false, 2, 0, '7', true},
      {"0,0", '7', false, 2, 0, '7', false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " + " + std::to_string(c.key));
    const auto out = FilterNumericKey(c.text, c.key, c.minus, c.decimals, c.length);
    EXPECT_EQ(out.key, c.passed);
    EXPECT_EQ(out.clear_box, c.clear_box);
  }
}

}  // namespace
}  // namespace kaveltar
