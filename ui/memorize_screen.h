// The memorization screen's selection (frame `FrameMemorizza`): the companies `ListAziMem`,
// the candidates of the selected company `ListDipSel`, the employees to process `ListDipMem`,
// the month `ListMesiMem` and the year `LabAnnoMem`. The options of the memorization itself
// live on the two `FrameMemPres` frames above the lists.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <array>

#include "archive/selection_lists.h"
#include "ui/selection_screen.h"

namespace kaveltar::ui {

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

  // The employees to process, in list order (Windows-1252 lines).
  const MemorizeSelection& selection() const { return selection_; }
  QListWidget* to_process() const { return list_dip_mem_; }
  QGroupBox* options_frame(int index) const { return frame_mem_pres_[static_cast<size_t>(index)]; }

 private:
  // Shows the selection in ListDipMem with `selected` as the selected row (-1: none).
  void ShowSelection(int selected);

  MemorizeSelection selection_;
  QListWidget* list_dip_mem_ = nullptr;
  QCheckBox* chk_seltutto_mem_ = nullptr;
  QCheckBox* chk_seltutti_azidip_ = nullptr;
  QPushButton* cmd_cancella_lista_ = nullptr;
  std::array<QGroupBox*, 2> frame_mem_pres_{};
};

}  // namespace kaveltar::ui
