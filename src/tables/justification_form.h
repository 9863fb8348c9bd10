// The justification panel over table GIUSTIFICATIVI. Its controls and the columns they hold:
//
//   TextGiustificativo(0)   KGIUS    code, exactly three characters (padded with "0")
//   TextGiustificativo(1)   GIUS_1   description, upper case as typed
//   TextGiustificativo(2)   GIUS_5   code in external attendance files, upper case
//   ComboGiustificativo     GIUS_6   SR18 certificate code (the item's first two characters)
//   ComboUNIEMENS +         GIUS_7   UNIEMENS event code, taken from the label, which the
//     LabelGiustificativo            list fills ("00 Azzera Valore" empties it)
//   TextGiustificativo(8)   GIUS_8   CIG ticket number, stored right-aligned in two
//                                    characters (" 0" when empty)
//   OptGiuPreAss(0..3)      GIUS_2   type "P", "A", "N", "M"
//   ChkGiucompStr           GIUS_3   compatible with overtime "1"/"0"; only a presence can
//                                    be ticked, every other type is stored with "0"
//   formula row k (0..4): TextGiusCodVoce(k) GIUS_9+k formula code (three digits),
//     LabGiusDescrVoce(k) its description (not stored), TextGiusSogliaVoce(k) GIUS_14+k
//     threshold typed as "HH:MM", stored as minutes ("480"; "0" when empty)
//
// The formula rows are kept closed up: a row is filled only when the row above it is.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tables/formulas.h"
#include "tables/table_form.h"

namespace kaveltar {

class JustificationForm : public TableForm {
 public:
  // Indexes of TextGiustificativo.
  static constexpr int kCodeBox = 0;
  static constexpr int kDescriptionBox = 1;
  static constexpr int kImportCodeBox = 2;
  static constexpr int kTicketBox = 8;
  static constexpr int kFormulaRows = 5;
  static constexpr size_t kCodeLength = 3;

  struct FormulaRowBoxes {
    std::string code;         // TextGiusCodVoce(k)
    std::string description;  // LabGiusDescrVoce(k)
    std::string threshold;    // TextGiusSogliaVoce(k), "HH:MM" or empty
    bool operator==(const FormulaRowBoxes&) const = default;
  };

  struct Boxes {
    std::string code, description, import_code, ticket;  // TextGiustificativo(0, 1, 2, 8)
    bool code_enabled = true;    // the key of a stored code cannot be changed
    int sr18_index = -1;         // ComboGiustificativo: position in Sr18Items(), -1 no text
    int uniemens_index = -1;     // ComboUNIEMENS: position in UniemensListItems(), -1 no text
    std::string uniemens_label;  // LabelGiustificativo: the code GIUS_7 receives
    int type = -1;               // OptGiuPreAss: 0..3, -1 when none is chosen
    bool overtime = false;       // ChkGiucompStr ticked
    bool overtime_enabled = true;
    std::array<FormulaRowBoxes, kFormulaRows> formulas;
  };

  JustificationForm(AttendanceDb& db, Dialogs& dialogs, FormulaArchive& formulas);

  const Boxes& boxes() const { return boxes_; }

  // --- TextGiustificativo events (index 0, 1, 2, 8) ---
  // Every key sets the modification mark. Code and ticket: digits and editing keys only
  // (three and two at most); description and import code: letters in upper case.
  KeyOutcome TextGiustificativo_KeyPress(int index, int key);
  void TextGiustificativo_Change(int index, std::string_view text);
  // Leaving the code box pads a non-empty code with "0" to three characters; leaving the
  // ticket box right-aligns a non-empty number in two characters.
  void TextGiustificativo_LostFocus(int index);

  // --- Formula rows ---
  // Code boxes: digits only, three at most; leaving pads a non-empty code with "0".
  KeyOutcome TextGiusCodVoce_KeyPress(int row, int key);
  void TextGiusCodVoce_Change(int row, std::string_view text);
  void TextGiusCodVoce_LostFocus(int row);
  // Threshold boxes: the hours keyboard mask ("00:00" as blank pattern). A refused entry
  // shows "ERRORE HH:MM" (title "ERRORE") and the box keeps the focus.
  HoursMaskOutcome TextGiusSogliaVoce_KeyPress(int row, int caret, int key);
  void TextGiusSogliaVoce_Change(int row, std::string_view text);
  // Leaving a threshold box completes a partial "HH:MM" ("8:3" gives "08:30").
  void TextGiusSogliaVoce_LostFocus(int row);

  // CmdGiusCodVoce_Click(row): hides the formula list when it is shown; otherwise, for rows
  // 1-4, refuses with "E' necessario rispettare la sequenza. Compilare prima la Formula <n>"
  // when the row above has neither code nor threshold, else fills and shows the list.
  void CmdGiusCodVoce_Click(int row);
  // ListFormule_DblClick: "ELIMINA RIGA" empties the row and closes the rows up; any other
  // line puts its code and description into the row and empties its threshold (which gets
  // the focus). The list is hidden.
  void ListFormule_DblClick(int index);
  // CxkOrdFormule_Click ("Ordina x Codice"): refills the list in the chosen order.
  void CxkOrdFormule_Click(bool by_code);
  // ORDINA_VOCI: closes up the rows below the remembered row (nothing for the fifth row).
  void ORDINA_VOCI();
  bool formula_list_visible() const { return formula_list_visible_; }
  const std::vector<std::string>& formula_lines() const { return formula_lines_; }
  bool formula_order_by_code() const { return formula_order_by_code_; }
  int formula_row() const { return formula_row_; }

  // --- Type, overtime, SR18 and UNIEMENS ---
  // Choosing "Presenza" unticks the overtime box and enables it; any other type unticks
  // and disables it.
  void OptGiuPreAss_Click(int index);
  // Ticks or unticks the overtime box; false (nothing changes) while it is disabled.
  bool ChkGiucompStr_Click(bool ticked);
  // The SR18 list's choice (-1 clears it).
  void ComboGiustificativo_Click(int index);
  // The UNIEMENS list's choice: "00 Azzera Valore" empties the label, any other item puts
  // its first two characters into it.
  void ComboUNIEMENS_Click(int index);

  // --- Navigation over the codes of ListRecord ("Inizio", "Indietro", "Avanti", "Fine") ---
  // A move selects the code and loads it into the panel; "Avanti" on the last code shows
  // "Ultimo Giustificativo in Archivio", "Indietro" on the first "Primo Giustificativo in
  // Archivio" (title "Tabella Giustificativi").
  Status CmdInizioGiust_Click();
  Status CmdIndietroGiust_Click();
  Status CmdAvantiGiust_Click();
  Status CmdFineGiust_Click();
  bool navigation_enabled() const { return navigation_enabled_; }
  // The operating help (closed panel) or the formula area (open panel).
  bool operating_help_visible() const { return state_ == PanelState::kClosed; }

  // CARICA_GIUSTIFICATIVO: the panel from a stored row (formula descriptions from the
  // formulas archive). PULISCI_GIUSTIFICATIVO: the panel emptied.
  void CARICA_GIUSTIFICATIVO(const JustificationRow& row);
  void PULISCI_GIUSTIFICATIVO();

  // --- Scripted entry (the command line): the same rules as typing and clicking ---
  // TextGiustificativo(index) typed and left; kInvalid when the box would refuse a key.
  Status EnterText(int index, std::string_view text);
  // The type letter ("P", "A", "N", "M").
  Status SetType(std::string_view letter);
  // Ticks the overtime box; kInvalid for a type other than presence.
  Status SetOvertime(bool ticked);
  // SR18 code (empty clears it); kInvalid for a code not in the list.
  Status SetSr18(std::string_view code);
  // UNIEMENS code ("" or "00" clears it); kInvalid for a code not in the list.
  Status SetUniemens(std::string_view code);
  // Formula row `row` (0-4): a code (three digits at most) and a threshold ("HH:MM" or
  // empty). Both empty remove the row and close the rows up. A row whose row above is
  // unused is refused with the panel's sequence message.
  Status SetFormulaRow(int row, std::string_view code, std::string_view threshold);

  // CmdSalvaGiust_Click ("Memorizza").
  Result<SaveOutcome> Save() override;
  // CmdAnnullaGiust_Click is Cancel().

  Status ListRecord_Click(int index) override;
  Status ListRecord_DblClick(int index) override;
  // Deletion of table "002": confirmation "Eliminare il giustificativo : <code> <desc>",
  // then refused when any stored day uses the code in any of its ten slots.
  Result<DeleteOutcome> CmdElimina_Click() override;
  void Clear() override;

 protected:
  Status Reload() override;
  void ShowNotFound() override;

 private:
  // Seeks the code of the selected entry and, when found, empties and loads the panel.
  // Returns whether it was found.
  Result<bool> LoadSelected();
  // Moves the navigation to entry `index` and loads it.
  Status NavigateTo(int index);
  // The sequence check of CmdGiusCodVoce_Click; false after its message.
  bool RowAboveInUse(int row);
  void EmptyRow(int row);
  FormulaRowBoxes* Row(int row);
  std::string* TextBox(int index);

  FormulaArchive& formulas_;
  Boxes boxes_;
  bool navigation_enabled_ = false;
  bool formula_list_visible_ = false;
  bool formula_order_by_code_ = false;
  std::vector<std::string> formula_lines_;
  int formula_row_ = 0;
};

}  // namespace kaveltar
