#include "editing/month_grid.h"

#include <algorithm>

#include "base/dates.h"
#include "base/hours.h"
#include "base/run_time_error.h"
#include "base/text.h"
#include "tables/uniemens.h"
#include "tables/utf8_text.h"

namespace kaveltar {
namespace {

using tables_internal::Utf8Left;
using tables_internal::Utf8Length;

void Check(const Status& status, std::string_view what) {
  if (status.ok()) return;
  ThrowDatabaseError(status, what);
}

constexpr long kC0E0FF = 0xC0E0FF;
constexpr GridColumnLayout kLayouts[grid::kColumns] = {
    {"Data", 1230, kSystemBackground}, {"Giorno", 1000, 0xC0C0FF},
    {"Gr.Or.", 750, 0xC0FFFF},         {"H.Teo", 650, 0xFFFFC0},
    {"H.Lav", 650, 0xC0FFC0},          {"ASS.1", 650, kC0E0FF},
    {"Ore", 650, kSystemBackground},   {"ASS.2", 650, kC0E0FF},
    {"Ore", 650, kSystemBackground},   {"ASS.3", 650, kC0E0FF},
    {"Ore", 650, kSystemBackground},   {"ASS.4", 650, kC0E0FF},
    {"Ore", 650, kSystemBackground},   {"ASS.5", 650, kC0E0FF},
    {"Ore", 650, kSystemBackground},   {"*", 500, kSystemBackground},
};

constexpr std::string_view kWeekdays[7] = {"Lunedì",  "Martedì", "Mercoledì", "Giovedì",
                                           "Venerdì", "Sabato",  "Domenica"};

std::string Digits2(int n) { return ZeroPad(n, 2); }

// The label of a UNIEMENS event code: its item in the event table ("" for an unknown code).
std::string UniemensLabel(std::string_view code) {
  const int position = UniemensListPosition(Trim(code));
  if (position <= 0) return "";
  return std::string(Trim(UniemensEventTable()[static_cast<size_t>(position - 1)]));
}

// The first three characters of a pick list line, trimmed.
std::string LineCode(std::string_view line) { return std::string(Trim(Utf8Left(line, 3))); }

}  // namespace

std::span<const GridColumnLayout> GridColumnLayouts() { return kLayouts; }

std::string_view WeekdayName(int weekday) {
  if (weekday < 1 || weekday > 7) return "";
  return kWeekdays[weekday - 1];
}

std::string MissingPeriodMessage(int year, int month) {
  std::string text =
      "Periodo richiesto " + Digits2(month) + "/" + ZeroPad(year, 4) + " Inesistente";
  text +=
      "\n\nPer accedere all'aggiornamento eseguire la memorizzazione tramite la funzione "
      "'Memorizza mese'";
  text +=
      "\n\nN.B.: Nel caso in cui il dipendente abbia valorizzato a '1' il codice statistico NFOR "
      "(Campo P890) "
      "quest'ultimo viene escluso automaticamente dalla memorizzazione mese";
  return text;
}

MonthGrid::MonthGrid(AttendanceDb& db, Dialogs& dialogs) : db_(db), dialogs_(dialogs) {}

bool MonthGrid::MonthExists(AttendanceDb& db, std::string_view employee, std::string_view period) {
  std::vector<DayRow> rows;
  Check(db.EmployeeMonth(employee, period, &rows), "PRESENZE");
  return !rows.empty();
}

std::string MonthGrid::period() const { return ZeroPad(month_.year, 4) + Digits2(month_.month); }

const std::string& MonthGrid::Text(int day, int column) const {
  static const std::string kEmpty;
  if (day < 1 || day > days() || column < 0 || column >= grid::kColumns) return kEmpty;
  return days_[static_cast<size_t>(day)].text[static_cast<size_t>(column)];
}

long MonthGrid::Minutes(std::string_view text) { return HoursToMinutes(text, dialogs_); }

// --- Loading ---

void MonthGrid::Load(const GridMonth& month) {
  month_ = month;
  month_.employee = std::string(Trim(month.employee));
  Reload();
}

void MonthGrid::Clear() {
  if (observer_.about_to_reload) observer_.about_to_reload();
  month_ = GridMonth{};
  loaded_ = false;
  modified_ = false;
  opened_ = Opened::kNothing;
  active_day_ = 0;
  active_column_ = 0;
  editor_text_.clear();
  list_lines_.clear();
  days_.assign(1, GridDay{});
  totals_ = {};
  if (observer_.reloaded) observer_.reloaded();
  NotifyEditors();
}

void MonthGrid::Reload() {
  if (observer_.about_to_reload) observer_.about_to_reload();
  loaded_ = true;
  opened_ = Opened::kNothing;
  editor_text_.clear();
  list_lines_.clear();
  Populate();
  modified_ = false;
  RecomputeTotals();
  if (observer_.reloaded) observer_.reloaded();
  NotifyEditors();
}

void MonthGrid::Populate() {
  // DISEGNATABELLA: one line per day of the month.
  const int count = MonthLength(month_.month, month_.year);
  days_.assign(static_cast<size_t>(count) + 1, GridDay{});
  const std::string month_key = period();

  // First pass: dates, weekdays and the holiday marking.
  Result<HolidayCalendar> calendar = HolidayCalendar::Load(db_);
  Check(calendar.status(), "FESTIVITA");
  for (int d = 1; d <= count; ++d) {
    GridDay& day = days_[static_cast<size_t>(d)];
    const std::string key = month_key + Digits2(d);
    day.text[grid::kDate] = FormatPeriodDate(key);
    day.text[grid::kWeekday] = std::string(WeekdayName(Weekday(month_.year, month_.month, d)));
    day.holiday = calendar->IsHoliday(key, month_.municipality_ddmm, month_.company_ddmm);
  }

  // Second pass: the stored rows; a missing day gets a row with its keys only.
  std::vector<DayRow> rows;
  Check(db_.EmployeeMonth(month_.employee, month_key, &rows), "PRESENZE");
  std::vector<const DayRow*> stored(static_cast<size_t>(count) + 1, nullptr);
  for (const DayRow& row : rows) {
    const long d = DayOfPeriod(row.period);
    if (d >= 1 && d <= count) stored[static_cast<size_t>(d)] = &row;
  }
  if (std::find(stored.begin() + 1, stored.end(), nullptr) != stored.end()) {
    Transaction transaction(db_);
    Check(transaction.status(), "PRESENZE");
    for (int d = 1; d <= count; ++d) {
      if (stored[static_cast<size_t>(d)] != nullptr) continue;
      DayRow row;
      row.employee = month_.employee;
      row.period = month_key + Digits2(d);
      Check(db_.SaveDay(row), "PRESENZE");
    }
    Check(transaction.Commit(), "PRESENZE");
  }
  for (int d = 1; d <= count; ++d) {
    GridDay& day = days_[static_cast<size_t>(d)];
    if (const DayRow* row = stored[static_cast<size_t>(d)]) {
      for (int c = grid::kGroup; c <= grid::HoursColumn(grid::kSlots); ++c) {
        day.text[static_cast<size_t>(c)] = std::string(Trim(row->pres[static_cast<size_t>(c - 1)]));
      }
    }
    COMPLETACONTROLLI(d);
  }
}

void MonthGrid::COMPLETACONTROLLI(int day) {
  if (day < 1 || day > days()) return;
  GridDay& row = days_[static_cast<size_t>(day)];
  const long theoretical = Minutes(row.text[grid::kTheoretical]);
  long total = Minutes(row.text[grid::kWorked]);
  for (int slot = 1; slot <= grid::kSlots; ++slot) {
    total += Minutes(row.text[static_cast<size_t>(grid::HoursColumn(slot))]);
  }
  const bool complete = total >= theoretical;
  if (complete == row.complete) return;
  row.complete = complete;
  if (observer_.cell_changed) observer_.cell_changed(day, grid::kCheck);
}

void MonthGrid::RecomputeTotals() {
  std::array<std::string, 7> totals;
  for (size_t i = 0; i < grid::kTotalColumns.size(); ++i) {
    long sum = 0;
    for (int d = 1; d <= days(); ++d) {
      sum +=
          Minutes(days_[static_cast<size_t>(d)].text[static_cast<size_t>(grid::kTotalColumns[i])]);
    }
    totals[i] = MinutesToLongHours(sum);
  }
  totals_ = totals;
  if (observer_.totals_changed) observer_.totals_changed();
}

// --- Changes ---

void MonthGrid::SetText(int day, int column, std::string text) {
  std::string& cell = days_[static_cast<size_t>(day)].text[static_cast<size_t>(column)];
  if (cell == text) return;
  cell = std::move(text);
  if (observer_.cell_changed) observer_.cell_changed(day, column);
}

void MonthGrid::RowChanged(int day) {
  COMPLETACONTROLLI(day);
  RecomputeTotals();
  modified_ = true;
}

void MonthGrid::NotifyEditors() {
  if (observer_.editors_changed) observer_.editors_changed();
}

std::string MonthGrid::JustificationType(std::string_view code) {
  const std::string_view c = Trim(code);
  if (c.empty()) return "";
  Result<std::optional<JustificationRow>> found = db_.FindJustification(c);
  Check(found.status(), "GIUSTIFICATIVI");
  if (!*found) return "";
  return ToUpperAscii(Trim((*found)->gius[2]));
}

// --- Activation ---

MonthGrid::Opened MonthGrid::Activate(int day, int column) {
  if (!loaded_ || day < 1 || day > days() || column < 0 || column >= grid::kColumns)
    return Opened::kNothing;
  // A click elsewhere abandons an open edit: at most one editor is open, on the active cell.
  CloseEditors();
  if (column == grid::kDate || column == grid::kWeekday || column == grid::kCheck)
    return Opened::kNothing;

  if (column == grid::kGroup || grid::IsCodeColumn(column)) {
    list_lines_.assign(1, std::string(kClearFieldLine));
    if (column == grid::kGroup) {
      list_heading_ = kGroupListHeading;
      std::vector<GroupRow> groups;
      Check(db_.ListGroups(&groups), "GRUPPI");
      for (const GroupRow& g : groups) {
        list_lines_.push_back(g.code + " " + std::string(Trim(g.grup[1])));
      }
      opened_ = Opened::kGroupList;
    } else {
      list_heading_ = kJustificationListHeading;
      std::vector<JustificationRow> codes;
      Check(db_.ListJustifications(&codes), "GIUSTIFICATIVI");
      for (const JustificationRow& j : codes) {
        // Description padded in characters, so accented letters keep the column.
        std::string line = j.code + " ";
        const std::string_view description = Utf8Left(j.gius[1], kJustificationDescriptionWidth);
        line.append(description);
        line.append(kJustificationDescriptionWidth - Utf8Length(description), ' ');
        if (!Trim(j.gius[7]).empty()) {
          const std::string label = UniemensLabel(j.gius[7]);
          if (!label.empty()) line.append(" (").append(label).append(")");
        }
        list_lines_.push_back(std::move(line));
      }
      opened_ = Opened::kJustificationList;
    }
    active_day_ = day;
    active_column_ = column;
    NotifyEditors();
    return opened_;
  }

  if (grid::IsSlotHoursColumn(column)) {
    if (Text(day, grid::CodeColumn(grid::SlotOfColumn(column))).empty()) {
      dialogs_.Show(kCodeFirstMessage, kCodeFirstTitle, MessageIcon::kExclamation);
      return Opened::kNothing;
    }
    active_day_ = day;
    active_column_ = column;
    const std::string& text = Text(day, column);
    OpenEditor(text.empty() ? std::string("  :  ") : text);
    return opened_;
  }

  // Theoretical and worked hours.
  active_day_ = day;
  active_column_ = column;
  OpenEditor(Text(day, column));
  return opened_;
}

void MonthGrid::OpenEditor(std::string text) {
  opened_ = Opened::kHoursEditor;
  editor_text_ = std::move(text);
  editor_caret_ = 0;
  NotifyEditors();
}

void MonthGrid::CloseEditors() {
  if (opened_ == Opened::kNothing && editor_text_.empty()) return;
  opened_ = Opened::kNothing;
  editor_text_.clear();
  editor_caret_ = 0;
  list_lines_.clear();
  NotifyEditors();
}

void MonthGrid::CloseList() {
  if (opened_ != Opened::kGroupList && opened_ != Opened::kJustificationList) return;
  CloseEditors();
}

// --- Pick lists ---

bool MonthGrid::ChooseLine(int index) {
  if (opened_ != Opened::kGroupList && opened_ != Opened::kJustificationList) return false;
  if (index < 0 || static_cast<size_t>(index) >= list_lines_.size()) return false;
  const std::string line = list_lines_[static_cast<size_t>(index)];
  const int day = active_day_;
  const int column = active_column_;
  bool changed = true;
  if (index == 0) {
    // "000 AZZERAMENTO CAMPO": the cell is emptied; a code takes its hours with it.
    SetText(day, column, "");
    if (grid::IsCodeColumn(column)) SetText(day, column + 1, "");
  } else if (column == grid::kGroup) {
    ChooseGroup(day, line);
  } else {
    changed = ChooseCode(day, grid::SlotOfColumn(column), line);
  }
  CloseEditors();
  if (changed) RowChanged(day);
  return changed;
}

void MonthGrid::ChooseGroup(int day, std::string_view line) {
  const std::string code = PadLeft(LineCode(line), 3, '0');
  SetText(day, grid::kGroup, code);
  Result<std::optional<GroupRow>> group = db_.FindGroup(code);
  Check(group.status(), "GRUPPI");
  std::string hours;
  if (*group) {
    // GRUP_2 Monday ... GRUP_8 Sunday.
    const int weekday = Weekday(month_.year, month_.month, day);
    hours = std::string(Trim((*group)->grup[static_cast<size_t>(weekday + 1)]));
    if (Minutes(hours) == 0) hours.clear();
  }
  SetText(day, grid::kTheoretical, hours);
}

bool MonthGrid::ChooseCode(int day, int slot, std::string_view line) {
  const std::string code = LineCode(line);
  for (int other = 1; other <= grid::kSlots; ++other) {
    if (other == slot) continue;
    if (Trim(Text(day, grid::CodeColumn(other))) == code) {
      dialogs_.Show(kDuplicateCodeMessage, kHoursCheckTitle, MessageIcon::kExclamation);
      return false;
    }
  }
  SetText(day, grid::CodeColumn(slot), code);
  return true;
}

// --- Hours editor ---

void MonthGrid::set_editor_caret(int caret) { editor_caret_ = std::clamp(caret, 0, 5); }

MonthGrid::EditorResult MonthGrid::EditorKey(int key) {
  if (opened_ != Opened::kHoursEditor) return EditorResult::kCancelled;
  const HoursMaskOutcome out = HoursMaskKey(editor_text_, editor_caret_, key, HoursBlank::kGrid);
  switch (out.action) {
    case HoursMaskOutcome::Action::kNone:
      editor_text_ = out.text;
      editor_caret_ = out.caret;
      NotifyEditors();
      return EditorResult::kTyped;
    case HoursMaskOutcome::Action::kBeep:
      return EditorResult::kBeep;
    case HoursMaskOutcome::Action::kCancel:
      CloseEditors();
      return EditorResult::kCancelled;
    case HoursMaskOutcome::Action::kCommit:
    case HoursMaskOutcome::Action::kInvalid:
      return CommitHours(out.text) ? EditorResult::kCommitted : EditorResult::kInvalid;
  }
  return EditorResult::kTyped;
}

bool MonthGrid::CommitHours(std::string_view text) {
  if (opened_ != Opened::kHoursEditor) return false;
  std::string t(Trim(text));
  if (t == ":") {
    t.clear();
  } else if (!t.empty() && t.back() == ':') {
    t += "00";
  }
  if (!IsValidHours(t)) {
    dialogs_.Show(kHoursMaskError, kHoursErrorTitle, MessageIcon::kNone);
    return false;
  }
  const int day = active_day_;
  const int column = active_column_;
  if (column == grid::kTheoretical) {
    CommitTheoretical(day, t);
  } else if (column == grid::kWorked) {
    CommitWorked(day, t);
  } else {
    CommitSlotHours(day, grid::SlotOfColumn(column), t);
  }
  CloseEditors();
  RowChanged(day);
  return true;
}

void MonthGrid::CommitTheoretical(int day, std::string_view text) {
  SetText(day, grid::kTheoretical, Minutes(text) == 0 ? std::string() : std::string(text));
}

void MonthGrid::CommitWorked(int day, std::string_view text) {
  const long theoretical = Minutes(Text(day, grid::kTheoretical));
  long worked = Minutes(text);
  // NP over all five slots: the hours of every justification that is not of presence type.
  long not_presence = 0;
  for (int slot = 1; slot <= grid::kSlots; ++slot) {
    const std::string& code = Text(day, grid::CodeColumn(slot));
    if (Trim(code).empty() || JustificationType(code) == "P") continue;
    not_presence += Minutes(Text(day, grid::HoursColumn(slot)));
  }
  // Worked hours and absences never exceed a day with theoretical hours.
  if (theoretical != 0 && worked + not_presence > theoretical)
    worked = std::max(0L, theoretical - not_presence);
  SetText(day, grid::kWorked, MinutesToHours(worked));
}

void MonthGrid::CommitSlotHours(int day, int slot, std::string_view text) {
  const long theoretical = Minutes(Text(day, grid::kTheoretical));
  const long worked = Minutes(Text(day, grid::kWorked));
  long entered = Minutes(text);
  // NP and PR over the other four slots.
  long not_presence = 0;
  long presence = 0;
  for (int other = 1; other <= grid::kSlots; ++other) {
    if (other == slot) continue;
    const std::string& code = Text(day, grid::CodeColumn(other));
    if (Trim(code).empty()) continue;
    const long hours = Minutes(Text(day, grid::HoursColumn(other)));
    if (JustificationType(code) == "P") {
      presence += hours;
    } else {
      not_presence += hours;
    }
  }

  const std::string type = JustificationType(Text(day, grid::CodeColumn(slot)));
  if (type == "P") {
    // Presence: worked and justified time stay within 24 hours.
    entered = std::min(entered, kDayMinutes);
    if (worked + presence + not_presence + entered > kDayMinutes) {
      entered = std::max(0L, kDayMinutes - (worked + presence + not_presence));
      dialogs_.Show(kPresenceCapMessage, kHoursCheckTitle, MessageIcon::kInformation);
    }
  } else if (type == "A" || type == "M") {
    // Absence, sickness: only what the day lacks to its theoretical hours.
    if (worked < theoretical) {
      if (worked + not_presence + entered > theoretical) {
        entered = std::max(0L, theoretical - worked - not_presence);
        dialogs_.Show(kAbsenceCapMessage, kHoursCheckTitle, MessageIcon::kInformation);
      }
    } else {
      entered = 0;
    }
  }
  // Neutral codes (and codes no longer in the table) keep the hours as entered.

  if (entered == 0) SetText(day, grid::CodeColumn(slot), "");
  SetText(day, grid::HoursColumn(slot), MinutesToHours(entered));
}

// --- Values without a screen ---

MonthGrid::SetResult MonthGrid::SetCell(int day, int column, std::string_view value) {
  if (!loaded_ || day < 1 || day > days() || column < 0 || column >= grid::kColumns)
    return SetResult::kNotEditable;
  if (column == grid::kDate || column == grid::kWeekday || column == grid::kCheck)
    return SetResult::kNotEditable;
  const Opened opened = Activate(day, column);
  if (column == grid::kGroup || grid::IsCodeColumn(column)) {
    std::string code = ToUpperAscii(Trim(value));
    if (code == "000") return ChooseLine(0) ? SetResult::kApplied : SetResult::kRefused;
    // Codes are three characters: a shorter one is padded with "0" on the left, as the
    // tables' boxes pad them.
    if (!code.empty() && code.size() < 3) code = PadLeft(code, 3, '0');
    for (size_t i = 1; i < list_lines_.size(); ++i) {
      if (LineCode(list_lines_[i]) == code) {
        return ChooseLine(static_cast<int>(i)) ? SetResult::kApplied : SetResult::kRefused;
      }
    }
    CloseList();
    return SetResult::kNotInList;
  }
  if (opened != Opened::kHoursEditor) return SetResult::kRefused;
  if (!CommitHours(value)) {
    CloseEditors();
    return SetResult::kRefused;
  }
  return SetResult::kApplied;
}

// --- Save, undo, leaving ---

bool MonthGrid::ConfirmAndSave() {
  CloseEditors();
  if (!dialogs_.Ask(kSaveQuestion, MessageIcon::kQuestion)) return false;
  Save();
  return true;
}

void MonthGrid::Save() {
  if (!loaded_) return;
  const auto work = [this] {
    // The stored rows are read inside the transaction, so what the grid does not show
    // (PRES_0, slots 6-10, PROTOCOLLO) is written back as it is at that moment.
    Transaction transaction(db_);
    Check(transaction.status(), "PRESENZE");
    std::vector<DayRow> rows;
    Check(db_.EmployeeMonth(month_.employee, period(), &rows), "PRESENZE");
    for (DayRow& row : rows) {
      const long d = DayOfPeriod(row.period);
      if (d < 1 || d > days())
        continue;  // a day the month does not have is neither shown nor saved
      const GridDay& day = days_[static_cast<size_t>(d)];
      for (int c = grid::kGroup; c <= grid::HoursColumn(grid::kSlots); ++c) {
        row.pres[static_cast<size_t>(c - 1)] = std::string(Trim(day.text[static_cast<size_t>(c)]));
      }
      Check(db_.SaveDay(row), "PRESENZE");
    }
    Check(transaction.Commit(), "PRESENZE");
  };
  if (busy_) {
    busy_(work);
  } else {
    work();
  }
  RecomputeTotals();
  modified_ = false;
}

bool MonthGrid::cmdAnnulla() {
  CloseEditors();
  if (!dialogs_.Ask(kUndoQuestion, MessageIcon::kQuestion)) return false;
  if (!MonthExists(db_, month_.employee, period())) {
    dialogs_.Show(MissingPeriodMessage(month_.year, month_.month), MessageIcon::kInformation);
    return false;
  }
  Reload();
  return true;
}

void MonthGrid::Leave() {
  CloseEditors();
  if (modified_) ConfirmAndSave();
  // The grid is closed: whatever was not saved is dropped.
  modified_ = false;
}

}  // namespace kaveltar
