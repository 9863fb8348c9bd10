// The month grid screen (frame `FrameModTimbrature`): the grid `GrigliaModTimb` of one
// employee-month, the captions `Labelditta`, `Labeldipend` and `Label19`, the seven totals
// `Label5`(0..6), the hours editor `digit`, the pick list `FrameLista` (`LabelLista`,
// `ListModTimb`), the buttons (save `CmdMemTimbrature`, undo `cmdAnnulla`, return
// `CmdRitMemTimbrature`, `cmdInformazioni`, `CmdAssenza`, `cmdGruppo`, `cmdOreLav`,
// `cmdReimposta`) and the forced-settings frames `FrameAss` and `FrameImposta`.
//
// All the rules are the core's MonthGrid (editing/month_grid.h) and the forced settings
// (memorize/forced_settings.h). GridTableModel is a thin QAbstractTableModel over the grid:
// it reads the grid's cells, accepts edit-role values only (through the grid's rules) and
// emits dataChanged for exactly the cells the grid reports changed.
//
// A single click on a cell activates it (the pick list or the hours editor opens), as Enter
// and F2 do on the current cell; the arrows move between cells without opening anything.
// In the editor the keys go through the hours keyboard mask; Enter, Tab or Space commit, Esc
// cancels. In the pick list a click or Enter chooses, Esc closes.
#pragma once

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <array>
#include <functional>
#include <memory>

#include "editing/grid_opening.h"
#include "editing/month_grid.h"
#include "memorize/forced_settings.h"

namespace kaveltar::ui {

class FRMVELTAR;
class TableBox;

// Rows are the days (row 0 is day 1), columns the grid's sixteen columns.
class GridTableModel : public QAbstractTableModel {
 public:
  explicit GridTableModel(MonthGrid& grid, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  // DisplayRole the cell's text (column 15: a green "✔" or a red "✘"); BackgroundRole the
  // column's colour; ForegroundRole red dates and weekdays of holidays and the mark's colour;
  // FontRole the mark's size; TextAlignmentRole centred hours and codes.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // An edit-role value for columns 2-14 through MonthGrid::SetCell; true when applied.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  static int DayOfRow(int row) { return row + 1; }
  static int RowOfDay(int day) { return day - 1; }

  // The grid's observer calls these.
  void CellChanged(int day, int column);
  void BeginReload() { beginResetModel(); }
  void EndReload() { endResetModel(); }

 private:
  bool Valid(const QModelIndex& index) const;
  MonthGrid& grid_;
};

// The grid view: Enter and F2 activate the current cell.
class GridView : public QTableView {
 public:
  explicit GridView(QWidget* parent);
  std::function<void(const QModelIndex&)> activate;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// The hours editor `digit`: every typed key goes to `key_press` (the mask is the core's).
class CellEditor : public QLineEdit {
 public:
  explicit CellEditor(QWidget* parent);
  std::function<void(int key)> key_press;

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

class GridScreen : public QObject {
 public:
  // Builds the screen inside `frame` (FrameModTimbrature), menu entries 11 (help) and 10
  // (exit) included; `selection_frame` is the update screen's frame, shown again when the
  // grid is left.
  GridScreen(FRMVELTAR& form, QGroupBox* frame, QWidget* selection_frame);
  ~GridScreen() override;

  MonthGrid& grid() { return *grid_; }
  GridTableModel* model() const { return model_; }

  // `CmdConfermaAgg_Click` with the update screen's selection: opens the month.
  void CmdConfermaAgg_Click(const UpdateSelection& selection);

  // --- Events ---
  void GrigliaModTimb_Click(int day, int column);
  void ListModTimb_Click(int row);
  void CmdMemTimbrature_Click();
  void cmdAnnulla_Click();
  void CmdRitMemTimbrature_Click();
  void cmdInformazioni_Click();
  void CmdAssenza_Click();
  void cmdGruppo_Click();
  void cmdOreLav_Click();
  void cmdReimposta_Click();
  void CmdImpostaAss_Click(int index);
  void CmdImpostaGruppo_Click(int index);
  // `ComboA_Click`: a last day before the first shows "Attenzione!! Il giorno di fine non può
  // essere minore del giorno di partenza" and takes the first day. The absence frame's last
  // day (`CbAssA`) is checked the same way.
  void ComboA_Click();

 protected:
  // Enter / Esc on the pick list; the editor follows the grid when it scrolls.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build();
  // The steps of Build: the grid's view and its cell editor, the month totals under it, the
  // buttons beside it (returned as a column to place), the pick list laid over the frame.
  void BuildGridView();
  void BuildTotalsBar();
  QVBoxLayout* BuildButtons();
  void BuildPickList();
  void BuildSettingFrames();
  // The steps of BuildSettingFrames: the absence frame, the group / worked-hours frame, and
  // the hours boxes of both.
  void BuildAbsenceFrame();
  void BuildSettingFrame();
  void SetUpHoursBoxes();
  // Runs an event under the general error handler.
  void Run(const std::function<void()>& work);
  // The editor and the pick list show what the grid holds.
  void SyncEditors();
  void PlaceEditor();
  void PlaceList();
  void ShowTotals();
  void PlaceTotals();
  void HideSettingFrames();
  // The employee-month of the captions, as the forced settings read it.
  bool Target(ForcedMonth* target) const;
  void FillDays(QComboBox* first, QComboBox* last);
  void CheckDayOrder(QComboBox* first, QComboBox* last);
  // After a setting: the grid rebuilt from PRESENZE.
  void Rebuild();

  FRMVELTAR& form_;
  QGroupBox* frame_;
  QWidget* selection_frame_;
  std::unique_ptr<MonthGrid> grid_;
  GridTableModel* model_ = nullptr;

  GridView* view_ = nullptr;
  CellEditor* digit_ = nullptr;
  QGroupBox* frame_lista_ = nullptr;
  QLabel* label_lista_ = nullptr;
  QListWidget* list_mod_timb_ = nullptr;
  QLabel* labelditta_ = nullptr;
  QLabel* labeldipend_ = nullptr;
  QLabel* label19_ = nullptr;
  QWidget* totals_bar_ = nullptr;
  std::array<QLabel*, 7> label5_{};

  // FrameAss
  QGroupBox* frame_ass_ = nullptr;
  QComboBox* combo_ass_ = nullptr;
  TableBox* txt_ore_ass_ = nullptr;
  QComboBox* cb_ass_da_ = nullptr;
  QComboBox* cb_ass_a_ = nullptr;
  QCheckBox* check_copri_fest_ = nullptr;
  QCheckBox* check_ore_lav_ = nullptr;
  // FrameImposta
  QGroupBox* frame_imposta_ = nullptr;
  std::array<QLabel*, 2> lab_imposta_{};  // the frame's two headings
  QWidget* frame_gruppo_ = nullptr;       // the group sub-frame (Combo1)
  QWidget* frame_ore_ = nullptr;          // the hours sub-frame (txtImpOre)
  QComboBox* combo1_ = nullptr;
  QComboBox* combo_da_ = nullptr;
  QComboBox* combo_a_ = nullptr;
  TableBox* txt_imp_ore_ = nullptr;
};

}  // namespace kaveltar::ui
