// The frames of the external import and the annual totals, with what the main menu does to
// them: the justification list of the annual totals and the return to the menu. Their own
// work is added by the import and totals screens.
#pragma once

#include <QGroupBox>
#include <QListWidget>
#include <QObject>

namespace kaveltar::ui {

class FRMVELTAR;

// The external import (frame `FrameImporta`).
class ImportScreen : public QObject {
 public:
  explicit ImportScreen(FRMVELTAR& form);
  QGroupBox* frame() const { return frame_; }

 private:
  FRMVELTAR& form_;
  QGroupBox* frame_;
};

// The annual totals of a justification code (frame `FrameCalcolo`).
class TotalsScreen : public QObject {
 public:
  explicit TotalsScreen(FRMVELTAR& form);
  QGroupBox* frame() const { return frame_; }
  // Menu entry 12: `ListElencoCalcolo` gets one line per justification code: the code, the
  // description and "Presenza" (type "P") or "Assenza".
  void Enter();

 private:
  FRMVELTAR& form_;
  QGroupBox* frame_;
  QListWidget* list_elenco_;
};

}  // namespace kaveltar::ui
