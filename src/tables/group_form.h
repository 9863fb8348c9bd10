// The schedule group panel ("CREAZIONE MODIFICA E AGGIORNAMENTO GRUPPI ORARI") over table
// GRUPPI: code box TextDescGruppo(0) = KGRUPPO (three digits, padded with "0"), description
// box TextDescGruppo(1) = GRUP_1, and the seven hours boxes TextGruppo(2..8) = GRUP_2..GRUP_8,
// the theoretical hours of Monday to Sunday as "HH:MM" ("00:00" for a day without work).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tables/table_form.h"

namespace kaveltar {

// The captions of the hours boxes, Monday (index 2) to Sunday (index 8).
inline constexpr std::array<std::string_view, 7> kGroupDayCaptions = {
    "Ore lavorative Lunedi",        "Ore lavorative Martedi", "Ore lavorative Mercoledi",
    "Ore lavorative Giovedi",       "Ore lavorative Venerdi", "Ore lavorative del Sabato",
    "Ore lavorative della Domenica"};
// What a new group's hours boxes show.
inline constexpr std::string_view kNoHours = "00:00";

class GroupForm : public TableForm {
 public:
  static constexpr int kCodeBox = 0;
  static constexpr int kDescriptionBox = 1;
  static constexpr int kFirstHoursBox = 2;  // Monday
  static constexpr int kLastHoursBox = 8;   // Sunday
  static constexpr size_t kCodeLength = 3;

  struct Boxes {
    // [0] code, [1] description (TextDescGruppo), [2..8] hours (TextGruppo).
    std::array<std::string, 9> text;
    bool code_enabled = true;  // the code of a stored group cannot be changed
  };

  GroupForm(AttendanceDb& db, Dialogs& dialogs);

  const Boxes& boxes() const { return boxes_; }

  // --- TextDescGruppo events (index 0 code, 1 description) ---
  // Every key sets the modification mark. Code: digits and editing keys only; description:
  // letters in upper case.
  KeyOutcome TextDescGruppo_KeyPress(int index, int key);
  void TextDescGruppo_Change(int index, std::string_view text);
  // Leaving the code box pads a non-empty code with "0" to three characters.
  void TextDescGruppo_LostFocus(int index);

  // --- TextGruppo events (index 2..8) ---
  // The hours keyboard mask ("00:00" as blank pattern); a refused entry shows
  // "ERRORE HH:MM" (title "ERRORE") and the box keeps the focus.
  HoursMaskOutcome TextGruppo_KeyPress(int index, int caret, int key);
  void TextGruppo_Change(int index, std::string_view text);
  // Leaving an hours box completes it: "" gives "00:00", "8:" gives "08:00", "08:5" "08:50".
  void TextGruppo_LostFocus(int index);

  // Scripted entry into box `index` (0..8), typed and left; kInvalid when the box would
  // refuse it (an hours text must come out as a valid "HH:MM").
  Status EnterText(int index, std::string_view text);

  // CmdSalvaGruppo_Click ("Memorizza Gruppo").
  Result<SaveOutcome> Save() override;
  // cmdAnnullaGruppo_Click is Cancel().

  Status ListRecord_Click(int index) override;
  Status ListRecord_DblClick(int index) override;
  // Deletion of table "003": confirmation "Eliminare il Gruppo : <code> <description>", then
  // refused when any stored day has the group as its schedule code (PRES_1).
  Result<DeleteOutcome> CmdElimina_Click() override;
  void Clear() override;

  // The help texts of the closed panel ("INFO OPERATIVE GESTIONE GRUPPI").
  static constexpr std::string_view kHelpHeading = "INFO OPERATIVE GESTIONE GRUPPI";
  static std::vector<std::string_view> HelpTexts();

 protected:
  Status Reload() override;
  void ShowNotFound() override;

 private:
  // Seeks the selected entry's code; when found fills the nine boxes from the row.
  Result<bool> LoadSelected();
  // Code and description emptied, hours "00:00".
  void EmptyForNew();

  Boxes boxes_;
};

}  // namespace kaveltar
