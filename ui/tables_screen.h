// The tables screen (frame `FrameTabelle`): the choice of the table (`ListTabelle`), its rows
// (`ListRecord`), the buttons that act on the chosen table ("ELIMINA RECORD" `CmdElimina`,
// `CmdStampa`, "Selezioni precedenti" `CmdSelPrec`), the return to the menu
// (`CmdRitTabelle`), and the three tables' frames on the right: `FrameFestivita`,
// `FrameGiustificativi` and `FrameGruppi`.
//
// Each table's frame holds its help texts and its edit panel (`FrameFestivita_1`, ...); the
// list side of the table (`FrameFestivita_0`, ...) sits under the table choice and holds
// `ListRecord` while that table is chosen. The justification frame also has its operating
// help (`FrameGiustificativi_2`, shown while the panel is closed), its formula area
// (`FrameGiustificativi_3`, shown while it is open) and the formula pick list `FrameFormule`.
//
// All the rules live in the core's TablesScreen: every event of a widget goes to the method
// of the same name there, the texts of the boxes are copied in as they change, and after each
// event the widgets are made to show what the core holds (texts, lists, which controls are
// enabled or shown, and which box gets the focus).
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/keys.h"
#include "tables/formulas.h"
#include "tables/tables_screen.h"

class QHBoxLayout;

namespace kaveltar::ui {

class FRMVELTAR;

// A text box of the table panels with the boxes' common behaviour: yellow (Windows colour
// 65535) with its text selected when it receives the focus, white (16777215) when it is left;
// every typed key goes through `key_press` (or, for an "HH:MM" box, through `hours_key`, the
// hours keyboard mask) before it reaches the text; changes are copied out through `change`,
// and leaving the box runs `lost_focus`. A focus lost to a message box or to another window
// is no leaving, as the box keeps the focus there.
class TableBox : public QLineEdit {
 public:
  enum class Mode {
    kText,   // keys through key_press
    kHours,  // keys through hours_key; the caret sits at the start when the box is entered
  };
  TableBox(QWidget* parent, const char* name, int index, Mode mode);

  std::function<KeyOutcome(int key)> key_press;
  std::function<HoursMaskOutcome(int caret, int key)> hours_key;
  std::function<void(const std::string& text)> change;
  std::function<void()> lost_focus;
  // Runs after every event the box passed on (the screen shows the core's state again).
  std::function<void()> after_event;
  // Pasted text is turned to upper case as typed letters are.
  bool upper_case = false;
  // A change turns the box white at once (code and description boxes), not only leaving it.
  bool white_on_change = false;

  // Puts `text` into the box without running `change`; nothing happens when it is there.
  void ShowText(std::string_view text);
  // The box's colour as a Windows colour value.
  long back_colour() const { return back_colour_; }

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void SetBackColour(long colour);
  // Applies one key of the hours mask; false when the entry was refused (the box keeps the
  // focus).
  bool HoursKey(int key);
  void Changed(const QString& text);

  Mode mode_;
  long back_colour_ = 0;
  bool showing_ = false;
};

class TablesScreen : public QObject {
 public:
  explicit TablesScreen(FRMVELTAR& form);
  ~TablesScreen() override;

  QGroupBox* frame() const { return frame_; }

  // Menu entry 0: the help frame's caption is emptied.
  void Enter();
  // Fills `ListTabelle` with its three entries (after every menu entry that opens a screen).
  void RefillTablesList();
  // Start-up, step 16: the UNIEMENS event list of the justification panel, "00 Azzera
  // Valore" first and then the event codes in their fixed order.
  void FillUniemensList();

  // --- Events of the screen ---
  void ListTabelle_Click(int row);
  void ListRecord_Click(int row);
  void ListRecord_DblClick(int row);
  void CmdElimina_Click();
  // Prints the chosen table's listing on the printer of the session, then "Stampa terminata".
  void CmdStampa_Click();
  // "Selezioni precedenti": back to the table choice, or to the menu from the table choice.
  void CmdSelPrec_Click();
  void CmdRitTabelle_Click();

 protected:
  // Delete or Backspace on the SR18 list clears the code.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct HolidayWidgets {
    QGroupBox* list_side = nullptr;   // FrameFestivita_0
    QWidget* frame = nullptr;         // FrameFestivita
    QGroupBox* panel = nullptr;       // FrameFestivita_1
    std::array<QLabel*, 4> help{};    // LabelFestivita_0..3 (3: the record caption)
    std::array<TableBox*, 2> text{};  // TextFestivita_0..1
  };
  struct JustificationWidgets {
    QGroupBox* list_side = nullptr;                // FrameGiustificativi_0
    QWidget* frame = nullptr;                      // FrameGiustificativi
    QGroupBox* panel = nullptr;                    // FrameGiustificativi_1
    QGroupBox* help_frame = nullptr;               // FrameGiustificativi_2
    QGroupBox* formula_area = nullptr;             // FrameGiustificativi_3
    QLabel* caption = nullptr;                     // LabelGiustificativi_3
    std::array<TableBox*, 9> text{};               // TextGiustificativo_0, 1, 2, 8 (others null)
    QComboBox* sr18 = nullptr;                     // ComboGiustificativo
    QComboBox* uniemens = nullptr;                 // ComboUNIEMENS
    QLabel* uniemens_label = nullptr;              // LabelGiustificativo
    QButtonGroup* type = nullptr;                  // OptGiuPreAss_0..3
    QCheckBox* overtime = nullptr;                 // ChkGiucompStr
    std::array<QPushButton*, 4> navigation{};      // Inizio, Indietro, Avanti, Fine
    std::array<TableBox*, 5> formula_code{};       // TextGiusCodVoce_k
    std::array<QLabel*, 5> formula_description{};  // LabGiusDescrVoce_k
    std::array<TableBox*, 5> formula_threshold{};  // TextGiusSogliaVoce_k
    std::array<QPushButton*, 5> formula_button{};  // CmdGiusCodVoce_k
    QGroupBox* formule = nullptr;                  // FrameFormule
    QListWidget* list_formule = nullptr;           // ListFormule
    QCheckBox* order_by_code = nullptr;            // CxkOrdFormule
  };
  struct GroupWidgets {
    QGroupBox* list_side = nullptr;   // FrameGruppi_0
    QWidget* frame = nullptr;         // FrameGruppi
    QGroupBox* panel = nullptr;       // FrameGruppi_1
    std::array<QLabel*, 4> help{};    // LabelGruppi_0..3 (3: the record caption)
    std::array<TableBox*, 9> text{};  // TextDescGruppo_0..1, TextGruppo_2..8
  };

  void BuildLeftColumn();
  void BuildHolidays();
  void BuildJustifications();
  // The steps of BuildJustifications: the edit panel (its boxes, its code lists and help
  // buttons, its buttons row), the help page, the formula page, the floating formula list
  // and the signals of the choices.
  void BuildJustificationPanel();
  void BuildJustificationBoxes(QWidget* p);
  std::array<QPushButton*, 2> BuildJustificationChoices(QWidget* p);
  QHBoxLayout* BuildJustificationButtons(QWidget* p);
  void BuildJustificationHelp();
  void BuildJustificationFormulas();
  void BuildFormulaPickList();
  void ConnectJustificationChoices();
  void BuildGroups();

  // Runs an event of the core under the error handler, then shows the core's state.
  void Run(const std::function<void()>& work);
  // The widgets show what the core holds.
  void Update();
  void UpdateRecordList();
  void UpdateHolidays();
  void UpdateJustifications();
  void UpdateGroups();
  void ApplyFocusRequest();
  // FrameFormule beside the formula row it was opened for.
  void PlaceFormulaList(int row);
  // Wires a box to the core's events and to Update.
  void Wire(TableBox* box, std::function<KeyOutcome(int)> key_press,
            std::function<void(const std::string&)> change, std::function<void()> lost_focus);
  void WireHours(TableBox* box, std::function<HoursMaskOutcome(int, int)> hours_key,
                 std::function<void(const std::string&)> change, std::function<void()> lost_focus);

  FRMVELTAR& form_;
  std::unique_ptr<FormulaArchive> formulas_;
  std::unique_ptr<kaveltar::TablesScreen> logic_;

  QGroupBox* frame_ = nullptr;
  QGroupBox* frame_help_ = nullptr;
  QListWidget* list_tabelle_ = nullptr;
  QListWidget* list_record_ = nullptr;
  QWidget* list_sides_ = nullptr;  // the column that holds the three list sides
  QPushButton* cmd_elimina_ = nullptr;
  QPushButton* cmd_stampa_ = nullptr;
  QPushButton* cmd_sel_prec_ = nullptr;
  QPushButton* cmd_rit_tabelle_ = nullptr;
  HolidayWidgets fest_;
  JustificationWidgets gius_;
  GroupWidgets grup_;

  // What ListRecord and ListFormule show, to rebuild them only when it changes.
  std::vector<std::string> shown_entries_;
  std::vector<std::string> shown_formulas_;
  bool updating_ = false;
};

}  // namespace kaveltar::ui
