// The month grid (`GrigliaModTimb`) of one employee-month, without widgets: the sixteen
// columns with their headings, widths and colours, one row per day loaded from PRESENZE, the
// holiday marking, the daily check mark, the seven month totals, the modification mark, save
// and undo, and every rule by which a cell changes: what activating a cell opens,
// the two pick lists, the hours editor and its commit with the day's caps.
//
// Columns (row d of the grid is day d; the heading row is the screen's):
//   0 "Data"     DD/MM/YYYY of KPERIODO          8 "Ore"    PRES_7   slot 2 hours
//   1 "Giorno"   weekday name                    9 "ASS.3"  PRES_8   slot 3 code
//   2 "Gr.Or."   PRES_1  schedule code          10 "Ore"    PRES_9
//   3 "H.Teo"    PRES_2  theoretical hours      11 "ASS.4"  PRES_10  slot 4 code
//   4 "H.Lav"    PRES_3  worked hours           12 "Ore"    PRES_11
//   5 "ASS.1"    PRES_4  slot 1 code            13 "ASS.5"  PRES_12  slot 5 code
//   6 "Ore"      PRES_5  slot 1 hours           14 "Ore"    PRES_13
//   7 "ASS.2"    PRES_6  slot 2 code            15 "*"      daily check mark (computed)
// Column c (2..14) holds PRES_(c-1). Slots 6-10 (PRES_14 on), PRES_0 and PROTOCOLLO are
// neither shown nor written.
//
// The grid is the only copy of the month the operator edits: changes stay in memory, set the
// modification mark, and reach PRESENZE only through Save (one transaction). Observers learn
// of every changed cell, of new totals and of a reload, so a view repaints exactly what
// changed.
//
// Decisions where the cell rules leave a choice:
//   - "000 AZZERAMENTO CAMPO" on a justification code empties the slot's hours too: hours
//     without a code could no longer be edited (the hours cell refuses to open without a
//     code) and would still count in the check mark and the totals.
//   - A single click activates a cell (as the original grid's click did); the keyboard
//     moves between cells without opening anything, and Enter or F2 activates.
// A zero theoretical hours value (typed 00:00, or a group's "00:00" weekday) is kept as the
// empty text, as every stored duration is.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs.h"
#include "base/keys.h"
#include "db/attendance_db.h"
#include "tables/holidays.h"

namespace kaveltar {

// --- Columns ---

namespace grid {
inline constexpr int kColumns = 16;
inline constexpr int kDate = 0;
inline constexpr int kWeekday = 1;
inline constexpr int kGroup = 2;
inline constexpr int kTheoretical = 3;
inline constexpr int kWorked = 4;
inline constexpr int kCheck = 15;
inline constexpr int kSlots = 5;
// The code and hours columns of slot 1..5.
constexpr int CodeColumn(int slot) { return 3 + 2 * slot; }
constexpr int HoursColumn(int slot) { return 4 + 2 * slot; }
constexpr bool IsCodeColumn(int column) { return column >= 5 && column <= 13 && column % 2 == 1; }
constexpr bool IsSlotHoursColumn(int column) {
  return column >= 6 && column <= 14 && column % 2 == 0;
}
// The slot (1..5) of a code or slot hours column.
constexpr int SlotOfColumn(int column) { return (column - 3) / 2; }
// The columns whose month totals `Label5`(0..6) show.
inline constexpr std::array<int, 7> kTotalColumns = {3, 4, 6, 8, 10, 12, 14};
}  // namespace grid

// Windows colour references (0x00BBGGRR).
inline constexpr long kSystemBackground = 0x8000000A;  // the default cell background
inline constexpr long kHolidayTextColour = 255;        // red date and weekday
inline constexpr long kCheckColour = 65280;            // green check mark
inline constexpr long kCrossColour = 255;              // red cross

struct GridColumnLayout {
  std::string_view heading;
  int width_twips;
  long background;  // a colour reference, or kSystemBackground
};
// The sixteen columns in order.
std::span<const GridColumnLayout> GridColumnLayouts();

// "Lunedì" ... "Domenica" for weekday 1 (Monday) ... 7 (Sunday).
std::string_view WeekdayName(int weekday);

// --- Texts ---

inline constexpr std::string_view kClearFieldLine = "000 AZZERAMENTO CAMPO";
inline constexpr std::string_view kGroupListHeading = "LISTA GRUPPI ORARI";
inline constexpr std::string_view kJustificationListHeading = "LISTA GIUSTIFICATIVI";
// The width the description of a justification line is padded to (characters).
inline constexpr size_t kJustificationDescriptionWidth = 40;
inline constexpr std::string_view kCodeFirstMessage = "Inserire prima il giustificativo di assenza";
inline constexpr std::string_view kCodeFirstTitle = "ATTENZIONE";
inline constexpr std::string_view kHoursCheckTitle = "Controllo ore Giustificativi";
inline constexpr std::string_view kDuplicateCodeMessage =
    "Il codice del giustificativo immesso e' gia' presente\n"
    "nella giornata. Modificare il giustificativo esistente\n"
    "Il giustificativo non verrà memorizzato";
inline constexpr std::string_view kPresenceCapMessage =
    "Le ore del giustificativo di presenza immesso non possono\n"
    "superare, sommate alle ore lavorate, le 24 ore.\n"
    "Le ore verranno adeguate in automatico";
inline constexpr std::string_view kAbsenceCapMessage =
    "Le ore del giustificativo di assenza immesso sono superiori\n"
    "a quelle necessarie per la corretta chiusura della giornata.\n"
    "Le ore verranno adeguate in automatico";
inline constexpr std::string_view kSaveQuestion = "Salvare le modifiche apportate alle timbrature?";
inline constexpr std::string_view kUndoQuestion =
    "Il programma riporterà le timbrature all'ultimo salvataggio effettuato. Proseguire?";

// A day holds at most 24 hours of worked and justified time.
inline constexpr long kDayMinutes = 1440;

// Which employee-month a grid shows, and what its holiday test needs.
struct GridMonth {
  std::string employee;  // KDIPENDENTE, trimmed
  int year = 0;
  int month = 0;                  // 1-12
  std::string municipality_ddmm;  // F161 of the installation (DDMM, may be empty)
  std::string company_ddmm;       // T030 of the employee's company (DDMM, may be empty)
};

// One line of the grid.
struct GridDay {
  std::array<std::string, grid::kColumns> text;  // column 15 stays empty: see `complete`
  bool holiday = false;                          // columns 0 and 1 in red
  bool complete = false;  // COMPLETACONTROLLI: green check (true) or red cross (false)
};

class MonthGrid {
 public:
  // What a cell activation opened.
  enum class Opened { kNothing, kGroupList, kJustificationList, kHoursEditor };
  // What a key did in the hours editor.
  enum class EditorResult { kTyped, kBeep, kCommitted, kInvalid, kCancelled };
  // What SetCell did with a value.
  enum class SetResult {
    kApplied,      // the value (possibly reduced by a cap, with its message) is in the cell
    kRefused,      // a rule refused it, with its message (duplicate code, hours before code,
                   // invalid hours); the cell is unchanged
    kNotInList,    // a code or group not offered by the pick list (no message)
    kNotEditable,  // column 0, 1 or 15, or a day/column outside the grid (no message)
  };

  struct Observer {
    std::function<void(int day, int column)> cell_changed;  // a text or the check mark
    std::function<void()> totals_changed;
    std::function<void()> about_to_reload;  // the whole grid is about to be rebuilt
    std::function<void()> reloaded;         // the whole grid (days, texts, marks) was rebuilt
    std::function<void()> editors_changed;  // the pick list or the hours editor opened/closed
  };

  // The grid works on `db` and talks through `dialogs`; both outlive it. A database failure
  // is an unexpected error: RunTimeError for the general error handler.
  MonthGrid(AttendanceDb& db, Dialogs& dialogs);

  void set_observer(Observer observer) { observer_ = std::move(observer); }
  // Runs the writes of Save inside `busy` (the screen's waiting panel and hourglass).
  void set_busy(std::function<void(const std::function<void()>&)> busy) { busy_ = std::move(busy); }

  // True when PRESENZE holds at least one day of the employee-month (YYYYMM).
  static bool MonthExists(AttendanceDb& db, std::string_view employee, std::string_view period);

  // --- Loading ---
  // DISEGNATABELLA and POPOLATABELLA for `month`, then the totals: one row per day of the
  // month (28-31); a missing PRESENZE day row is added with its two keys only (in one
  // transaction); the modification mark is cleared and any editor closed.
  void Load(const GridMonth& month);
  // POPOLATABELLA again for the same month (after undo, forced settings, reprocessing).
  void Reload();
  // Empties the grid (no month, no day, no totals), as entering the update screen does.
  void Clear();
  bool loaded() const { return loaded_; }
  const GridMonth& month() const { return month_; }
  // "YYYYMM".
  std::string period() const;

  int days() const { return static_cast<int>(days_.size()) - 1; }
  // Day 1..days(), column 0..15 ("" outside the grid).
  const std::string& Text(int day, int column) const;
  const GridDay& Day(int day) const { return days_[static_cast<size_t>(day)]; }
  // `Label5`(0..6): the totals of columns 3, 4, 6, 8, 10, 12, 14 ("HHH:MM", empty for 0).
  const std::array<std::string, 7>& totals() const { return totals_; }
  bool modified() const { return modified_; }

  // --- Cell editing ---
  // A click (or Enter/F2) on a cell: opens the pick list of column 2 or of a code column,
  // or the hours editor on columns 3, 4 and the slot hours (a slot without a code shows
  // "Inserire prima il giustificativo di assenza" and opens nothing). Opening one closes the
  // other. Columns 0, 1 and 15 open nothing.
  Opened Activate(int day, int column);
  Opened opened() const { return opened_; }
  int active_day() const { return active_day_; }
  int active_column() const { return active_column_; }
  const std::string& list_heading() const { return list_heading_; }
  // The lines of the open pick list, "000 AZZERAMENTO CAMPO" first (UTF-8).
  const std::vector<std::string>& list_lines() const { return list_lines_; }
  // `ListModTimb_Click`: applies line `index` of the open list to the active cell and hides
  // the list. False when no list is open, the index is outside it, or the code is refused
  // (duplicate code: message, cell unchanged, list hidden).
  bool ChooseLine(int index);
  // Esc on the list: hides it.
  void CloseList();

  // The hours editor `digit`: its text (five characters once typing starts; "  :  " blank)
  // and caret (0-5).
  const std::string& editor_text() const { return editor_text_; }
  int editor_caret() const { return editor_caret_; }
  void set_editor_caret(int caret);
  // `digit_KeyPress`: one key through the hours keyboard mask (kKeyEnter, kKeyTab,
  // kKeySpace commit; kKeyEscape cancels; kKeyBackspace blanks; digits). A refused final
  // text shows "ERRORE HH:MM" (title "ERRORE") and keeps the editor open.
  EditorResult EditorKey(int key);
  // Commits `text` to the active hours cell as Enter does after the mask: a text that is
  // only ":" becomes empty, one ending with ":" gets "00"; an invalid text shows
  // "ERRORE HH:MM" and returns false (editor open, cell unchanged).
  bool CommitHours(std::string_view text);
  // Empties and hides the editor and hides the list (saving, undo, leaving, information).
  void CloseEditors();

  // A value put into a cell through exactly the rules above, for callers without a screen:
  // a code or group ("000" clears the cell) is chosen from the pick list, hours are committed
  // through the editor. Messages go through the Dialogs as on the screen.
  SetResult SetCell(int day, int column, std::string_view value);

  // --- Save and undo ---
  // `CmdMemTimbrature_Click`: closes the editors, asks "Salvare le modifiche apportate alle
  // timbrature?" and on Yes saves. Returns true when saved.
  bool ConfirmAndSave();
  // Writes columns 2-14 (trimmed) into PRES_1..PRES_13 of every day whose row exists, in one
  // transaction, recomputes the totals and clears the modification mark. PRES_0, slots 6-10
  // and PROTOCOLLO keep their stored values; a day without a row is skipped.
  void Save();
  // `cmdAnnulla_Click`: closes the editors, asks "Il programma riporterà ... Proseguire?";
  // on Yes reloads the month from PRESENZE (or, when it no longer exists, shows the
  // "Periodo richiesto ... Inesistente" message and keeps the grid). True when reloaded.
  bool cmdAnnulla();
  // Leaving the grid (`CmdRitMemTimbrature_Click` without its frames): closes the editors
  // and, when the modification mark is set, runs ConfirmAndSave. The mark is cleared
  // either way: changes the operator chose not to save are dropped with the grid.
  void Leave();

  // --- Rules used above, exposed for the screen and the tests ---
  // COMPLETACONTROLLI of one day.
  void COMPLETACONTROLLI(int day);
  // The month totals.
  void RecomputeTotals();

 private:
  void Populate();
  void SetText(int day, int column, std::string text);
  // After a change of a row: its check mark, the totals and the modification mark.
  void RowChanged(int day);
  void OpenEditor(std::string text);
  void NotifyEditors();
  long Minutes(std::string_view text);
  // The type (GIUS_2, trimmed, upper case) of a code; "" when not in GIUSTIFICATIVI.
  std::string JustificationType(std::string_view code);
  void CommitTheoretical(int day, std::string_view text);
  void CommitWorked(int day, std::string_view text);
  void CommitSlotHours(int day, int slot, std::string_view text);
  void ChooseGroup(int day, std::string_view line);
  bool ChooseCode(int day, int slot, std::string_view line);

  AttendanceDb& db_;
  Dialogs& dialogs_;
  Observer observer_;
  std::function<void(const std::function<void()>&)> busy_;

  GridMonth month_;
  bool loaded_ = false;
  std::vector<GridDay> days_{1};  // [0] unused: the heading row
  std::array<std::string, 7> totals_;
  bool modified_ = false;

  Opened opened_ = Opened::kNothing;
  int active_day_ = 0;
  int active_column_ = 0;
  std::string list_heading_;
  std::vector<std::string> list_lines_;
  std::string editor_text_;
  int editor_caret_ = 0;
};

// The "Periodo richiesto MM/YYYY Inesistente" message of a month not memorized, with its
// two further paragraphs.
std::string MissingPeriodMessage(int year, int month);

}  // namespace kaveltar
