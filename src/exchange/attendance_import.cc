#include "exchange/attendance_import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "app/job_context.h"
#include "app/report_error.h"
#include "archive/fields.h"
#include "archive/selection_lists.h"
#include "base/dates.h"
#include "base/encoding.h"
#include "base/hours.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "memorize/day_engine.h"
#include "memorize/month_memorizer.h"
#include "platform/paths.h"
#include "reports/anomaly_list.h"
#include "reports/printer_choice.h"
#include "tables/holidays.h"
#include "tables/utf8_text.h"

namespace kaveltar {
namespace {

constexpr int kOldestArchiveDistance = 4;

void Check(const Status& status, std::string_view what) {
  if (!status.ok()) ThrowDatabaseError(status, what);
}

// A schedule code counts when it is neither blank nor zero.
bool IsSet(std::string_view code) { return !Trim(code).empty() && Val(code) != 0; }

// True when `text` holds nothing but spaces (or nothing): one comparison for the width of a
// pair code, the common case of an unused pair.
bool IsBlank(std::string_view text) {
  static constexpr std::string_view kSpaces = "          ";
  if (!text.empty() && text[0] != ' ') return false;
  if (text.size() <= kSpaces.size()) return text == kSpaces.substr(0, text.size());
  return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string Code3(std::string_view code) {
  std::string padded = "000";
  padded += Trim(code);
  return std::string(Right(padded, 3));
}

// Hours of the file as stored into `*stored`: "HH:MM", or "" for a zero or blank duration.
// False (and `*stored` untouched) when the text is not hours. A valid text already has the
// stored form (two hour digits up to 47, two minute digits), so only a zero changes.
bool StoreHours(std::string_view text, std::string* stored) {
  // Nearly every field of a real file is exactly "HH:MM" with no blanks: that shape is taken
  // without trimming or the general checks (it is valid when the hours are at most 47 and the
  // minutes at most 59, as IsValidHours says).
  if (text.size() == 5 && text[2] == ':') {
    const auto digit = [&](size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    if (digit(0) && digit(1) && digit(3) && digit(4)) {
      const int hours = (text[0] - '0') * 10 + (text[1] - '0');
      const int minutes = (text[3] - '0') * 10 + (text[4] - '0');
      if (hours > 47 || minutes > 59) return false;
      if (hours == 0 && minutes == 0) {
        stored->clear();
      } else {
        stored->assign(text);
      }
      return true;
    }
  }
  const std::string_view t = Trim(text);
  if (IsEmptyHours(t) || t == "00:00") {
    stored->clear();
    return true;
  }
  if (!IsValidHours(t)) return false;
  stored->assign(t);
  return true;
}

// What the import needs of one employee of one year's archive.
struct EmployeeInfo {
  bool found = false;
  bool listed = true;  // P768 = 0
  bool collaborator = false;
  std::string schedule_code;               // PRES_1; empty without schedule
  const WeekSchedule* schedule = nullptr;  // null: no schedule (an anomaly)
  std::optional<std::string_view> anomaly;
  std::string patron_day;  // T030 of the company
};

class Importer {
 public:
  Importer(const JobContext& job, AnomalyList& list, ImportResult& result)
      : job_(job), list_(list), result_(result) {
    AttendanceDb& db = job_.db;
    Result<HolidayCalendar> calendar = HolidayCalendar::Load(db);
    Check(calendar.status(), "FESTIVITA");
    holidays_ = *calendar;
    municipality_day_ = job_.codec.GetField(fields::kF161);

    std::vector<GroupRow> groups;
    Check(db.ListGroups(&groups), "GRUPPI");
    for (const GroupRow& g : groups) {
      groups_.emplace(g.code, MakeWeekSchedule(GroupWeekHours(g), job_.dialogs));
    }
    std::vector<JustificationRow> rows;
    Check(db.ListJustifications(&rows), "GIUSTIFICATIVI");
    for (const JustificationRow& row : rows) {
      by_import_code_.emplace_back(
          Trim(row.gius[5]).empty() ? std::string() : NormaliseImportCode(row.gius[5]), row.code);
      by_key_.emplace_back(NormaliseImportCode(row.code), row.code);
    }
  }

  // Rebuilds one employee-month from its records (lines of the file, in file order).
  void Rebuild(const std::string& employee, const std::string& month,
               const std::vector<std::string_view>& records) {
    AttendanceDb& db = job_.db;
    Check(db.DeleteEmployeeMonth(employee, month), "PRESENZE");
    const int year = static_cast<int>(ValInt(month.substr(0, 4)));
    const int month_number = static_cast<int>(ValInt(month.substr(4, 2)));
    const int days = MonthLength(month_number, year);
    for (int day = 1; day <= days; ++day) {
      DayRow& row = rows_[static_cast<size_t>(day)];
      row.employee = employee;
      row.period = month;
      row.period += static_cast<char>('0' + day / 10);
      row.period += static_cast<char>('0' + day % 10);
      row.pres0 = 0;
      for (std::string& p : row.pres) p.clear();
      row.protocollo = 0;
    }
    for (std::string_view record : records) ELABORARECORD(employee, year, month_number, record);
    for (int day = 1; day <= days; ++day) {
      Check(db.SaveDay(rows_[static_cast<size_t>(day)]), "PRESENZE");
      ++result_.days;
    }
  }

  void Anomaly(const std::string& line) {
    list_.Print(Cp1252ToUtf8(line));
    result_.anomalies.push_back(Cp1252ToUtf8(line));
  }

 private:
  void ELABORARECORD(const std::string& employee, int year, int month, std::string_view record) {
    const EmployeeInfo& info = Employee(employee, year);
    if (!info.found) {
      if (reported_.insert(employee).second) {
        Anomaly("Ditta: " + employee.substr(0, 3) + " Sottoditta: " + employee.substr(3, 3) +
                " Dipendente: " + employee.substr(6, 4) + std::string(kNotInArchiveText));
      }
      return;
    }
    if (!info.listed) return;
    ++result_.records;

    // The day of a record that passed IsValidDayKey: two digits.
    const std::string_view date = ImportDate(record);
    const int day = (date[6] - '0') * 10 + (date[7] - '0');
    DayRow& row = rows_[static_cast<size_t>(day)];
    row.pres0 = 0;
    for (size_t n = 1; n <= 13; ++n) row.pres[n].clear();

    // The schedule of the day, as memorization sets it.
    if (info.schedule) {
      PrepareCalendar(year, month, info.patron_day);
      SetDaySchedule(row, info.schedule_code, *info.schedule, weekday_[static_cast<size_t>(day)],
                     holiday_[static_cast<size_t>(day)]);
    } else if (info.anomaly && !(info.collaborator && *info.anomaly == kNoScheduleText) &&
               reported_.insert(employee).second) {
      // A collaborator without group or profile is left out on purpose, as memorization does.
      const std::string_view prefix = info.collaborator && *info.anomaly == kImportGroupMissingText
                                          ? kCollaboratorPrefix
                                          : kEmployeePrefix;
      Anomaly(std::string(prefix) + employee + std::string(*info.anomaly));
    }
    CARICAUNAGIORNATA(employee, record, &row);
    row.protocollo = 0;
    row.pres0 = 0;
  }

  // The weekday and the holiday flag of every day of the month, for the company's patron day
  // (worked out once per month and company, not once per record).
  void PrepareCalendar(int year, int month, const std::string& patron_day) {
    if (year == calendar_year_ && month == calendar_month_ && patron_day == calendar_patron_)
      return;
    calendar_year_ = year;
    calendar_month_ = month;
    calendar_patron_ = patron_day;
    std::string key = ZeroPad(year, 4) + ZeroPad(month, 2) + "00";
    for (int day = 1; day <= MonthLength(month, year); ++day) {
      key.replace(6, 2, ZeroPad(day, 2));
      weekday_[static_cast<size_t>(day)] = Weekday(year, month, day);
      holiday_[static_cast<size_t>(day)] = holidays_.IsHoliday(key, municipality_day_, patron_day);
    }
  }

  // The worked hours and the justification pairs of a record into its day.
  void CARICAUNAGIORNATA(const std::string& employee, std::string_view record, DayRow* row) {
    StoreHours(ImportWorkedHours(record), &row->pres[3]);
    for (size_t pair = 1; pair <= kImportPairs; ++pair) {
      const std::string_view code = ImportPairCode(record, pair);
      // Most unused pairs are blank: that test first, the full one only for the others.
      if (IsBlank(code) || IsEmptyPairCode(code)) continue;
      const std::string* key = Translate(code);
      if (!key) {
        Anomaly(std::string(kEmployeePrefix) + employee +
                " Giornata : " + FormatPeriodDate(ImportDate(record)) + std::string(kNoMatchText));
        continue;
      }
      const int slot = static_cast<int>(pair);
      row->SlotCode(slot) = *key;
      if (!StoreHours(ImportPairHours(record, pair), &row->SlotHours(slot)))
        row->SlotHours(slot).clear();
    }
  }

  // The KGIUS of a file code: the first row whose GIUS_5 matches, else the first whose key
  // matches; null when none does.
  const std::string* Translate(std::string_view code) {
    // Files repeat a handful of codes: the last one answered is checked before the map.
    if (last_translation_ && last_translation_->first == code) return Found(*last_translation_);
    const auto cached = translations_.find(code);
    if (cached != translations_.end()) {
      last_translation_ = &*cached;
      return Found(*cached);
    }
    // The file's bytes as they stand: the upper-casing reads UTF-8 and takes any other byte
    // as Windows-1252, so "rè" matches "RÈ" whichever of the two the sender wrote.
    const std::string normalised = NormaliseImportCode(code);
    std::optional<std::string> found;
    for (const auto& [import_code, key] : by_import_code_) {
      if (!import_code.empty() && import_code == normalised) {
        found = key;
        break;
      }
    }
    if (!found) {
      for (const auto& [normalised_key, key] : by_key_) {
        if (normalised_key == normalised) {
          found = key;
          break;
        }
      }
    }
    const auto inserted = translations_.emplace(std::string(code), std::move(found)).first;
    last_translation_ = &*inserted;
    return Found(*inserted);
  }

  using Translation = std::pair<const std::string, std::optional<std::string>>;
  static const std::string* Found(const Translation& t) { return t.second ? &*t.second : nullptr; }

  const EmployeeInfo& Employee(const std::string& key, int year) {
    // Records come grouped by employee-month, so the last employee is nearly always the one.
    if (last_ && year == last_year_ && key == last_key_) return *last_;
    auto [it, added] = employees_.try_emplace(key + ZeroPad(year, 4));
    last_key_ = key;
    last_year_ = year;
    last_ = &it->second;
    if (!added) return it->second;
    EmployeeInfo& info = it->second;

    const int distance = job_.installation.processing_year - year;
    if (distance < 0 || distance > kOldestArchiveDistance) return info;
    ArchiveFiles& files = job_.archives;
    FieldCodec& codec = job_.codec;
    const YearSources& sources = SourcesForDistance(distance);
    if (!files.IsOpen(sources.data_base)) files.FAIOPEN(sources.data_base);
    const long r = files.IsamSearch(sources.index_base, PadRight(key, 10), 2);
    if (r == ArchiveFiles::kNoRecord || r <= 0 || files.LEGGIREC(sources.data_base, r) != 0)
      return info;
    // The fields are read straight from the archive's record buffer (no copy): nothing below
    // reads this file again before they are all taken.
    const std::string& record = files.RecordBuffer(sources.data_base);
    info.found = true;
    info.listed = codec.GetFieldValue(fields::kP768, 0, record) == 0;
    info.collaborator = codec.GetFieldValue(fields::kP447, 0, record) == 1;
    const std::string profile = codec.GetField(fields::kP138, 0, record);
    const std::string group = codec.GetField(fields::kP766, 0, record);
    if (IsSet(profile)) {
      auto [p, loaded] = profiles_.try_emplace(Code3(profile));
      if (loaded) LoadProfile(profile, &p->second);
      info.schedule = &p->second;
      info.schedule_code = Code3(profile);
    } else if (IsSet(group)) {
      const auto g = groups_.find(Code3(group));
      if (g == groups_.end()) {
        info.anomaly = kImportGroupMissingText;
      } else {
        info.schedule = &g->second;
        info.schedule_code = Code3(group);
      }
    } else {
      info.anomaly = kNoScheduleText;
    }
    info.patron_day = CompanyPatronDay(key.substr(0, 3));
    return info;
  }

  void LoadProfile(std::string_view code, WeekSchedule* schedule) {
    *schedule = ProfileWeekSchedule(job_, code);
  }

  std::string CompanyPatronDay(const std::string& company) {
    const auto cached = patron_days_.find(company);
    if (cached != patron_days_.end()) return cached->second;
    std::string day = kaveltar::CompanyPatronDay(job_, company);
    patron_days_.emplace(company, day);
    return day;
  }

  JobContext job_;
  AnomalyList& list_;
  ImportResult& result_;
  HolidayCalendar holidays_;
  std::string municipality_day_;
  std::map<std::string, WeekSchedule, std::less<>> groups_;
  std::map<std::string, WeekSchedule, std::less<>> profiles_;
  std::vector<std::pair<std::string, std::string>> by_import_code_;  // normalised GIUS_5, KGIUS
  std::vector<std::pair<std::string, std::string>> by_key_;          // normalised KGIUS, KGIUS
  // File codes as they stand in the file (ten characters) and their KGIUS.
  std::map<std::string, std::optional<std::string>, std::less<>> translations_;
  const std::pair<const std::string, std::optional<std::string>>* last_translation_ = nullptr;
  std::unordered_map<std::string, EmployeeInfo> employees_;
  std::string last_key_;
  int last_year_ = 0;
  EmployeeInfo* last_ = nullptr;
  std::unordered_map<std::string, std::string> patron_days_;
  std::unordered_set<std::string> reported_;  // employees given an anomaly line
  std::array<DayRow, 32> rows_;
  int calendar_year_ = 0;
  int calendar_month_ = 0;
  std::string calendar_patron_;
  std::array<int, 32> weekday_{};
  std::array<bool, 32> holiday_{};
};

// The records of the file: every non-empty line, at most kMaxKeptLine bytes each, split as
// ImportLineReader splits them (at LF, one CR before it dropped). The file is read whole
// into one buffer and the records are views of it (no copy or allocation per record). A file
// that cannot be opened or read gives the records read so far (none when it cannot be opened).
class Records {
 public:
  explicit Records(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    size_t size = 0;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
      // A plain array, not a std::string: resizing a string would first fill it with zeros,
      // a second pass over a file that runs to tens of megabytes.
      const size_t capacity = static_cast<size_t>(st.st_size);
      text_.reset(new char[capacity]);
      while (size < capacity) {
        const ssize_t n = ::read(fd, text_.get() + size, capacity - size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        size += static_cast<size_t>(n);
      }
    }
    ::close(fd);
    const std::string_view text(text_.get(), size);
    records_.reserve(size / (kImportRecordLength + 2) + 1);
    size_t begin = 0;
    while (begin < text.size()) {
      size_t end = text.find('\n', begin);
      const size_t next = end == std::string_view::npos ? text.size() : end + 1;
      if (end == std::string_view::npos) end = text.size();
      if (end > begin && text[end - 1] == '\r') --end;
      if (end > begin) records_.push_back(text.substr(begin, std::min(end - begin, kMaxKeptLine)));
      begin = next;
    }
  }
  size_t size() const { return records_.size(); }
  std::string_view operator[](size_t i) const { return records_[i]; }

 private:
  std::unique_ptr<char[]> text_;
  std::vector<std::string_view> records_;
};

// IsValidDayKey for records that come grouped by month: the last valid month and its length
// are remembered, so most records only have their day checked.
class DayKeyCheck {
 public:
  bool operator()(std::string_view key) {
    if (key.size() == 8 && key.compare(0, 6, month_) == 0 && IsDigits(key.substr(6))) {
      const int day = (key[6] - '0') * 10 + (key[7] - '0');
      return day >= 1 && day <= days_;
    }
    if (!IsValidDayKey(key)) return false;
    month_.assign(key.substr(0, 6));
    days_ = MonthLength(static_cast<int>(ValInt(key.substr(4, 2))),
                        static_cast<int>(ValInt(key.substr(0, 4))));
    return true;
  }

 private:
  std::string month_;
  int days_ = 0;
};

}  // namespace

std::string FileNotFoundText(std::string_view path) {
  return "File selezionato " + std::string(path) + " Inesistente";
}

std::string FirstRecordQuestion(std::string_view record) {
  const std::string_view date = ImportDate(record);
  return "DITTA : " + std::string(Mid(record, 0, 3)) +
         "\nPERIODO : " + std::string(Mid(date, 4, 2)) + "/" + std::string(Mid(date, 0, 4)) +
         "\nProseguire ?";
}

std::string NormaliseImportCode(std::string_view code) {
  const std::string_view t = Trim(code);
  if (IsDigits(t)) return PadLeft(t, 10, '0');
  // The same upper case the tables panel gives a typed import code ("rè" is stored "RÈ").
  return tables_internal::UpperText(t);
}

void ChooseImportFile(const JobContext& job, ImportState* state, std::string path) {
  Dialogs& dialogs = job.dialogs;
  state->path = std::move(path);
  state->results.fill(std::string(kCheckInitial));
  state->import_enabled = false;
  state->csv_wrong = false;
  state->work.clear();
  state->work_file.reset();
  state->skipped_lines = 0;
  if (state->path.empty()) return;
  const auto refuse = [&](const std::string& message, MessageIcon icon) {
    dialogs.Show(message, icon);
    state->path.clear();
    state->work.clear();
    state->work_file.reset();
    state->results.fill(std::string());
  };
  if (!FileExists(state->path) || std::filesystem::is_directory(state->path)) {
    refuse(FileNotFoundText(state->path), MessageIcon::kExclamation);
    return;
  }
  if (state->kind == ImportFileKind::kCsv) {
    Result<std::shared_ptr<WorkFile>> work = WorkFile::Create(job.installation.archive_path);
    if (!work.ok()) {
      refuse(work.status().message(), MessageIcon::kCritical);
      return;
    }
    state->work_file = std::move(*work);
    state->work = state->work_file->path();
    Result<CsvConversion> converted = ConvertCsvFile(state->path, state->work);
    if (!converted.ok()) {
      refuse(converted.status().message(), MessageIcon::kCritical);
      return;
    }
    if (converted->lines == 0 && !converted->wrong_characters) {
      refuse(NoCsvRecordsText(*converted), MessageIcon::kCritical);
      return;
    }
    state->csv_wrong = converted->wrong_characters;
    state->skipped_lines = converted->skipped;
  } else {
    state->work = state->path;
  }
  Result<ImportChecks> checked = CONTROLLAFILEPRESENZE(state->work);
  if (!checked.ok()) {
    refuse(FileNotFoundText(state->path), MessageIcon::kExclamation);
    return;
  }
  const ImportChecks& checks = *checked;
  const std::array<bool, 4> correct = {checks.values, checks.dates, checks.structure,
                                       checks.length};
  for (size_t i = 0; i < 4; ++i)
    state->results[i] = std::string(correct[i] ? kCheckCorrect : kCheckWrong);
  if (checks.AllCorrect()) {
    state->import_enabled = true;
  } else if (checks.incomplete_employee) {
    dialogs.Show(std::string(kNotStandardBlocked) + "\n" + std::string(kIncompleteEmployee) + "\n" +
                     std::string(kCannotContinue),
                 MessageIcon::kCritical);
  } else {
    state->import_enabled = dialogs.Ask(kNotStandardQuestion, MessageIcon::kQuestion);
  }
}

namespace {

// The complete employees' records of the file grouped by employee-month, in the order each
// employee-month first appears; `keys` receives "KEY YYYYMM" of each group. A record whose
// day is not a real day is reported and left out.
std::vector<std::vector<std::string_view>> GroupByEmployeeMonth(const Records& records,
                                                                Importer& importer,
                                                                std::vector<std::string>* keys) {
  std::unordered_map<std::string, size_t> index;
  std::vector<std::vector<std::string_view>> months;
  size_t current = 0;  // the group of the previous record
  DayKeyCheck is_day;
  for (size_t r = 0; r < records.size(); ++r) {
    const std::string_view record = records[r];
    if (!IsCompleteEmployee(record)) continue;
    const std::string_view employee = Trim(ImportEmployee(record));
    const std::string_view date = ImportDate(record);
    if (!is_day(date)) {
      importer.Anomaly(std::string(kEmployeePrefix) + std::string(employee) +
                       " Giornata : " + std::string(date) + std::string(kInvalidDayText));
      continue;
    }
    // Records of one employee-month usually follow each other: "KEY YYYYMM" is built only
    // when the key changes.
    if (!months.empty()) {
      const std::string& last = (*keys)[current];
      if (last.size() == employee.size() + 7 && last.compare(0, employee.size(), employee) == 0 &&
          last.compare(employee.size() + 1, 6, date.substr(0, 6)) == 0) {
        months[current].push_back(record);
        continue;
      }
    }
    std::string key = std::string(employee) + " " + std::string(date.substr(0, 6));
    const auto [it, added] = index.try_emplace(key, months.size());
    if (added) {
      keys->push_back(std::move(key));
      months.emplace_back();
    }
    current = it->second;
    months[current].push_back(record);
  }
  return months;
}

}  // namespace

ImportResult ImportAttendanceFile(const JobContext& job, ImportState* state,
                                  const ImportHooks& hooks) {
  ImportResult result;
  Dialogs& dialogs = job.dialogs;
  if (state->path.empty()) {
    dialogs.Show(kNoFileSelected, MessageIcon::kExclamation);
    return result;
  }
  if (!dialogs.Ask(kReplaceQuestion, MessageIcon::kQuestion)) return result;
  if (state->work.empty() || !FileExists(state->work)) {
    dialogs.Show(kFileMissing, MessageIcon::kExclamation);
    return result;
  }
  dialogs.Show(kImportNotice, MessageIcon::kInformation);
  job.trace.TraceProcedure("CmdImportaFile_Click");

  try {
    // The installation's printer is chosen again for this job's list.
    PrinterNames names;
    LEGGISTAMPANTESTD(job.archives, job.trace, job.printing.printer(), &names);
    AnomalyList list(job.printing.printer());
    list.PREPARATESTATA(kImportAnomalyHeading);

    // First pass: the question on the first record, then the employee-months of the file.
    const Records records(state->work);
    if (records.size() > 0 && !dialogs.Ask(FirstRecordQuestion(records[0]), kImportQuestionTitle,
                                           MessageIcon::kQuestion)) {
      return result;
    }
    if (state->csv_wrong) {
      dialogs.Show(kCsvWrongCharacters, MessageIcon::kExclamation);
      return result;
    }
    // Every employee of the file is looked up in the archive's index: its nodes are read
    // once for the job, not three for each employee.
    const ArchiveFiles::KeptIndexNodes kept_nodes(job.archives);
    Importer importer(job, list, result);
    const std::vector<std::vector<std::string_view>> months =
        GroupByEmployeeMonth(records, importer, &result.keys);

    // The whole replacement in one transaction.
    AttendanceDb& db = job.db;
    Transaction transaction(db);
    Check(transaction.status(), "PRESENZE");
    for (size_t i = 0; i < months.size(); ++i) {
      const std::string& key = result.keys[i];
      const size_t space = key.find(' ');
      if (hooks.progress) hooks.progress(i, months.size(), key);
      importer.Rebuild(key.substr(0, space), key.substr(space + 1), months[i]);
    }
    Check(transaction.Commit(), "PRESENZE");
    result.completed = true;

    dialogs.Show(kImportCompleted, MessageIcon::kInformation);
    if (state->kind == ImportFileKind::kCsv) {
      state->work_file.reset();  // removes the work file
      state->work.clear();
      state->import_enabled = false;
    }
    result.printed = list.Finish();
  } catch (const RunTimeError& error) {
    job.errors.Report(error);
  }
  return result;
}

std::vector<std::string> LayoutLines() {
  std::vector<std::string> lines = {
      "TRACCIATO RECORD Altrovia Raroziv IMPORTAZIONE FILE PRESENZE ESTERNO LIBRO UNICO DEL LAVORO",
      "",
      "Il file da importare dovra' rispettare le seguenti impostazioni : ",
      "1. Un record per ogni giornata lavorativa nel mese, per ogni dipendente ",
      "2. Le Date dovranno essere rappresentate in AAAAMMGG ( Anno - Mese - Giorno )",
      "3. Le Ore lavorate o di assenza dovranno essere espresse in HH:MM ( Ore : Minuti )",
      "",
      "TRACCIATO RECORD : ",
      ""};
  for (const ImportField& f : kImportLayout) {
    lines.push_back("CAMPO " + std::string(f.number) + " " + PadRight(f.name, 25) + "LUNGHEZZA " +
                    ZeroPad(static_cast<long long>(f.length), 2) + " CARATTERI DA POSIZIONE " +
                    ZeroPad(static_cast<long long>(f.position), 3) + " A POSIZIONE " +
                    ZeroPad(static_cast<long long>(f.position + f.length - 1), 3));
  }
  lines.insert(lines.end(),
               {"", "LUNGHEZZA RECORD = 175 CON CR+LF finale", "", "LEGENDA : ",
                "CODICE DIPENDENTE (COD.DITTA 3 CRT - COD.SOTTODITTA 3 CRT - COD.DIPENDENTE 4 CRT)",
                "DATA GIORNO LAV.  (AAAA MM GG - Anno Mese Giorno)"});
  return lines;
}

void PrintImportLayout(const JobContext& job) {
  PrinterJob& printer = job.printing.printer();
  job.dialogs.Show("Preparare la stampante " + printer.DeviceName() + " e premere il tasto ok",
                   MessageIcon::kInformation);
  try {
    if (printer.document_open()) printer.EndDoc();
    printer.set_title("TRACCIATO RECORD");
    PrinterFont font;
    font.name = "Courier New";
    font.size = 10;
    printer.SetFont(font);
    for (const std::string& line : LayoutLines()) printer.Print(line);
    printer.EndDoc();
  } catch (const RunTimeError& error) {
    job.errors.Report(error);
  }
}

}  // namespace kaveltar
