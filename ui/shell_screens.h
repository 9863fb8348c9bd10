// The frames of the tables screen, the external import and the annual totals, with what the
// main menu does to them: the tables list, the justification list of the annual totals, and
// the return to the menu. Their own work is added by the tables, import and totals screens.
#pragma once

#include <QGroupBox>
#include <QListWidget>
#include <QObject>

namespace kaveltar::ui {

class FRMVELTAR;

// The tables screen (frame `FrameTabelle`): `ListTabelle` on the left, the help frame
// `FrameHelpTabelle` and the three tables' frames on the right.
class TablesScreen : public QObject {
 public:
  explicit TablesScreen(FRMVELTAR& form);

  QGroupBox* frame() const { return frame_; }
  // Menu entry 0: the help frame's caption is emptied.
  void Enter();
  // Fills `ListTabelle` with its three entries (after every menu entry that opens a screen).
  void RefillTablesList();

 private:
  FRMVELTAR& form_;
  QGroupBox* frame_;
  QGroupBox* frame_help_;
  QListWidget* list_tabelle_;
};

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
