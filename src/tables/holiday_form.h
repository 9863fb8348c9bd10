// The holiday panel ("CREAZIONE MODIFICA E AGGIORNAMENTO FESTIVITA'") over table FESTIVITA:
// code box TextFestivita(0) = KDATAF (MMDD, exactly four digits), description box
// TextFestivita(1) = FEST_1. The ten national holidays cannot be deleted.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tables/table_form.h"

namespace kaveltar {

// The fixed national holidays, refused by the deletion.
inline constexpr std::array<std::string_view, 10> kFixedHolidays = {
    "0101", "0106", "0425", "0501", "0602", "0815", "1101", "1208", "1225", "1226"};
bool IsFixedHoliday(std::string_view code);

class HolidayForm : public TableForm {
 public:
  static constexpr int kCodeBox = 0;
  static constexpr int kDescriptionBox = 1;
  static constexpr size_t kCodeLength = 4;

  struct Boxes {
    std::array<std::string, 2> text;  // TextFestivita(0..1)
    bool code_enabled = true;         // the code of a stored holiday cannot be changed
  };

  HolidayForm(AttendanceDb& db, Dialogs& dialogs);

  const Boxes& boxes() const { return boxes_; }

  // --- TextFestivita events (index 0 code, 1 description) ---
  // Every key sets the modification mark. Code: digits and editing keys only, four at most;
  // description: letters in upper case.
  KeyOutcome TextFestivita_KeyPress(int index, int key);
  // The box's text after a change (the screen copies it here).
  void TextFestivita_Change(int index, std::string_view text);
  // Leaving the code box pads a non-empty code on the left with "0" to four characters.
  void TextFestivita_LostFocus(int index);
  // Scripted entry: the text typed into the box and the box left. kInvalid (nothing
  // changed) when the box would have refused a character.
  Status EnterText(int index, std::string_view text);

  // CmdSalvaFest_Click ("Memorizza Festività").
  Result<SaveOutcome> Save() override;
  // CmdAnnullaFest_Click is Cancel().

  Status ListRecord_Click(int index) override;
  Status ListRecord_DblClick(int index) override;
  // Deletion of table "001": the selected entry; a fixed holiday is refused with
  // "La festività '<code> <description>' non si puo cancellare"; otherwise the confirmation
  // "Eliminare la festività : <code> <description>".
  Result<DeleteOutcome> CmdElimina_Click() override;
  void Clear() override;

  // The help texts of the panel for its state (closed: how to add, change and delete;
  // open: how to enter a new holiday and what can be changed on a stored one).
  std::vector<std::string_view> HelpTexts() const;

 protected:
  Status Reload() override;
  void ShowNotFound() override;

 private:
  // Both boxes from a ListRecord entry (code and description), or empty for none.
  void ShowEntry(std::string_view entry);

  Boxes boxes_;
};

}  // namespace kaveltar
