#include "memorize/day_engine.h"

#include "app/job_context.h"
#include "archive/bases.h"
#include "archive/fields.h"
#include "base/hours.h"
#include "base/text.h"

namespace kaveltar {

std::string OTTIMIZZAORETEORICHE(std::string_view profile_value) {
  // Hours before the first point, and the number after it taken as minutes.
  const std::string_view value = Trim(profile_value);
  const size_t point = value.find('.');
  const std::string_view hours = value.substr(0, point);
  const std::string_view minutes =
      point == std::string_view::npos ? std::string_view() : value.substr(point + 1);
  return MinutesToHours(static_cast<long>(ValInt(hours) * 60 + ValInt(minutes)));
}

void COMPILAVUOTO(DayRow& row) {
  for (int n = 1; n <= 13; ++n) row.pres[static_cast<size_t>(n)].clear();
}

std::string ScheduleCode(std::string_view code) {
  std::string padded = "000";
  padded += Trim(code);
  return padded.substr(padded.size() - 3);
}

std::string_view TheoreticalHours(const WeekSchedule& schedule, int weekday, bool holiday) {
  const size_t w = static_cast<size_t>(weekday);
  if (schedule.minutes[w] == 0 || holiday) return {};
  return schedule.hours[w];
}

void SetDaySchedule(DayRow& row, std::string_view code, const WeekSchedule& schedule, int weekday,
                    bool holiday) {
  row.pres[1] = code;
  row.pres[2] = TheoreticalHours(schedule, weekday, holiday);
}

WeekSchedule MakeWeekSchedule(const WeekHours& hours, Dialogs& dialogs) {
  WeekSchedule schedule;
  for (size_t w = 1; w <= 7; ++w) {
    schedule.hours[w] = Trim(hours[w]);
    schedule.minutes[w] = HoursToMinutes(schedule.hours[w], dialogs);
  }
  return schedule;
}

DayFiller::DayFiller(const DayOptions& options,
                     const std::array<std::optional<std::string>, kLongPeriodRows>& types,
                     Dialogs& dialogs)
    : options_(options), dialogs_(dialogs) {
  for (size_t i = 0; i < rows_.size(); ++i) {
    const LongPeriodRow& in = options.rows[i];
    Row& row = rows_[i];
    row.code = Trim(in.code);
    row.from_day = in.from_day;
    row.to_day = in.to_day;
    row.hours = Trim(in.hours);
    row.hours_minutes = HoursToMinutes(row.hours, dialogs_);
    // A code missing from GIUSTIFICATIVI keeps the type of the row before it (of this day:
    // the first row then has no type, which applies it only as an absence on working days).
    if (types[i]) {
      row.type = *types[i];
    } else if (i > 0) {
      row.type = rows_[i - 1].type;
    }
  }
}

void DayFiller::Fill(DayRow& row, const WeekSchedule& schedule, int weekday, int day,
                     bool holiday) {
  const std::string& t = schedule.hours[static_cast<size_t>(weekday)];
  const long theoretical = schedule.minutes[static_cast<size_t>(weekday)];

  // Base hours: the weekday's hours, unless the weekday has none or the day is a holiday;
  // the worked hours start equal to them.
  row.pres[2] = TheoreticalHours(schedule, weekday, holiday);
  row.pres[3] = row.pres[2];
  for (int n = 4; n <= 13; ++n) row.pres[static_cast<size_t>(n)].clear();
  long day_absence = 0;  // `DayAbsence`

  for (int i = 0; i < kLongPeriodRows; ++i) {
    const Row& r = rows_[static_cast<size_t>(i)];
    // A day without theoretical hours takes only sickness, maternity and injury.
    if (theoretical == 0 && r.type != "M") continue;
    if (r.code.empty() || r.from_day == 0 || r.to_day == 0 || day < r.from_day || day > r.to_day)
      continue;
    // `Applies`: an absence covers a working day; a holiday only for type "M" or when the
    // operator asked to cover holidays. Each row decides for itself: the flag is not carried
    // from an earlier row of the same day, since that would let a sickness row make an
    // ordinary absence on a holiday count, depending only on the order of the rows.
    const bool applies = !holiday || r.type == "M" || options_.cover_holidays;
    if (!applies) continue;

    // Row 0 takes slot 1, row 1 the first free of slots 1-2, row 2 the first free of 1-3.
    int slot = 1;
    while (slot <= i && !row.SlotCode(slot).empty()) ++slot;

    // The hours of the slot: the whole day, or the typed hours when `chkore` is ticked and
    // they are not zero; on a day without hours only typed hours.
    std::string_view chosen;
    if (theoretical != 0) {
      chosen = options_.use_typed_hours && r.hours_minutes != 0 ? std::string_view(r.hours)
                                                                : std::string_view(t);
    } else if (r.hours_minutes != 0) {
      chosen = r.hours;
    }

    if (!options_.consider_worked_hours) {
      // The justification replaces the day's work.
      row.pres[3].clear();
      row.SlotCode(slot) = r.code;
      row.SlotHours(slot) = chosen;
    } else if (r.type == "P" || r.type == "N") {
      // Presence and neutral codes sit beside the worked hours.
      row.SlotCode(slot) = r.code;
      row.SlotHours(slot) = chosen;
    } else {
      // Absences reduce the worked hours so that work and absences fill the day.
      long worked = HoursToMinutes(row.pres[3], dialogs_);
      const long just =
          options_.use_typed_hours && r.hours_minutes != 0 ? r.hours_minutes : theoretical;
      if (worked + just + day_absence > theoretical) {
        worked = theoretical != 0 ? theoretical - just - day_absence : theoretical;
        // Absences longer than the day leave no worked time: stored as empty (zero), since
        // a negative duration has no "HH:MM" form and no meaning on the attendance sheet.
        if (worked < 0) worked = 0;
      }
      row.pres[3] = MinutesToHours(worked);
      row.SlotCode(slot) = r.code;
      row.SlotHours(slot) = MinutesToHours(just);
      day_absence += just;
    }
  }
}

WeekHours GroupWeekHours(const GroupRow& group) {
  WeekHours hours;
  for (size_t w = 1; w <= 7; ++w) hours[w] = std::string(Trim(group.grup[w + 1]));
  return hours;
}

WeekSchedule ProfileWeekSchedule(const JobContext& job, std::string_view code,
                                 std::string_view current_record) {
  ArchiveFiles& files = job.archives;
  if (!files.IsOpen(bases::kProfiles)) files.FAIOPEN(bases::kProfiles);
  WeekHours hours;
  const long record = static_cast<long>(ValInt(Trim(code)));
  if (record > 0 && files.LEGGIREC(bases::kProfiles, record) == 0) {
    const std::string& buffer = files.RecordBuffer(bases::kProfiles);
    if (!current_record.empty()) job.codec.SetCurrentRecord(current_record, buffer);
    for (size_t w = 1; w <= 7; ++w) {
      hours[w] = OTTIMIZZAORETEORICHE(job.codec.GetField(fields::kProfileDays[w - 1], 0, buffer));
    }
  }
  return MakeWeekSchedule(hours, job.dialogs);
}

std::string CompanyPatronDay(const JobContext& job, std::string_view company_or_key) {
  ArchiveFiles& files = job.archives;
  if (!files.IsOpen(bases::kCompanies)) files.FAIOPEN(bases::kCompanies);
  const long record = static_cast<long>(ValInt(Mid(company_or_key, 0, 3)));
  if (record <= 0 || files.LEGGIREC(bases::kCompanies, record) != 0) return {};
  return job.codec.GetField(fields::kT030, 0, files.RecordBuffer(bases::kCompanies));
}

}  // namespace kaveltar
