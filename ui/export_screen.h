// The loading/export screen's selection (frame `FrameEsporta`): the companies `ListAziCar`
// (several may be chosen, `Check2` chooses them all), the employees of the current company
// `ListDipCar`, the month `ListMesiCar` and the year `LabAnnoCar`. The two `FrameGesExp`
// frames at the bottom belong to the export run (its progress).
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <array>

#include "ui/selection_screen.h"

namespace kaveltar::ui {

class ExportScreen : public SelectionScreen {
 public:
  explicit ExportScreen(FRMVELTAR& form);

  QGroupBox* progress_frame(int index) const { return frame_ges_exp_[static_cast<size_t>(index)]; }

 protected:
  void ListsRefilled() override;

 private:
  QCheckBox* check2_ = nullptr;
  std::array<QGroupBox*, 2> frame_ges_exp_{};
};

}  // namespace kaveltar::ui
