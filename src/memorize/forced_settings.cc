#include "memorize/forced_settings.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "app/job_context.h"
#include "archive/fields.h"
#include "archive/selection_lists.h"
#include "base/dates.h"
#include "base/hours.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "memorize/day_engine.h"
#include "tables/holidays.h"

namespace kaveltar {
namespace {

// Memorization and the settings read the employee archives of the processing year and of
// the three years before it.
constexpr int kOldestArchiveDistance = 3;
constexpr std::string_view kNoEnd = "99999999";

void Check(const Status& status, std::string_view what) {
  if (status.ok()) return;
  ThrowDatabaseError(status, what);
}

bool IsSet(std::string_view code) { return !Trim(code).empty() && Val(code) != 0; }

void ResetDay(DayRow& row) {
  row.pres0 = 0;
  COMPILAVUOTO(row);
}

// One employee-month being rewritten: the employee record of the year, its schedule, the
// holidays of the month and the stored rows.
class MonthRewrite {
 public:
  MonthRewrite(const JobContext& job, const ForcedMonth& target)
      : job_(job), target_(target), days_(MonthLength(target.month, target.year)) {
    month_key_ = ZeroPad(target.year, 4) + ZeroPad(target.month, 2);
  }

  // Reads the employee record of the year; shows "DIPENDENTE ... Non trovato (...)" and
  // returns false when it is not there.
  bool LocateEmployee() {
    const int distance = job_.installation.processing_year - target_.year;
    ArchiveFiles& files = job_.archives;
    long record = ArchiveFiles::kNoRecord;
    const std::string key = PadRight(Trim(target_.employee), 10);
    if (distance >= 0 && distance <= kOldestArchiveDistance) {
      const YearSources& sources = SourcesForDistance(distance);
      if (!files.IsOpen(sources.data_base)) files.FAIOPEN(sources.data_base);
      record = files.IsamSearch(sources.index_base, key, 2);
      if (record != ArchiveFiles::kNoRecord && record > 0 &&
          files.LEGGIREC(sources.data_base, record) == 0) {
        record_ = files.RecordBuffer(sources.data_base);
      } else {
        record = ArchiveFiles::kNoRecord;
      }
    }
    if (record == ArchiveFiles::kNoRecord) {
      job_.dialogs.Show(EmployeeNotFoundMessage(target_.employee_text, distance, target_.year),
                        MessageIcon::kCritical);
      return false;
    }
    FieldCodec& codec = job_.codec;
    hired_ = DdMmYyyyToKey(codec.GetField(fields::kP013, 0, record_));
    ended_ = DdMmYyyyToKey(codec.GetField(fields::kP017, 0, record_));
    if (ended_.empty()) ended_ = kNoEnd;
    profile_ = std::string(Trim(codec.GetField(fields::kP138, 0, record_)));
    group_ = std::string(Trim(codec.GetField(fields::kP766, 0, record_)));
    return true;
  }

  // The employee's own schedule as memorization chooses it: the profile when P138 is set,
  // else the group of P766; `code` receives PRES_1 ("" when neither is set).
  void EmployeeSchedule(WeekSchedule* schedule, std::string* code) {
    if (IsSet(profile_)) {
      *code = ScheduleCode(profile_);
      *schedule = ProfileSchedule(profile_);
    } else if (IsSet(group_)) {
      *code = ScheduleCode(group_);
      *schedule = GroupSchedule(group_);
    } else {
      code->clear();
      *schedule = MakeWeekSchedule(WeekHours{}, job_.dialogs);
    }
  }

  // The weekday hours of a GRUPPI row; empty hours when the table does not hold it.
  WeekSchedule GroupSchedule(std::string_view code) {
    Result<std::optional<GroupRow>> group = job_.db.FindGroup(ScheduleCode(code));
    Check(group.status(), "GRUPPI");
    return MakeWeekSchedule(*group ? GroupWeekHours(**group) : WeekHours{}, job_.dialogs);
  }

  // The weekday hours of a profile record; empty hours when the archive does not hold it.
  WeekSchedule ProfileSchedule(std::string_view code) { return ProfileWeekSchedule(job_, code); }

  // Reads FESTIVITA, the patron-saint days and the stored rows of the month.
  void LoadMonth() {
    Result<HolidayCalendar> calendar = HolidayCalendar::Load(job_.db);
    Check(calendar.status(), "FESTIVITA");
    holidays_ = *calendar;
    municipality_day_ = job_.codec.GetField(fields::kF161);
    company_day_ = CompanyPatronDay(job_, target_.employee);
    std::vector<DayRow> rows;
    Check(job_.db.EmployeeMonth(Trim(target_.employee), month_key_, &rows), "PRESENZE");
    for (DayRow& row : rows) {
      const long d = DayOfPeriod(row.period);
      if (d >= 1 && d <= days_) rows_[static_cast<size_t>(d)] = std::move(row);
    }
  }

  // Runs `fill` on every stored day of first..last (clamped to the month) in one
  // transaction, saving each day it returns true for; returns the days written.
  template <class Fill>
  int ForEachDay(int first, int last, Fill fill) {
    first = std::max(first, 1);
    last = std::min(last, days_);
    int written = 0;
    Transaction transaction(job_.db);
    Check(transaction.status(), "PRESENZE");
    for (int day = first; day <= last; ++day) {
      std::optional<DayRow>& row = rows_[static_cast<size_t>(day)];
      if (!row) continue;  // the settings never create rows
      if (!fill(*row, day)) continue;
      Check(job_.db.SaveDay(*row), "PRESENZE");
      ++written;
    }
    Check(transaction.Commit(), "PRESENZE");
    return written;
  }

  bool Employed(const DayRow& row) const { return row.period >= hired_ && row.period <= ended_; }
  bool Holiday(const DayRow& row) const {
    return holidays_.IsHoliday(row.period, municipality_day_, company_day_);
  }
  int WeekdayOf(int day) const { return Weekday(target_.year, target_.month, day); }
  int days() const { return days_; }

 private:
  JobContext job_;
  const ForcedMonth& target_;
  int days_;
  std::string month_key_;
  std::string record_;
  std::string hired_;
  std::string ended_;
  std::string profile_;
  std::string group_;
  HolidayCalendar holidays_;
  std::string municipality_day_;
  std::string company_day_;
  std::array<std::optional<DayRow>, 32> rows_;
};

// The day's schedule as memorization writes it (PRES_1 `code`, PRES_2 the weekday's hours);
// on a day with hours PRES_3 = `worked`, or the theoretical hours when none are forced.
void WriteBaseHours(DayRow& row, std::string_view code, const WeekSchedule& schedule, int weekday,
                    bool holiday, std::optional<std::string_view> worked) {
  SetDaySchedule(row, code, schedule, weekday, holiday);
  if (row.pres[2].empty()) return;
  row.pres[3] = worked ? std::string(*worked) : row.pres[2];
}

bool HoursAccepted(std::string_view hours) { return IsValidHours(hours) || hours == "00:00"; }

}  // namespace

bool AskForcedSetting(Dialogs& dialogs, ForcedSetting setting) {
  std::string_view question = kAbsenceQuestion;
  if (setting == ForcedSetting::kGroup) question = kGroupQuestion;
  if (setting == ForcedSetting::kWorkedHours) question = kWorkedHoursQuestion;
  return dialogs.Ask(question, MessageIcon::kQuestion);
}

std::string EmployeeNotFoundMessage(std::string_view employee_text, int distance, int /*year*/) {
  std::string text = "DIPENDENTE ";
  text += employee_text;
  // The program knows four employee archives and a text for each. A year before the
  // oldest of them is reported as not found in the oldest (the search reaches back no
  // further), a year after the processing year as not found in the current one.
  if (distance <= 0) {
    text += " Non trovato (ANNO CORRENTE)";
  } else if (distance == 1) {
    text += " Non trovato (ANNO PRECEDENTE)";
  } else if (distance == 2) {
    text += " Non trovato (ANNO PRECEDENTE 2)";
  } else {
    text += " Non trovato (ANNO PRECEDENTE 3)";
  }
  return text;
}

ForcedOutcome ASSEGNA_ASSENZA_GIORNI(const JobContext& job, const ForcedMonth& target,
                                     const AbsenceSetting& setting) {
  job.trace.TraceProcedure("ASSEGNA_ASSENZA_GIORNI");
  const std::string code(Trim(Mid(setting.code, 0, 3)));
  const std::string hours(Trim(setting.hours));
  if (!HoursAccepted(hours)) {
    job.dialogs.Show(kAbsenceHoursInvalid, MessageIcon::kCritical);
    return {ForcedResult::kInvalidHours, 0};
  }
  MonthRewrite month(job, target);
  if (!month.LocateEmployee()) return {ForcedResult::kEmployeeNotFound, 0};
  month.LoadMonth();

  // The absence day filler is the memorization day filler with one absence row, whose typed
  // hours count whenever they are not zero.
  DayOptions options;
  options.cover_holidays = setting.cover_holidays;
  options.consider_worked_hours = setting.consider_worked_hours;
  options.use_typed_hours = true;
  options.rows[0] = LongPeriodRow{code, setting.from_day, setting.to_day, hours};
  std::array<std::optional<std::string>, kLongPeriodRows> types;
  if (!code.empty()) {
    Result<std::optional<JustificationRow>> found = job.db.FindJustification(code);
    Check(found.status(), "GIUSTIFICATIVI");
    if (*found) types[0] = ToUpperAscii(Trim((*found)->gius[2]));
  }
  DayFiller filler(options, types, job.dialogs);

  WeekSchedule schedule;
  std::string schedule_code;
  month.EmployeeSchedule(&schedule, &schedule_code);
  const int written = month.ForEachDay(setting.from_day, setting.to_day, [&](DayRow& row, int day) {
    if (!month.Employed(row)) return false;  // left as it is
    const bool holiday = month.Holiday(row);
    const int weekday = month.WeekdayOf(day);
    // Without group or profile the stored schedule code stays.
    SetDaySchedule(row, schedule_code.empty() ? std::string(row.pres[1]) : schedule_code, schedule,
                   weekday, holiday);
    filler.Fill(row, schedule, weekday, day, holiday);
    return true;
  });
  return {ForcedResult::kDone, written};
}

ForcedOutcome IMPOSTAGRUPPO(const JobContext& job, const ForcedMonth& target,
                            std::string_view group, int from_day, int to_day) {
  job.trace.TraceProcedure("IMPOSTAGRUPPO");
  const std::string code(Trim(Mid(group, 0, 3)));
  MonthRewrite month(job, target);
  if (!month.LocateEmployee()) return {ForcedResult::kEmployeeNotFound, 0};
  month.LoadMonth();
  const WeekSchedule schedule = month.GroupSchedule(code);
  const int written = month.ForEachDay(from_day, to_day, [&](DayRow& row, int day) {
    ResetDay(row);
    if (!month.Employed(row)) return true;
    WriteBaseHours(row, code, schedule, month.WeekdayOf(day), month.Holiday(row), std::nullopt);
    return true;
  });
  return {ForcedResult::kDone, written};
}

ForcedOutcome IMPOSTAORELAV(const JobContext& job, const ForcedMonth& target,
                            std::string_view hours, int from_day, int to_day) {
  job.trace.TraceProcedure("IMPOSTAORELAV");
  const std::string forced(Trim(hours));
  if (!HoursAccepted(forced)) {
    job.dialogs.Show(kWorkedHoursInvalid, MessageIcon::kCritical);
    return {ForcedResult::kInvalidHours, 0};
  }
  MonthRewrite month(job, target);
  if (!month.LocateEmployee()) return {ForcedResult::kEmployeeNotFound, 0};
  month.LoadMonth();
  WeekSchedule schedule;
  std::string schedule_code;
  month.EmployeeSchedule(&schedule, &schedule_code);
  // "00:00" forces no worked hours: PRES_3 stays empty.
  const std::string worked = forced == "00:00" ? std::string() : forced;
  const int written = month.ForEachDay(from_day, to_day, [&](DayRow& row, int day) {
    ResetDay(row);
    if (!month.Employed(row)) return true;
    WriteBaseHours(row, schedule_code, schedule, month.WeekdayOf(day), month.Holiday(row),
                   std::string_view(worked));
    return true;
  });
  return {ForcedResult::kDone, written};
}

ForcedOutcome cmdReimposta(const JobContext& job, const ForcedMonth& target) {
  job.trace.TraceProcedure("cmdReimposta_Click");
  if (!job.dialogs.Ask(kReprocessQuestion, MessageIcon::kQuestion)) {
    return {ForcedResult::kDeclined, 0};
  }
  MonthRewrite month(job, target);
  if (!month.LocateEmployee()) return {ForcedResult::kEmployeeNotFound, 0};
  month.LoadMonth();
  WeekSchedule schedule;
  std::string schedule_code;
  month.EmployeeSchedule(&schedule, &schedule_code);
  const int written = month.ForEachDay(1, month.days(), [&](DayRow& row, int day) {
    ResetDay(row);
    if (!month.Employed(row)) return true;
    WriteBaseHours(row, schedule_code, schedule, month.WeekdayOf(day), month.Holiday(row),
                   std::nullopt);
    return true;
  });
  return {ForcedResult::kDone, written};
}

}  // namespace kaveltar
