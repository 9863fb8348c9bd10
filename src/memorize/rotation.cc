#include "memorize/rotation.h"

#include "archive/fields.h"
#include "base/dates.h"
#include "base/text.h"

namespace kaveltar {
namespace {

// A group code counts when it is neither blank nor zero.
bool IsSet(std::string_view code) { return !code.empty() && Val(code) != 0; }

// Index of the entry holding `position`, or -1.
int FindPosition(const std::vector<RotationEntry>& table, int position) {
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i].position == position) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

ScheduleFields ReadScheduleFields(FieldCodec& codec, std::string_view record) {
  auto get = [&](std::string_view descriptor) {
    return std::string(Trim(codec.GetField(descriptor, 0, record)));
  };
  return {get(fields::kP766), get(fields::kP772), get(fields::kP773), get(fields::kP774),
          get(fields::kP775), get(fields::kP776), get(fields::kP777)};
}

RotationDecision CONTAGRUPPIORARIDIPENDENTE(const ScheduleFields& f) {
  RotationDecision d;
  const bool has_first = IsSet(f.p766);
  const int further = IsSet(f.p772) + IsSet(f.p773) + IsSet(f.p774) + IsSet(f.p775);
  // Without P766, or with P766 alone, there is no rotation: the month uses P766 (or the
  // profile) as a single schedule.
  if (!has_first || further == 0) return d;

  const std::string_view codes[] = {f.p766, f.p772, f.p773, f.p774, f.p775};
  for (int i = 0; i < 5; ++i) {
    if (IsSet(codes[i])) d.table.push_back({i + 1, std::string(codes[i])});
  }
  // A rotation when P773-P775 are not all equal to P772. When they are, the employee still
  // alternates P766 and P772 if those two differ: P766 for one week, then P772 for each of the
  // positions it fills. The table as coded is the schedule the payroll office wrote down, so
  // it is applied as it stands; only when every code is the same group is it a single group.
  const bool further_differ = f.p773 != f.p772 || f.p774 != f.p772 || f.p775 != f.p772;
  if (!further_differ && f.p766 == f.p772) {
    d.table.clear();
    return d;
  }
  d.rotation = true;
  d.change_day = static_cast<int>(ValInt(f.p776));
  d.position = static_cast<int>(ValInt(f.p777));
  return d;
}

std::vector<DayGroup> RotateMonth(const RotationDecision& decision, int year, int month) {
  const int days = MonthLength(month, year);
  std::vector<DayGroup> groups(static_cast<size_t>(days) + 1);
  const auto& table = decision.table;
  if (table.empty()) return groups;
  int position = decision.position;  // P777 as it moves through the month
  for (int day = 1; day <= days; ++day) {
    const int weekday = Weekday(year, month, day) - 1;  // 0 Monday ... 6 Sunday
    int index = 0;                                      // no position yet: the first entry
    if (position != 0) {
      // A position no longer in the table (a group removed since) starts again from the
      // first entry.
      const int at = FindPosition(table, position);
      if (at >= 0) {
        index = at;
        if (weekday == decision.change_day) index = (at + 1) % static_cast<int>(table.size());
      }
    }
    const RotationEntry& entry = table[static_cast<size_t>(index)];
    groups[static_cast<size_t>(day)] = {entry.position, entry.group};
    position = entry.position;
  }
  return groups;
}

}  // namespace kaveltar
