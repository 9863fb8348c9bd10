#include <gtest/gtest.h>

#include "base/keys.h"

namespace kaveltar {
namespace {

using Action = HoursMaskOutcome::Action;

// Types a sequence of keys into an hours box, the way the desktop program feeds them.
HoursMaskOutcome Type(std::string text, int caret, std::string_view keys, HoursBlank blank) {
  HoursMaskOutcome out{text, caret, Action::kNone};
  for (char k : keys) {
    out = HoursMaskKey(out.text, out.caret, static_cast<unsigned char>(k), blank);
    if (out.action != Action::kNone && out.action != Action::kBeep) break;
  }
  return out;
}

TEST(HoursMask, DigitsFillThePatternAndJumpTheColon) {
  auto out = Type("", 0, "0830", HoursBlank::kGrid);
  EXPECT_EQ(out.text, "08:30");
  EXPECT_EQ(out.caret, 5);
  out = Type("", 0, "0830", HoursBlank::kTable);
  EXPECT_EQ(out.text, "08:30");
  // A digit at the colon or at the end is swallowed without a beep.
  out = HoursMaskKey("08:30", 5, '7', HoursBlank::kGrid);
  EXPECT_EQ(out.text, "08:30");
  EXPECT_EQ(out.action, Action::kNone);
  out = HoursMaskKey("08:30", 2, '7', HoursBlank::kGrid);
  EXPECT_EQ(out.text, "08:30");
}

TEST(HoursMask, RefusesImpossibleDigitsAndOtherKeys) {
  auto out = HoursMaskKey("", 0, '5', HoursBlank::kGrid);
  EXPECT_EQ(out.action, Action::kBeep);
  EXPECT_EQ(out.text, "  :  ");  // the blank pattern is laid down first
  out = HoursMaskKey("08:  ", 3, '6', HoursBlank::kGrid);
  EXPECT_EQ(out.action, Action::kBeep);
  EXPECT_EQ(out.text, "08:  ");
  out = HoursMaskKey("08:  ", 3, 'a', HoursBlank::kGrid);
  EXPECT_EQ(out.action, Action::kBeep);
  out = HoursMaskKey("08:30", 4, kKeyBackspace, HoursBlank::kTable);
  EXPECT_EQ(out.text, "  :  ");
  EXPECT_EQ(out.caret, 0);
}

TEST(HoursMask, EndingTheEntryNormalisesAndChecks) {
  struct Case {
    const char* text;
    int key;
    const char* result;
    Action action;
  } cases[] = {
      {"  :  ", kKeyEnter, "", Action::kCommit},
      {"08:  ", kKeyTab, "08:00", Action::kCommit},
      {"08:30", kKeySpace, "08:30", Action::kCommit},
      {"49:00", kKeyEnter, "49:00", Action::kInvalid},
      {"  :30", kKeyEnter, ":30", Action::kInvalid},
      {"8 :  ", kKeyEnter, "8 :00", Action::kInvalid},
      {"49:00", kKeyEscape, "49:00", Action::kCancel},
  };
  for (const auto& c : cases) {
    const auto out = HoursMaskKey(c.text, 0, c.key, HoursBlank::kGrid);
    EXPECT_EQ(out.text, c.result) << c.text;
    EXPECT_EQ(out.action, c.action) << c.text;
  }
}

TEST(HoursMask, CompletionOnFocusLost) {
  EXPECT_EQ(CompleteHoursText("8:3"), "08:30");
  EXPECT_EQ(CompleteHoursText("08:30"), "08:30");
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
      {"12", 'x', false, 0, 0, 0, false},
      {"0", '7', false, 0, 0, '7', true},
      {"0,00", '7', false, 2, 0, '7', true},
      {"0,0", '7', false, 2, 0, '7', false},
      {"10", '7', false, 0, 0, '7', false},
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
