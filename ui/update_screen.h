// The update screen's selection (frame `FrameAggiorna`): the company `ListAziAgg`, the
// employee `ListDipAgg`, the month `ListMesiAgg` and the year `LabAnnoAgg` of the month to
// open in the grid. The grid itself is the frame `FrameModTimbrature`, which covers the bottom
// bar and so carries menu entries 10 (exit) and 11 (help).
#pragma once

#include <QGroupBox>

#include "ui/selection_screen.h"

namespace kaveltar::ui {

class UpdateScreen : public SelectionScreen {
 public:
  explicit UpdateScreen(FRMVELTAR& form);

  QGroupBox* grid_frame() const { return frame_mod_timbrature_; }

 private:
  QGroupBox* frame_mod_timbrature_ = nullptr;
};

}  // namespace kaveltar::ui
