// The daily schedule engine: fills one PRESENZE day row during month memorization from the
// weekday hours of the employee's schedule, the holiday flag of the day, and up to three
// long-period absence rows typed on the memorization screen.
//
// What memorization writes into a row (the meaning every other part of the program reads):
//   PRES_0          0 when the day is reset; nothing else is ever written here
//   PRES_1          schedule code: profile code or schedule group, three digits
//   PRES_2          theoretical hours "HH:MM"; empty without hours or on a holiday
//   PRES_3          worked hours "HH:MM": the theoretical hours, less what the absences take
//   PRES_4..PRES_9  justification slots 1-3 (code, hours) of the long-period rows
//   PRES_10..13     slots 4 and 5: only cleared
// A zero duration is always the empty text, never "00:00". Slots 6-10 (PRES_14..PRES_23)
// belong to the external import and are never touched.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/dialogs.h"
#include "db/attendance_db.h"

namespace kaveltar {
struct JobContext;
}

namespace kaveltar {

// One long-period absence row of the memorization screen: `CMBGIUS`(i), `DallaData`(i),
// `AllaData`(i) and `OreGius`(i).
struct LongPeriodRow {
  std::string code;             // justification code (KGIUS); empty = row not used
  int from_day = 0;             // first day of the month it covers; 0 = not set
  int to_day = 0;               // last day
  std::string hours = "00:00";  // the hours typed for it (count only with `chkore`)
  bool operator==(const LongPeriodRow&) const = default;
};

inline constexpr int kLongPeriodRows = 3;

// The screen options the day filler reads.
struct DayOptions {
  bool cover_holidays = false;         // `ChkCopriFest`: absences cover holidays too
  bool consider_worked_hours = false;  // `ChkConsidera`: absences reduce the worked hours
                                       // instead of replacing them
  bool use_typed_hours = false;        // `chkore`: the typed hours count instead of the whole day
  std::array<LongPeriodRow, kLongPeriodRows> rows;
};

// `WeekHours`: the theoretical hours of Monday (index 1) to Sunday (index 7), "HH:MM" or
// empty; index 0 is unused.
using WeekHours = std::array<std::string, 8>;

// A schedule ready for the day filler: the weekday hours, trimmed, and their minutes,
// converted once per schedule (so a malformed value is reported once, not once a day).
struct WeekSchedule {
  WeekHours hours;
  std::array<long, 8> minutes{};
};
// Converts the seven values with `HoursToMinutes` (a bad one shows "ERRORE HH:MM" and counts
// as 0, its text is kept).
WeekSchedule MakeWeekSchedule(const WeekHours& hours, Dialogs& dialogs);

// A profile value H.MM (hours, point, minutes as a number) as "HH:MM": "7.45" gives "07:45",
// "8.5" gives "08:05", "0.00" gives "".
std::string OTTIMIZZAORETEORICHE(std::string_view profile_value);

// The weekday hours of a GRUPPI row (GRUP_3..GRUP_9, trimmed).
WeekHours GroupWeekHours(const GroupRow& group);

// The schedule of the profile `code` (its record number in the profile archive, base 96, which
// is opened when needed): B004..B010 through `OTTIMIZZAORETEORICHE`. A code that is not a
// record the archive holds gives a week without hours. When `current_record` is not empty the
// record read is also made the codec's current record under that name.
WeekSchedule ProfileWeekSchedule(const JobContext& job, std::string_view code,
                                 std::string_view current_record = {});

// The company's patron-saint day (T030, DDMM as stored) of the company whose code is the first
// three characters of `company_or_key` (a company code or an employee key), read from the
// company archive, which is opened when needed. "" for a code that is not a record there.
std::string CompanyPatronDay(const JobContext& job, std::string_view company_or_key);

// A day outside the employment period: PRES_1 to PRES_13 empty.
void COMPILAVUOTO(DayRow& row);

// A schedule code (profile or group) as PRES_1 holds it: the trimmed code padded with
// leading zeros to three digits ("7" gives "007").
std::string ScheduleCode(std::string_view code);

// The schedule of one day, built the same way by memorization, the external import, the
// forced settings and the reprocessing of a month: PRES_1 = `code` (as given; callers pass
// ScheduleCode), PRES_2 = the hours T of the day's weekday (1 Monday ... 7 Sunday) in
// `schedule`, left empty when T is zero or the day is a holiday, since a zero duration is
// stored as the empty text and never as "00:00". Nothing else of the row is touched.
void SetDaySchedule(DayRow& row, std::string_view code, const WeekSchedule& schedule, int weekday,
                    bool holiday);
// PRES_2 alone, as SetDaySchedule writes it.
std::string_view TheoreticalHours(const WeekSchedule& schedule, int weekday, bool holiday);

class DayFiller {
 public:
  // `types` holds the `JustificationType` (GIUS_2, trimmed, upper case) of each row's code,
  // or nullopt when the code is not in GIUSTIFICATIVI. The typed hours of the rows are
  // converted once here (a text that is not "HH:MM" shows "ERRORE HH:MM" and counts as 0).
  DayFiller(const DayOptions& options,
            const std::array<std::optional<std::string>, kLongPeriodRows>& types, Dialogs& dialogs);

  // The weekday filler (`COMPILALUNEDI_NEW` ... `COMPILADOMENICA_NEW` are this one procedure):
  // writes PRES_2 to PRES_13 of `row` for day `day` of the month, whose weekday (1 Monday ...
  // 7 Sunday) takes its hours T from `schedule`, and which is a holiday when `holiday`.
  // PRES_2 is TheoreticalHours; PRES_0, PRES_1 and PRES_14 on are left as they are.
  void Fill(DayRow& row, const WeekSchedule& schedule, int weekday, int day, bool holiday);

 private:
  struct Row {
    std::string code;  // trimmed
    int from_day = 0;
    int to_day = 0;
    std::string hours;  // trimmed, written as typed
    long hours_minutes = 0;
    std::string type;  // `JustType`
  };

  DayOptions options_;
  std::array<Row, kLongPeriodRows> rows_;
  Dialogs& dialogs_;
};

}  // namespace kaveltar
