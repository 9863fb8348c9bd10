// The update screen's selection (frame `FrameAggiorna`): the company `ListAziAgg`, the
// employee `ListDipAgg`, the month `ListMesiAgg` and the year `LabAnnoAgg` of the month to
// open in the grid, opened by `CmdConfermaAgg` or a double click on the employee. The grid
// itself is the frame `FrameModTimbrature` (ui/grid_screen.h), which covers the bottom bar and
// so carries menu entries 10 (exit) and 11 (help).
#pragma once

#include <QGroupBox>
#include <memory>

#include "editing/grid_opening.h"
#include "ui/selection_screen.h"

namespace kaveltar::ui {

class GridScreen;

class UpdateScreen : public SelectionScreen {
 public:
  explicit UpdateScreen(FRMVELTAR& form);
  ~UpdateScreen() override;

  GridScreen& grid_screen() { return *grid_; }

  // `CmdConfermaAgg_Click` (also the double click on `ListDipAgg`): the month of the first
  // selected company, employee and month of the lists, opened in the grid.
  void CmdConfermaAgg_Click();
  // What the lists hold selected now.
  UpdateSelection Selection() const;

 private:
  QGroupBox* frame_mod_timbrature_ = nullptr;
  std::unique_ptr<GridScreen> grid_;
};

}  // namespace kaveltar::ui
