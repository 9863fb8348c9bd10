// The memorization screen (frame `FrameMemorizza`): the companies `ListAziMem`, the
// candidates of the selected company `ListDipSel`, the employees to process `ListDipMem`, the
// month `ListMesiMem` and the year `LabAnnoMem`; above the lists, on `FrameMemPres`(0), the
// options of the memorization (`CheckElabora`, `ChkCopriFest`, `ChkConsidera`), the
// long-period absence section opened by `ChkAssLungoPeriodo` (three rows of `CMBGIUS` with its
// pick list `CMDAPRILIST`, `DallaData`, `AllaData`, `OreGius`, and `chkore`), and the button
// `CmdMemorizza` that runs the memorization.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

#include "archive/selection_lists.h"
#include "memorize/long_period_rows.h"
#include "memorize/month_memorizer.h"
#include "ui/selection_screen.h"

namespace kaveltar::ui {

class JustificationPickBox;

class MemorizeScreen : public SelectionScreen {
 public:
  explicit MemorizeScreen(FRMVELTAR& form);

  // Menu entry 1: shows the first options frame, unticks the two selection boxes, clears the
  // selection of the company and employee lists and selects the first company.
  void Enter();

  // Double click on a candidate: added to the employees to process unless already there.
  void ListDipSel_DblClick(int row);
  // Double click on an employee to process: removed.
  void ListDipMem_DblClick(int row);
  // "Selezione tutti i Dipendenti": every candidate is added, then the box is unticked.
  void ChkSeltuttoMem_Click();
  // "Selezione tutte le Ditte": the employees of every listed company are added, under the
  // waiting panel; ends with "Selezione terminata".
  void ChkSeltuttiAZIDIP_Click();
  // "Rimuovi tutti i Dipendenti": asks, then empties the employees to process.
  void CmdCancellaLista_Click();

  // "Memorizza": the checks, the confirmation, the run on a worker thread under the waiting
  // panel (how many employees are done, the one in progress, the time left), the anomaly
  // list, then the screen is reset: no employees to process, `CheckElabora`, `ChkSeltuttoMem`
  // and `ChkAssLungoPeriodo` unticked (the long-period section closed and emptied), and the
  // run's counts shown in `LabEsitoMemorizza` as the command line prints them.
  void CmdMemorizza_Click();
  // Opens (ticked) or closes and empties (unticked) the long-period absence section.
  void ChkAssLungoPeriodo_Click();
  // Shows the three hours boxes (ticked) or hides them and resets them to "00:00".
  void chkore_Click();
  // Leaving a day box of row `index`: two digits, then the checks of the long-period rows;
  // a refused day shows its message, becomes "00" and keeps the focus.
  void DallaData_LostFocus(int index);
  void AllaData_LostFocus(int index);

  // The options as the boxes hold them now.
  MemorizeOptions Options() const;

 protected:
  // A click on the caption of `ChkAssLungoPeriodo` or `chkore` is a click on the box.
  bool eventFilter(QObject* watched, QEvent* event) override;

 public:
  // The employees to process, in list order (Windows-1252 lines).
  const MemorizeSelection& selection() const { return selection_; }

 private:
  // Shows the selection in ListDipMem with `selected` as the selected row (-1: none).
  void ShowSelection(int selected);
  // Builds the options frame FrameMemPres(0).
  // The screen's lists, boxes and buttons; their places on the screen; their handlers.
  void BuildWidgets();
  void LayOutScreen();
  void ConnectScreen();
  void BuildOptions(QGroupBox* frame);
  // The long-period absence section: three rows of code, first and last day and hours, and
  // the typed-hours box; closed and disabled at first.
  void BuildLongPeriodSection(QWidget* frame);
  void DayLostFocus(int index, bool last);
  // The three rows emptied: days "00", hours "00:00", codes and descriptions empty.
  void ResetRows();

  MemorizeSelection selection_;
  QListWidget* list_dip_mem_ = nullptr;
  QCheckBox* chk_seltutto_mem_ = nullptr;
  QCheckBox* chk_seltutti_azidip_ = nullptr;
  QPushButton* cmd_cancella_lista_ = nullptr;
  std::array<QGroupBox*, 2> frame_mem_pres_{};

  QCheckBox* check_elabora_ = nullptr;
  QCheckBox* chk_copri_fest_ = nullptr;
  QCheckBox* chk_considera_ = nullptr;
  QCheckBox* chk_ass_lungo_periodo_ = nullptr;
  QWidget* section_ = nullptr;  // the long-period absence rows and `chkore`
  QCheckBox* chkore_ = nullptr;
  std::array<QLineEdit*, kLongPeriodRows> cmbgius_{};
  std::array<QPushButton*, kLongPeriodRows> cmdaprilist_{};
  std::array<QLabel*, kLongPeriodRows> descriptions_{};
  std::array<QLineEdit*, kLongPeriodRows> dalla_data_{};
  std::array<QLineEdit*, kLongPeriodRows> alla_data_{};
  std::array<QLineEdit*, kLongPeriodRows> ore_gius_{};
  QPushButton* cmd_memorizza_ = nullptr;
  QPushButton* cmd_rit_mem_ = nullptr;
  JustificationPickBox* pick_box_ = nullptr;  // `ListaCampi`, beside a CMBGIUS box
  QLabel* lab_esito_ = nullptr;               // the counts of the last run
};

}  // namespace kaveltar::ui
