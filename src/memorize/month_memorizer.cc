#include "memorize/month_memorizer.h"

#include "app/job_context.h"
#include "archive/fields.h"
#include "archive/selection_lists.h"
#include "base/dates.h"
#include "base/hours.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "memorize/long_period_rows.h"

namespace kaveltar {
namespace {

// An unreadable employee index, or one that points at the wrong record, stops the run with
// "bad record number".
constexpr int kIndexError = RunTimeError::kBadRecordNumber;

// Employee archives exist for the processing year and the three years before it.
constexpr int kOldestArchiveDistance = 3;

constexpr std::string_view kNoEnd = "99999999";

// A code counts when it is neither blank nor zero.
bool IsSet(std::string_view code) { return !Trim(code).empty() && Val(code) != 0; }

std::string Digits2(int n) { return ZeroPad(n, 2); }

}  // namespace

Status CheckMemorizeOptions(const MemorizeOptions& options) {
  if (options.month < 1 || options.month > 12) {
    return Status::Invalid("Mese non valido: " + std::to_string(options.month));
  }
  if (options.year < 1 || options.year > 9999) {
    return Status::Invalid("Anno non valido: " + std::to_string(options.year));
  }
  LongPeriodRows rows(options.year, options.month);
  for (int i = 0; i < kLongPeriodRows; ++i) {
    const LongPeriodRow& row = options.day.rows[static_cast<size_t>(i)];
    rows.set_row(i, row);
    if (!IsValidHours(Trim(row.hours))) {
      return Status::Invalid("Formato ore non valido: " + row.hours +
                             " (il formato corretto è HH:MM)");
    }
  }
  for (int i = 0; i < kLongPeriodRows; ++i) {
    for (bool last : {false, true}) {
      const std::string_view problem = rows.CheckDay(i, last);
      if (!problem.empty()) return Status::Invalid(std::string(problem));
    }
  }
  return Status::Ok();
}

struct MonthMemorizer::Employee {
  std::string key;       // trimmed: KDIPENDENTE
  std::string hired;     // YYYYMMDD ("" when blank)
  std::string ended;     // YYYYMMDD, kNoEnd when blank
  std::string end_date;  // YYYYMMDD, "" when blank
  int status = 0;        // P054
  bool collaborator = false;
  std::string profile;  // P138 trimmed
  std::string group;    // P766 trimmed
};

MonthMemorizer::MonthMemorizer(const JobContext& job, const MemorizeOptions& options)
    : job_(job), options_(options) {
  AttendanceDb& db = job_.db;
  month_key_ = ZeroPad(options_.year, 4) + Digits2(options_.month);
  days_ = MonthLength(options_.month, options_.year);
  distance_ = job_.installation.processing_year - options_.year;
  for (int day = 1; day <= days_; ++day)
    weekdays_[static_cast<size_t>(day)] = Weekday(options_.year, options_.month, day);

  Result<HolidayCalendar> calendar = HolidayCalendar::Load(db);
  Check(calendar.status(), "FESTIVITA");
  holidays_ = *calendar;
  municipality_day_ = job_.codec.GetField(fields::kF161);

  std::vector<GroupRow> groups;
  Check(db.ListGroups(&groups), "GRUPPI");
  for (const GroupRow& g : groups) groups_.emplace(g.code, Group{GroupWeekHours(g), std::nullopt});

  std::array<std::optional<std::string>, kLongPeriodRows> types;
  for (size_t i = 0; i < types.size(); ++i) {
    const std::string_view code = Trim(options_.day.rows[i].code);
    if (code.empty()) continue;
    Result<std::optional<JustificationRow>> found = db.FindJustification(code);
    Check(found.status(), "GIUSTIFICATIVI");
    if (*found) types[i] = ToUpperAscii(Trim((*found)->gius[2]));
  }
  filler_.emplace(options_.day, types, job_.dialogs);
  for (DayRow& row : rows_) row.pres.fill({});
}

void MonthMemorizer::Check(const Status& status, std::string_view what) {
  if (status.ok()) return;
  ThrowDatabaseError(status, what);
}

const WeekSchedule* MonthMemorizer::GroupSchedule(std::string_view code) {
  const auto it = groups_.find(ScheduleCode(code));
  if (it == groups_.end()) return nullptr;
  Group& group = it->second;
  if (!group.schedule) group.schedule = MakeWeekSchedule(group.hours, job_.dialogs);
  return &*group.schedule;
}

void MonthMemorizer::LoadProfile(std::string_view code, WeekSchedule* schedule) {
  *schedule = ProfileWeekSchedule(job_, code, "PROX$");
}

const std::string& MonthMemorizer::CompanyPatronDay(std::string_view key) {
  const std::string_view company = key.substr(0, 3);
  if (company == company_code_) return company_day_;
  company_code_ = company;
  company_day_ = kaveltar::CompanyPatronDay(job_, company);
  return company_day_;
}

void MonthMemorizer::ReportAnomaly(const Employee& e, Anomaly anomaly) {
  // Someone who has left (status 2) is reported only once the processing date has reached
  // the end of employment; for a missing schedule the end date must also be there.
  if (e.status == 2) {
    if (Val(job_.installation.processing_date) < Val(e.end_date)) return;
    if (anomaly == Anomaly::kNoSchedule && e.end_date.empty()) return;
  }
  // One line per employee in a run; the run remembers every key it reported, however many.
  if (!reported_.insert(e.key).second) return;

  std::string line;
  const std::string_view prefix = e.collaborator ? kCollaboratorPrefix : kEmployeePrefix;
  switch (anomaly) {
    case Anomaly::kGroupMissing:
      line.append(prefix).append(e.key).append(kGroupMissingText);
      break;
    case Anomaly::kNoSchedule:
      line.append(kEmployeePrefix).append(e.key).append(kNoScheduleText);
      break;
    case Anomaly::kRotationWithProfile:
      line.append("Il ").append(prefix).append(e.key).append(kRotationWithProfileText);
      break;
  }
  if (anomaly_sink_) anomaly_sink_(line);
}

void MonthMemorizer::ELABORADIPENDENTI(const std::vector<std::string>& keys) {
  job_.trace.TraceProcedure("ELABORADIPENDENTI");
  // Each employee is looked up in the archive's index: its nodes are read once for the run.
  const ArchiveFiles::KeptIndexNodes kept_nodes(job_.archives);
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string_view key = keys[i];
    if (progress_sink_) progress_sink_(i, keys.size(), key);
    job_.db.ReadAhead(key.substr(0, 3), month_key_);
    Memorize(key);
    if (std::chrono::steady_clock::now() - batch_start_ >= kBatchTime) CommitBatch();
  }
  CommitBatch();
  job_.db.ReadAhead({}, {});
}

EmployeeOutcome MonthMemorizer::MemorizeEmployee(std::string_view key) {
  const EmployeeOutcome outcome = Memorize(key);
  CommitBatch();
  return outcome;
}

void MonthMemorizer::BeginBatch() {
  if (batch_) return;
  batch_.emplace(job_.db);
  Check(batch_->status(), "PRESENZE");
  batch_start_ = std::chrono::steady_clock::now();
}

void MonthMemorizer::CommitBatch() {
  if (!batch_) return;
  const Status committed = batch_->Commit();
  batch_.reset();
  if (!committed.ok()) write_backs_.clear();
  Check(committed, "PRESENZE");
  // The days are safely stored: now the rotation positions may move on.
  ArchiveFiles& files = job_.archives;
  for (const WriteBack& w : write_backs_) files.SCRIVIREC(w.base, w.record, w.text);
  write_backs_.clear();
}

void MonthMemorizer::Stop(int number, const std::string& description) {
  CommitBatch();
  throw RunTimeError(number, description);
}

long MonthMemorizer::ReadEmployeeRecord(int data_base, int index_base, std::string_view key) {
  ArchiveFiles& files = job_.archives;
  if (!files.IsOpen(data_base)) files.FAIOPEN(data_base);
  const long record = files.IsamSearch(index_base, PadRight(key, 10), 2);
  if (record == ArchiveFiles::kIsamError || record == 0) {
    // The index's own message has been shown; a run that went on would memorize nobody and
    // look like a clean run.
    const std::filesystem::path index = files.OpenPath(index_base);
    const std::string cause = files.FileSize(index_base) == 0 ? "è vuoto" : "è danneggiato";
    Stop(kIndexError,
         "L'indice dei dipendenti " + index.string() + " " + cause + ": memorizzazione interrotta");
  }
  if (record == ArchiveFiles::kNoRecord) return record;
  if (files.LEGGIREC(data_base, record) != 0) {
    Stop(kIndexError, "L'indice dei dipendenti indica il record " + std::to_string(record) +
                          " per il codice " + std::string(Trim(key)) +
                          ", oltre la fine dell'archivio " + files.OpenPath(data_base).string() +
                          ": memorizzazione interrotta");
  }
  record_ = files.RecordBuffer(data_base);
  // The record is checked before anything is generated from it: a record of someone else
  // would give this employee another person's schedule, and its write-back would damage the
  // payroll archive.
  if (Status s = files.CheckWholeRecords(data_base); !s.ok()) {
    Stop(RunTimeError::kBadRecordLength, s.message() + ". Memorizzazione interrotta");
  }
  if (Status s = files.CheckRecordKey(data_base, record,
                                      job_.codec.GetField(fields::kP001, 0, record_), key);
      !s.ok()) {
    Stop(kIndexError, s.message() + ". Memorizzazione interrotta");
  }
  return record;
}

EmployeeOutcome MonthMemorizer::Memorize(std::string_view key) {
  ++totals_.employees;
  // The employee archive of the memorized year; a year without one, or a key it does not
  // hold, skips the employee without a word.
  if (distance_ < 0 || distance_ > kOldestArchiveDistance) return Count(EmployeeOutcome::kSkipped);
  FieldCodec& codec = job_.codec;
  const YearSources& sources = SourcesForDistance(distance_);
  const long record = ReadEmployeeRecord(sources.data_base, sources.index_base, key);
  if (record == ArchiveFiles::kNoRecord) return Count(EmployeeOutcome::kSkipped);
  codec.SetCurrentRecord("DIPX$", record_);
  if (Val(Trim(codec.GetField(fields::kP890, 0, record_))) == 1)
    return Count(EmployeeOutcome::kSkipped);

  Employee e;
  e.key = Trim(key);
  e.hired = DdMmYyyyToKey(codec.GetField(fields::kP013, 0, record_));
  e.end_date = DdMmYyyyToKey(codec.GetField(fields::kP017, 0, record_));
  e.ended = e.end_date.empty() ? std::string(kNoEnd) : e.end_date;
  e.status = static_cast<int>(codec.GetFieldValue(fields::kP054, 0, record_));
  e.collaborator = codec.GetFieldValue(fields::kP447, 0, record_) == 1;
  e.profile = Trim(codec.GetField(fields::kP138, 0, record_));
  e.group = Trim(codec.GetField(fields::kP766, 0, record_));

  job_.trace.TraceProcedure("CONTAGRUPPIORARIDIPENDENTE");
  const RotationDecision decision = CONTAGRUPPIORARIDIPENDENTE(ReadScheduleFields(codec, record_));
  EmployeeOutcome outcome;
  int last_day = 0;
  int position = 0;
  bool write_back = true;
  if (decision.rotation) {
    job_.trace.TraceProcedure("ELABORAMESEGRUPPIRIPETITIVI");
    const std::vector<DayGroup> day_groups = RotateMonth(decision, options_.year, options_.month);
    outcome = GenerateMonth(e, &day_groups, &last_day);
    // The position in force on the last day actually written; a month that wrote nothing
    // (already stored) leaves the rotation where it was.
    write_back = last_day > 0;
    if (write_back) position = day_groups[static_cast<size_t>(last_day)].position;
  } else {
    job_.trace.TraceProcedure("ELABORAMESE");
    outcome = GenerateMonth(e, nullptr, &last_day);
  }

  // The rotation position goes back to the record of the archive it was read from, once the
  // days of the batch are committed. A record that would not change is not rewritten.
  if (write_back) {
    std::string updated = record_;
    codec.PutFieldValue(fields::kP777, position, 0, &updated);
    if (updated != record_) {
      write_backs_.push_back({sources.data_base, record, updated});
      record_ = std::move(updated);
    }
  }
  codec.SetCurrentRecord("DIPX$", record_);
  return Count(outcome);
}

EmployeeOutcome MonthMemorizer::Count(EmployeeOutcome outcome) {
  switch (outcome) {
    case EmployeeOutcome::kWritten:
      ++totals_.written;
      break;
    case EmployeeOutcome::kExisting:
      ++totals_.existing;
      break;
    case EmployeeOutcome::kSkipped:
      ++totals_.skipped;
      break;
    case EmployeeOutcome::kAnomaly:
      ++totals_.anomalies;
      break;
  }
  return outcome;
}

struct MonthMemorizer::ScheduleSource {
  bool has_profile = false;
  bool has_group = false;
  const WeekSchedule* single = nullptr;  // the profile's or the group's, once read
  bool single_read = false;
  std::string single_code;
  std::string rotation_code;  // the code of the rotation's group of the current day
};

void MonthMemorizer::StartDay(const Employee& e, int day, const DayRow* stored, DayRow* row) const {
  if (stored != nullptr) {
    *row = *stored;  // PRES_0 and slots 6-10 stay as stored
  } else {
    row->employee = e.key;
    row->period = month_key_;
    row->period += Digits2(day);
    row->pres0 = 0;
    for (std::string& p : row->pres) p.clear();
    row->protocollo = 0;
  }
  // Without `consider_worked_hours` the day starts afresh; with it PRES_0 survives and the rest is
  // rewritten all the same.
  if (!options_.day.consider_worked_hours) row->pres0 = 0;
  COMPILAVUOTO(*row);
}

std::optional<MonthMemorizer::Anomaly> MonthMemorizer::DaySchedule(
    const Employee& e, const std::vector<DayGroup>* rotation, int day, ScheduleSource* source,
    const WeekSchedule** schedule, std::string_view* code) {
  if (rotation) {
    if (source->has_profile) return Anomaly::kRotationWithProfile;
    const DayGroup& group = (*rotation)[static_cast<size_t>(day)];
    *schedule = GroupSchedule(group.group);
    if (!*schedule) return Anomaly::kGroupMissing;
    source->rotation_code = ScheduleCode(group.group);
    *code = source->rotation_code;
    return std::nullopt;
  }
  if (!source->has_profile && !source->has_group) return Anomaly::kNoSchedule;
  if (!source->single_read) {
    source->single_read = true;
    if (source->has_profile) {
      LoadProfile(e.profile, &profile_);
      source->single = &profile_;
      source->single_code = ScheduleCode(e.profile);
    } else {
      source->single = GroupSchedule(e.group);
      source->single_code = ScheduleCode(e.group);
    }
  }
  *schedule = source->single;
  *code = source->single_code;
  if (!*schedule) return Anomaly::kGroupMissing;
  return std::nullopt;
}

EmployeeOutcome MonthMemorizer::GenerateMonth(Employee& e, const std::vector<DayGroup>* rotation,
                                              int* last_day) {
  AttendanceDb& db = job_.db;
  *last_day = 0;

  // The stored days are read inside the transaction that rewrites them, so what is kept of
  // them (PRES_0, slots 6-10) is what is there when they are written.
  BeginBatch();
  Check(db.EmployeeMonth(e.key, month_key_, &stored_), "PRESENZE");
  // Existing days are never overwritten unless the operator asked to rewrite them or to
  // consider the hours already in them: the month is then written up to its first stored
  // day, and stops there (the days after it are left alone, stored or not).
  const bool rewrite = options_.rewrite_existing || options_.day.consider_worked_hours;
  std::array<const DayRow*, 32> existing{};
  for (const DayRow& row : stored_) {
    const long day = DayOfPeriod(row.period);
    if (day >= 1 && day <= days_) existing[static_cast<size_t>(day)] = &row;
  }

  // The schedule source of the employee: a profile wins over the group. It is read when the
  // first day inside the employment period needs it, as the day filler meets it.
  ScheduleSource source;
  source.has_profile = IsSet(e.profile);
  source.has_group = IsSet(e.group);

  long written = 0;
  std::optional<Anomaly> anomaly;
  for (int day = 1; day <= days_; ++day) {
    DayRow& row = rows_[static_cast<size_t>(day)];
    const DayRow* stored = existing[static_cast<size_t>(day)];
    if (stored != nullptr && !rewrite) break;
    StartDay(e, day, stored, &row);
    // A day outside the employment period is written empty.
    if (row.period >= e.hired && row.period <= e.ended) {
      const WeekSchedule* schedule = nullptr;
      std::string_view code;
      anomaly = DaySchedule(e, rotation, day, &source, &schedule, &code);
      if (anomaly) break;
      const bool holiday =
          holidays_.IsHoliday(row.period, municipality_day_, CompanyPatronDay(e.key));
      SetDaySchedule(row, code, *schedule, weekdays_[static_cast<size_t>(day)], holiday);
      filler_->Fill(row, *schedule, weekdays_[static_cast<size_t>(day)], day, holiday);
    }
    Check(db.SaveDayKeepNumber(row), "PRESENZE");
    ++written;
    *last_day = day;
  }
  // The days written before an anomaly stay written.
  totals_.days += written;
  if (anomaly) {
    // A collaborator without group or profile is left out on purpose: no line, no anomaly.
    if (*anomaly == Anomaly::kNoSchedule && e.collaborator) return EmployeeOutcome::kSkipped;
    ReportAnomaly(e, *anomaly);
    return EmployeeOutcome::kAnomaly;
  }
  return written > 0 ? EmployeeOutcome::kWritten : EmployeeOutcome::kExisting;
}

}  // namespace kaveltar
