// The loading/export screen's selection (frame `FrameEsporta`): the companies `ListAziCar`
// (several may be chosen, `Check2` chooses them all), the employees of the current company
// `ListDipCar`, the month `ListMesiCar` and the year `LabAnnoCar`; `CheckPresPrec` exports
// the month before the chosen one. "Crea File Caricamento" (`CmdCreaFile`) writes the payroll
// items files; while it runs the first `FrameGesExp` frame shows "ATTENDERE ELABORAZIONE VOCI
// PAGA IN CORSO" and `Label53` the phase and the company or employee being processed.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <array>

#include "ui/selection_screen.h"

namespace kaveltar::ui {

class ExportScreen : public SelectionScreen {
 public:
  explicit ExportScreen(FRMVELTAR& form);

  // The start button: the export of the selected companies, the closing question or message,
  // then `Check2` unticked and the first company selected.
  void CmdCreaFile_Click();

 protected:
  void ListsRefilled() override;

 private:
  void BuildProgressFrames();
  QCheckBox* check2_ = nullptr;
  QCheckBox* check_pres_prec_ = nullptr;
  QPushButton* cmd_crea_file_ = nullptr;
  QLabel* label53_ = nullptr;
  std::array<QGroupBox*, 2> frame_ges_exp_{};
};

}  // namespace kaveltar::ui
