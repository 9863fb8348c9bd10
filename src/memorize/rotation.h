// Rotating schedule groups: an employee may alternate up to five schedule groups (P766 and
// P772..P775), moving to the next one on a fixed day of the week (P776, 0 Monday ... 6
// Sunday). P777 holds the position reached at the end of the last memorized month; month
// memorization advances it and writes it back to the employee record.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "archive/field_codec.h"

namespace kaveltar {

// One entry of `RotationTable`: a fixed position "1".."5" and the group it names (the
// field's text, trimmed).
struct RotationEntry {
  int position = 0;
  std::string group;
  bool operator==(const RotationEntry&) const = default;
};

// What `CONTAGRUPPIORARIDIPENDENTE` decides for one employee record.
struct RotationDecision {
  bool rotation = false;
  std::vector<RotationEntry> table;  // `RotationTable`, only non-blank, non-zero codes
  int change_day = 0;                // P776: 0 Monday ... 6 Sunday
  int position = 0;                  // P777: 0 (blank or zero) means none yet
};

// The schedule fields of an employee, as texts trimmed of blanks.
struct ScheduleFields {
  std::string p766, p772, p773, p774, p775, p776, p777;
};
ScheduleFields ReadScheduleFields(FieldCodec& codec, std::string_view record);

// Decides single group or rotation (see rotation.cc for the cases).
RotationDecision CONTAGRUPPIORARIDIPENDENTE(const ScheduleFields& fields);

// The group in force on one day (`DayGroups`).
struct DayGroup {
  int position = 0;
  std::string group;
  bool operator==(const DayGroup&) const = default;
};

// `DayGroups` for days 1..MonthLength of the month (index 0 unused): the rotation of
// `ELABORAMESEGRUPPIRIPETITIVI` applied day by day from the decision's P777. The position of
// the last day is what is written back to P777. An empty table gives no groups.
std::vector<DayGroup> RotateMonth(const RotationDecision& decision, int year, int month);

}  // namespace kaveltar
