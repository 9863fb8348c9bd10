#include "tables/tables_screen.h"

#include "tables/listing.h"

namespace kaveltar {

TablesScreen::TablesScreen(AttendanceDb& db, Dialogs& dialogs, FormulaArchive& formulas)
    : holidays_(db, dialogs),
      justifications_(db, dialogs, formulas),
      groups_(db, dialogs),
      dialogs_(dialogs),
      db_(db) {}

Status TablesScreen::ListTabelle_Click(int index) {
  if (current_ || index < 0 || static_cast<size_t>(index) >= kTableListEntries.size()) {
    return Status::Ok();
  }
  const std::optional<TableKind> kind =
      TableKindFromEntry(kTableListEntries[static_cast<size_t>(index)]);
  TableForm& f = form(*kind);
  f.Clear();
  if (Status s = f.Refresh(); !s.ok()) return s;
  current_ = kind;
  return Status::Ok();
}

TableForm* TablesScreen::form() { return current_ ? &form(*current_) : nullptr; }

TableForm& TablesScreen::form(TableKind kind) {
  switch (kind) {
    case TableKind::kHolidays:
      return holidays_;
    case TableKind::kJustifications:
      return justifications_;
    case TableKind::kGroups:
      break;
  }
  return groups_;
}

Result<DeleteOutcome> TablesScreen::CmdElimina_Click() {
  if (!current_) return DeleteOutcome::kNoSelection;
  return form()->CmdElimina_Click();
}

Result<std::vector<std::string>> TablesScreen::CmdStampa_Click() {
  if (!current_) return std::vector<std::string>{};
  return ReadTableListing(db_, *current_);
}

bool TablesScreen::modified() { return current_ && form()->modified(); }

void TablesScreen::set_busy_runner(const TableForm::BusyRunner& runner) {
  holidays_.set_busy_runner(runner);
  justifications_.set_busy_runner(runner);
  groups_.set_busy_runner(runner);
}

Result<bool> TablesScreen::ResolveChanges() {
  TableForm* f = form();
  if (f == nullptr || !f->modified()) return true;
  if (dialogs_.Ask(kUnsavedChangesQuestion, kTablesTitle, MessageIcon::kQuestion)) {
    Result<SaveOutcome> saved = f->Save();
    if (!saved.ok()) return saved.status();
    return *saved == SaveOutcome::kSaved;
  }
  // No: the panel's cancel without asking again.
  f->set_modified(false);
  Result<bool> cancelled = f->Cancel();
  if (!cancelled.ok()) return cancelled.status();
  return true;
}

Result<bool> TablesScreen::CmdSelPrec_Click() {
  Result<bool> go_on = ResolveChanges();
  if (!go_on.ok() || !*go_on) return go_on;
  if (TableForm* f = form()) {
    f->Clear();
    f->ClearEntries();
  }
  current_.reset();
  return true;
}

Result<bool> TablesScreen::ConfirmLeave() { return ResolveChanges(); }

}  // namespace kaveltar
