#include "tables/table_form.h"

#include "base/hours.h"
#include "base/text.h"
#include "tables/utf8_text.h"

namespace kaveltar {

using tables_internal::NextCodePoint;
using tables_internal::UpperKey;
using tables_internal::UpperText;
using tables_internal::Utf8From;
using tables_internal::Utf8Left;

std::string_view TableCode(TableKind kind) {
  switch (kind) {
    case TableKind::kHolidays:
      return "001";
    case TableKind::kJustifications:
      return "002";
    case TableKind::kGroups:
      return "003";
  }
  return "";
}

std::optional<TableKind> TableKindFromEntry(std::string_view entry) {
  const std::string_view code = entry.substr(0, 3);
  for (TableKind kind : {TableKind::kHolidays, TableKind::kJustifications, TableKind::kGroups}) {
    if (code == TableCode(kind)) return kind;
  }
  return std::nullopt;
}

std::string_view NewRowEntry(TableKind kind) {
  switch (kind) {
    case TableKind::kHolidays:
      return "--------- NUOVA FESTIVITA' ---------";
    case TableKind::kJustifications:
      return "----- NUOVO GIUSTIFICATIVO -----";
    case TableKind::kGroups:
      return "------------- NUOVO GRUPPO -------------";
  }
  return "";
}

size_t KeyLength(TableKind kind) { return kind == TableKind::kHolidays ? 4 : 3; }

Status ReadKeyDescriptions(AttendanceDb& db, TableKind kind, std::vector<KeyDescription>* rows) {
  rows->clear();
  switch (kind) {
    case TableKind::kHolidays: {
      std::vector<HolidayRow> all;
      if (Status s = db.ListHolidays(&all); !s.ok()) return s;
      for (HolidayRow& r : all) rows->push_back({std::move(r.day), std::move(r.description)});
      break;
    }
    case TableKind::kJustifications: {
      std::vector<JustificationRow> all;
      if (Status s = db.ListJustifications(&all); !s.ok()) return s;
      for (JustificationRow& r : all) rows->push_back({std::move(r.code), std::move(r.gius[1])});
      break;
    }
    case TableKind::kGroups: {
      std::vector<GroupRow> all;
      if (Status s = db.ListGroups(&all); !s.ok()) return s;
      for (GroupRow& r : all) rows->push_back({std::move(r.code), std::move(r.grup[1])});
      break;
    }
  }
  return Status::Ok();
}

std::vector<std::string> ListRecordEntries(TableKind kind,
                                           const std::vector<KeyDescription>& rows) {
  std::vector<std::string> entries;
  entries.reserve(rows.size() + 1);
  entries.emplace_back(NewRowEntry(kind));
  for (const KeyDescription& r : rows) {
    entries.push_back(std::string(Trim(r.key)) + " " + r.description);
  }
  return entries;
}

// --- TableForm ---

TableForm::TableForm(TableKind kind, AttendanceDb& db, Dialogs& dialogs)
    : db_(db), dialogs_(dialogs), kind_(kind) {}

std::string_view TableForm::SelectedEntry() const {
  if (selected_ < 0 || static_cast<size_t>(selected_) >= entries_.size()) return {};
  return entries_[static_cast<size_t>(selected_)];
}

Status TableForm::Refresh() {
  std::vector<KeyDescription> rows;
  if (Status s = ReadKeyDescriptions(db_, kind_, &rows); !s.ok()) return s;
  entries_ = ListRecordEntries(kind_, rows);
  selected_ = -1;
  return Status::Ok();
}

void TableForm::Select(int index) {
  selected_ = index >= 0 && static_cast<size_t>(index) < entries_.size() ? index : -1;
}

int TableForm::FindEntry(std::string_view code) const {
  for (size_t i = 1; i < entries_.size(); ++i) {
    if (EntryCode(entries_[i]) == Trim(code)) return static_cast<int>(i);
  }
  return -1;
}

std::string TableForm::EntryCode(std::string_view entry) const {
  return std::string(Trim(Utf8Left(entry, KeyLength(kind_))));
}

std::string TableForm::EntryDescription(std::string_view entry) const {
  return std::string(Trim(Utf8From(entry, KeyLength(kind_) + 1)));
}

bool TableForm::IsNewRowEntry(std::string_view entry) const {
  return UpperText(Trim(entry)) == NewRowEntry(kind_);
}

Result<bool> TableForm::SaveIfModified() {
  if (!modified_) return true;
  if (!dialogs_.Ask(kUnsavedChangesQuestion, kTablesTitle, MessageIcon::kQuestion)) {
    modified_ = false;
    return true;
  }
  Result<SaveOutcome> saved = Save();
  if (!saved.ok()) return saved.status();
  return *saved == SaveOutcome::kSaved;
}

Result<bool> TableForm::Cancel() {
  Result<bool> go_on = SaveIfModified();
  if (!go_on.ok() || !*go_on) return go_on;
  modified_ = false;
  if (Status s = Reload(); !s.ok()) return s;
  state_ = PanelState::kClosed;
  return true;
}

Status TableForm::OpenNew() {
  if (Status s = Refresh(); !s.ok()) return s;
  return ListRecord_DblClick(0);
}

Result<bool> TableForm::OpenStored(std::string_view code) {
  if (Status s = Refresh(); !s.ok()) return s;
  const int index = FindEntry(PadCode(code, KeyLength(kind_)));
  if (index < 0) {
    ShowNotFound();
    return false;
  }
  if (Status s = ListRecord_DblClick(index); !s.ok()) return s;
  return state_ == PanelState::kStored;
}

Result<DeleteOutcome> TableForm::DeleteCode(std::string_view code) {
  if (Status s = Refresh(); !s.ok()) return s;
  const int index = FindEntry(PadCode(code, KeyLength(kind_)));
  if (index < 0) {
    ShowNotFound();
    return DeleteOutcome::kNotFound;
  }
  Select(index);
  return CmdElimina_Click();
}

std::optional<FocusTarget> TableForm::TakeFocusRequest() {
  std::optional<FocusTarget> f = focus_;
  focus_.reset();
  return f;
}

// --- Typing rules ---

KeyOutcome CodeBoxKey(std::string_view text, int key) {
  KeyOutcome out = FilterNumericKey(text, key, /*negatives_allowed=*/false, /*decimals=*/0);
  // The filter lets "+" and "/" through (they sit between "+" and "9"); a code is digits.
  if (out.key != kKeyBackspace && (out.key < '0' || out.key > '9')) out.key = 0;
  return out;
}

KeyOutcome UpperCaseBoxKey(int key) {
  KeyOutcome out;
  out.key = UpperKey(key);
  return out;
}

std::string PadCode(std::string_view code, size_t width) {
  const std::string_view t = Trim(code);
  if (t.empty() || t.size() >= width) return std::string(t);
  return std::string(width - t.size(), '0') + std::string(t);
}

Result<std::string> EnterCodeText(std::string_view text, size_t max_length, size_t pad_width,
                                  std::string_view caption) {
  std::string box;
  for (size_t i = 0; i < text.size();) {
    const int key = NextCodePoint(text, &i);
    const KeyOutcome out = CodeBoxKey(box, key);
    if (out.clear_box) box.clear();
    if (out.key == 0 || out.key == kKeyBackspace || box.size() >= max_length) {
      return Status::Invalid(std::string(caption) + ": sono ammesse solo cifre, al massimo " +
                             std::to_string(max_length) + " (\"" + std::string(text) + "\")");
    }
    box.push_back(static_cast<char>(out.key));
  }
  return pad_width == 0 ? box : PadCode(box, pad_width);
}

Result<std::string> EnterHoursText(std::string_view text, std::string_view caption,
                                   std::string_view empty_result) {
  const std::string_view t = Trim(text);
  if (t.empty()) return std::string(empty_result);
  // The box holds at most two hour digits and two minute digits around its colon.
  const size_t colon = t.find(':');
  const std::string_view hours = Trim(t.substr(0, colon));
  const std::string_view minutes =
      colon == std::string_view::npos ? std::string_view() : Trim(t.substr(colon + 1));
  const auto digits = [](std::string_view s) {
    return s.size() <= 2 && (s.empty() || IsDigits(s));
  };
  const std::string completed = CompleteHoursText(t);
  if (!digits(hours) || !digits(minutes) || !IsValidHours(completed)) {
    return Status::Invalid(std::string(caption) + ": ore non valide, indicare HH:MM (\"" +
                           std::string(text) + "\")");
  }
  return completed;
}

Result<DeleteOutcome> TableForm::ConfirmAndDelete(const std::string& question,
                                                  std::string_view used_message,
                                                  const std::function<Result<bool>()>& in_use,
                                                  const std::function<Status()>& remove) {
  if (!dialogs_.Ask(question, kTablesTitle, MessageIcon::kQuestion)) {
    return DeleteOutcome::kDeclined;
  }
  Result<bool> used = false;
  Status deleted;
  RunBusy([&] {
    used = in_use();
    if (used.ok() && !*used) deleted = remove();
  });
  if (!used.ok()) return used.status();
  if (!deleted.ok()) return deleted;
  DeleteOutcome outcome = DeleteOutcome::kDeleted;
  if (*used) {
    dialogs_.Show(used_message, kTablesTitle, MessageIcon::kCritical);
    outcome = DeleteOutcome::kRefused;
  }
  if (Status s = Refresh(); !s.ok()) return s;
  return outcome;
}

}  // namespace kaveltar
