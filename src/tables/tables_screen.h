// The tables screen (FrameTabelle) without widgets: the choice of the table (ListTabelle),
// the three table panels, and the buttons that act on the current table: delete, print
// ("ELIMINA RECORD", CmdStampa) and back to the table choice ("Selezioni precedenti").
// It also answers the question the program asks about the tables when it is left.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tables/formulas.h"
#include "tables/group_form.h"
#include "tables/holiday_form.h"
#include "tables/justification_form.h"
#include "tables/table_form.h"

namespace kaveltar {

class TablesScreen {
 public:
  // The tables help frame (FrameHelpTabelle) shown while no table is chosen.
  static constexpr std::string_view kHelpHeading = "INFO OPERATIVE";
  static constexpr std::array<std::string_view, 2> kHelpLines = {
      "Una volta selezionata la tabella l'utente potrà visionare, modificare i dati già "
      "presenti, aggiungere o eliminare quelli già esistenti.",
      "Per tornare al menu premere il tasto 'Selezioni precedenti'."};

  TablesScreen(AttendanceDb& db, Dialogs& dialogs, FormulaArchive& formulas);

  // ListTabelle holds kTableListEntries; it is enabled while no table is chosen.
  bool table_list_enabled() const { return !current_.has_value(); }
  // ListTabelle_Click(index 0..2): chooses the table, fills its ListRecord and shows its
  // panel closed. Ignored while a table is chosen or for an index outside the list.
  Status ListTabelle_Click(int index);
  std::optional<TableKind> current() const { return current_; }

  // The current table's panel; nullptr while no table is chosen.
  TableForm* form();
  TableForm& form(TableKind kind);
  HolidayForm& holidays() { return holidays_; }
  JustificationForm& justifications() { return justifications_; }
  GroupForm& groups() { return groups_; }

  // CmdElimina_Click on the current table (kNoSelection while none is chosen).
  Result<DeleteOutcome> CmdElimina_Click();
  // CmdStampa_Click: the lines of the current table's listing, rows in key order. The
  // screen prints them (font kListingFont, size kListingFontSize) and then shows
  // kPrintFinishedMessage.
  Result<std::vector<std::string>> CmdStampa_Click();
  // CmdSelPrec_Click ("Selezioni precedenti"): with unsaved changes asks
  // kUnsavedChangesQuestion; Yes saves the open panel, No drops the changes. Then the panel
  // is emptied, ListRecord cleared and the table choice enabled again. False (and nothing
  // else done) when the operator asked to save and the save was refused.
  Result<bool> CmdSelPrec_Click();
  // Leaving the program: with unsaved changes asks kUnsavedChangesQuestion; Yes saves the
  // open panel, No drops the changes. False when the save was refused: the program then
  // stays open on the panel.
  Result<bool> ConfirmLeave();
  // The form's modification mark (of the current table).
  bool modified();
  // The waiting panel of the deletions of all three tables (TableForm::set_busy_runner).
  void set_busy_runner(const TableForm::BusyRunner& runner);

 private:
  // The question and the save or drop shared by CmdSelPrec_Click and ConfirmLeave.
  Result<bool> ResolveChanges();

  HolidayForm holidays_;
  JustificationForm justifications_;
  GroupForm groups_;
  Dialogs& dialogs_;
  AttendanceDb& db_;
  std::optional<TableKind> current_;
};

}  // namespace kaveltar
