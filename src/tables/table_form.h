// What the three table panels (holidays, justification codes, schedule groups) share: which
// table is which, the row list of the tables screen (ListRecord) with its new-row entry,
// the panel's state, the form's modification mark and the "save your changes?" question.
//
// A panel is a model of the boxes the operator sees, held as the texts the screen shows.
// The desktop screen forwards every event of a box or button to the method named after it
// (TextFestivita_KeyPress, CmdElimina_Click, ...), copies the box texts back, and shows what
// the model says; the command line drives the same models through OpenNew / OpenStored /
// EnterText / Save / DeleteCode, so both apply the same checks with the same messages.
//
// Every operator message and question goes through Dialogs with the program's exact texts.
// Database failures come back as a Status (kDbError ...) and leave the table as it was.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs.h"
#include "base/keys.h"
#include "base/status.h"
#include "db/attendance_db.h"

namespace kaveltar {

enum class TableKind { kHolidays, kJustifications, kGroups };

// The entries of ListTabelle, in this order; their first three characters are the table code.
inline constexpr std::array<std::string_view, 3> kTableListEntries = {
    "001 - TABELLA FESTIVITA'", "002 - TABELLA GIUSTIFICATIVI", "003 - TABELLA GRUPPI ORARI"};

// "001", "002", "003".
std::string_view TableCode(TableKind kind);
// The table of a ListTabelle entry (by its first three characters); nullopt for any other.
std::optional<TableKind> TableKindFromEntry(std::string_view entry);
// The first entry of ListRecord for a table.
std::string_view NewRowEntry(TableKind kind);
// Characters of a key: 4 for holidays (MMDD), 3 for justification and group codes.
size_t KeyLength(TableKind kind);

// Title of the messages and questions that carry none of their own: the product name, as an
// untitled message box of the program shows it.
inline constexpr std::string_view kTablesTitle = "KAVELTAR";
inline constexpr std::string_view kUnsavedChangesQuestion =
    "Sono state fatte delle variazioni/inserimenti\nVuoi salvare ?";
// Caption of the fourth help label once a row has been clicked.
inline constexpr std::string_view kSelectedRecordCaption = "Dati del record selezionato";
// Box colours as Windows colour values (0x00BBGGRR): a box that receives the focus
// turns yellow, a box left (or changed) goes back to black on white.
inline constexpr long kFocusBoxColour = 65535;
inline constexpr long kNormalBoxColour = 16777215;

// One row of a table reduced to what the lists and the listing show.
struct KeyDescription {
  std::string key;
  std::string description;
  bool operator==(const KeyDescription&) const = default;
};

// The rows of a table in key order as (key, description).
Status ReadKeyDescriptions(AttendanceDb& db, TableKind kind, std::vector<KeyDescription>* rows);
// ListRecord: the new-row entry, then one entry per row: the trimmed key, a space and the
// description.
std::vector<std::string> ListRecordEntries(TableKind kind, const std::vector<KeyDescription>& rows);

enum class PanelState {
  kClosed,  // disabled; the list and the Delete/Print/Back buttons are enabled
  kNew,     // open for a new row (opened from the new-row entry)
  kStored,  // open for a stored row
};

enum class SaveOutcome {
  kSaved,    // the row is stored, the list rebuilt, the panel emptied and closed
  kRefused,  // a check failed; its message was shown; nothing was stored
};

enum class DeleteOutcome {
  kDeleted,      // the row is gone and the list rebuilt
  kRefused,      // a rule forbids it (fixed holiday, code in use); its message was shown
  kDeclined,     // the operator answered No to the confirmation
  kNoSelection,  // no entry chosen (message shown) or the new-row entry chosen (ignored)
  kNotFound,     // the code is no longer in the table
};

// A control that should receive the focus: the control's name and its index in its array,
// as the screen names its widgets ("TextFestivita", 0).
struct FocusTarget {
  std::string_view control;
  int index = 0;
  bool operator==(const FocusTarget&) const = default;
};

// The outcome of a key typed into a text box (the same shape as the numeric key filter's):
// empty the box first when clear_box; then insert `key` at the caret, unless it is 0.
using KeyOutcome = NumericKeyOutcome;

class TableForm {
 public:
  virtual ~TableForm() = default;
  TableForm(const TableForm&) = delete;
  TableForm& operator=(const TableForm&) = delete;

  TableKind kind() const { return kind_; }

  // --- ListRecord ---
  const std::vector<std::string>& entries() const { return entries_; }
  // Index of the selected entry, -1 when none.
  int selected() const { return selected_; }
  // The selected entry's text; empty when none.
  std::string_view SelectedEntry() const;
  // Rebuilds the list from the table in key order; the selection is cleared.
  Status Refresh();
  // Moves the selection without touching the panel (-1 or an index past the end clears it).
  void Select(int index);
  // Empties the list (the screen going back to the table choice).
  void ClearEntries() {
    entries_.clear();
    selected_ = -1;
  }
  // Index of the stored entry whose code is `code`, or -1.
  int FindEntry(std::string_view code) const;

  // --- Events of the tables screen on this table ---
  // ListRecord_Click: shows the row in the panel without opening it.
  virtual Status ListRecord_Click(int index) = 0;
  // ListRecord_DblClick: opens the row, or a new row, for editing.
  virtual Status ListRecord_DblClick(int index) = 0;
  // CmdElimina_Click ("ELIMINA RECORD") on the selected entry, with the table's rules.
  virtual Result<DeleteOutcome> CmdElimina_Click() = 0;

  // --- The panel's buttons ---
  // "Memorizza": validates and stores the panel.
  virtual Result<SaveOutcome> Save() = 0;
  // "Annulla": when the mark is set asks kUnsavedChangesQuestion (Yes saves first), then
  // shows the selected row again (or empties the panel) and closes the panel. Returns false
  // when the operator asked to save and the save was refused: the panel then stays open
  // with what was typed, so nothing the operator asked to keep is thrown away.
  Result<bool> Cancel();
  // Empties the panel and closes it (used when the screen goes back to the table choice).
  virtual void Clear() = 0;

  // --- The same operations by code, for scripted use ---
  // Opens the panel for a new row (double click on the new-row entry).
  Status OpenNew();
  // Opens the stored row `code` (double click on its entry); a short code is padded with "0"
  // as the code box pads it. False, after the table's "non trovato in Archivio" message, when
  // the code is not in the table.
  Result<bool> OpenStored(std::string_view code);
  // Selects the entry of `code` (padded as above) and runs CmdElimina_Click. A code that is
  // not in the table gives kNotFound after the "non trovato in Archivio" message.
  Result<DeleteOutcome> DeleteCode(std::string_view code);

  // --- State the screen shows ---
  PanelState state() const { return state_; }
  // ListRecord and the Delete, Print and Back buttons are enabled only while the panel is
  // closed.
  bool list_enabled() const { return state_ == PanelState::kClosed; }
  // The form's modification mark: set by the operator's changes, cleared by saving.
  bool modified() const { return modified_; }
  void set_modified(bool modified) { modified_ = modified; }
  // The control that should receive the focus after the last event, once.
  std::optional<FocusTarget> TakeFocusRequest();
  // Caption of the fourth help label: empty, or kSelectedRecordCaption.
  std::string_view record_caption() const { return record_caption_; }

  // Runs the long part of a deletion (the search of the stored days that use the code, and
  // the deletion itself) inside the screen's waiting panel. Without a runner the work simply
  // runs.
  using BusyRunner = std::function<void(const std::function<void()>& work)>;
  void set_busy_runner(BusyRunner runner) { busy_runner_ = std::move(runner); }

  // The code part of a ListRecord entry (its first KeyLength characters, trimmed) and its
  // description (the text after the code and the space, trimmed).
  std::string EntryCode(std::string_view entry) const;
  std::string EntryDescription(std::string_view entry) const;
  // True for the new-row entry (compared trimmed and in upper case).
  bool IsNewRowEntry(std::string_view entry) const;

 protected:
  TableForm(TableKind kind, AttendanceDb& db, Dialogs& dialogs);

  // The second half of Cancel: show the selected row again or empty the panel.
  virtual Status Reload() = 0;
  // The "non trovato in Archivio" message of the table.
  virtual void ShowNotFound() = 0;

  // Asks kUnsavedChangesQuestion when the mark is set. No drops the changes (the mark is
  // cleared); Yes saves. False when the save was refused.
  Result<bool> SaveIfModified();
  void RequestFocus(std::string_view control, int index) { focus_ = FocusTarget{control, index}; }
  // The deletion of a stored code: asks `question`; on Yes searches the stored days with
  // `in_use` and, when no day uses the code, deletes it with `remove`, both under the waiting
  // panel; a used code shows `used_message` once the panel is gone. The list is refreshed.
  Result<DeleteOutcome> ConfirmAndDelete(const std::string& question, std::string_view used_message,
                                         const std::function<Result<bool>()>& in_use,
                                         const std::function<Status()>& remove);
  void RunBusy(const std::function<void()>& work) {
    if (busy_runner_) {
      busy_runner_(work);
    } else {
      work();
    }
  }

  AttendanceDb& db_;
  Dialogs& dialogs_;
  PanelState state_ = PanelState::kClosed;
  bool modified_ = false;
  std::string record_caption_;

 private:
  TableKind kind_;
  std::vector<std::string> entries_;
  int selected_ = -1;
  std::optional<FocusTarget> focus_;
  BusyRunner busy_runner_;
};

// --- Typing rules shared by the panels ---

// Key of a code box: digits and editing keys only (FilterNumericKey without sign or
// decimals, with its emptying of a box that holds only "0"). The screen gives each box its
// maximum length (kCodeLength of the panel, 2 for the ticket number), which the widget
// enforces together with the selection the key replaces.
KeyOutcome CodeBoxKey(std::string_view text, int key);
// Key of a description box: letters turned to upper case.
KeyOutcome UpperCaseBoxKey(int key);
// A non-empty code padded on the left with "0" to `width` characters (the box being left);
// an empty or longer text is returned trimmed and otherwise unchanged.
std::string PadCode(std::string_view code, size_t width);

// Text entered as a whole into a code box, as if typed key by key and the box then left:
// kInvalid (naming `caption`) when a character would have been refused or the text is too
// long; otherwise the padded code.
Result<std::string> EnterCodeText(std::string_view text, size_t max_length, size_t pad_width,
                                  std::string_view caption);
// An hours text entered as a whole into an "HH:MM" box and the box left: completed as the
// box completes it ("8:3" gives "08:30"); kInvalid (naming `caption`) when the result is not
// a valid "HH:MM" (hours 0-47, minutes 0-59). An empty text gives `empty_result`.
Result<std::string> EnterHoursText(std::string_view text, std::string_view caption,
                                   std::string_view empty_result);

}  // namespace kaveltar
